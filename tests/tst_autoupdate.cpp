// The automatic update against a real HTTP server on 127.0.0.1 that sends
// canned bytes: a status and a body, silence, a cut connection.
#include "files/modules.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"
#include "update/autoupdate.h"
#include "update/download.h"
#include "update/networkmodule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QLockFile>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

// Answers every request with the same bytes, then closes; or stays silent;
// or sends only the first `cutAt` bytes before closing.
class CannedServer : public QObject
{
public:
    explicit CannedServer(QByteArray response, bool silent = false, qsizetype cutAt = -1)
        : m_response(std::move(response)), m_silent(silent), m_cutAt(cutAt)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/telechar/QUERDAN.TXT")
            .arg(m_server.serverPort());
    }
    int connections() const { return m_connections; }
    QByteArray request() const { return m_request; }

private:
    void serve(QTcpSocket *socket)
    {
        ++m_connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            m_request += socket->readAll();
            if (m_silent || !m_request.contains("\r\n\r\n") || m_answered)
                return;
            m_answered = true;
            socket->write(m_cutAt < 0 ? m_response : m_response.left(m_cutAt));
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QByteArray m_response;
    bool m_silent;
    qsizetype m_cutAt;
    int m_connections = 0;
    bool m_answered = false;
    QByteArray m_request;
};

// Sends the status and the headers at once, then the body one byte every
// `interval`, then closes.
class DripServer : public QObject
{
public:
    DripServer(QByteArray body, std::chrono::milliseconds interval) : m_body(std::move(body))
    {
        m_server.listen(QHostAddress::LocalHost);
        m_timer.setInterval(interval);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_socket = m_server.nextPendingConnection();
            connect(m_socket, &QTcpSocket::readyRead, this, [this] {
                m_request += m_socket->readAll();
                if (!m_request.contains("\r\n\r\n") || m_timer.isActive() || m_sent > 0)
                    return;
                m_socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                QByteArray::number(m_body.size()) + "\r\n\r\n");
                m_timer.start();
            });
        });
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (!m_socket)
                return m_timer.stop();
            m_socket->write(m_body.mid(m_sent++, 1));
            if (m_sent >= m_body.size()) {
                m_timer.stop();
                m_socket->disconnectFromHost();
            }
        });
    }

    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/telechar/QUERDAN.TXT")
            .arg(m_server.serverPort());
    }

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_socket;
    QTimer m_timer;
    QByteArray m_body;
    QByteArray m_request;
    qsizetype m_sent = 0;
};

QByteArray httpResponse(const QByteArray &status, const QByteArray &body)
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// The newest month of the stored file is June 2016.
const QByteArray kOldRates = "' taux\r\n1S2016\t0.93\t4.54\r\n2S2015\t0.99\t4.29\r\n";
// A newer file, as the server publishes it: no final line end.
const QByteArray kNewRates =
    "' taux\r\n1S2017\t0.90\t4.16\r\n2S2016\t0.93\t4.35\r\n1S2016\t0.93\t4.54\r\n"
    "2S2015\t0.99\t4.29";

QByteArray padding(qsizetype size)
{
    QByteArray comment = "'" + QByteArray(size, 'x');
    return comment + "\r\n";
}

} // namespace

class TestAutoUpdate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void againstServer_data();
    void againstServer();
    void drippingServer_data();
    void drippingServer();
    void sizeCap_data();
    void sizeCap();
    void refusedMonths_data();
    void refusedMonths();
    void downloadAgainstLongTable_data();
    void downloadAgainstLongTable();
    void successReplacesAndReloads();
    void requestBypassesCaches();
    void switchedOffMakesNoConnection();
    void dateRule_data();
    void dateRule();
    void stopsBeforeTransfer_data();
    void stopsBeforeTransfer();
    void unwritableFolderKeepsTable();
    void replacementKeepsTheFilesMonths_data();
    void replacementKeepsTheFilesMonths();
    void networkModuleLocations();
    void awayFromTheWindow_data();
    void awayFromTheWindow();
    void ecbTableWhenDue_data();
    void ecbTableWhenDue();

