#include "settings.h"

#include "files/regularfile.h"
#include "files/savefile.h"
#include "rates/codepage.h"
#include "update/ecbupdate.h"

#include <QFile>
#include <QList>

#include <functional>

namespace {

constexpr int kMaxValueLength = 999;
constexpr qint64 kMaxProfileBytes = 1 << 20;

// A profile file held as its lines of bytes, so that an edit changes the
// values of the keys it sets and nothing else: a byte order mark, comments,
// other sections, each line's own line end are written back as they were
// read, whatever their encoding. Only the values it reads and writes are
// decoded and encoded, in the Windows code page.
class ProfileFile
{
public:
    // False for a file that cannot be read, and for 16-bit text, which an
    // 8-bit edit would garble.
    bool read(const QString &path)
    {
        // A settings file is a few hundred bytes; a pipe or a device put in
        // its place must not hang the program at start.
        QByteArray bytes;
        if (ReadRegularFile(path, kMaxProfileBytes, &bytes) != FileRead::Read)
            return false;
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
            return false;
        if (bytes.startsWith("\xEF\xBB\xBF")) {
            m_bom = bytes.left(3);
            bytes.remove(0, 3);
        }
        qsizetype start = 0;
        while (start < bytes.size()) {
            const qsizetype newline = bytes.indexOf('\n', start);
            if (newline < 0) {
                m_lines.append({bytes.mid(start), {}});
                break;
            }
            const qsizetype end =
                newline > start && bytes[newline - 1] == '\r' ? newline - 1 : newline;
            m_lines.append({bytes.mid(start, end - start), bytes.mid(end, newline + 1 - end)});
            start = newline + 1;
        }
        for (const Line &line : std::as_const(m_lines)) {
            if (!line.end.isEmpty()) {
                m_lineEnd = line.end;
                break;
            }
        }
        return true;
    }

    QString value(const QString &section, const QString &key) const
    {
        const qsizetype line = findKey(section, key);
        if (line < 0)
            return QString();
        const QByteArray &text = m_lines[line].text;
        return DecodeWindows1252(text.mid(text.indexOf('=') + 1).trimmed());
    }

    void setValue(const QString &section, const QString &key, const QString &value)
    {
        // A line break in a value would start a line of its own in the file.
        QString clean = value;
        clean.replace(u'\r', u' ').replace(u'\n', u' ');
        const QByteArray encoded = EncodeWindows1252(clean);

        const qsizetype existing = findKey(section, key);
        if (existing >= 0) {
            QByteArray &text = m_lines[existing].text;
            text = text.left(text.indexOf('=') + 1) + encoded;
            return;
        }
        const QByteArray entry = EncodeWindows1252(key) + '=' + encoded;
        const qsizetype header = findSection(section);
        if (header < 0) {
            if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
                insertLine(m_lines.size(), {});
            insertLine(m_lines.size(), '[' + EncodeWindows1252(section) + ']');
            insertLine(m_lines.size(), entry);
            return;
        }
        // After the section's last entry, before the blank lines that part
        // it from the next one.
        qsizetype insertAt = header + 1;
        for (qsizetype i = header + 1; i < m_lines.size() && !isSectionHeader(m_lines[i]); ++i) {
            if (!m_lines[i].text.trimmed().isEmpty())
                insertAt = i + 1;
        }
        insertLine(insertAt, entry);
    }

    bool write(const QString &path) const
    {
        QByteArray bytes = m_bom;
        for (const Line &line : m_lines)
            bytes += line.text + line.end;
        return SaveFileAtomically(path, bytes);
    }

private:
    struct Line
    {
        QByteArray text;
        QByteArray end; // as it was: CR LF, LF, or nothing on the last line
    };

    void insertLine(qsizetype at, const QByteArray &text)
    {
        // A file that ended without a line end keeps ending without one.
        if (at == m_lines.size() && !m_lines.isEmpty() && m_lines.last().end.isEmpty()) {
            m_lines.last().end = m_lineEnd;
            m_lines.append({text, {}});
            return;
        }
        m_lines.insert(at, {text, m_lineEnd});
    }

