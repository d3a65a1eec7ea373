#include "publicationserver.h"
#include "testfiles.h"
#include "update/download.h"
#include "update/ecbupdate.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

// The ECB's table brought up to date from a real server on 127.0.0.1
// answering as the ECB's data portal does, or as it should not.
class TestEcbUpdate : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void noTableNoDownload();
    void commandLineUpdatesBoth_data();
    void commandLineUpdatesBoth();
};

namespace {

const QByteArray kTable = "# BCE\nconfirme-jusqu-au\t2026-01-01\n2025-04-23\t2.40\n"
                          "2025-06-11\t2.15\n";
const QByteArray kHeader = "KEY,FREQ,TIME_PERIOD,OBS_VALUE\r\n";

QByteArray rows(std::initializer_list<const char *> lines)
{
    QByteArray body = kHeader;
    for (const char *line : lines)
        body += QByteArray("FM.B.U2.EUR.4F.KR.MRR_FR.LEV,B,") + line + "\r\n";
    return body;
}

} // namespace

void TestEcbUpdate::answers_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("after"); // empty: the file is not touched

    const QByteArray fresh = rows({"2025-04-23,2.40", "2025-06-11,2.15", "2026-02-04,1.90"});
    QTest::newRow("a new change")
        << http("200 OK", fresh) << QDate(2026, 3, 2) << int(EcbUpdateReport::Added)
        << u"Taux de la BCE : ajouté 1,90 % au 04/02/2026, tableau confirmé jusqu'au 02/03/2026."_s
        << QByteArray("# BCE\nconfirme-jusqu-au\t2026-03-02\n2025-04-23\t2.40\n2025-06-11\t2.15\n"
                      "2026-02-04\t1.90\n");
    QTest::newRow("nothing new on the day it is confirmed to")
        << http("200 OK", rows({"2025-06-11,2.15"})) << QDate(2026, 1, 1)
        << int(EcbUpdateReport::UpToDate)
        << u"Taux de la BCE : aucun changement depuis le 11/06/2025 (2,15 %), tableau confirmé "
           "jusqu'au 01/01/2026."_s
        << QByteArray();
    QTest::newRow("a rate the ECB gives otherwise")
        << http("200 OK", rows({"2025-06-11,2.00"})) << QDate(2026, 1, 1)
        << int(EcbUpdateReport::UpToDate)
        << u"Taux de la BCE : aucun changement depuis le 11/06/2025 (2,15 %), tableau confirmé "
           "jusqu'au 01/01/2026. Attention : la BCE donne 2,00 % au 11/06/2025 où le tableau a "
           "2,15 % ; le tableau garde le sien."_s
        << QByteArray();
    QTest::newRow("a 404") << http("404 Not Found", "<html>introuvable</html>") << QDate(2026, 3, 2)
                           << int(EcbUpdateReport::Failed)
                           << u"Taux de la BCE : le serveur a répondu 404 : le tableau n'a pas été "
                              "changé."_s
                           << QByteArray();
    QTest::newRow("an HTML page")
        << http("200 OK", "<!DOCTYPE html><html><body>Maintenance</body></html>")
        << QDate(2026, 3, 2) << int(EcbUpdateReport::Failed)
        << u"Taux de la BCE : la réponse de la BCE n'a pas les colonnes TIME_PERIOD et OBS_VALUE : "
           "le tableau n'a pas été changé."_s
        << QByteArray();
    QTest::newRow("a rate of abc")
        << http("200 OK", rows({"2026-02-04,abc"})) << QDate(2026, 3, 2)
        << int(EcbUpdateReport::Failed)
        << u"Taux de la BCE : la ligne 2 de la réponse de la BCE est illisible (« "
           "FM.B.U2.EUR.4F.KR.MRR_FR.LEV,B,2026-02-04,abc ») : le tableau n'a pas été changé."_s
        << QByteArray();
    QByteArray cut = http("200 OK", fresh);
    cut.replace("Content-Length: " + QByteArray::number(fresh.size()),
                "Content-Length: " + QByteArray::number(fresh.size() + 40));
    QTest::newRow("a body cut short")
        << cut << QDate(2026, 3, 2) << int(EcbUpdateReport::Failed)
        << u"Taux de la BCE : le téléchargement s'est interrompu"_s << QByteArray();
    QTest::newRow("a change still to come")
        << http("200 OK", fresh) << QDate(2026, 2, 3) << int(EcbUpdateReport::Failed)
        << u"Taux de la BCE : la BCE donne un taux à compter du 04/02/2026, après aujourd'hui ; "
           "le tableau n'est pas changé."_s
        << QByteArray();
}