private:
    UpdateSettings settingsFor(const QString &url) const { return {url, false, true}; }
    static UpdateHooks shortLimits();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TauxState> m_state;
};

UpdateHooks TestAutoUpdate::shortLimits()
{
    UpdateHooks hooks;
    hooks.isConnected = [] { return true; };
    hooks.download = [](const QString &url) {
        DownloadLimits limits;
        limits.stall = 500ms;
        return DownloadText(url, limits);
    };
    return hooks;
}

void TestAutoUpdate::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void TestAutoUpdate::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_state = std::make_unique<TauxState>();
    m_state->setRatesFile(m_dir->filePath(QStringLiteral("QUERDAN.TXT")));
    QVERIFY(writeFile(m_state->table().filePath, kOldRates));
    QVERIFY(m_state->LoadRatesFile().ok());
}

void TestAutoUpdate::againstServer_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("cutAt");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("refused");

    const int updated = int(UpdateOutcome::Updated);
    const int nothing = int(UpdateOutcome::NothingRead);
    QTest::newRow("200 with a rates file")
        << httpResponse("200 OK", kNewRates) << false << -1 << updated << false;
    QTest::newRow("404 page holding Not Found, even one that would load")
        << httpResponse("404 Not Found", "' Not Found\r\n" + kNewRates) << false << -1
        << int(UpdateOutcome::Refused) << false;
    QTest::newRow("not found in small letters is accepted")
        << httpResponse("200 OK", "' not found\r\n" + kNewRates) << false << -1 << updated << false;
    QTest::newRow("a 500 page that is a rates file is still a rates file")
        << httpResponse("500 Internal Server Error", kNewRates) << false << -1 << updated << false;
    QTest::newRow("empty body") << httpResponse("200 OK", "") << false << -1 << nothing << false;
    QTest::newRow("an HTML page is no rates file")
        << httpResponse("200 OK", "<html><body>Maintenance</body></html>") << false << -1
        << int(UpdateOutcome::NotRatesFile) << false;
    QTest::newRow("second rate column unreadable")
        << httpResponse("200 OK", "2017\t0.9\t1e999\r\n") << false << -1
        << int(UpdateOutcome::NotRatesFile) << false;
    QTest::newRow("a lost decimal point in the second column")
        << httpResponse("200 OK", "1S2017\t0.90\t416\r\n2S2016\t0.93\t4.35\r\n") << false << -1
        << int(UpdateOutcome::NotRatesFile) << false;
    QTest::newRow("a half-year missing")
        << httpResponse("200 OK", "1S2017\t0.90\r\n1S2016\t0.93\r\n") << false << -1
        << int(UpdateOutcome::NotRatesFile) << false;
    QTest::newRow("a blank line holds no month")
        << httpResponse("200 OK", "\r\n") << false << -1 << int(UpdateOutcome::NoMonths) << false;
    QTest::newRow("only a comment holds no month")
        << httpResponse("200 OK", "' Taux légaux\r\n") << false << -1
        << int(UpdateOutcome::NoMonths) << false;
    QTest::newRow("server accepts and never answers")
        << QByteArray() << true << -1 << nothing << false;
    const QByteArray whole = httpResponse("200 OK", kNewRates + "\r\n" + padding(4000));
    QTest::newRow("connection cut mid-body")
        << whole << false << int(whole.size() - 3000) << nothing << false;
    QTest::newRow("body over 1 MiB")
        << httpResponse("200 OK", kNewRates + "\r\n" + padding(1048576)) << false << -1 << nothing
        << false;
    QTest::newRow("connection refused") << QByteArray() << false << -1 << nothing << true;
}

