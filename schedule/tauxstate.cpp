#include "tauxstate.h"

#include "rates/startmonth.h"

#include <algorithm>

LoadResult TauxState::loadRates(RateCategory category)
{
    const LoadResult result = loadRatesFile(table, category);
    if (result.ok()) {
        firstRow = 0;
        startRow = -1;
    }
    return result;
}

std::optional<LoadResult> TauxState::ReloadIfChanged(RateCategory category)
{
    if (!ratesFileChanged(table))
        return std::nullopt;
    return loadRates(category);
}

void TauxState::clearSums()
{
    for (int i = 0; i <= table.count; ++i)
        sums[i].reset();
}

bool TauxState::selectStartMonth(const QDateTime &startDate)
{
    const int row = findStartRow(table, startDate);
    if (row < 0)
        return false;
    startRow = static_cast<qint16>(row);
    firstRow = static_cast<qint16>(firstRowShowing(row));
    return true;
}

void TauxState::compute(bool capitalise, const QString &capitalMonth)
{
    ScheduleOptions options;
    options.coefficient = coefficient;
    options.majoration = majoration;
    options.capitalise = capitalise;
    options.capitalMonth = capitalMonth;
    ComputeSchedule(startRow, table, options, sums);
}

void TauxState::setFirstRow(int row)
{
    firstRow = static_cast<qint16>(std::clamp(row, 0, maxFirstRow()));
}

int TauxState::maxFirstRow() const
{
    return std::max(0, table.count - 20);
}

int TauxState::lastScheduleRow() const
{
    return std::min<int>(startRow, kTableSlots - 1);
}

ScheduleRow TauxState::scheduleRow(int i) const
{
    if (i < 0 || i >= kTableSlots)
        return {};
    const RateRow &row = table.rows[i];
    return {row.label, row.rate, sums[i]};
}
