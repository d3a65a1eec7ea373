#include "download.h"

#include "update/networkmodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

using EntryPoint = const NetworkFunctions *(*)();

const NetworkFunctions *programsNetworkModule(QString *error)
{
    return LoadNetworkModule(QCoreApplication::applicationDirPath(), error);
}

} // namespace

QStringList NetworkModuleCandidates(const QString &programDir)
{
    const QDir dir(programDir);
    const QString name = QStringLiteral(TAUX_NETWORK_MODULE);
    return {dir.filePath(name),
            QDir::cleanPath(dir.filePath(QStringLiteral(TAUX_MODULE_DIR_FROM_BIN)) + u'/' + name)};
}

const NetworkFunctions *LoadNetworkModule(const QString &programDir, QString *error)
{
    QStringList reasons;
    for (const QString &candidate : NetworkModuleCandidates(programDir)) {
        // Loading a module already loaded only finds it again; it is never
        // unloaded, since the functions handed out point into it.
        QLibrary module(candidate);
        module.setLoadHints(QLibrary::PreventUnloadHint);
        const auto entry = reinterpret_cast<EntryPoint>(module.resolve("taux_network_functions"));
        if (!entry) {
            reasons << module.errorString();
            continue;
        }
        const NetworkFunctions *functions = entry();
        if (functions && functions->version == kNetworkModuleVersion && functions->downloadText &&
            functions->isInternetConnected)
            return functions;
        reasons << QStringLiteral("%1 : version incompatible").arg(candidate);
    }
    if (error)
        *error = reasons.join(u'\n');
    return nullptr;
}

QByteArray DownloadText(const QString &url, const DownloadLimits &limits)
{
    QString error;
    const NetworkFunctions *network = programsNetworkModule(&error);
    if (!network) {
        qWarning("Module réseau introuvable : %s", qUtf8Printable(error));
        return QByteArray();
    }
    return network->downloadText(url, limits);
}

bool IsInternetConnected()
{
    QString error;
    const NetworkFunctions *network = programsNetworkModule(&error);
    if (!network) {
        qWarning("Module réseau introuvable : %s", qUtf8Printable(error));
        return false;
    }
    return network->isInternetConnected();
}
