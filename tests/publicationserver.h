#pragma once

// A real HTTP server on 127.0.0.1 and the administration's fiche as its
// XML is written, for the tests of the rates update.
#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// Answers every request with `response`, cut after `cutAt` bytes when set.
class Server : public QObject
{
public:
    explicit Server(QByteArray response, qsizetype cutAt = -1)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [=] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [=] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                socket->write(cutAt < 0 ? response : response.left(cutAt));
                socket->disconnectFromHost();
            });
        });
    }
    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/vdd/F20688.xml").arg(m_server.serverPort());
    }

private:
    QTcpServer m_server;
};

// A server that misbehaves: once a request has come (or at once, with
// `atConnection`), `answer` gets the socket and does what it likes with it.
// `sent` counts the bytes it has written.
class RogueServer : public QObject
{
public:
    explicit RogueServer(std::function<void(RogueServer &, QTcpSocket *)> answer,
                         bool atConnection = false)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [=] {
            QTcpSocket *socket = m_server.nextPendingConnection();
            connect(socket, &QTcpSocket::bytesWritten, this, [this](qint64 n) { sent += n; });
            if (atConnection) {
                answer(*this, socket);
                return;
            }
            connect(socket, &QTcpSocket::readyRead, socket, [=] {
                m_request += socket->readAll();
                if (m_request.contains("\r\n\r\n"))
                    answer(*this, socket);
            });
        });
    }
    QString url(const char *scheme = "http") const
    {
        return QStringLiteral("%1://127.0.0.1:%2/vdd/F20688.xml")
            .arg(QLatin1String(scheme))
            .arg(m_server.serverPort());
    }
    qint64 sent = 0;

private:
    QTcpServer m_server;
    QByteArray m_request;
};

// Sends a chunked body that never ends, a chunk whenever the last has gone.
inline void endlessChunks(RogueServer &, QTcpSocket *socket)
{
    socket->write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    const auto more = [socket] {
        if (socket->bytesToWrite() < 65536)
            socket->write("4000\r\n" + QByteArray(0x4000, ' ') + "\r\n");
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}

inline QByteArray http(const QByteArray &status, const QByteArray &body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

inline QByteArray cell(const QByteArray &text, const QByteArray &attributes = {})
{
    return "<Cellule" + attributes + "><Paragraphe>" + text + "</Paragraphe></Cellule>";
}

// A fiche as the administration writes it. Rows are "2025 2 2.76 6.65"
// (autres, then particuliers); `carried` writes the 2024 layout, where a
// year spans its two rows; `swapped` puts the particuliers' column first.
inline QByteArray fiche(const QList<QByteArray> &rows, bool carried = false, bool swapped = false,
                        const QByteArray &title = "Taux d'intérêt légal simple")
{
    const QByteArray particulier =
        cell("Le créancier est un particulier qui n'agit pas pour des besoins professionnels");
    const QByteArray autres = cell("Autres cas (notamment le créancier est un professionnel)");
    QByteArray table = "<Tableau><Titre>" + title + "</Titre>" +
                       QByteArray("<Colonne largeur=\"25\" type=\"normal\"/>").repeated(4) +
                       "<Rangée type=\"header\">" + cell("", " fusionHorizontale=\"2\"") +
                       (swapped ? particulier + autres : autres + particulier) + "</Rangée>";
    QByteArray lastYear;
    for (const QByteArray &row : rows) {
        const QList<QByteArray> f = row.split(' ');
        const QByteArray half = f[1] == "1"   ? "1<Exposant>er</Exposant> semestre"
                                : f[1] == "2" ? "2<Exposant>e</Exposant> semestre"
                                              : f[1];
        const QByteArray a = cell("<Valeur>" + QByteArray(f[2]).replace('.', ',') + " %</Valeur>");
        const QByteArray p = cell("<Valeur>" + QByteArray(f[3]).replace('.', ',') + " %</Valeur>");
        const bool yearCell = !carried || f[0] != lastYear;
        table += "<Rangée type=\"normal\">" +
                 (yearCell ? cell(f[0], carried ? " fusionVerticale=\"2\"" : "") : "") +
                 cell(half) + (swapped ? p + a : a + p) + "</Rangée>";
        lastYear = f[0];
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Publication ID=\"F20688\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Qu'est-ce que l'intérêt "
           "légal ?</dc:title><dc:date>modified 2026-07-01</dc:date><Texte>"
           "<Tableau><Titre>Taux d'intérêt légal majoré</Titre></Tableau>" +
           table + "</Tableau></Texte></Publication>";
}
