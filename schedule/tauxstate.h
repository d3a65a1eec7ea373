#pragma once

#include "rates/ratetable.h"
#include "schedule/schedule.h"

#include <QDateTime>
#include <QList>
#include <QStringView>

#include <optional>

// Everything the program knows while it runs: the rate table and its
// category, the sum column, the start row, the options, and which row the
// table view shows on its first line. The application owns one of these;
// every decision of the main window's handlers is taken here, so that the
// window only turns widget events into these calls and redraws.
class TauxState
{
public:
    TauxState() = default;
    // A state over a table read elsewhere, with the given sums and start row
    // (kept only when the table has that row).
    explicit TauxState(const RateTable &table, const SumColumn &sums = {}, int startRow = -1,
                       RateCategory category = RateCategory::Autres);

    // Where the rates file is; read by the next LoadRatesFile.
    void setRatesFile(const QString &path);

    // Refills the table from the rates file in the current category, and
    // refuses one whose rates or months are at fault (RateTableFault). On
    // success the view returns to the top and no row is marked; the sums
    // are kept. On failure the result carries the message the user must see
    // and the program must end.
    LoadResult LoadRatesFile();

    // Reloads when the file's time stamp moved. Returns nothing when no
    // reload was needed, else the outcome of the reload.
    std::optional<LoadResult> ReloadIfChanged();

    // A valid start date was confirmed: every sum is emptied, then the row
    // whose month began strictly before the date becomes the start row and
    // is scrolled onto the last visible line. False when no row qualifies
    // (the date is on or before the extra row's date); the sums are then
    // empty and nothing else changed.
    bool ConfirmStartDate(const QDateTime &startDate);

    // The row search alone, without emptying the sums.
    bool SelectStartMonth(const QDateTime &startDate);

    enum class AmountOutcome {
        Computed, // stored and the schedule rebuilt from that row
        Overflow, // too large to read, or its sums too large to hold: the
                  // row is marked, no later month shows a sum
        NoRow,    // below the extra row: there is no month to start from
    };
    // Enter in the sum cell of `row`: the row becomes the start row, the
    // text read with the leading-number rule is its amount, and the
    // schedule is rebuilt.
    AmountOutcome EnterAmount(int row, QStringView text);

    // The options; each rebuilds the schedule from the current start row.
    // `index` is that of the option buttons "x 1", "x 1,5", "x 2", "x 3".
    void SetCoefficient(int index);
    void SetMajoration(bool on);
    void SetCapitalise(bool on);
    // Enter in the month field: the text is taken as it stands.
    void SetCapitalMonth(const QString &text);
    // Leaving the month field: the largest integer not above the number
    // read, kept when it is a month 1..12, else the field is emptied.
    // Returns the text the field must now show.
    QString NormaliseCapitalisationMonth(const QString &text);

    // Reloads the table in the other category, keeps the start row when
    // the reloaded table still has it, and rebuilds the schedule.
    LoadResult ChangeCategory(RateCategory category);

    // ComputeSchedule from the current start row with the current options.
    void Recompute();
    // Whether the last computation grew beyond what a double holds; its
    // later months are then empty.
    bool scheduleTooLarge() const { return m_tooLarge; }

    // Sets the view position, kept within 0..maxFirstRow().
    void setFirstRow(int row);
    int maxFirstRow() const;

    const RateTable &table() const { return m_table; }
    const SumColumn &sums() const { return m_sums; }
    int startRow() const { return m_startRow; }
    int firstRow() const { return m_firstRow; }
    double coefficient() const { return m_options.coefficient; }
    double majoration() const { return m_options.majoration; }
    bool capitalise() const { return m_options.capitalise; }
    QString capitalMonth() const { return m_options.capitalMonth; }
    RateCategory category() const { return m_category; }

    // Whether `row` has a sum cell one can type into: the months and the
    // extra row, not the empty lines below it.
    bool hasRow(int row) const { return row >= 0 && row <= m_table.count; }

    // Row i of the schedule (0 <= i <= count); empty beyond.
    ScheduleRow scheduleRow(int i) const;

    // Rows 0 to the start row: what the print-out and the copy show.
    QList<ScheduleRow> schedule() const;

    // The last row the print-out and the copy show: the schedule runs from
    // row 0 to the start row. -1 when there is none.
    int lastScheduleRow() const;

private:
    void clearSums();

    RateTable m_table;
    RateCategory m_category = RateCategory::Autres;
    SumColumn m_sums;
    qint16 m_startRow = -1;
    qint16 m_firstRow = 0;
    ScheduleOptions m_options;
    bool m_tooLarge = false;
};
