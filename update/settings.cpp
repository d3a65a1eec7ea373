#include "settings.h"

#include "update/savefile.h"

#include <QFile>
#include <QStringList>

#include <functional>

namespace {

constexpr int kMaxValueLength = 999;

// A profile file held as its lines, so that an edit changes the lines of the
// keys it sets and nothing else: comments, blank lines, the order and the
// spelling of everything else are written back as they were read.
class ProfileFile
{
public:
    bool read(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
        m_lineEnd = bytes.contains("\r\n") || !bytes.contains('\n') ? "\r\n" : "\n";
        m_endsWithLineEnd = bytes.isEmpty() || bytes.endsWith('\n');
        const QString text = QString::fromUtf8(bytes);
        m_lines = text.split(u'\n');
        if (m_endsWithLineEnd)
            m_lines.removeLast();
        for (QString &line : m_lines) {
            if (line.endsWith(u'\r'))
                line.chop(1);
        }
        return true;
    }

    QString value(const QString &section, const QString &key) const
    {
        const int line = findKey(section, key);
        if (line < 0)
            return QString();
        const QString &text = m_lines[line];
        return text.mid(text.indexOf(u'=') + 1).trimmed();
    }

    void setValue(const QString &section, const QString &key, const QString &value)
    {
        // A line break in a value would start a line of its own in the file.
        QString clean = value;
        clean.replace(u'\r', u' ').replace(u'\n', u' ');

        const int existing = findKey(section, key);
        if (existing >= 0) {
            QString &line = m_lines[existing];
            line = line.left(line.indexOf(u'=') + 1) + clean;
            return;
        }
        const QString entry = key + u'=' + clean;
        const int header = findSection(section);
        if (header < 0) {
            if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
                m_lines.append(QString());
            m_lines.append(u'[' + section + u']');
            m_lines.append(entry);
            return;
        }
        // After the section's last entry, before the blank lines that part
        // it from the next one.
        int insertAt = header + 1;
        for (int i = header + 1; i < m_lines.size() && !isSectionHeader(m_lines[i]); ++i) {
            if (!m_lines[i].trimmed().isEmpty())
                insertAt = i + 1;
        }
        m_lines.insert(insertAt, entry);
    }

    bool write(const QString &path) const
    {
        QByteArray bytes;
        for (int i = 0; i < m_lines.size(); ++i) {
            bytes += m_lines[i].toUtf8();
            if (i + 1 < m_lines.size() || m_endsWithLineEnd)
                bytes += m_lineEnd;
        }
        return SaveFileAtomically(path, bytes);
    }

private:
    static bool isSectionHeader(const QString &line) { return line.trimmed().startsWith(u'['); }

    static QString sectionName(const QString &line)
    {
        const QString t = line.trimmed();
        const qsizetype close = t.indexOf(u']');
        return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    }

    int findSection(const QString &section) const
    {
        for (int i = 0; i < m_lines.size(); ++i) {
            if (isSectionHeader(m_lines[i]) &&
                sectionName(m_lines[i]).compare(section, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    int findKey(const QString &section, const QString &key) const
    {
        const int header = findSection(section);
        if (header < 0)
            return -1;
        for (int i = header + 1; i < m_lines.size() && !isSectionHeader(m_lines[i]); ++i) {
            const QString &line = m_lines[i];
            const QString t = line.trimmed();
            if (t.startsWith(u';'))
                continue;
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }

    QStringList m_lines;
    QByteArray m_lineEnd = "\r\n";
    bool m_endsWithLineEnd = true;
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
    return QStringLiteral("http://" TAUX_UPDATE_HOST "/telechar/QUERDAN.TXT");
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
