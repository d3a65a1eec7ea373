#include "download.h"

#include "files/modules.h"
#include "update/networkmodule.h"

#include <QCoreApplication>

const NetworkFunctions *LoadNetworkModule(const QString &programDir, QString *error)
{
    return LoadModuleTable<NetworkFunctions>(programDir, QStringLiteral("tauxnetwork"),
                                             "taux_network_functions", kNetworkModuleVersion,
                                             error);
}

namespace {

// The running program's module; the reason it cannot be had goes to the
// log, and the caller fails as without a network.
const NetworkFunctions *programsNetworkModule()
{
    QString error;
    const NetworkFunctions *network =
        LoadNetworkModule(QCoreApplication::applicationDirPath(), &error);
    if (!network)
        qWarning("Module réseau introuvable : %s", qUtf8Printable(error));
    return network;
}

} // namespace

QByteArray DownloadText(const QString &url, const DownloadLimits &limits)
{
    const NetworkFunctions *network = programsNetworkModule();
    return network ? network->downloadText(url, limits) : QByteArray();
}

DownloadReply Download(const QString &url, const DownloadLimits &limits,
                       const std::function<bool()> &cancelled)
{
    if (const NetworkFunctions *network = programsNetworkModule())
        return network->download(url, limits, cancelled);
    DownloadReply reply;
    reply.failure = DownloadReply::NoConnection;
    reply.reason = QStringLiteral("le module réseau du programme est introuvable");
    return reply;
}

bool IsInternetConnected()
{
    const NetworkFunctions *network = programsNetworkModule();
    return network && network->isInternetConnected();
}
