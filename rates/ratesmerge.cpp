#include "ratesmerge.h"

#include "output/safetext.h"
#include "rates/codepage.h"
#include "rates/ratetable.h"

#include <cmath>
#include <memory>

namespace {

// One line of the file's bytes: where it starts, where its text ends and
// where the next line starts (after CR LF, LF or CR).
struct Line
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

QList<Line> linesOf(const QByteArray &bytes)
{
    QList<Line> lines;
    qsizetype pos = 0;
    const qsizetype n = bytes.size();
    while (pos < n) {
        Line line;
        line.start = pos;
        while (pos < n && bytes[pos] != '\r' && bytes[pos] != '\n')
            ++pos;
        line.end = pos;
        if (pos < n && bytes[pos] == '\r' && pos + 1 < n && bytes[pos + 1] == '\n')
            ++pos;
        if (pos < n)
            ++pos;
        line.next = pos;
        lines.append(line);
    }
    return lines;
}

QByteArray textOf(const QByteArray &bytes, const Line &line)
{
    return bytes.mid(line.start, line.end - line.start).trimmed();
}

bool isPeriodLine(const QByteArray &text)
{
    return !text.isEmpty() && !text.startsWith('\'');
}

bool isUpdateNote(const QByteArray &text)
{
    return text.startsWith('\'') &&
           DecodeWindows1252(text.mid(1)).trimmed().startsWith(u"Taux ajoutés");
}

std::unique_ptr<RateTable> parsed(const QByteArray &bytes, RateCategory category)
{
    auto table = std::make_unique<RateTable>();
    if (!parseRates(bytes, category, *table))
        return nullptr;
    return table;
}

QString monthYear(const QDate &month)
{
    return textemois(month.month()).toLower() + u' ' + QString::number(month.year());
}

// The file's rates for the six months of `half`, when it holds them all
// and they agree; nothing otherwise (a conflict is then reported).
bool sameRates(const RateTable &autres, const RateTable &particuliers, const HalfYearRates &half,
               bool *held)
{
    *held = false;
    const QDate first = half.firstMonth();
    const double wantAutres = half.autres.toDouble();
    const double wantParticuliers = half.particuliers.toDouble();
    int found = 0;
    bool same = true;
    for (int i = 0; i < autres.count; ++i) {
        const QDate month = autres.rows[i].monthStart;
        if (month < first || month > first.addMonths(5))
            continue;
        ++found;
        if (std::abs(*autres.rows[i].rate - wantAutres) > 1e-9 ||
            std::abs(*particuliers.rows[i].rate - wantParticuliers) > 1e-9)
            same = false;
    }
    *held = found > 0;
    return same;
}

QString ratesText(const RateTable &autres, const RateTable &particuliers, int row)
{
    return FrenchRate(QString::number(*autres.rows[row].rate, 'g', 15)) + QStringLiteral(" % et ") +
           FrenchRate(QString::number(*particuliers.rows[row].rate, 'g', 15)) +
           QStringLiteral(" %");
}

QString fileRatesText(const RateTable &autres, const RateTable &particuliers, const QDate &month)
{
    for (int i = 0; i < autres.count; ++i) {
        if (autres.rows[i].monthStart == month)
            return ratesText(autres, particuliers, i);
    }
    return QString();
}

RatesMerge refused(const QString &why)
{
    RatesMerge merge;
    merge.status = RatesMerge::Refused;
    merge.error = why;
    return merge;
}

} // namespace

QString AddedRatesNote(const QDate &today, const QString &address, const QDate &published)
{
    const QString day = today.toString(QStringLiteral("dd/MM/yyyy"));
    if (address.isEmpty())
        return QStringLiteral("'Taux ajoutés à la main le ") + day;
    // The address is the user's setting or the command line's: whatever it
    // holds must not break the file's line, nor show other than it is.
    QString where = SafeLine(address, 300);
    where.remove(u',').remove(u'"');
    QString note = QStringLiteral("'Taux ajoutés le ") + day + QStringLiteral(" depuis ") + where;
    if (published.isValid())
        note += QStringLiteral(" (publication du ") +
                published.toString(QStringLiteral("dd/MM/yyyy")) + u')';
    return note;
}

QString DescribeRates(const HalfYearRates &rates)
{
    return rates.caption() + QStringLiteral(" : ") + FrenchRate(rates.autres) +
           QStringLiteral(" % (autres cas), ") + FrenchRate(rates.particuliers) +
           QStringLiteral(" % (particuliers)");
}

QDate LatestPublishableMonth(const QDate &today)
{
    const QDate halfStart(today.year(), today.month() <= 6 ? 1 : 7, 1);
    return halfStart.addMonths(11);
}

QString TooFarAhead(const QDate &newestMonth, const QDate &today)
{
    const QDate latest = LatestPublishableMonth(today);
    if (!newestMonth.isValid() || newestMonth <= latest)
        return QString();
    const QDate start(newestMonth.year(), newestMonth.month() <= 6 ? 1 : 7, 1);
    const QDate next = latest.addMonths(-5);
    return QStringLiteral("le %1 commence après le %2, le semestre qui suit celui "
                          "d'aujourd'hui (%3) : aucun taux n'est fixé si tôt")
        .arg(HalfYearRates{start.year(), start.month() == 1 ? 1 : 2, {}, {}}.caption(),
             HalfYearRates{next.year(), next.month() == 1 ? 1 : 2, {}, {}}.caption(),
             today.toString(QStringLiteral("dd/MM/yyyy")));
}

