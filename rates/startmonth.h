#pragma once

#include "ratetable.h"

#include <QDateTime>

// The extra row stands for this date in the search: the zero of the date
// arithmetic the rates file was designed around.
QDateTime extraRowDate();

// Index of the first row, newest first, whose month began strictly before
// `startDate`; the extra row counts as extraRowDate(). -1 when none does.
// Dates are calendar values: the comparison ignores `startDate`'s time
// zone, so a month whose first midnight does not exist on the local clock
// (a clock change at midnight) is still a month like any other.
int findStartRow(const RateTable &table, const QDateTime &startDate);

// First visible row that shows `startRow` on the last of the 21 lines.
int firstRowShowing(int startRow);
