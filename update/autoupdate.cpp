#include "autoupdate.h"

#include "rates/ratesmerge.h"
#include "schedule/ratecheck.h"
#include "schedule/tauxstate.h"
#include "update/download.h"
#include "update/locations.h"
#include "update/ratesupdate.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// A cut transfer that still parses loses the oldest months; a year fewer is
// what a publisher dropping the oldest year for a new one leaves.
constexpr int kMonthsThatMayGo = 12;

MonthSpan spanOf(const RateTable &table)
{
    return {table.count, table.count > 0 ? table.rows[0].monthStart : QDate()};
}

// The months of the body when it loads in both categories, since the user
// can switch to either; nothing when it does not load. The periods, and so
// the months, are the same in both.
std::optional<MonthSpan> monthsInBothCategories(const QByteArray &bytes)
{
    // A table no computation accepts (an absurd rate, months out of order)
    // would stop the program at its next start just the same.
    auto scratch = std::make_unique<RateTable>();
    if (!parseRates(bytes, RateCategory::Autres, *scratch) || RateTableFault(*scratch) ||
        !parseRates(bytes, RateCategory::PersonnesPhysiques, *scratch) || RateTableFault(*scratch))
        return std::nullopt;
    return spanOf(*scratch);
}

} // namespace

std::optional<UpdateOutcome> RefuseDownloadedMonths(const MonthSpan &table,
                                                    const MonthSpan &download)
{
    // An empty table would stop every later update: the program could not
    // mend itself.
    if (download.count <= 0 || !download.newest.isValid())
        return UpdateOutcome::NoMonths;
    if (table.newest.isValid() && download.newest < table.newest)
        return UpdateOutcome::OlderMonths;
    if (download.count < table.count - kMonthsThatMayGo)
        return UpdateOutcome::FewerMonths;
    return std::nullopt;
}

QDate UpdateDueFrom(const QDate &newestMonth)
{
    const QDate yearEnd(newestMonth.year(), 12, 31);
    const QDate afterNewest = QDate(newestMonth.year(), newestMonth.month(), 1).addMonths(1);
    return std::min(yearEnd, afterNewest);
}

UpdateResult RunAutomaticUpdate(TauxState &state, const UpdateSettings &settings,
                                const QDate &today, const UpdateHooks &hooks)
{
    const RateTable &table = state.table();
    if (table.count <= 0)
        return {UpdateOutcome::NoMonthRows, {}};
    if (today < UpdateDueFrom(table.rows[0].monthStart))
        return {UpdateOutcome::NotDue, {}};
    if (settings.testConnection &&
        !(hooks.isConnected ? hooks.isConnected() : IsInternetConnected()))
        return {UpdateOutcome::NotConnected, {}};
    if (settings.address.isEmpty())
        return {UpdateOutcome::NoAddress, {}};

    if (hooks.setBusy)
        hooks.setBusy(true);
    const QByteArray body =
        hooks.download ? hooks.download(settings.address) : DownloadText(settings.address);
    if (hooks.setBusy)
        hooks.setBusy(false);

    if (body.isEmpty())
        return {UpdateOutcome::NothingRead, {}};
    if (IsPublication(body)) {
        const RatesUpdateReport report =
            ApplyPublication(table.filePath, body, settings.address, today, hooks.lockWait);
        // The update stays silent in the window; what the user should know
        // goes to standard error.
        for (const QString &conflict : report.conflicts)
            std::fprintf(stderr, "Mise à jour des taux : %s\n", qUtf8Printable(conflict));
        switch (report.status) {
        case RatesUpdateReport::Added:
            return {UpdateOutcome::Updated, state.LoadRatesFile()};
        case RatesUpdateReport::UpToDate:
            return {UpdateOutcome::NothingNew, {}};
        case RatesUpdateReport::WriteFailed:
            return {UpdateOutcome::WriteFailed, {}};
        case RatesUpdateReport::Busy:
            std::fprintf(stderr, "%s\n", qUtf8Printable(report.message));
            return {UpdateOutcome::Busy, {}};
        default:
            std::fprintf(stderr, "%s\n", qUtf8Printable(report.message));
            return {UpdateOutcome::PublicationRefused, {}};
        }
    }
    // A server's page for a missing file must not be stored as rates.
    if (body.contains("Not Found"))
        return {UpdateOutcome::Refused, {}};
    // Storing a body that does not load would stop the program at its next
    // start.
    const std::optional<MonthSpan> months = monthsInBothCategories(body);
    if (!months)
        return {UpdateOutcome::NotRatesFile, {}};
    if (const auto refusal = RefuseDownloadedMonths(spanOf(table), *months))
        return {*refusal, {}};
    if (!TooFarAhead(months->newest, today).isEmpty())
        return {UpdateOutcome::TooFarAhead, {}};
    // The file is compared again as it is under the lock: it is the user's
    // months that must stay, whoever wrote them last.
    const RatesUpdateReport report = ReplaceRatesFile(table.filePath, body, today, hooks.lockWait);
    switch (report.status) {
    case RatesUpdateReport::Added:
        return {UpdateOutcome::Updated, state.LoadRatesFile()};
    case RatesUpdateReport::UpToDate:
        return {UpdateOutcome::NothingNew, {}};
    case RatesUpdateReport::Busy:
        std::fprintf(stderr, "%s\n", qUtf8Printable(report.message));
        return {UpdateOutcome::Busy, {}};
    case RatesUpdateReport::Failed:
        std::fprintf(stderr, "%s\n", qUtf8Printable(report.message));
        return {UpdateOutcome::ChangedMonths, {}};
    default:
        return {UpdateOutcome::WriteFailed, {}};
    }
}