void TestAutoUpdate::againstServer()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, silent);
    QFETCH(int, cutAt);
    QFETCH(int, outcome);
    QFETCH(bool, refused);

    CannedServer server(response, silent, cutAt);
    QString url = server.url();
    if (refused) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        url = QStringLiteral("http://127.0.0.1:%1/QUERDAN.TXT").arg(closed.serverPort());
    }
    const UpdateResult result =
        RunAutomaticUpdate(*m_state, settingsFor(url), QDate(2017, 1, 2), shortLimits());
    QCOMPARE(server.connections(), refused ? 0 : 1);
    QCOMPARE(int(result.outcome), outcome);
    if (result.outcome == UpdateOutcome::Updated) {
        QVERIFY(result.load.ok());
        QCOMPARE(m_state->table().rows[0].label, QStringLiteral("Juin 2017"));
    } else {
        QCOMPARE(readFile(m_state->table().filePath), kOldRates);
        QCOMPARE(m_state->table().rows[0].label, QStringLiteral("Juin 2016"));
    }
}

void TestAutoUpdate::drippingServer_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("stall");
    QTest::addColumn<int>("deadline");
    QTest::addColumn<int>("bodySize");
    QTest::addColumn<bool>("whole");

    // Margins are wide so that a loaded machine gives the same answers.
    QTest::newRow("drips faster than the stall limit, for longer than it: read whole")
        << 40 << 1000 << 60000 << 40 << true;
    QTest::newRow("drips slower than the stall limit: fails") << 1500 << 250 << 60000 << 4 << false;
    QTest::newRow("drips faster than the stall limit past the deadline: fails")
        << 20 << 1000 << 600 << 5000 << false;
}

void TestAutoUpdate::drippingServer()
{
    QFETCH(int, interval);
    QFETCH(int, stall);
    QFETCH(int, deadline);
    QFETCH(int, bodySize);
    QFETCH(bool, whole);

    const QByteArray body(bodySize, 'x');
    DripServer server(body, std::chrono::milliseconds(interval));
    DownloadLimits limits;
    limits.stall = std::chrono::milliseconds(stall);
    limits.deadline = std::chrono::milliseconds(deadline);
    QCOMPARE(DownloadText(server.url(), limits), whole ? body : QByteArray());
}

void TestAutoUpdate::sizeCap_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("whole");
    QTest::newRow("1 048 576 bytes accepted") << 1048576 << true;
    QTest::newRow("1 048 577 bytes refused") << 1048577 << false;
}

void TestAutoUpdate::sizeCap()
{
    QFETCH(int, size);
    QFETCH(bool, whole);
    const QByteArray body(size, 'x');
    CannedServer server(httpResponse("200 OK", body));
    QCOMPARE(DownloadText(server.url()).size(), whole ? size : 0);
}

void TestAutoUpdate::refusedMonths_data()
{
    QTest::addColumn<int>("tableCount");
    QTest::addColumn<QDate>("tableNewest");
    QTest::addColumn<int>("downloadCount");
    QTest::addColumn<QDate>("downloadNewest");
    QTest::addColumn<int>("refusal"); // -1: accepted

    const QDate june2016(2016, 6, 1);
    const int accepted = -1;
    QTest::newRow("no month") << 588 << june2016 << 0 << QDate() << int(UpdateOutcome::NoMonths);
    QTest::newRow("6 months against 588")
        << 588 << june2016 << 6 << QDate(2016, 12, 1) << int(UpdateOutcome::FewerMonths);
    QTest::newRow("12 fewer accepted") << 588 << june2016 << 576 << june2016 << accepted;
    QTest::newRow("13 fewer refused")
        << 588 << june2016 << 575 << june2016 << int(UpdateOutcome::FewerMonths);
    QTest::newRow("12 fewer than 12 is none: refused as empty")
        << 12 << june2016 << 0 << QDate() << int(UpdateOutcome::NoMonths);
    QTest::newRow("one month against 13 accepted") << 13 << june2016 << 1 << june2016 << accepted;
    QTest::newRow("older newest month refused")
        << 588 << june2016 << 600 << QDate(2016, 5, 1) << int(UpdateOutcome::OlderMonths);
    QTest::newRow("equal newest month accepted") << 588 << june2016 << 588 << june2016 << accepted;
    QTest::newRow("newer and longer accepted")
        << 588 << june2016 << 594 << QDate(2016, 12, 1) << accepted;
}

