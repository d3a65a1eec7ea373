#pragma once

#include "rates/ratetable.h"
#include "schedule/schedule.h"

#include <QDateTime>

// Everything the program knows while it runs: the rate table, the sum
// column, the start row, the options that are numbers, and which row the
// table view shows on its first line. The application owns one of these;
// windows read it and change it through the operations below.
class TauxState
{
public:
    RateTable table;
    SumColumn sums;
    qint16 startRow = -1;
    double coefficient = 1.0;
    double majoration = 0.0;
    qint16 firstRow = 0;

    // Refills the table from table.filePath. On success the view returns to
    // the top and no row is marked; the sums are kept.
    LoadResult loadRates(RateCategory category);

    // Reloads when the file's time stamp moved. Returns nothing when no
    // reload was needed, else the outcome of the reload.
    std::optional<LoadResult> ReloadIfChanged(RateCategory category);

    // Empties the sums of every row of the table (the extra row included).
    void clearSums();

    // Marks the row from which a schedule starting at `startDate` runs and
    // scrolls it onto the last visible line. False when no row qualifies.
    bool selectStartMonth(const QDateTime &startDate);

    // ComputeSchedule from the current start row with the current options.
    void compute(bool capitalise, const QString &capitalMonth);

    // Sets the view position, kept within 0..maxFirstRow().
    void setFirstRow(int row);
    int maxFirstRow() const;

    // Row i of the schedule (0 <= i <= table.count).
    ScheduleRow scheduleRow(int i) const;

    // The last row the print-out and the copy show: the schedule runs from
    // row 0 to the start row. -1 when there is none.
    int lastScheduleRow() const;
};
