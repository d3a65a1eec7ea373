#pragma once

#include "rates/publication.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Adding half-years to a rates file. The file is the user's: only the new
// period lines and their comment go in, directly before the first period
// line (and before the comment of an earlier update that heads it), and
// whole oldest periods go at the bottom when the file would pass 600
// months. Every other byte stays as it was.
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
    QStringList removed;        // the keys of the oldest periods deleted
    // Half-years the file holds with other rates than those given, in
    // words; they are never changed.
    QStringList conflicts;
    QString error;
    QDate newestBefore; // the file's newest month before the merge
};

// The comment line written above the added lines: from a publication
// (`address` with its commas and double quotes dropped, `published` when
// known) or, with an empty address, by hand.
QString AddedRatesNote(const QDate &today, const QString &address = QString(),
                       const QDate &published = QDate());

// Adds to the rates file's `bytes` the half-years of `rates` (newest first,
// one after the other) that are newer than its newest month, under the
// comment line `note`. Refuses a file that does not load, and rates that
// would leave a gap after the file's newest month.
RatesMerge MergeHalfYears(const QByteArray &bytes, const QList<HalfYearRates> &rates,
                          const QString &note);

// "2e semestre 2026 : 2,94 % (autres cas), 6,31 % (particuliers)".
QString DescribeRates(const HalfYearRates &rates);