void TestAutoUpdate::refusedMonths()
{
    QFETCH(int, tableCount);
    QFETCH(QDate, tableNewest);
    QFETCH(int, downloadCount);
    QFETCH(QDate, downloadNewest);
    QFETCH(int, refusal);

    const std::optional<UpdateOutcome> result =
        RefuseDownloadedMonths({tableCount, tableNewest}, {downloadCount, downloadNewest});
    QCOMPARE(result ? int(*result) : -1, refusal);
}

void TestAutoUpdate::downloadAgainstLongTable_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("outcome");

    // The stored table: 49 years, 1968 to 2016, 588 months.
    QTest::newRow("a cut transfer of 6 months")
        << QByteArray("1S2017\t0.90\t4.16\r\n") << int(UpdateOutcome::FewerMonths);
    QTest::newRow("one year fewer, the oldest months dropped")
        << yearLines(2016, 48) << int(UpdateOutcome::ChangedMonths);
    QTest::newRow("newest month a year older")
        << yearLines(2015, 49) << int(UpdateOutcome::OlderMonths);
    QTest::newRow("same months, new rates")
        << QByteArray("2016\t2\r\n" + yearLines(2015, 48)) << int(UpdateOutcome::ChangedMonths);
    QTest::newRow("a year more") << yearLines(2017, 50) << int(UpdateOutcome::Updated);
}

void TestAutoUpdate::downloadAgainstLongTable()
{
    QFETCH(QByteArray, body);
    QFETCH(int, outcome);

    const QByteArray stored = yearLines(2016, 49);
    QVERIFY(writeFile(m_state->table().filePath, stored));
    QVERIFY(m_state->LoadRatesFile().ok());
    QCOMPARE(m_state->table().count, 588);

    CannedServer server(httpResponse("200 OK", body));
    const UpdateResult result =
        RunAutomaticUpdate(*m_state, settingsFor(server.url()), QDate(2017, 1, 2), shortLimits());
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(readFile(m_state->table().filePath),
             outcome == int(UpdateOutcome::Updated) ? body + "\r\n" : stored);
}

void TestAutoUpdate::successReplacesAndReloads()
{
    CannedServer server(httpResponse("200 OK", kNewRates));
#ifndef Q_OS_WIN
    // A file opened before the update still reads the old bytes: the new
    // file took the old one's place instead of being written into it.
    // (Windows does not replace a file another program holds open.)
    QFile old(m_state->table().filePath);
    QVERIFY(old.open(QIODevice::ReadOnly));
#endif
    QVERIFY(m_state->ChangeCategory(RateCategory::PersonnesPhysiques).ok());
    m_state->setFirstRow(3);
    QCOMPARE(m_state->EnterAmount(5, u"1"), TauxState::AmountOutcome::Computed);
    const UpdateResult result =
        RunAutomaticUpdate(*m_state, settingsFor(server.url()), QDate(2016, 12, 31), shortLimits());
    QCOMPARE(int(result.outcome), int(UpdateOutcome::Updated));
    QCOMPARE(readFile(m_state->table().filePath), kNewRates + "\r\n");
#ifndef Q_OS_WIN
    QCOMPARE(old.readAll(), kOldRates);
#endif
    QCOMPARE(m_state->table().count, 24);
    QCOMPARE(m_state->table().rows[0].rate, 4.16);
    QCOMPARE(m_state->firstRow(), 0);
    QCOMPARE(m_state->startRow(), -1);
    // The reload recorded the new time stamp: activation does not load again.
    QVERIFY(!m_state->ReloadIfChanged().has_value());
    // No temporary file is left beside the rates file.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"QUERDAN.TXT"});
}

