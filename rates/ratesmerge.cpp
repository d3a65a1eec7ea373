#include "ratesmerge.h"

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

int monthsOfKey(const QByteArray &text)
{
    return text.startsWith("1S") || text.startsWith("2S") ? 6 : 12;
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

QString fileRatesText(const RateTable &autres, const RateTable &particuliers, const QDate &month)
{
    for (int i = 0; i < autres.count; ++i) {
        if (autres.rows[i].monthStart == month)
            return FrenchRate(QString::number(*autres.rows[i].rate)) + QStringLiteral(" % et ") +
                   FrenchRate(QString::number(*particuliers.rows[i].rate)) + QStringLiteral(" %");
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
    QString where = address;
    where.remove(u',').remove(u'"').replace(u'\r', u' ').replace(u'\n', u' ');
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

RatesMerge MergeHalfYears(const QByteArray &bytes, const QList<HalfYearRates> &rates,
                          const QString &note)
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

    // Whole oldest periods go at the bottom while the file would hold more
    // than 600 months, with the comments between them; those after the
    // last period stay.
    int months = autres->count + 6 * int(merge.added.size());
    int removedMonths = 0;
    qsizetype cutFrom = -1;
    qsizetype cutTo = -1;
    for (qsizetype i = lines.size() - 1; i > firstPeriod && months > kMaxMonths; --i) {
        const QByteArray text = textOf(bytes, lines[i]);
        if (!isPeriodLine(text))
            continue;
        months -= monthsOfKey(text);
        removedMonths += monthsOfKey(text);
        merge.removed.prepend(QString::fromLatin1(text.left(text.indexOf('\t'))));
        cutFrom = lines[i].start;
        if (cutTo < 0)
            cutTo = lines[i].next;
    }
    if (months > kMaxMonths)
        return refused(QStringLiteral("le fichier des taux ne peut pas tenir plus de 600 mois"));
    if (cutFrom >= 0)
        result.remove(cutFrom, cutTo - cutFrom);
    result.insert(insertAt, block);

    // The new file must read as the old one with the new months on top:
    // a file of an unusual shape (a quoted item over several lines) is not
    // edited by guess.
    const auto check = parsed(result, RateCategory::Autres);
    const auto checkOther = parsed(result, RateCategory::PersonnesPhysiques);
    const QDate newest = merge.added.first().firstMonth().addMonths(5);
    if (!check || !checkOther ||
        check->count != autres->count + 6 * merge.added.size() - removedMonths ||
        check->rows[0].monthStart != newest)
        return refused(QStringLiteral("le fichier des taux a une forme que la mise à jour ne sait "
                                      "pas compléter : ajoutez le semestre dans un éditeur"));
    merge.status = RatesMerge::Added;
    merge.bytes = result;
    return merge;
}
