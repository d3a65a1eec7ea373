#pragma once

#include <QLocale>
#include <QString>

class TauxState;

// The schedule as a spreadsheet takes it: a heading line, then rows
// 0..startRow as label TAB rate TAB sum, every line ended by CR LF.
QString ClipboardText(const TauxState &state, const QLocale &locale);
