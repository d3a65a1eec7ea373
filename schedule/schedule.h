#pragma once

#include "rates/ratetable.h"

#include <QStringView>

#include <array>
#include <optional>

using SumColumn = std::array<std::optional<double>, kTableSlots>;

// What the computation reads besides the table and the sums.
struct ScheduleOptions
{
    double coefficient = 1.0; // 1, 1.5, 2 or 3
    double majoration = 0.0;  // 0 or 5 percentage points
    bool capitalise = true;   // "Capitalisation des intérêts"
    QString capitalMonth;     // text of the month field: "" or a month number
};

// One row as shown, printed and copied.
struct ScheduleRow
{
    QString label;
    std::optional<double> rate;
    std::optional<double> sum;
};

// Rewrites the sums from the start row `p` towards the newest month (row 0):
// one month of interest per row at the row's own rate, with the accrued
// interest added to the capital once a year when capitalisation is on.
// Nothing is rounded. False when a sum grows beyond what a double holds:
// that month and the later ones are then left empty, never "inf".
bool ComputeSchedule(int p, const RateTable &table, const ScheduleOptions &options,
                     SumColumn &sums);
