#include "ecbtable.h"

#include "files/regularfile.h"

#include <QLocale>
#include <QStringList>

namespace {

const QByteArray kConfirmedKey = "confirme-jusqu-au";

std::optional<QDate> isoDate(QByteArrayView text)
{
    // Exactly AAAA-MM-JJ: QDate alone would take "2025-6-1" and stray blanks.
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    }
    const QDate date = QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// "2.15", "-0.5", "4": at most three decimals, a full stop.
std::optional<qint32> thousandths(QByteArrayView text)
{
    bool negative = false;
    qsizetype i = 0;
    if (!text.isEmpty() && text[0] == '-') {
        negative = true;
        i = 1;
    }
    qint64 units = 0;
    int digits = 0;
    int decimals = -1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || digits >= 6)
            return std::nullopt;
        units = units * 10 + (c - '0');
        ++digits;
        if (decimals >= 0 && ++decimals > 3)
            return std::nullopt;
    }
    if (digits == 0 || decimals == 0)
        return std::nullopt;
    for (int d = std::max(decimals, 0); d < 3; ++d)
        units *= 10;
    return qint32(negative ? -units : units);
}

EcbRead failure(int line, const QString &why)
{
    return {std::nullopt,
            QStringLiteral("Tableau des taux de la BCE, ligne %1 : %2.").arg(line).arg(why)};
}

} // namespace

QDate HalfYearStart(const QDate &day)
{
    return QDate(day.year(), day.month() <= 6 ? 1 : 7, 1);
}

std::optional<qint32> EcbTable::rateOn(const QDate &day) const
{
    if (!day.isValid() || changes.isEmpty() || day < changes.first().from || day > confirmedUntil)
        return std::nullopt;
    // The last change on or before the day.
    auto after = std::upper_bound(changes.cbegin(), changes.cend(), day,
                                  [](const QDate &d, const EcbChange &c) { return d < c.from; });
    return std::prev(after)->thousandths;
}

std::optional<qint32> EcbTable::halfYearRate(const QDate &day) const
{
    return day.isValid() ? rateOn(HalfYearStart(day)) : std::nullopt;
}

EcbRead ParseEcbTable(const QByteArray &bytes)
{
    if (bytes.size() > kMaxEcbFileBytes)
        return {std::nullopt, QStringLiteral("Tableau des taux de la BCE : il dépasse 1 Mio.")};
    EcbTable table;
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() > kMaxEcbLines + 1 ||
        (lines.size() == kMaxEcbLines + 1 && !lines.last().isEmpty()))
        return {std::nullopt, QStringLiteral("Tableau des taux de la BCE : il a plus de %1 lignes.")
                                  .arg(kMaxEcbLines)};
    int confirmedLine = 0;
    for (int n = 0; n < lines.size(); ++n) {
        QByteArrayView line = lines.at(n);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0 || line.indexOf('\t', tab + 1) >= 0)
            return failure(n + 1, QStringLiteral("attendu une date, une tabulation et un taux"));
        const QByteArrayView first = line.first(tab);
        const QByteArrayView second = line.sliced(tab + 1);
        if (first == kConfirmedKey) {
            const auto day = isoDate(second);
            if (!day)
                return failure(n + 1,
                               QStringLiteral("la date de « confirme-jusqu-au » est illisible"));
            if (confirmedLine > 0)
                return failure(n + 1, QStringLiteral("« confirme-jusqu-au » figure deux fois"));
            table.confirmedUntil = *day;
            confirmedLine = n + 1;
            continue;
        }
        const auto day = isoDate(first);
        if (!day)
            return failure(n + 1, QStringLiteral("la date est illisible ; attendu AAAA-MM-JJ"));
        const auto rate = thousandths(second);
        if (!rate)
            return failure(n + 1,
                           QStringLiteral("le taux est illisible ; attendu par exemple 2.15"));
        if (*rate < -1000 || *rate > 20000)
            return failure(n + 1, QStringLiteral("le taux doit être compris entre -1 et 20 %"));
        if (!table.changes.isEmpty() && *day == table.changes.last().from)
            return failure(
                n + 1, QStringLiteral("le %1 figure deux fois").arg(day->toString(Qt::ISODate)));
        if (!table.changes.isEmpty() && *day < table.changes.last().from)
            return failure(n + 1,
                           QStringLiteral("les dates doivent aller du plus ancien au plus récent"));
        table.changes.append({*day, *rate});
    }
    if (table.changes.isEmpty())
        return {std::nullopt,
                QStringLiteral("Tableau des taux de la BCE : il ne contient aucun taux.")};
    if (confirmedLine == 0)
        return {std::nullopt, QStringLiteral("Tableau des taux de la BCE : la ligne "
                                             "« confirme-jusqu-au » manque.")};
    if (table.confirmedUntil < table.changes.last().from)
        return failure(confirmedLine,
                       QStringLiteral("« confirme-jusqu-au » précède le dernier taux"));
    return {table, QString()};
}

EcbRead ReadEcbTableFile(const QString &path)
{
    QByteArray bytes;
    const FileRead got = ReadRegularFile(path, kMaxEcbFileBytes, &bytes);
    if (got != FileRead::Read)
        return {std::nullopt,
                QStringLiteral("Le tableau des taux de la BCE « %1 » n'a pas été lu : %2.")
                    .arg(path, FileReadReason(got, kMaxEcbFileBytes))};
    return ParseEcbTable(bytes);
}

QString EcbRateText(qint32 thousandths, const QLocale &locale)
{
    const bool third = thousandths % 10 != 0;
    return locale.toString(double(thousandths) / 1000.0, 'f', third ? 3 : 2);
}
