#pragma once

#include <QDateTime>
#include <QLocale>
#include <QStringView>

#include <optional>

// Reads a start date as people type it, in the day-month order of
// `locale`: 15/03/2015, 15-03-2015, 15.03.2015, 15 03 2015, 15/3/15,
// 15 mars 2015, 1er janvier 2016, 15 déc. 2015, with an optional time of
// day (01/03/2015 12:00, 12h30). Two-digit years: 00-29 are 2000s, 30-99
// are 1900s. Impossible dates (31/02/2015) and anything else give nothing.
// The result is a calendar value, in UTC so that no time zone can refuse or
// shift a day whose midnight the local clock skips.
std::optional<QDateTime> parseStartDate(QStringView text, const QLocale &locale);
