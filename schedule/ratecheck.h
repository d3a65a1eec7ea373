#pragma once

#include "rates/ratetable.h"

#include <QString>

#include <optional>

// The rates file is read leniently, as its format has always been: a lost
// decimal point or a mistyped period key still loads. Every computation
// therefore checks the table it is given.

// Why `table` cannot be computed with, a French phrase naming the month
// ("le taux de juin 2025 (371) n'est pas entre 0 et 100 %"), or nothing
// when it is sound: a month rate outside 0 to 100 %, or months that
// do not run one after the other from the newest (a gap, an overlap, a year
// out of order).
std::optional<QString> RateTableFault(const RateTable &table);

// LoadRatesFile, then the check: a table at fault is a corrupt file, titled
// "Fichier des taux à corriger", whose message is the phrase above as a
// sentence; for the windows and the command line alike.
LoadResult LoadCheckedRatesFile(RateTable &table, RateCategory category);
