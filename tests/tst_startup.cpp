// The program as it starts: settings, the window's loading, the automatic
// update before the window shows, the update dialog and the manual update.
#include "guiguard.h"
#include "schedule/tauxstate.h"
#include "ui/mainwindow.h"
#include "ui/tauxapp.h"
#include "update/majdialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kOld = "2S2016\t0.93\t4.35\r\n1S2016\t1.01\t4.54\r\n";
const QByteArray kNew = "1S2017\t0.90\t4.16\r\n2S2016\t0.93\t4.35\r\n1S2016\t1.01\t4.54";

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void defaultsWithoutSettingsFile();
    void autoUpdateOffMakesNoConnection();
    void autoUpdateBeforeTheWindowShows_data();
    void autoUpdateBeforeTheWindowShows();
    void updateDialogThenActivation();
    void manualUpdateEndsTheProgram();
    void missingRatesFileFailsTheStart();

private:
    std::unique_ptr<TauxApp> makeApp(const QString &commandLine);

    QTemporaryDir m_exeDir;
    QTemporaryDir m_ratesDir;
    std::unique_ptr<MessageBoxGuard> m_guard;
    QList<int> m_ended;
    QStringList m_edited;
    QStringList m_downloads;
    QByteArray m_body;
};

void TestStartup::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QApplication::setStyle(QStringLiteral("Fusion"));
}

void TestStartup::init()
{
    QFile::remove(m_exeDir.filePath(QStringLiteral("Querdan.ini")));
    QVERIFY(writeFile(m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT")), kOld));
    m_guard = std::make_unique<MessageBoxGuard>();
    m_ended.clear();
    m_edited.clear();
    m_downloads.clear();
    m_body = kNew;
}

void TestStartup::cleanup()
{
    QCOMPARE(m_guard->take(), QStringList());
    m_guard.reset();
}

std::unique_ptr<TauxApp> TestStartup::makeApp(const QString &commandLine)
{
    TauxApp::Hooks hooks;
    hooks.endProgram = [this](int code) { m_ended << code; };
    hooks.editByHand = [this](const QString &path) {
        m_edited << path;
        return true;
    };
    hooks.update.isConnected = [] { return true; };
    hooks.update.download = [this](const QString &url) {
        m_downloads << url;
        return m_body;
    };
    return std::make_unique<TauxApp>(m_exeDir.path(), commandLine, hooks);
}

void TestStartup::defaultsWithoutSettingsFile()
{
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2030, 1, 1)));
    QCOMPARE(app->settings().address, DefaultAddress());
    QVERIFY(app->settings().testConnection);
    QVERIFY(!app->settings().autoUpdate);
    QVERIFY(m_downloads.isEmpty());
    QVERIFY(app->window().isVisible());
    QVERIFY(!app->updateDialog().isVisible());
    QCOMPARE(app->window().findChild<QLabel *>("textind(0)")->text(),
             QStringLiteral("Décembre 2016"));
}

void TestStartup::autoUpdateOffMakesNoConnection()
{
    QVERIFY(writeFile(m_exeDir.filePath(QStringLiteral("Querdan.ini")),
                      "[FTP]\r\nADRESS=http://127.0.0.1:9/x\r\nCHECKMAJ=01\r\n"));
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2030, 1, 1)));
    QVERIFY(!app->settings().autoUpdate);
    QVERIFY(m_downloads.isEmpty());
    QCOMPARE(readFile(m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT"))), kOld);
}

void TestStartup::autoUpdateBeforeTheWindowShows_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("updated");
    QTest::newRow("30 December of the newest year") << QDate(2016, 12, 30) << false;
    QTest::newRow("31 December of the newest year") << QDate(2016, 12, 31) << true;
    QTest::newRow("2 January after") << QDate(2017, 1, 2) << true;
}

void TestStartup::autoUpdateBeforeTheWindowShows()
{
    QFETCH(QDate, today);
    QFETCH(bool, updated);
    QVERIFY(writeFile(m_exeDir.filePath(QStringLiteral("Querdan.ini")),
                      "[FTP]\r\nADRESS=http://127.0.0.1:9/telechar/QUERDAN.TXT\r\nCHECKMAJ=1\r\n"));
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(today));
    QCOMPARE(m_downloads.size(), updated ? 1 : 0);
    const QString rates = m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT"));
    QCOMPARE(readFile(rates), updated ? kNew + "\r\n" : kOld);
    QCOMPARE(app->window().findChild<QLabel *>("textind(0)")->text(),
             updated ? QStringLiteral("Juin 2017") : QStringLiteral("Décembre 2016"));
    QVERIFY(!ratesFileChanged(app->state().table));
}

void TestStartup::updateDialogThenActivation()
{
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2016, 8, 1)));
    const QString rates = m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT"));
    // While the dialog is open another program rewrites the rates file; Ok
    // then saves the settings and the main window shows the new months.
    QTimer::singleShot(50, this, [&] {
        QVERIFY(app->updateDialog().isVisible());
        QVERIFY(writeFile(rates, kNew));
        QFile f(rates);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                              QFileDevice::FileModificationTime));
        f.close();
        app->updateDialog().findChild<QLineEdit *>("ftp")->setText(QStringLiteral("http://h/x"));
        app->updateDialog().findChild<QPushButton *>("Valider")->click();
    });
    app->window().findChild<QPushButton *>("Command1")->click();
    QVERIFY(!app->updateDialog().isVisible());
    QCOMPARE(app->window().findChild<QLabel *>("textind(0)")->text(), QStringLiteral("Juin 2017"));
    QVERIFY(readFile(app->settingsPath()).contains("ADRESS=http://h/x"));
}

void TestStartup::manualUpdateEndsTheProgram()
{
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2016, 8, 1)));
    QTimer::singleShot(
        50, this, [&] { app->updateDialog().findChild<QPushButton *>("Boutonmanuel")->click(); });
    app->window().findChild<QPushButton *>("Command1")->click();
    QCOMPARE(m_edited, QStringList{m_ratesDir.path() + QStringLiteral("/QUERDAN.TXT")});
    QCOMPARE(m_ended, QList<int>{0});
    QVERIFY(!app->window().isVisible());
}

void TestStartup::missingRatesFileFailsTheStart()
{
    QVERIFY(writeFile(m_exeDir.filePath(QStringLiteral("Querdan.ini")), "[FTP]\r\nCHECKMAJ=1\r\n"));
    auto app = makeApp(m_ratesDir.path()); // no final separator
    QVERIFY(!app->start(QDate(2030, 1, 1)));
    QCOMPARE(m_guard->take().size(), 1);
    QVERIFY(m_downloads.isEmpty());
    QVERIFY(!app->window().isVisible());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
