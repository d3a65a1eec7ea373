#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Rates, and numbers written back into the input fields: the shortest form
// with at most 15 significant digits, the locale's decimal mark and no digit
// grouping (4.06 -> "4,06", 0.5 -> "0,5", 12 -> "12" in French).
QString formatGeneral(double value, const QLocale &locale);
QString formatGeneral(const std::optional<double> &value, const QLocale &locale);

// Sums, on the pattern "### ##0.00": two decimals, a literal space before
// the last three integer digits even when nothing stands before it, and any
// digits beyond six unseparated in front (1234567.891 -> "1234 567,89").
// Rounding is half away from zero on the value as written with 15
// significant digits, so 1.005 shows 1,01 as a person expects.
// A negative sum has its minus sign in front of everything ("- 12,50").
QString formatAmount(double value, const QLocale &locale);
QString formatAmount(const std::optional<double> &value, const QLocale &locale);
