#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

constexpr std::chrono::milliseconds kDownloadStallLimit{30000};
constexpr qint64 kDownloadMaxBytes = 1024 * 1024;

// GETs the URL directly (no proxy, no cache) with the agent "Mozilla" and
// returns the body whatever the HTTP status, so that the caller sees a
// server's error page. Returns an empty body when nothing usable arrived:
// no connection, a transfer cut short, no byte for `stallLimit`, or a body
// longer than `maxBytes`. Pending events are processed while it waits.
QByteArray DownloadText(const QString &url,
                        std::chrono::milliseconds stallLimit = kDownloadStallLimit,
                        qint64 maxBytes = kDownloadMaxBytes);

// Whether the system believes it is on a network. Asks the platform's
// network information when one is available, else looks for a network
// interface other than loopback that is up and has an address.
bool IsInternetConnected();
