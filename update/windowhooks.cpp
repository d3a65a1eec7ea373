#include "windowhooks.h"

#include "output/busycursor.h"

#include <memory>
#include <optional>

UpdateHooks WindowUpdateHooks()
{
    UpdateHooks hooks;
    auto cursor = std::make_shared<std::optional<BusyCursor>>();
    hooks.setBusy = [cursor](bool busy) {
        if (busy)
            cursor->emplace();
        else
            cursor->reset();
    };
    return hooks;
}