std::optional<UpdateResult> MaybeRunAutomaticUpdate(TauxState &state,
                                                    const UpdateSettings &settings,
                                                    const QDate &today, const UpdateHooks &hooks)
{
    if (!settings.autoUpdate)
        return std::nullopt;
    return RunAutomaticUpdate(state, settings, today, hooks);
}

std::optional<EcbUpdateReport> RunAutomaticEcbUpdate(const QString &ratesPath,
                                                     const UpdateSettings &settings,
                                                     const QDate &today, const UpdateHooks &hooks)
{
    const QString ecbPath = EcbTableBeside(ratesPath);
    if (ecbPath.isEmpty())
        return std::nullopt;
    // A table that does not read is said by the update, which refuses it.
    const EcbRead table = ReadEcbTableFile(ecbPath);
    if (table.table && table.table->confirmedUntil >= HalfYearStart(today))
        return std::nullopt;
    if (settings.testConnection &&
        !(hooks.isConnected ? hooks.isConnected() : IsInternetConnected()))
        return std::nullopt;
    Downloader download = hooks.ecbDownload;
    if (!download && hooks.download) {
        download = [&hooks](const QString &url) {
            DownloadReply reply;
            reply.body = hooks.download(url);
            reply.status = reply.body.isEmpty() ? 0 : 200;
            if (reply.body.isEmpty()) {
                reply.failure = DownloadReply::NoConnection;
                reply.reason = QStringLiteral("aucune réponse");
            }
            return reply;
        };
    }
    if (!download)
        download = [](const QString &url) { return Download(url); };
    if (hooks.setBusy)
        hooks.setBusy(true);
    EcbUpdateReport report =
        UpdateEcbTable(ecbPath, settings.ecbAddress, today, download, hooks.lockWait);
    if (hooks.setBusy)
        hooks.setBusy(false);
    if (report.status != EcbUpdateReport::Added && report.status != EcbUpdateReport::UpToDate)
        std::fprintf(stderr, "%s\n", qUtf8Printable(report.message));
    return report;
}

BackgroundUpdate::BackgroundUpdate(const QString &ratesPath, RateCategory category,
                                   const UpdateSettings &settings, const QDate &today,
                                   UpdateHooks hooks, QObject *parent)
    : QObject(parent), m_ratesPath(ratesPath), m_category(category), m_settings(settings),
      m_today(today), m_hooks(std::move(hooks))
{}

BackgroundUpdate::~BackgroundUpdate()
{
    if (m_thread) {
        m_stop = true;
        m_thread->wait();
    }
    if (m_busy && m_hooks.setBusy)
        m_hooks.setBusy(false);
}

bool BackgroundUpdate::isRunning() const
{
    return m_thread && !m_done;
}

void BackgroundUpdate::setBusy(bool busy)
{
    m_busy = busy;
    if (m_hooks.setBusy)
        m_hooks.setBusy(busy);
}

void BackgroundUpdate::start()
{
    if (m_thread || !m_settings.autoUpdate)
        return;
    UpdateHooks hooks = m_hooks;
    // The pointer belongs to the window's thread; queued to this object, a
    // change that comes after its end is dropped.
    hooks.setBusy = [this](bool busy) {
        QMetaObject::invokeMethod(
            this, [this, busy] { setBusy(busy); }, Qt::QueuedConnection);
    };
    if (!hooks.ecbDownload && !hooks.download) {
        hooks.ecbDownload = [this](const QString &url) {
            return Download(url, {}, [this] { return m_stop.load(); });
        };
    }
    if (!hooks.download) {
        hooks.download = [this](const QString &url) {
            return Download(url, {}, [this] { return m_stop.load(); }).body;
        };
    }
    m_thread.reset(QThread::create([this, hooks] {
        TauxState state(RateTable(), {}, -1, m_category);
        state.setRatesFile(m_ratesPath);
        // The window has loaded the file already; one that no longer loads
        // gives no newest month to judge by.
        const UpdateOutcome outcome =
            state.LoadRatesFile().ok()
                ? RunAutomaticUpdate(state, m_settings, m_today, hooks).outcome
                : UpdateOutcome::NoMonthRows;
        // The ECB's table goes with the rates, whatever became of them.
        if (!m_stop)
            RunAutomaticEcbUpdate(m_ratesPath, m_settings, m_today, hooks);
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                m_done = true;
                emit finished(outcome);
            },
            Qt::QueuedConnection);
    }));
    m_thread->start();
}
