#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

// What a transfer may take before it is given up. The real rates file is a
// few kilobytes: a transfer near these limits is not bringing it.
struct DownloadLimits
{
    std::chrono::milliseconds stall{30000};    // with no byte arriving
    std::chrono::milliseconds deadline{60000}; // for the whole transfer
    // From the request sent to the end of the answer's headers: Qt keeps
    // whatever header bytes come, without a bound, until they end.
    std::chrono::milliseconds headers{5000};
    qint64 maxBytes = 1024 * 1024;
};

// What a transfer brought, and why it brought nothing when it did not.
struct DownloadReply
{
    enum Failure {
        None,         // `body` is the server's answer, whatever its status
        NoConnection, // the server could not be reached
        Cut,          // the transfer broke off, or a limit was reached
        TooLarge,     // the body went past `maxBytes`, or would once inflated
        Cancelled,    // the user stopped it
        Unreadable,   // a compressed body that does not inflate
    };
    Failure failure = None;
    int status = 0; // the HTTP status, 0 when there was no answer
    QByteArray body;
    QString reason; // why it failed, in French words of our own
};

// The transfer of DownloadText, with its status, its failure, and a way to
// stop it: `cancelled`, when set, is asked while the transfer waits.
DownloadReply Download(const QString &url, const DownloadLimits &limits = {},
                       const std::function<bool()> &cancelled = {});

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
