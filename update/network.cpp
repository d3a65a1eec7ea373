#include "update/download.h"
#include "update/networkmodule.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

// Errors that stand for an HTTP status: the server answered, and its page is
// the body. Every other error means the transfer itself failed.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    const int code = error;
    return (code >= QNetworkReply::ContentAccessDenied &&
            code <= QNetworkReply::UnknownContentError) ||
           code == QNetworkReply::ProtocolInvalidOperationError || // 400
           (code >= QNetworkReply::InternalServerError &&
            code <= QNetworkReply::UnknownServerError);
}

bool anyInterfaceUp()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) ||
            !flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning))
            continue;
        if (!iface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

DownloadReply fetch(const QString &url, const DownloadLimits &limits,
                    const std::function<bool()> &cancelled)
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);

    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");

    QNetworkReply *reply = manager.get(request);
    DownloadReply result;

    QEventLoop loop;
    const auto giveUp = [&](DownloadReply::Failure why) {
        if (result.failure == DownloadReply::None)
            result.failure = why;
        reply->abort();
    };
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(limits.stall);
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] { giveUp(DownloadReply::Cut); });
    // The stall limit starts again with every byte, so a server that sends
    // one now and then would hold the start of the program for ever.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setInterval(limits.deadline);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { giveUp(DownloadReply::Cut); });
    QTimer watch;
    watch.setInterval(50);
    if (cancelled) {
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (cancelled())
                giveUp(DownloadReply::Cancelled);
        });
        watch.start();
    }
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        result.body += reply->readAll();
        stall.start();
        if (result.body.size() > limits.maxBytes)
            giveUp(DownloadReply::TooLarge);
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start();
    deadline.start();
    if (!reply->isFinished())
        loop.exec();

    if (result.failure == DownloadReply::None)
        result.body += reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (result.failure == DownloadReply::None && result.body.size() > limits.maxBytes)
        result.failure = DownloadReply::TooLarge;
    if (result.failure == DownloadReply::None && error != QNetworkReply::NoError &&
        !isHttpStatusError(error))
        result.failure = result.status > 0 || error == QNetworkReply::RemoteHostClosedError
                             ? DownloadReply::Cut
                             : DownloadReply::NoConnection;
    if (result.failure != DownloadReply::None) {
        result.reason = reply->errorString();
        result.body.clear();
    }
    delete reply;
    return result;
}

QByteArray fetchText(const QString &url, const DownloadLimits &limits)
{
    return fetch(url, limits, {}).body;
}

bool networkIsUp()
{
    if (QNetworkInformation::loadDefaultBackend()) {
        if (const QNetworkInformation *info = QNetworkInformation::instance()) {
            switch (info->reachability()) {
            case QNetworkInformation::Reachability::Online:
            case QNetworkInformation::Reachability::Site:
                return true;
            case QNetworkInformation::Reachability::Disconnected:
            case QNetworkInformation::Reachability::Local:
                return false;
            case QNetworkInformation::Reachability::Unknown:
                break;
            }
        }
    }
    return anyInterfaceUp();
}

} // namespace

extern "C" Q_DECL_EXPORT const void *taux_network_functions()
{
    static const NetworkFunctions functions{kNetworkModuleVersion, fetchText, networkIsUp, fetch};
    return &functions;
}
