#include "download.h"

#include "update/modules.h"
#include "update/networkmodule.h"

#include <QCoreApplication>

const NetworkFunctions *LoadNetworkModule(const QString &programDir, QString *error)
{
    const ModuleEntry entry = ResolveModuleEntry(programDir, QStringLiteral("tauxnetwork"),
                                                 "taux_network_functions", error);
    if (!entry)
        return nullptr;
    const auto *functions = static_cast<const NetworkFunctions *>(entry());
    if (functions && functions->version == kNetworkModuleVersion && functions->downloadText &&
        functions->isInternetConnected)
        return functions;
    if (error)
        *error = QStringLiteral("module réseau d'une autre version");
    return nullptr;
}

namespace {

const NetworkFunctions *programsNetworkModule(QString *error)
{
    return LoadNetworkModule(QCoreApplication::applicationDirPath(), error);
}

} // namespace

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
