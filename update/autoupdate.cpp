#include "autoupdate.h"

#include "schedule/tauxstate.h"
#include "update/download.h"
#include "update/savefile.h"

#include <memory>

namespace {

bool loadsInBothCategories(const QByteArray &bytes)
{
    auto scratch = std::make_unique<RateTable>();
    return parseRates(bytes, RateCategory::Autres, *scratch) &&
           parseRates(bytes, RateCategory::PersonnesPhysiques, *scratch);
}

} // namespace

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
    // start, in either category since the user can switch.
    if (!loadsInBothCategories(body))
        return {UpdateOutcome::NotRatesFile, {}};
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