    static bool isSectionHeader(const Line &line) { return line.text.trimmed().startsWith('['); }

    static bool sameName(const QByteArray &name, const QString &wanted)
    {
        return name.trimmed().compare(EncodeWindows1252(wanted), Qt::CaseInsensitive) == 0;
    }

    qsizetype findSection(const QString &section) const
    {
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (!isSectionHeader(m_lines[i]))
                continue;
            const QByteArray t = m_lines[i].text.trimmed();
            const qsizetype close = t.indexOf(']');
            if (sameName(close < 0 ? t.mid(1) : t.mid(1, close - 1), section))
                return i;
        }
        return -1;
    }

    qsizetype findKey(const QString &section, const QString &key) const
    {
        const qsizetype header = findSection(section);
        if (header < 0)
            return -1;
        for (qsizetype i = header + 1; i < m_lines.size() && !isSectionHeader(m_lines[i]); ++i) {
            const QByteArray &text = m_lines[i].text;
            if (text.trimmed().startsWith(';'))
                continue;
            const qsizetype eq = text.indexOf('=');
            if (eq > 0 && sameName(text.left(eq), key))
                return i;
        }
        return -1;
    }

    QByteArray m_bom;
    QList<Line> m_lines;
    QByteArray m_lineEnd = "\r\n";
};

// Reads the file when there is one, applies the edit and writes it back. An
// unreadable file is not replaced by one holding only the edited keys.
bool editProfile(const QString &iniPath, const std::function<void(ProfileFile &)> &edit)
{
    ProfileFile file;
    if (QFile::exists(iniPath) && !file.read(iniPath))
        return false;
    edit(file);
    return file.write(iniPath);
}

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString DefaultAddress()
{
    return QStringLiteral(
        "https://lecomarquage.service-public.gouv.fr/vdd/3.5/part/xml/F20688.xml");
}

QString DefaultEcbAddress()
{
    return kEcbAddress;
}

QString SettingsFilePath(const QString &executableDir)
{
    return executableDir + QStringLiteral("/Querdan.ini");
}

QString ReadIniValue(const QString &section, const QString &key, const QString &iniPath)
{
    ProfileFile file;
    if (!file.read(iniPath))
        return QString();
    return file.value(section, key).left(kMaxValueLength);
}

bool WriteIniValue(const QString &section, const QString &key, const QString &value,
                   const QString &iniPath)
{
    return editProfile(iniPath, [&](ProfileFile &file) { file.setValue(section, key, value); });
}

UpdateSettings LoadUpdateSettings(const QString &iniPath)
{
    const QString section = QStringLiteral("FTP");
    UpdateSettings settings;
    settings.address = ReadIniValue(section, QStringLiteral("ADRESS"), iniPath);
    if (settings.address.isEmpty())
        settings.address = DefaultAddress();
    // The two flags read in opposite senses: anything but "0" keeps the
    // connection test on, only "1" turns the automatic update on.
    settings.testConnection =
        ReadIniValue(section, QStringLiteral("CHECKCONNECTION"), iniPath) != u"0";
    settings.autoUpdate = ReadIniValue(section, QStringLiteral("CHECKMAJ"), iniPath) == u"1";
    settings.ecbAddress = ReadIniValue(section, QStringLiteral("ADRESSEBCE"), iniPath);
    if (settings.ecbAddress.isEmpty())
        settings.ecbAddress = DefaultEcbAddress();
    return settings;
}

bool SaveUpdateSettings(const UpdateSettings &settings, const QString &iniPath)
{
    // All three keys in one write, so the file never holds half a change.
    return editProfile(iniPath, [&settings](ProfileFile &file) {
        const QString section = QStringLiteral("FTP");
        file.setValue(section, QStringLiteral("ADRESS"), settings.address);
        file.setValue(section, QStringLiteral("CHECKCONNECTION"), flag(settings.testConnection));
        file.setValue(section, QStringLiteral("CHECKMAJ"), flag(settings.autoUpdate));
    });
}
