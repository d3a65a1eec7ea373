#pragma once

#include "rates/publication.h"
#include "update/download.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

// An update of the user's rates file, asked for now (the update dialog,
// the statement window, the command line), and what it did, said in a
// sentence the user understands.
struct RatesUpdateReport
{
    enum Status {
        Added,       // the file gained at least one half-year, or was replaced
        UpToDate,    // nothing newer: the file was not touched
        Failed,      // download failed, or the answer could not be used
        WriteFailed, // the new file could not be written; the old one stays
        NoRatesFile, // the user's rates file is missing or does not load
        Refused,     // rates given by hand that cannot go in
        Busy,        // another program is updating the file; nothing was done
    };
    Status status = Failed;
    QString message;
    QList<HalfYearRates> added; // newest first
    QStringList conflicts;      // half-years the source gives otherwise than the file
    // The file as this update left it, written or read under the lock
    // (Added, UpToDate): what to show, whatever another program writes next.
    QByteArray file;
};

// How long an update waits for another program updating the same file.
constexpr std::chrono::milliseconds kRatesLockWait{5000};

// The rates file held by one update, from its reading to its replacement,
// with a lock file beside it ("QUERDAN.TXT.lock"): two updates at once
// would each write their own reading, and one would lose what the other
// added. A lock left by a program that died is taken over.
class RatesFileLock
{
public:
    RatesFileLock(const QString &ratesPath, std::chrono::milliseconds wait);
    bool held() const { return m_held; }
    // Why it is not held, as the report of the update that gives up.
    RatesUpdateReport refusal() const;

private:
    QString m_ratesPath;
    QLockFile m_lock;
    bool m_held = false;
};

// What a downloaded body is taken for: the address decides nothing.
enum class BodyKind {
    Publication, // the administration's fiche: its table of rates is read
    RatesFile,   // a rates file that loads: it replaces the user's, as always
    Other,       // anything else: the file stays as it is
};
BodyKind SniffBody(const QByteArray &body);

// The half-year of the file's newest month, in words ("1er semestre 2026";
// "décembre 2014" for a year line), or "aucun mois" for an empty table.
QString NewestPeriodText(const QDate &newestMonth);

// Adds the publication's new half-years to the rates file at `ratesPath`
// (the comment line names `address` and the fiche's date). Every update
// here holds the file's lock, waiting at most `lockWait` for it, and reads
// the file again under it.
RatesUpdateReport ApplyPublication(const QString &ratesPath, const QByteArray &body,
                                   const QString &address, const QDate &today,
                                   std::chrono::milliseconds lockWait = kRatesLockWait);

// A rates file that replaces the user's, when it keeps every month the
// user's holds (ChangedMonthText) and goes no further than
// LatestPublishableMonth(today).
RatesUpdateReport ReplaceRatesFile(const QString &ratesPath, const QByteArray &body,
                                   const QDate &today,
                                   std::chrono::milliseconds lockWait = kRatesLockWait);

// Downloads `address` with `download` and applies what came: a
// publication as ApplyPublication, a rates file as the automatic update
// does, anything else refused.
using Downloader = std::function<DownloadReply(const QString &url)>;
RatesUpdateReport UpdateRatesFromAddress(const QString &ratesPath, const QString &address,
                                         const QDate &today, const Downloader &download,
                                         std::chrono::milliseconds lockWait = kRatesLockWait);

// Adds by hand the half-year after the file's newest, with rates as the
// user typed them (comma or full stop). Anything else is refused in words.
RatesUpdateReport AddHalfYear(const QString &ratesPath, const QString &periodKey,
                              const QString &autres, const QString &particuliers,
                              const QDate &today,
                              std::chrono::milliseconds lockWait = kRatesLockWait);

// The half-year a hand-made addition must be: the one after the file's
// newest month. Invalid (year 0) when the file does not load.
HalfYearRates NextHalfYearOf(const QString &ratesPath);
