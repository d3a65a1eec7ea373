#include "autoupdate.h"

#include "schedule/ratecheck.h"
#include "schedule/tauxstate.h"
#include "update/download.h"
#include "update/savefile.h"

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

UpdateResult RunAutomaticUpdate(TauxState &state, const UpdateSettings &settings,
                                const QDate &today, const UpdateHooks &hooks)
{
    const RateTable &table = state.table();
    if (table.count <= 0)
        return {UpdateOutcome::NoMonthRows, {}};
    const QDate yearEnd(table.rows[0].monthStart.year(), 12, 31);
    if (today < yearEnd)
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
    if (!SaveFileAtomically(table.filePath, body + "\r\n"))
        return {UpdateOutcome::WriteFailed, {}};
    return {UpdateOutcome::Updated, state.LoadRatesFile()};
}

std::optional<UpdateResult> MaybeRunAutomaticUpdate(TauxState &state,
                                                    const UpdateSettings &settings,
                                                    const QDate &today, const UpdateHooks &hooks)
{
    if (!settings.autoUpdate)
        return std::nullopt;
    return RunAutomaticUpdate(state, settings, today, hooks);
}
