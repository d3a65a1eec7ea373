#include "update/download.h"
#include "update/networkmodule.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#if QT_CONFIG(ssl)
#include <QSslConfiguration>
#include <QSslSocket>
#endif

#include <zlib.h>

#include <optional>

namespace {

constexpr qint64 kReadBuffer = 64 * 1024;

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

// Qt's reasons are English sentences; the user reads French ones. What
// the server itself said is never repeated: it may be anything, of any
// length.
QString frenchReason(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("le serveur refuse la connexion");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("le serveur a fermé la connexion");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("le nom du serveur est inconnu");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("le serveur ne répond pas");
    case QNetworkReply::OperationCanceledError:
        return QStringLiteral("transfert interrompu");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return QStringLiteral("le réseau n'est pas disponible");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::UnknownProxyError:
        return QStringLiteral("le mandataire (proxy) a échoué");
    case QNetworkReply::ProtocolUnknownError:
        return QStringLiteral("l'adresse n'est ni http ni https");
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("le serveur renvoie vers une autre adresse refusée");
    case QNetworkReply::ProtocolFailure:
        return QStringLiteral("le serveur ne parle pas le HTTP attendu");
    default:
        return QStringLiteral("erreur réseau n° %1").arg(int(error));
    }
}

// Without the system's certificate authorities (the ca-certificates
// package on Debian) no server can be verified, and every secure update
// fails the same way: the user must be told what to install.
QString secureReason(bool certificateRefused)
{
#if QT_CONFIG(ssl)
    if (QSslSocket::supportsSsl() && QSslConfiguration::systemCaCertificates().isEmpty())
        return QStringLiteral("les certificats du système sont absents (paquet "
                              "ca-certificates) : le serveur ne peut pas être vérifié");
#endif
    return certificateRefused ? QStringLiteral("le certificat du serveur n'a pas pu être vérifié")
                              : QStringLiteral("la connexion sécurisée n'a pas pu être établie");
}

// The body as the server meant it, when it sent it compressed; nothing
// when it cannot be inflated, or would inflate beyond `maxBytes`
// (`tooLarge` then says so).
std::optional<QByteArray> inflate(const QByteArray &compressed, bool gzip, qint64 maxBytes,
                                  bool *tooLarge)
{
    // "deflate" is meant to be zlib's format, but some servers send the
    // raw stream: try both.
    const QList<int> windows = gzip ? QList<int>{15 + 16} : QList<int>{15, -15};
    for (const int windowBits : windows) {
        z_stream stream{};
        if (inflateInit2(&stream, windowBits) != Z_OK)
            return std::nullopt;
        QByteArray out;
        char chunk[16384];
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
        stream.avail_in = uInt(compressed.size());
        int status = Z_OK;
        while (status == Z_OK) {
            stream.next_out = reinterpret_cast<Bytef *>(chunk);
            stream.avail_out = sizeof chunk;
            status = ::inflate(&stream, Z_NO_FLUSH);
            out.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
            if (out.size() > maxBytes) {
                inflateEnd(&stream);
                *tooLarge = true;
                return std::nullopt;
            }
            if (status == Z_BUF_ERROR && stream.avail_in == 0)
                break; // the stream stops before its end
        }
        // Bytes after the end of the stream are not the server's body either.
        const bool whole = status == Z_STREAM_END && stream.avail_in == 0;
        inflateEnd(&stream);
        if (whole)
            return out;
    }
    return std::nullopt;
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
    // Asked for by us, the compressed body is left to us: Qt would inflate
    // it without a bound, and hand on the raw bytes of a stream it cannot
    // inflate as if they were the body.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");

    QNetworkReply *reply = manager.get(request);
    // Qt reads from the connection only as far as this buffer has room, so
    // that a server sending without end fills it and waits for us rather
    // than the memory.
    reply->setReadBufferSize(kReadBuffer);
    DownloadReply result;
    QString reason;

    QEventLoop loop;
    const auto giveUp = [&](DownloadReply::Failure why, const QString &words) {
        if (result.failure == DownloadReply::None) {
            result.failure = why;
            reason = words;
        }
        reply->abort();
    };
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(limits.stall);
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        giveUp(DownloadReply::Cut, QStringLiteral("le serveur n'envoie plus rien"));
    });
    // The stall limit starts again with every byte, so a server that sends
    // one now and then would hold the start of the program for ever.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setInterval(limits.deadline);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        giveUp(DownloadReply::Cut, QStringLiteral("le transfert dure trop longtemps"));
    });
    // Header bytes are not the body's: they start no readyRead, so without
    // a bound of their own a server sending one endless line, or fields by
    // the thousand, fills the memory until the stall limit, and is then
    // said to send nothing.
    QTimer headers;
    headers.setSingleShot(true);
    headers.setInterval(limits.headers);
    QObject::connect(&headers, &QTimer::timeout, &loop, [&] {
        giveUp(
            DownloadReply::Cut,
            QStringLiteral("le serveur n'a pas fini d'envoyer ses en-têtes en %1 s")
                .arg(QLocale(QLocale::French)
                         .toString(std::chrono::duration<double>(limits.headers).count(), 'g', 3)));
    });
    QObject::connect(reply, &QNetworkReply::requestSent, &headers, [&] { headers.start(); });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &headers, [&] {
        headers.stop();
        stall.start();
    });
    QTimer watch;
    watch.setInterval(50);
    if (cancelled) {
        QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
            if (cancelled())
                giveUp(DownloadReply::Cancelled, QStringLiteral("transfert annulé"));
        });
        watch.start();
    }
    const auto take = [&] {
        // Beyond the limit nothing more is kept: the body is refused whole.
        const qint64 room = limits.maxBytes + 1 - result.body.size();
        if (room > 0)
            result.body += reply->read(room);
        if (result.body.size() > limits.maxBytes)
            giveUp(DownloadReply::TooLarge, QStringLiteral("réponse trop grande"));
    };
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        stall.start();
        take();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    bool certificates = false;