void TestAutoUpdate::requestBypassesCaches()
{
    CannedServer server(httpResponse("200 OK", kNewRates));
    RunAutomaticUpdate(*m_state, settingsFor(server.url()), QDate(2017, 1, 2), shortLimits());
    const QByteArray request = server.request();
    QVERIFY2(request.startsWith("GET /telechar/QUERDAN.TXT HTTP/1.1\r\n"), request.constData());
    QVERIFY2(request.contains("\r\nUser-Agent: Mozilla\r\n"), request.constData());
    QVERIFY2(request.toLower().contains("\r\ncache-control: no-cache\r\n"), request.constData());
}

void TestAutoUpdate::switchedOffMakesNoConnection()
{
    CannedServer server(httpResponse("200 OK", kNewRates));
    UpdateSettings settings = settingsFor(server.url());
    settings.autoUpdate = false;
    QVERIFY(!MaybeRunAutomaticUpdate(*m_state, settings, QDate(2030, 1, 1)).has_value());
    QTest::qWait(100);
    QCOMPARE(server.connections(), 0);
    QCOMPARE(readFile(m_state->table().filePath), kOldRates);

    settings.autoUpdate = true;
    const auto result =
        MaybeRunAutomaticUpdate(*m_state, settings, QDate(2030, 1, 1), shortLimits());
    QVERIFY(result.has_value());
    QCOMPARE(int(result->outcome), int(UpdateOutcome::Updated));
    QCOMPARE(server.connections(), 1);
}

void TestAutoUpdate::dateRule_data()
{
    QTest::addColumn<QByteArray>("rates");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("due");

    // Due the day after the newest month, or on 31 December of its year
    // when that comes first.
    QTest::newRow("June 2016, on 30 June 2016") << kOldRates << QDate(2016, 6, 30) << false;
    QTest::newRow("June 2016, on 1 July 2016") << kOldRates << QDate(2016, 7, 1) << true;
    QTest::newRow("June 2016, on 30 December 2016") << kOldRates << QDate(2016, 12, 30) << true;
    QTest::newRow("December 2014, on 30 December 2014")
        << QByteArray("2S2014\t1\r\n") << QDate(2014, 12, 30) << false;
    QTest::newRow("December 2014, on 31 December 2014")
        << QByteArray("2S2014\t1\r\n") << QDate(2014, 12, 31) << true;
    QTest::newRow("June 2016, on 31 December 2016") << kOldRates << QDate(2016, 12, 31) << true;
    QTest::newRow("June 2016, on 2 January 2017") << kOldRates << QDate(2017, 1, 2) << true;
    QTest::newRow("June 2016, on 1 January 2016") << kOldRates << QDate(2016, 1, 1) << false;
    QTest::newRow("December 2017, on 15 March 2017")
        << QByteArray("2017\t1\r\n") << QDate(2017, 3, 15) << false;
    QTest::newRow("the newest row decides, not the oldest")
        << QByteArray("2S2018\t1\r\n1S2018\t1\r\n2017\t1\r\n") << QDate(2018, 1, 15) << false;
}

void TestAutoUpdate::dateRule()
{
    QFETCH(QByteArray, rates);
    QFETCH(QDate, today);
    QFETCH(bool, due);

    QVERIFY(writeFile(m_state->table().filePath, rates));
    QVERIFY(m_state->LoadRatesFile().ok());
    int downloads = 0;
    UpdateHooks hooks;
    hooks.download = [&](const QString &) {
        ++downloads;
        return QByteArray();
    };
    const UpdateResult result =
        RunAutomaticUpdate(*m_state, settingsFor(QStringLiteral("http://x")), today, hooks);
    QCOMPARE(downloads, due ? 1 : 0);
    QCOMPARE(int(result.outcome), int(due ? UpdateOutcome::NothingRead : UpdateOutcome::NotDue));
}

