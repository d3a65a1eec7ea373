#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

struct DownloadLimits;
struct DownloadReply;

// The network code lives in a module of its own, loaded at the first
// download: Qt's network library and the ones it brings (proxy, Kerberos)
// are then not loaded at all on a start with no update to do.
//
// The module exports taux_network_functions(), which returns this table.
// The version changes with the table's layout, so that a module left from
// another build is refused rather than called wrongly.
constexpr int kNetworkModuleVersion = 3;

struct NetworkFunctions
{
    int version;
    QByteArray (*downloadText)(const QString &url, const DownloadLimits &limits);
    bool (*isInternetConnected)();
    DownloadReply (*download)(const QString &url, const DownloadLimits &limits,
                              const std::function<bool()> &cancelled);
};

// The functions of the module for the program in `programDir`, loading it
// the first time; null when it cannot be found or loaded, or is of another
// version, with the reasons in `error`.
const NetworkFunctions *LoadNetworkModule(const QString &programDir, QString *error = nullptr);
