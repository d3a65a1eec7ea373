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

// The table of functions that the module's `entry` returns, when its
// version, the table's first member, is `version`; null with the reason in
// `error` otherwise. A module of another build is refused rather than
// called wrongly.
template <typename Table>
const Table *LoadModuleTable(const QString &programDir, const QString &name, const char *entry,
                             int version, QString *error)
{
    const ModuleEntry function = ResolveModuleEntry(programDir, name, entry, error);
    if (!function)
        return nullptr;
    const auto *table = static_cast<const Table *>(function());
    if (table && table->version == version)
        return table;
    if (error)
        *error = QStringLiteral("%1 : module d'une autre version").arg(name);
    return nullptr;
}