void TestAutoUpdate::stopsBeforeTransfer_data()
{
    QTest::addColumn<QByteArray>("rates");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("testConnection");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("connectionTests");

    const QString url = QStringLiteral("http://x/QUERDAN.TXT");
    QTest::newRow("no month row") << QByteArray("' rien\r\n") << url << true << true
                                  << int(UpdateOutcome::NoMonthRows) << 0;
    QTest::newRow("connection test says no")
        << kOldRates << url << true << false << int(UpdateOutcome::NotConnected) << 1;
    QTest::newRow("connection test off: not asked, transfer tried")
        << kOldRates << url << false << false << int(UpdateOutcome::NothingRead) << 0;
    QTest::newRow("empty address")
        << kOldRates << QString() << true << true << int(UpdateOutcome::NoAddress) << 1;
    QTest::newRow("connected: transfer tried")
        << kOldRates << url << true << true << int(UpdateOutcome::NothingRead) << 1;
}

void TestAutoUpdate::stopsBeforeTransfer()
{
    QFETCH(QByteArray, rates);
    QFETCH(QString, address);
    QFETCH(bool, testConnection);
    QFETCH(bool, connected);
    QFETCH(int, outcome);
    QFETCH(int, connectionTests);

    QVERIFY(writeFile(m_state->table().filePath, rates));
    QVERIFY(m_state->LoadRatesFile().ok());
    int tests = 0;
    QStringList downloaded;
    QList<bool> busy;
    UpdateHooks hooks;
    hooks.isConnected = [&] {
        ++tests;
        return connected;
    };
    hooks.setBusy = [&](bool on) { busy.append(on); };
    hooks.download = [&](const QString &url) {
        downloaded.append(url);
        return QByteArray();
    };
    const UpdateResult result =
        RunAutomaticUpdate(*m_state, {address, testConnection, true}, QDate(2030, 1, 1), hooks);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(tests, connectionTests);
    const bool tried = result.outcome == UpdateOutcome::NothingRead;
    QCOMPARE(downloaded, tried ? QStringList{address} : QStringList());
    // The busy pointer is shown around the transfer and always taken back.
    const QList<bool> expectedBusy = tried ? QList<bool>{true, false} : QList<bool>();
    QCOMPARE(busy, expectedBusy);
}

void TestAutoUpdate::unwritableFolderKeepsTable()
{
    QTemporaryDir other;
    const QString sub = other.filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(sub));
    m_state->setRatesFile(sub + QStringLiteral("/QUERDAN.TXT"));
    QVERIFY(writeFile(m_state->table().filePath, kOldRates));
    QVERIFY(m_state->LoadRatesFile().ok());
    QVERIFY(QDir(sub).removeRecursively());

    UpdateHooks hooks;
    hooks.download = [](const QString &) { return kNewRates; };
    const UpdateResult result = RunAutomaticUpdate(
        *m_state, settingsFor(QStringLiteral("http://x")), QDate(2017, 1, 2), hooks);
    QCOMPARE(int(result.outcome), int(UpdateOutcome::WriteFailed));
    QCOMPARE(m_state->table().rows[0].label, QStringLiteral("Juin 2016"));
}

void TestAutoUpdate::replacementKeepsTheFilesMonths_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("locked"); // another program updates the file
    QTest::addColumn<int>("outcome");

    // The stored file: 1S2016 and 2S2015; on 31/12/2016 nothing past 1S2017.
    const QByteArray added = "2S2016\t1\r\n" + kOldRates.mid(8);
    QTest::newRow("months added, none changed") << added << false << int(UpdateOutcome::Updated);
    QTest::newRow("a month of the file changed")
        << QByteArray(added).replace("0.99", "0.98") << false << int(UpdateOutcome::ChangedMonths);
    QTest::newRow("the half-year after next")
        << "2S2017\t1\r\n1S2017\t1\r\n" + added << false << int(UpdateOutcome::TooFarAhead);
    QTest::newRow("the next half-year")
        << "1S2017\t1\r\n" + added << false << int(UpdateOutcome::Updated);
    QTest::newRow("the file held by another program") << added << true << int(UpdateOutcome::Busy);
}