void TestEcbUpdate::answers()
{
    QFETCH(QByteArray, response);
    QFETCH(QDate, today);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TAUXBCE.TXT"));
    QVERIFY(writeFile(path, kTable));
    const QDateTime stamp = QDateTime::currentDateTimeUtc().addSecs(-3600);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    Server server(response);
    const EcbUpdateReport report =
        UpdateEcbTable(path, server.url(), today, [](const QString &url) {
            DownloadLimits limits;
            limits.stall = 2s;
            return Download(url, limits);
        });
    QCOMPARE(int(report.status), status);
    QVERIFY2(report.message.startsWith(message), qPrintable(report.message));
    QCOMPARE(readFile(path), after.isEmpty() ? kTable : after);
    if (after.isEmpty()) // not even touched
        QCOMPARE(QFileInfo(path).lastModified().toUTC(), stamp);
}

void TestEcbUpdate::noTableNoDownload()
{
    // Without a table that reads, nothing is asked of the server.
    QTemporaryDir dir;
    int asked = 0;
    const EcbUpdateReport report =
        UpdateEcbTable(dir.filePath(QStringLiteral("TAUXBCE.TXT")), kEcbAddress, QDate(2026, 3, 2),
                       [&](const QString &) {
                           ++asked;
                           return DownloadReply{};
                       });
    QCOMPARE(int(report.status), int(EcbUpdateReport::NoTable));
    QCOMPARE(asked, 0);
    QVERIFY2(report.message.startsWith(u"Taux de la BCE : Le tableau des taux de la BCE"_s),
             qPrintable(report.message));
}

void TestEcbUpdate::commandLineUpdatesBoth_data()
{
    QTest::addColumn<QByteArray>("legal");
    QTest::addColumn<QByteArray>("ecb");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // what standard output holds; %d for today
    QTest::addColumn<QString>("err"); // what standard error holds
    QTest::addColumn<bool>("added");  // whether the ECB's change went in

    const QByteArray rates = readFile(QStringLiteral(BUNDLED_RATES));
    const QByteArray fresh = rows({"2025-06-11,2.15", "2026-02-04,1.90"});
    QTest::newRow("both brought up to date")
        << http("200 OK", rates) << http("200 OK", fresh) << 0
        << u"Taux de la BCE : ajouté 1,90 % au 04/02/2026, tableau confirmé jusqu'au %d.\n"_s
        << QString() << true;
    QTest::newRow("the legal rates failed, the ECB's came")
        << http("404 Not Found", "x") << http("200 OK", fresh) << 5
        << u"Taux de la BCE : ajouté 1,90 % au 04/02/2026"_s << u"le serveur a répondu 404"_s
        << true;
    QTest::newRow("the ECB's failed, the legal rates came")
        << http("200 OK", rates) << http("404 Not Found", "x") << 5 << u"Dernier semestre : "_s
        << u"taux-legal-cli taux : Taux de la BCE : le serveur a répondu 404 : le tableau n'a pas "
           "été changé.\n"_s
        << false;
}

void TestEcbUpdate::commandLineUpdatesBoth()
{
    QFETCH(QByteArray, legal);
    QFETCH(QByteArray, ecb);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(bool, added);
    QTemporaryDir dir;
    QVERIFY(
        QFile::copy(QStringLiteral(BUNDLED_RATES), dir.filePath(QStringLiteral("QUERDAN.TXT"))));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("QUERDAN.TXT")),
                                  QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("TAUXBCE.TXT")), kTable));
    Server legalServer(legal);
    Server ecbServer(ecb);
    QProcess cli;
    cli.start(QStringLiteral(TAUX_CLI), {"taux", "--mettre-a-jour", "--adresse", legalServer.url(),
                                         "--adresse-bce", ecbServer.url(), "--taux", dir.path()});
    QVERIFY(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 30000));
    const QString stdOut = QString::fromUtf8(cli.readAllStandardOutput());
    const QString stdErr = QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), status);
    QVERIFY2(stdOut.contains(out.replace(QStringLiteral("%d"), QDate::currentDate().toString(
                                                                   QStringLiteral("dd/MM/yyyy")))),
             qPrintable(stdOut));
    QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("TAUXBCE.TXT"))).contains("2026-02-04\t1.90\n"),
             added);
}

QTEST_GUILESS_MAIN(TestEcbUpdate)
#include "tst_ecbupdate.moc"
