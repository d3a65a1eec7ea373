#pragma once

#include "rates/ratetable.h"
#include "update/ecbupdate.h"
#include "update/ratesupdate.h"
#include "update/settings.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThread;

class TauxState;

// What the automatic update reaches outside the program, so that a test can
// choose the network and the server. An empty hook uses the real thing
// (IsInternetConnected, DownloadText with its default limits); an empty
// `setBusy` shows nothing.
struct UpdateHooks
{
    std::function<bool()> isConnected;
    std::function<void(bool busy)> setBusy;
    std::function<QByteArray(const QString &url)> download;
    // The ECB table's download, which needs the answer's status; empty, it
    // is `download` when that is set, the real transfer otherwise.
    Downloader ecbDownload;
    // How long to wait for another program updating the rates file.
    std::chrono::milliseconds lockWait = kRatesLockWait;
};

enum class UpdateOutcome {
    NoMonthRows,        // the table is empty: no newest year to judge by
    NotDue,             // today is before UpdateDueFrom
    NotConnected,       // the connection test said no
    NoAddress,          // the address is empty
    NothingRead,        // the download brought no body
    Refused,            // the body holds "Not Found": the server's error page
    NotRatesFile,       // the body would not load as a rates file
    NoMonths,           // the body loads but holds no month
    OlderMonths,        // its newest month is before the table's
    FewerMonths,        // it holds more than twelve months fewer than the table
    WriteFailed,        // the rates file could not be replaced
    Updated,            // the file was replaced and reloaded; see `load`
    NothingNew,         // a publication with no half-year newer than the table,
                        // or the very file the user has
    PublicationRefused, // a publication whose table could not be read
    TooFarAhead,        // it goes past LatestPublishableMonth(today)
    ChangedMonths,      // it changes or drops a month the file holds
    Busy,               // another program is updating the file
};

struct UpdateResult
{
    UpdateOutcome outcome = UpdateOutcome::NotDue;
    // The reload after the file was replaced. A failure here must be shown
    // and end the program, as at any other load.
    LoadResult load;
};

// The months a rates file holds, as far as replacing one by another goes.
struct MonthSpan
{
    int count = 0;
    QDate newest; // the first day of row 0's month; invalid when there is none
};

// Whether a rates file that loads may replace the table's: it must hold a
// month, its newest month must not be before the table's, and it must not
// hold more than twelve months fewer, which is what a transfer cut short at
// a line end looks like. Returns the outcome that refuses it, or nothing.
std::optional<UpdateOutcome> RefuseDownloadedMonths(const MonthSpan &table,
                                                    const MonthSpan &download);

// The first day the automatic update is due for a table whose newest month
// is `newestMonth`: the day after that month ends, or 31 December of its
// year when that comes first (a table ending in December).
QDate UpdateDueFrom(const QDate &newestMonth);

// Refreshes the rates file from `settings.address` from UpdateDueFrom on,
// and reloads the table from it. Says nothing in the window. A body that
// is the administration's publication adds its new half-years to the file
// (ApplyPublication; a disagreement with the file goes to standard error).
// Any other body must load as a rates file in both categories, pass
// RefuseDownloadedMonths, go no further than LatestPublishableMonth(today)
// and keep every month of the file as it is when read again under its lock
// (ReplaceRatesFile); it then replaces the file atomically, with one CR LF
// added. Anything else leaves the file as it was.
UpdateResult RunAutomaticUpdate(TauxState &state, const UpdateSettings &settings,
                                const QDate &today, const UpdateHooks &hooks = {});

// The start-up step: runs the update only when it is switched on, and
// returns nothing otherwise.
std::optional<UpdateResult> MaybeRunAutomaticUpdate(TauxState &state,
                                                    const UpdateSettings &settings,
                                                    const QDate &today,
                                                    const UpdateHooks &hooks = {});

// Brings the ECB's table beside the rates file up to date from
// `settings.ecbAddress`, silently: what went wrong goes to standard error.
// It is due while the day the table is confirmed to comes before the
// half-year today is in, since a half-year takes the rate in force on its
// first day; a successful update confirms it to today. Nothing happens,
// and nothing is returned, when there is no table beside the rates, when
// it is not due or when the connection test says no.
std::optional<EcbUpdateReport> RunAutomaticEcbUpdate(const QString &ratesPath,
                                                     const UpdateSettings &settings,
                                                     const QDate &today, const UpdateHooks &hooks);

// The start-up step away from the window: MaybeRunAutomaticUpdate runs on a
// thread of its own, over a table of its own read from the same file, so
// that neither a slow server nor a hostile document holds the window. What
// it writes, the window reads back on its own thread when `finished` comes
// (ReloadIfChanged). The hooks run on that thread too, but for `setBusy`,
// which is handed to the thread that made this object.
class BackgroundUpdate : public QObject
{
    Q_OBJECT
public:
    BackgroundUpdate(const QString &ratesPath, RateCategory category,
                     const UpdateSettings &settings, const QDate &today, UpdateHooks hooks,
                     QObject *parent = nullptr);
    // Stops the transfer under way and waits for the thread.
    ~BackgroundUpdate() override;

    void start();
    // From start() until `finished` has come.
    bool isRunning() const;

signals:
    // Comes once started, never when the update is off.
    void finished(UpdateOutcome outcome);

private:
    void setBusy(bool busy);

    QString m_ratesPath;
    RateCategory m_category;
    UpdateSettings m_settings;
    QDate m_today;
    UpdateHooks m_hooks;
    std::atomic_bool m_stop{false};
    bool m_busy = false;
    bool m_done = false;
    std::unique_ptr<QThread> m_thread;
};