void TestAutoUpdate::replacementKeepsTheFilesMonths()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, locked);
    QFETCH(int, outcome);
    QLockFile other(m_state->table().filePath + QStringLiteral(".lock"));
    if (locked)
        QVERIFY(other.tryLock(0));
    UpdateHooks hooks;
    hooks.download = [&](const QString &) { return body; };
    hooks.lockWait = 200ms;
    const UpdateResult result =
        RunAutomaticUpdate(*m_state, settingsFor(QStringLiteral("@")), QDate(2016, 12, 31), hooks);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(readFile(m_state->table().filePath),
             outcome == int(UpdateOutcome::Updated) ? body + "\r\n" : kOldRates);
}

// The downloads above went through the module found beside the test; an
// installed program finds it in the package's folder from its own.
void TestAutoUpdate::networkModuleLocations()
{
#ifdef Q_OS_WIN
    // On Windows everything sits in the program's folder.
    QCOMPARE(ModuleCandidates(QStringLiteral("/opt/taux/bin"), QStringLiteral("tauxnetwork")),
             QStringList({QStringLiteral("/opt/taux/bin/tauxnetwork")}));
    QString error;
    QVERIFY(!LoadNetworkModule(QStringLiteral("/nonexistent/bin"), &error));
    QVERIFY2(QDir::fromNativeSeparators(error).contains(QStringLiteral("/nonexistent/bin/")),
             qPrintable(error));
#else
    QCOMPARE(ModuleCandidates(QStringLiteral("/opt/taux/bin"), QStringLiteral("tauxnetwork")),
             QStringList({QStringLiteral("/opt/taux/bin/tauxnetwork"),
                          QStringLiteral("/opt/taux/lib/taux-legal/modules/tauxnetwork")}));
    QString error;
    QVERIFY(!LoadNetworkModule(QStringLiteral("/nonexistent/bin"), &error));
    QVERIFY2(error.contains(QStringLiteral("/nonexistent/bin/")) &&
                 error.contains(QStringLiteral("/nonexistent/lib/taux-legal/modules/")),
             qPrintable(error));
#endif
}

// The update works on a thread of its own: the thread that started it goes
// on with its events while the server stalls, learns the outcome by a
// signal, and stops the transfer at once by ending the update.
void TestAutoUpdate::awayFromTheWindow_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("ecb"); // an ECB table beside the rates, due
    QTest::newRow("a server that stalls, ended early") << true << kOldRates << true;
    QTest::newRow("a new rates file") << false << kNewRates + "\r\n" << false;
    QTest::newRow("a new rates file and the ECB's table") << false << kNewRates + "\r\n" << true;
}

void TestAutoUpdate::awayFromTheWindow()
{
    QFETCH(bool, silent);
    QFETCH(QByteArray, after);
    QFETCH(bool, ecb);
    CannedServer server(httpResponse("200 OK", kNewRates), silent);
    CannedServer ecbServer(httpResponse("200 OK", "TIME_PERIOD,OBS_VALUE\r\n2026-02-04,1.90\r\n"));
    const QString ecbPath = m_dir->filePath(QStringLiteral("TAUXBCE.TXT"));
    const QByteArray table = "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n";
    if (ecb)
        QVERIFY(writeFile(ecbPath, table));
    UpdateSettings settings = settingsFor(server.url());
    settings.ecbAddress = ecbServer.url();
    UpdateHooks hooks;
    hooks.isConnected = [] { return true; };
    QList<bool> busy;
    QThread *const mine = QThread::currentThread();
    bool onMyThread = true;
    hooks.setBusy = [&](bool on) {
        busy << on;
        onMyThread = onMyThread && QThread::currentThread() == mine;
    };
    auto update = std::make_unique<BackgroundUpdate>(m_state->table().filePath,
                                                     RateCategory::PersonnesPhysiques, settings,
                                                     QDate(2030, 1, 1), hooks);
    QList<int> outcomes;
    connect(update.get(), &BackgroundUpdate::finished, this, [&](UpdateOutcome outcome) {
        outcomes << int(outcome);
        onMyThread = onMyThread && QThread::currentThread() == mine;
    });
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
    tick.start(10);
    update->start();
    if (silent) {
        QTest::qWait(600);
        QVERIFY2(ticks >= 30, qPrintable(QString::number(ticks)));
        QVERIFY(update->isRunning());
        QElapsedTimer clock;
        clock.start();
        update.reset();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    } else {
        QTRY_VERIFY(!update->isRunning());
        QCOMPARE(outcomes, QList<int>{int(UpdateOutcome::Updated)});
    }
    // The ECB's table follows the rates, not an update ended early.
    const bool ecbUpdated = ecb && !silent;
    QCOMPARE(busy.size(), ecbUpdated ? 4 : 2);
    QCOMPARE(busy.mid(0, 2), (QList<bool>{true, false}));
    QCOMPARE(busy.mid(2), ecbUpdated ? (QList<bool>{true, false}) : QList<bool>());
    QVERIFY(onMyThread);
    QCOMPARE(readFile(m_state->table().filePath), after);
    if (ecb)
        QCOMPARE(readFile(ecbPath),
                 ecbUpdated ? "confirme-jusqu-au\t2030-01-01\n2025-06-11\t2.15\n2026-02-04\t1.90\n"
                            : table);
}

