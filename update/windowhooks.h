#pragma once

#include "update/autoupdate.h"

// The automatic update's hooks for the running program: the real connection
// test and download, with the busy pointer over the whole application while
// the transfer runs.
UpdateHooks WindowUpdateHooks();
