#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// What a transfer may take before it is given up. The real rates file is a
// few kilobytes: a transfer near these limits is not bringing it.
struct DownloadLimits
{
    std::chrono::milliseconds stall{30000};    // with no byte arriving
    std::chrono::milliseconds deadline{60000}; // for the whole transfer
    qint64 maxBytes = 1024 * 1024;
};

// GETs the URL directly (no proxy, no cache) with the agent "Mozilla" and
// returns the body whatever the HTTP status, so that the caller sees a
// server's error page. Returns an empty body when nothing usable arrived:
// no connection, a transfer cut short, one beyond a limit. Pending events
// are processed while it waits.
QByteArray DownloadText(const QString &url, const DownloadLimits &limits = {});

// Whether the system believes it is on a network. Asks the platform's
// network information when one is available, else looks for a network
// interface other than loopback that is up and has an address.
bool IsInternetConnected();