QString ChangedMonthText(const QByteArray &current, const QByteArray &replacement,
                         const QString &subject)
{
    const auto autres = parsed(current, RateCategory::Autres);
    const auto particuliers = parsed(current, RateCategory::PersonnesPhysiques);
    const auto newAutres = parsed(replacement, RateCategory::Autres);
    const auto newParticuliers = parsed(replacement, RateCategory::PersonnesPhysiques);
    if (!autres || !particuliers || !newAutres || !newParticuliers)
        return subject + QStringLiteral(" ne se lit pas");
    for (int i = 0; i < autres->count; ++i) {
        const QDate month = autres->rows[i].monthStart;
        int found = -1;
        for (int j = 0; j < newAutres->count && found < 0; ++j) {
            if (newAutres->rows[j].monthStart == month)
                found = j;
        }
        if (found < 0)
            return subject +
                   QStringLiteral(" n'a plus %1, que votre fichier a").arg(monthYear(month));
        if (*newAutres->rows[found].rate != *autres->rows[i].rate ||
            *newParticuliers->rows[found].rate != *particuliers->rows[i].rate)
            return subject + QStringLiteral(" change %1 (%2 au lieu de %3), que votre fichier a "
                                            "déjà")
                                 .arg(monthYear(month),
                                      ratesText(*newAutres, *newParticuliers, found),
                                      ratesText(*autres, *particuliers, i));
    }
    return QString();
}

RatesMerge MergeHalfYears(const QByteArray &bytes, const QList<HalfYearRates> &rates,
                          const QString &note, const QDate &today)
{
    const auto autres = parsed(bytes, RateCategory::Autres);
    const auto particuliers = parsed(bytes, RateCategory::PersonnesPhysiques);
    if (!autres || !particuliers)
        return refused(QStringLiteral("le fichier des taux est corrompu : il ne se lit pas"));

    RatesMerge merge;
    merge.newestBefore = autres->count > 0 ? autres->rows[0].monthStart : QDate();
    for (const HalfYearRates &half : rates) {
        if (!merge.newestBefore.isValid() || half.firstMonth() > merge.newestBefore) {
            merge.added.append(half);
            continue;
        }
        bool held = false;
        if (!sameRates(*autres, *particuliers, half, &held) && held)
            merge.conflicts.append(
                QStringLiteral("le fichier donne pour le %1 %2, la publication %3 % et %4 % : "
                               "le fichier est gardé tel quel")
                    .arg(half.caption(), fileRatesText(*autres, *particuliers, half.firstMonth()),
                         FrenchRate(half.autres), FrenchRate(half.particuliers)));
    }
    if (merge.added.isEmpty()) {
        merge.status = RatesMerge::NothingNew;
        return merge;
    }
    // A hostile or mistaken source could otherwise fill the coming decades.
    const QString ahead = TooFarAhead(merge.added.first().firstMonth().addMonths(5), today);
    if (!ahead.isEmpty())
        return refused(ahead);
    const QDate oldestAdded = merge.added.last().firstMonth();
    if (merge.newestBefore.isValid() && oldestAdded != merge.newestBefore.addMonths(1))
        return refused(QStringLiteral("le fichier s'arrête en %1 et les taux donnés commencent au "
                                      "%2 : les mois entre les deux manquent")
                           .arg(monthYear(merge.newestBefore), merge.added.last().caption()));

    QByteArray block = EncodeWindows1252(note) + "\r\n";
    for (const HalfYearRates &half : std::as_const(merge.added))
        block += half.periodKey().toLatin1() + '\t' + half.autres.toLatin1() + '\t' +
                 half.particuliers.toLatin1() + "\r\n";

    // Above the first period line, and above the note of the update that
    // added it, so that each note stays on top of its own lines.
    const QList<Line> lines = linesOf(bytes);
    qsizetype firstPeriod = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isPeriodLine(textOf(bytes, lines[i]))) {
            firstPeriod = i;
            break;
        }
    }
    QByteArray result = bytes;
    qsizetype insertAt = result.size();
    if (firstPeriod >= 0) {
        qsizetype headLine = firstPeriod;
        if (firstPeriod > 0 && isUpdateNote(textOf(bytes, lines[firstPeriod - 1])))
            headLine = firstPeriod - 1;
        insertAt = lines[headLine].start;
    } else if (!result.isEmpty() && !result.endsWith('\n') && !result.endsWith('\r')) {
        block.prepend("\r\n");
    }

    // Nothing old is deleted to make room: a statement may need any month.
    const int months = autres->count + 6 * int(merge.added.size());
    if (months > kMaxMonths)
        return refused(QStringLiteral("le fichier des taux aurait %1 mois, plus que les %2 qu'il "
                                      "peut tenir : il est gardé entier, sans les nouveaux taux")
                           .arg(months)
                           .arg(kMaxMonths));
    result.insert(insertAt, block);

    // The new file must read as the old one with the new months on top:
    // a file of an unusual shape (a quoted item over several lines) is not
    // edited by guess.
    const auto check = parsed(result, RateCategory::Autres);
    const auto checkOther = parsed(result, RateCategory::PersonnesPhysiques);
    const QDate newest = merge.added.first().firstMonth().addMonths(5);
    if (!check || !checkOther || check->count != months || check->rows[0].monthStart != newest)
        return refused(QStringLiteral("le fichier des taux a une forme que la mise à jour ne sait "
                                      "pas compléter : ajoutez le semestre dans un éditeur"));
    merge.status = RatesMerge::Added;
    merge.bytes = result;
    return merge;
}
