#pragma once

#include "rates/ecbtable.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// What the ECB's data portal answers for the main refinancing rate
// (series FM.B.U2.EUR.4F.KR.MRR_FR.LEV, format=csvdata), read into changes,
// and their merge into the program's table.

struct EcbCsvRead
{
    QList<EcbChange> changes; // oldest first, one a change even when the body has one a day
    QString error;            // in French, when nothing could be read
};

// The columns are found by their names, TIME_PERIOD (the date of effect)
// and OBS_VALUE (the rate), never by their place; fields may be quoted. A
// body without them, with an unreadable date or rate, or beyond 1 MiB
// gives an error and no change.
EcbCsvRead ParseEcbCsv(const QByteArray &body);

struct EcbMerge
{
    bool ok = false;
    QByteArray bytes;       // the table to write; the same bytes when nothing changes
    bool changed = false;   // whether to write at all
    QList<EcbChange> added; // the changes added, oldest first
    QString disagreement;   // a change the ECB gives otherwise, named; the table keeps its own
    QString error;          // the table cannot be read
};

// Appends the ECB's changes newer than the table's newest after its last
// line and moves its "confirme-jusqu-au" day to `today`, keeping every
// other byte. A change the table already has is never altered: when the
// ECB gives it otherwise, or lacks it, `disagreement` says so.
EcbMerge MergeEcbChanges(const QByteArray &table, const QList<EcbChange> &fromEcb,
                         const QDate &today);
