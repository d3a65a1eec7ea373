#include "ratetable.h"

#include "codepage.h"
#include "files/regularfile.h"
#include "leadingnumber.h"

#include <QFileInfo>
#include <QStringBuilder>

#include <cmath>
#include <limits>

namespace {

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Splits the text into items the way the file has always been read: an item
// ends at a comma or a line end, spaces before it are skipped, and an item
// that starts with a double quote runs to the next double quote.
class ItemReader
{
public:
    explicit ItemReader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    QStringView next()
    {
        const qsizetype n = m_text.size();
        while (m_pos < n && m_text[m_pos] == u' ')
            ++m_pos;
        if (m_pos < n && m_text[m_pos] == u'"') {
            const qsizetype start = ++m_pos;
            while (m_pos < n && m_text[m_pos] != u'"')
                ++m_pos;
            const QStringView item = m_text.mid(start, m_pos - start);
            // Whatever follows the closing quote up to the delimiter is dropped.
            while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
                ++m_pos;
            skipDelimiter();
            return item;
        }
        const qsizetype start = m_pos;
        while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        const QStringView item = m_text.mid(start, m_pos - start);
        skipDelimiter();
        return item;
    }

private:
    void skipDelimiter()
    {
        const qsizetype n = m_text.size();
        if (m_pos >= n)
            return;
        if (m_text[m_pos] == u'\r' && m_pos + 1 < n && m_text[m_pos + 1] == u'\n')
            ++m_pos; // CR LF is one line end
        ++m_pos;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// The year of a period key, as a calendar year. Two-digit years follow the
// usual window (00-29 are 2000s, 30-99 are 1900s). Returns nothing for a
// year that is no 16-bit number or that gives no date in 100..9999.
std::optional<int> calendarYear(double yearNumber, qint16 *rounded)
{
    const double r = std::nearbyint(yearNumber); // halves go to even
    if (!(r >= std::numeric_limits<qint16>::min() && r <= std::numeric_limits<qint16>::max()))
        return std::nullopt;
    int year = static_cast<int>(r);
    *rounded = static_cast<qint16>(year);
    if (year >= 0 && year <= 29)
        year += 2000;
    else if (year >= 30 && year <= 99)
        year += 1900;
    if (year < 100 || year > 9999)
        return std::nullopt;
    return year;
}

} // namespace

QString textemois(int month)
{
    // Literals, so that a table of 600 labels copies no name.
    static const QString names[] = {
        QStringLiteral("Janvier"), QStringLiteral("Février"),  QStringLiteral("Mars"),
        QStringLiteral("Avril"),   QStringLiteral("Mai"),      QStringLiteral("Juin"),
        QStringLiteral("Juillet"), QStringLiteral("Août"),     QStringLiteral("Septembre"),
        QStringLiteral("Octobre"), QStringLiteral("Novembre"), QStringLiteral("Décembre")};
    if (month < 1 || month > 12)
        return QString();
    return names[month - 1];
}

bool parseRates(const QByteArray &bytes, RateCategory category, RateTable &table)
{
    const QString text = DecodeWindows1252(bytes);
    ItemReader reader(text);
    int count = 0;
    qint16 lastYear = 0;
    // The comment on the line just before the current item, if any.
    QStringView comment;
    bool periodSeen = false;
    table.sourceNote.clear();

    while (!reader.atEnd()) {
        const QStringView item = reader.next();
        if (item.isEmpty() || item.front() == u'\'') {
            comment = item.isEmpty() ? QStringView() : item.mid(1).trimmed();
            continue;
        }
        if (!periodSeen) {
            periodSeen = true;
            if (comment.startsWith(u"Taux ajoutés"))
                table.sourceNote = comment.toString();
        }
        const qsizetype tab = item.indexOf(u'\t');
        if (tab < 0)
            return false;
        const QStringView key = item.left(tab);
        const QStringView rest = item.mid(tab + 1);

        int firstMonth = 12;
        int lastMonth = 1;
        QStringView yearText = key;
        if (key.startsWith(u"1S")) {
            firstMonth = 6;
            yearText = key.mid(2);
        } else if (key.startsWith(u"2S")) {
            lastMonth = 7;
            yearText = key.mid(2);
        }

        const qsizetype secondTab = rest.indexOf(u'\t');
        const QStringView firstField = secondTab < 0 ? rest : rest.left(secondTab);
        const QStringView secondField = secondTab < 0 ? rest : rest.mid(secondTab + 1);
        const LeadingNumber rate = readLeadingNumber(
            category == RateCategory::PersonnesPhysiques ? secondField : firstField);
        const LeadingNumber yearNumber = readLeadingNumber(yearText);
        if (rate.overflow || yearNumber.overflow)
            return false;
        const std::optional<int> year = calendarYear(yearNumber.value, &lastYear);
        if (!year)
            return false;

        const QString labelYear = u' ' + yearText.toString();
        for (int month = firstMonth; month >= lastMonth; --month) {
            if (count >= kMaxMonths)
                return false;
            RateRow &row = table.rows[count];
            row.label = QStringView(textemois(month)) % labelYear;
            row.monthStart = QDate(*year, month, 1);
            row.rate = rate.value;
            ++count;
        }
    }

    // The extra row takes the year before the last period read; a negative
    // year is written without the blank a positive one gets.
    const int extraYear = int(lastYear) - 1;
    RateRow &extra = table.rows[count];
    extra.label = textemois(12) + (extraYear >= 0 ? QStringLiteral(" ") : QString()) +
                  QString::number(extraYear);
    extra.monthStart = QDate();
    extra.rate.reset();
    for (int i = count + 1; i < kTableSlots; ++i)
        table.rows[i] = RateRow();
    table.count = static_cast<qint16>(count);
    return true;
}

namespace {

LoadResult missingFile()
{
    return {LoadResult::MissingFile,
            QStringLiteral("Fichier des taux introuvable. (Contrôler avant réinstallation "
                           "la présence du fichier QUERDAN.TXT)."),
            QStringLiteral("Installation incomplète, ou mauvais paramètres")};
}

LoadResult corruptFile(const QString &why = QString())
{
    return {LoadResult::CorruptFile,
            QStringLiteral("Fichier des taux corrompu") +
                (why.isEmpty() ? QString() : QStringLiteral(" : ") + why),
            QStringLiteral("Réinstallation nécessaire")};
}

LoadResult notRegularFile()
{
    return corruptFile(QStringLiteral("ce n'est pas un fichier ordinaire (un tube, un "
                                      "périphérique…), il n'a pas été lu"));
}

LoadResult tooLarge()
{
    return corruptFile(QStringLiteral("il dépasse 1 Mio, ce n'est pas un fichier des taux"));
}

} // namespace

LoadResult ReadRatesFile(const QString &path, QByteArray *bytes, QDateTime *stamp)
{
    switch (ReadRegularFile(path, kMaxRatesFileBytes, bytes, stamp)) {
    case FileRead::Read:
        return {};
    case FileRead::Missing:
        return missingFile();
    case FileRead::NotRegular:
        return notRegularFile();
    case FileRead::TooLarge:
        return tooLarge();
    case FileRead::Failed:
        break;
    }
    return corruptFile();
}

LoadResult ParseRatesFile(const QByteArray &bytes, RateCategory category, RateTable &table)
{
    if (!parseRates(bytes, category, table))
        return corruptFile();
    return {};
}

LoadResult LoadRatesFile(RateTable &table, RateCategory category)
{
    QByteArray bytes;
    QDateTime stamp;
    const LoadResult read = ReadRatesFile(table.filePath, &bytes, &stamp);
    // A file that cannot be opened records no time stamp.
    if (read.status == LoadResult::MissingFile)
        return read;
    table.fileTime = stamp;
    if (!read.ok())
        return read;
    return ParseRatesFile(bytes, category, table);
}

bool ratesFileChanged(const RateTable &table)
{
    const QFileInfo info(table.filePath);
    if (!info.exists())
        return true;
    return info.lastModified() != table.fileTime;
}
