#include "ratecheck.h"

#include "schedule/statement.h"

std::optional<QString> RateTableFault(const RateTable &table)
{
    QDate previous;
    for (int i = 0; i < table.count && i < kMaxMonths; ++i) {
        const RateRow &row = table.rows[i];
        if (!row.monthStart.isValid())
            continue;
        if (row.rate && !(*row.rate >= 0 && *row.rate <= 100))
            return QStringLiteral("le taux de %1 (%2) n'est pas entre 0 et 100 %")
                .arg(monthInWords(row.monthStart), QString::number(*row.rate, 'g', 15));
        const QDate month = row.monthStart;
        if (previous.isValid() && month != previous.addMonths(-1)) {
            if (month >= previous)
                return QStringLiteral("%1 vient après %2 ; les périodes vont de la plus "
                                      "récente à la plus ancienne, sans se chevaucher")
                    .arg(monthInWords(month), monthInWords(previous));
            const QDate first = month.addMonths(1);
            const QDate last = previous.addMonths(-1);
            if (first == last)
                return QStringLiteral("il manque le mois de %1").arg(monthInWords(first));
            return QStringLiteral("il manque les mois de %1 à %2")
                .arg(monthInWords(first), monthInWords(last));
        }
        previous = month;
    }
    return std::nullopt;
}

LoadResult LoadCheckedRatesFile(RateTable &table, RateCategory category)
{
    const LoadResult loaded = LoadRatesFile(table, category);
    if (!loaded.ok())
        return loaded;
    if (const std::optional<QString> fault = RateTableFault(table))
        return {LoadResult::CorruptFile, fault->front().toUpper() + fault->mid(1) + u'.',
                QStringLiteral("Fichier des taux à corriger")};
    return loaded;
}
