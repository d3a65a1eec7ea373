#pragma once

#include "rates/ecbmerge.h"
#include "update/ratesupdate.h"

#include <QString>

// The update of the ECB's table from the ECB's own data portal, keyless,
// over HTTPS: the same bounds as the rates download (size, time,
// cancellation), the same outcomes in words.

inline const QString kEcbAddress =
    QStringLiteral("https://data-api.ecb.europa.eu/service/data/FM/B.U2.EUR.4F.KR.MRR_FR.LEV"
                   "?format=csvdata&detail=dataonly");

struct EcbUpdateReport
{
    enum Status {
        Added,       // new changes were added
        UpToDate,    // no new change (the day it is confirmed to may have moved on)
        Failed,      // the download failed, or its answer could not be used
        WriteFailed, // the table could not be written; it stays as it was
        NoTable,     // the table beside the rates is missing or does not read
        Busy,        // another program is updating it; nothing was done
    };
    Status status = Failed;
    QString message; // a sentence: "Taux de la BCE : …"
    QList<EcbChange> added;
};

// Downloads `address`, reads the ECB's answer and merges it into the table
// at `ecbPath` under its lock ("TAUXBCE.TXT.lock"), read again once the
// lock is held; written whole or not at all, and not at all when nothing
// changes.
EcbUpdateReport UpdateEcbTable(const QString &ecbPath, const QString &address, const QDate &today,
                               const Downloader &download,
                               std::chrono::milliseconds lockWait = kRatesLockWait);
