#include "tauxstate.h"

#include "rates/leadingnumber.h"
#include "rates/startmonth.h"
#include "schedule/ratecheck.h"

#include <algorithm>
#include <cmath>

TauxState::TauxState(const RateTable &table, const SumColumn &sums, int startRow,
                     RateCategory category)
    : m_table(table), m_category(category), m_sums(sums)
{
    if (hasRow(startRow))
        m_startRow = static_cast<qint16>(startRow);
}

void TauxState::setRatesFile(const QString &path)
{
    m_table.filePath = path;
}

LoadResult TauxState::LoadRatesFile()
{
    const LoadResult result = LoadCheckedRatesFile(m_table, m_category);
    if (result.ok()) {
        m_firstRow = 0;
        m_startRow = -1;
    }
    return result;
}

std::optional<LoadResult> TauxState::ReloadIfChanged()
{
    if (!ratesFileChanged(m_table))
        return std::nullopt;
    return LoadRatesFile();
}

void TauxState::clearSums()
{
    // Every slot, not only those of the current table: a longer file read
    // earlier may have left sums beyond today's extra row.
    for (std::optional<double> &sum : m_sums)
        sum.reset();
}

bool TauxState::ConfirmStartDate(const QDateTime &startDate)
{
    clearSums();
    return SelectStartMonth(startDate);
}

bool TauxState::SelectStartMonth(const QDateTime &startDate)
{
    const int row = findStartRow(m_table, startDate);
    if (row < 0)
        return false;
    m_startRow = static_cast<qint16>(row);
    m_firstRow = static_cast<qint16>(firstRowShowing(row));
    return true;
}

TauxState::AmountOutcome TauxState::EnterAmount(int row, QStringView text)
{
    if (!hasRow(row))
        return AmountOutcome::NoRow;
    m_startRow = static_cast<qint16>(row);
    const LeadingNumber amount = readLeadingNumber(text);
    if (amount.overflow)
        return AmountOutcome::Overflow;
    m_sums[row] = amount.value;
    Recompute();
    return m_tooLarge ? AmountOutcome::Overflow : AmountOutcome::Computed;
}

void TauxState::SetCoefficient(int index)
{
    static const double coefficients[] = {1.0, 1.5, 2.0, 3.0};
    m_options.coefficient = coefficients[std::clamp(index, 0, 3)];
    Recompute();
}

void TauxState::SetMajoration(bool on)
{
    m_options.majoration = on ? 5.0 : 0.0;
    Recompute();
}

void TauxState::SetCapitalise(bool on)
{
    m_options.capitalise = on;
    Recompute();
}

void TauxState::SetCapitalMonth(const QString &text)
{
    m_options.capitalMonth = text;
    Recompute();
}

QString TauxState::NormaliseCapitalisationMonth(const QString &text)
{
    const double month = std::floor(readLeadingNumber(text).value);
    m_options.capitalMonth =
        month >= 1 && month <= 12 ? QString::number(static_cast<int>(month)) : QString();
    Recompute();
    return m_options.capitalMonth;
}

LoadResult TauxState::ChangeCategory(RateCategory category)
{
    const qint16 kept = m_startRow;
    m_category = category;
    const LoadResult result = LoadRatesFile();
    if (!result.ok())
        return result;
    // The file may have shrunk since the start row was chosen: a row that
    // is gone cannot be restored.
    if (hasRow(kept))
        m_startRow = kept;
    Recompute();
    return result;
}

void TauxState::Recompute()
{
    m_tooLarge = !ComputeSchedule(m_startRow, m_table, m_options, m_sums);
}

void TauxState::setFirstRow(int row)
{
    m_firstRow = static_cast<qint16>(std::clamp(row, 0, maxFirstRow()));
}

int TauxState::maxFirstRow() const
{
    return std::max(0, m_table.count - 20);
}

int TauxState::lastScheduleRow() const
{
    return std::min<int>(m_startRow, m_table.count);
}

ScheduleRow TauxState::scheduleRow(int i) const
{
    if (!hasRow(i))
        return {};
    const RateRow &row = m_table.rows[i];
    return {row.label, row.rate, m_sums[i]};
}

QList<ScheduleRow> TauxState::schedule() const
{
    QList<ScheduleRow> rows;
    const int last = lastScheduleRow();
    rows.reserve(last + 1);
    for (int i = 0; i <= last; ++i)
        rows.append(scheduleRow(i));
    return rows;
}
