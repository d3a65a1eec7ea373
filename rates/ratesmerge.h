#pragma once

#include "rates/publication.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Adding half-years to a rates file. The file is the user's: only the new
// period lines and their comment go in, directly before the first period
// line (and before the comment of an earlier update that heads it); every
// other byte stays as it was. Nothing is ever deleted: a statement may need
// any month the file holds.
struct RatesMerge
{
    enum Status {
        Added,      // `bytes` is the new file
        NothingNew, // the file already holds every half-year given
        Refused,    // `error` says why; the file must stay as it is
    };
    Status status = Refused;
    QByteArray bytes;
    QList<HalfYearRates> added; // newest first, as in the file
    // Half-years the file holds with other rates than those given, in
    // words; they are never changed.
    QStringList conflicts;
    QString error;
    QDate newestBefore; // the file's newest month before the merge
};

// The comment line written above the added lines: from a publication
// (`address` made one visible line, its commas and double quotes dropped,
// `published` when known) or, with an empty address, by hand.
QString AddedRatesNote(const QDate &today, const QString &address = QString(),
                       const QDate &published = QDate());

// Adds to the rates file's `bytes` the half-years of `rates` (newest first,
// one after the other) that are newer than its newest month, under the
// comment line `note`. Refuses a file that does not load, rates that would
// leave a gap after the file's newest month, a half-year past
// LatestPublishableMonth(today), and a file that would pass kMaxMonths.
RatesMerge MergeHalfYears(const QByteArray &bytes, const QList<HalfYearRates> &rates,
                          const QString &note, const QDate &today);

// The newest month a rates file may hold on `today`: the last month of the
// half-year after today's. A rate is fixed days before its half-year, never
// a year ahead.
QDate LatestPublishableMonth(const QDate &today);

// "le 2e semestre 2027 commence après…" when `newestMonth` is past
// LatestPublishableMonth(today), or an empty text.
QString TooFarAhead(const QDate &newestMonth, const QDate &today);

// Why the table of `replacement` may not take the place of `current`, or an
// empty text: it must hold every month `current` holds, at the same rates
// in both categories, and may only add newer ones. Names the first month,
// newest first, that differs: "<subject> change juin 1977 (1 % et 1 % au
// lieu de 10,5 % et 10,5 %), que votre fichier a déjà". Both must load.
QString ChangedMonthText(const QByteArray &current, const QByteArray &replacement,
                         const QString &subject);

// "2e semestre 2026 : 2,94 % (autres cas), 6,31 % (particuliers)".
QString DescribeRates(const HalfYearRates &rates);
