#pragma once

#include <QString>
#include <QStringList>

// Parts of the program that a start does not need (the network, the
// printer) live in modules loaded the first time they are used, so that
// their libraries are not loaded at all before.

// Where the module `name` of the program in `programDir` may be, in the
// order tried: beside the program (a build tree), then the package's
// private folder, found from the program's folder so that a package
// unpacked anywhere finds its own modules. Names without the platform's
// prefix and suffix, as QLibrary takes them.
QStringList ModuleCandidates(const QString &programDir, const QString &name);

// The function `entry` of the first candidate module that loads and has
// it; null with the reasons in `error` when none does. A module loaded is
// never unloaded: what it hands out points into it.
using ModuleEntry = const void *(*)();
ModuleEntry ResolveModuleEntry(const QString &programDir, const QString &name, const char *entry,
                               QString *error);