#if QT_CONFIG(ssl)
    QObject::connect(reply, &QNetworkReply::sslErrors, &loop, [&] { certificates = true; });
#endif
    stall.start();
    deadline.start();
    if (!reply->isFinished())
        loop.exec();

    if (result.failure == DownloadReply::None)
        take();
    const QNetworkReply::NetworkError error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (result.failure == DownloadReply::None && error != QNetworkReply::NoError &&
        !isHttpStatusError(error)) {
        result.failure = result.status > 0 || error == QNetworkReply::RemoteHostClosedError
                             ? DownloadReply::Cut
                             : DownloadReply::NoConnection;
        reason = certificates || error == QNetworkReply::SslHandshakeFailedError
                     ? secureReason(certificates)
                     : frenchReason(error);
    }
    // Qt ends a reply whose connection closed between two reads as if the
    // server had sent no length, without an error: a body shorter than the
    // one announced is a transfer cut short, whatever Qt says. The length
    // counts the bytes as sent, compressed or not; a 204 or 304 sends none.
    bool announced = false;
    const qint64 length =
        reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&announced);
    if (result.failure == DownloadReply::None && announced && result.status >= 200 &&
        result.status != 204 && result.status != 304 && result.body.size() < length) {
        result.failure = DownloadReply::Cut;
        reason = frenchReason(QNetworkReply::RemoteHostClosedError);
    }
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    if (result.failure == DownloadReply::None && !encoding.isEmpty() && encoding != "identity") {
        bool tooLarge = false;
        const bool gzip = encoding == "gzip" || encoding == "x-gzip";
        const std::optional<QByteArray> body =
            gzip || encoding == "deflate" ? inflate(result.body, gzip, limits.maxBytes, &tooLarge)
                                          : std::nullopt;
        if (body) {
            result.body = *body;
        } else if (tooLarge) {
            result.failure = DownloadReply::TooLarge;
            reason = QStringLiteral("réponse trop grande une fois décompressée");
        } else {
            result.failure = DownloadReply::Unreadable;
            reason = QStringLiteral("réponse compressée illisible");
        }
    }
    if (result.failure != DownloadReply::None) {
        result.reason = reason;
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
        if (QNetworkInformation *info = QNetworkInformation::instance()) {
            // Made on the automatic update's thread, it would be left with a
            // thread that ends; it belongs with the program's.
            const QCoreApplication *app = QCoreApplication::instance();
            if (app && info->thread() == QThread::currentThread() &&
                app->thread() != QThread::currentThread())
                info->moveToThread(app->thread());
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