// The ECB's table is due while the day it is confirmed to comes before the
// half-year today is in: each half-year takes the rate of its first day.
void TestAutoUpdate::ecbTableWhenDue_data()
{
    QTest::addColumn<QByteArray>("confirmed"); // empty: no table beside the rates
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status"); // -1: nothing done
    const QByteArray change = "TIME_PERIOD,OBS_VALUE\r\n2026-02-04,1.90\r\n";
    QTest::newRow("confirmed to the eve of the half-year")
        << QByteArray("2026-06-30") << QDate(2026, 7, 1) << true << change
        << int(EcbUpdateReport::Added);
    QTest::newRow("confirmed to the half-year's first day")
        << QByteArray("2026-07-01") << QDate(2026, 12, 31) << true << change << -1;
    QTest::newRow("no connection")
        << QByteArray("2026-01-01") << QDate(2026, 12, 8) << false << change << -1;
    QTest::newRow("no table beside the rates")
        << QByteArray() << QDate(2026, 12, 8) << true << change << -1;
    QTest::newRow("no answer") << QByteArray("2026-01-01") << QDate(2026, 12, 8) << true
                               << QByteArray() << int(EcbUpdateReport::Failed);
}

void TestAutoUpdate::ecbTableWhenDue()
{
    QFETCH(QByteArray, confirmed);
    QFETCH(QDate, today);
    QFETCH(bool, connected);
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    const QString ecbPath = m_dir->filePath(QStringLiteral("TAUXBCE.TXT"));
    const QByteArray table = "confirme-jusqu-au\t" + confirmed + "\n2025-06-11\t2.15\n";
    if (!confirmed.isEmpty())
        QVERIFY(writeFile(ecbPath, table));
    QStringList asked;
    UpdateHooks hooks;
    hooks.isConnected = [connected] { return connected; };
    hooks.download = [&](const QString &url) {
        asked << url;
        return answer;
    };
    UpdateSettings settings = settingsFor(QStringLiteral("https://taux.invalid/"));
    settings.testConnection = true;
    settings.ecbAddress = QStringLiteral("https://bce.invalid/serie");
    const std::optional<EcbUpdateReport> report =
        RunAutomaticEcbUpdate(m_state->table().filePath, settings, today, hooks);
    QCOMPARE(report ? int(report->status) : -1, status);
    QCOMPARE(asked, status < 0 ? QStringList() : QStringList{settings.ecbAddress});
    if (!confirmed.isEmpty())
        QCOMPARE(readFile(ecbPath), status == int(EcbUpdateReport::Added)
                                        ? "confirme-jusqu-au\t" +
                                              today.toString(Qt::ISODate).toLatin1() +
                                              "\n2025-06-11\t2.15\n2026-02-04\t1.90\n"
                                        : table);
}

QTEST_GUILESS_MAIN(TestAutoUpdate)
#include "tst_autoupdate.moc"
