#include "modules.h"

#include <QDir>
#include <QLibrary>

QStringList ModuleCandidates(const QString &programDir, const QString &name)
{
    const QDir dir(programDir);
    QStringList candidates{
        dir.filePath(name),
        QDir::cleanPath(dir.filePath(QStringLiteral(TAUX_MODULE_DIR_FROM_BIN)) + u'/' + name)};
    // On Windows the modules sit beside the programs: one place to look.
    candidates.removeDuplicates();
    return candidates;
}

ModuleEntry ResolveModuleEntry(const QString &programDir, const QString &name, const char *entry,
                               QString *error)
{
    QStringList reasons;
    for (const QString &candidate : ModuleCandidates(programDir, name)) {
        // Loading a module already loaded only finds it again.
        QLibrary module(candidate);
        module.setLoadHints(QLibrary::PreventUnloadHint);
        if (const auto function = reinterpret_cast<ModuleEntry>(module.resolve(entry)))
            return function;
        reasons << module.errorString();
    }
    if (error)
        *error = reasons.join(u'\n');
    return nullptr;
}
