#pragma once

#include <QLocale>
#include <QString>

#include "schedule/schedule.h"

#include <QList>

class TauxState;

// The schedule as a spreadsheet takes it: a heading line, then rows
// 0..startRow as label TAB rate TAB sum, every line ended by CR LF.
QString ClipboardText(const QList<ScheduleRow> &rows, const QLocale &locale);
QString ClipboardText(const TauxState &state, const QLocale &locale);
