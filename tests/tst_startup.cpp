// The program as it starts: settings, the window's loading, the automatic
// update behind the window shown, the update dialog and the manual update.
#include "modalguard.h"
#include "output/clipboardtext.h"
#include "publicationserver.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"
#include "ui/aboutbox.h"
#include "ui/cellcolumn.h"
#include "ui/icons.h"
#include "ui/mainwindow.h"
#include "ui/statementapp.h"
#include "ui/tauxapp.h"
#include "update/majdialog.h"

#include <QClipboard>
#include <QPrinterInfo>
#include <QProcess>
#include <QToolButton>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

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
    void autoUpdateBehindTheWindow_data();
    void autoUpdateBehindTheWindow();
    void statementUpdateBehindItsWindow_data();
    void statementUpdateBehindItsWindow();
    void updateDialogThenActivation();
    void manualUpdateEndsTheProgram_data();
    void manualUpdateEndsTheProgram();
    void missingRatesFileFailsTheStart();
    void aboutBoxFromBothLabels_data();
    void aboutBoxFromBothLabels();
    void calculatorButton();
    void copyButton();
    void printButtonWithoutPrinter();

private:
    std::unique_ptr<TauxApp> makeApp(const QString &commandLine);

    QTemporaryDir m_exeDir;
    QTemporaryDir m_ratesDir;
    std::unique_ptr<MessageBoxGuard> m_guard;
    QList<int> m_ended;
    QStringList m_edited;
    bool m_editorStarts = true;
    QStringList m_downloads;
    QByteArray m_body;
    std::atomic_bool m_hold{false}; // the download waits while it is set
    QStringList m_calculators;
};

void TestStartup::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QApplication::setStyle(QStringLiteral("Fusion"));
    InitIcons();
}

void TestStartup::init()
{
    QFile::remove(m_exeDir.filePath(QStringLiteral("Querdan.ini")));
    QVERIFY(writeFile(m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT")), kOld));
    m_guard = std::make_unique<MessageBoxGuard>();
    m_ended.clear();
    m_edited.clear();
    m_editorStarts = true;
    m_downloads.clear();
    m_body = kNew;
    m_hold = false;
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
        return m_editorStarts;
    };
    hooks.update.isConnected = [] { return true; };
    hooks.calculators = m_calculators;
    hooks.update.download = [this](const QString &url) {
        while (m_hold)
            QThread::msleep(5);
        m_downloads << url;
        return m_body;
    };
    return std::make_unique<TauxApp>(SettingsFilePath(m_exeDir.path()),
                                     commandLine + QStringLiteral("QUERDAN.TXT"), hooks);
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
    QCOMPARE(app->window().findChild<CellColumn *>("textind")->text(0),
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

void TestStartup::autoUpdateBehindTheWindow_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("updated");
    QTest::newRow("30 December of the newest year") << QDate(2016, 12, 30) << false;
    QTest::newRow("31 December of the newest year") << QDate(2016, 12, 31) << true;
    QTest::newRow("2 January after") << QDate(2017, 1, 2) << true;
}

// The window shows and answers at once; the update's rates show once the
// server has sent them.
void TestStartup::autoUpdateBehindTheWindow()
{
    QFETCH(QDate, today);
    QFETCH(bool, updated);
    QVERIFY(writeFile(m_exeDir.filePath(QStringLiteral("Querdan.ini")),
                      "[FTP]\r\nADRESS=http://127.0.0.1:9/telechar/QUERDAN.TXT\r\nCHECKMAJ=1\r\n"));
    auto app = makeApp(m_ratesDir.path() + u'/');
    m_hold = true;
    QVERIFY(app->start(today));
    QVERIFY(app->window().isVisible());
    QVERIFY(app->updating());
    bool answered = false;
    QTimer::singleShot(0, &app->window(), [&] { answered = true; });
    QTRY_VERIFY(answered);
    QCOMPARE(app->window().findChild<CellColumn *>("textind")->text(0),
             QStringLiteral("Décembre 2016"));
    m_hold = false;
    QTRY_VERIFY(!app->updating());
    QCOMPARE(m_downloads.size(), updated ? 1 : 0);
    const QString rates = m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT"));
    QCOMPARE(readFile(rates), updated ? kNew + "\r\n" : kOld);
    QCOMPARE(app->window().findChild<CellColumn *>("textind")->text(0),
             updated ? QStringLiteral("Juin 2017") : QStringLiteral("Décembre 2016"));
    QVERIFY(!ratesFileChanged(app->state().table()));
}

void TestStartup::statementUpdateBehindItsWindow_data()
{
    QTest::addColumn<bool>("answered");
    QTest::newRow("the server answers after a stall") << true;
    QTest::newRow("the program ends while the server stalls") << false;
}

// The statement program alone: its window shows and answers while the
// server holds the download, and reads the new rates once written.
void TestStartup::statementUpdateBehindItsWindow()
{
    QFETCH(bool, answered);
    QPointer<QTcpSocket> held;
    RogueServer server([&](RogueServer &, QTcpSocket *socket) { held = socket; });
    QVERIFY(writeFile(m_exeDir.filePath(QStringLiteral("Querdan.ini")),
                      "[FTP]\r\nADRESS=" + server.url().toLatin1() + "\r\nCHECKMAJ=1\r\n"));
    const QString rates = m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT"));
    UpdateHooks hooks;
    hooks.isConnected = [] { return true; };
    auto app =
        std::make_unique<StatementApp>(SettingsFilePath(m_exeDir.path()), rates, std::move(hooks));
    QList<int> outcomes;
    connect(app.get(), &StatementApp::automaticUpdateFinished, this,
            [&](UpdateOutcome outcome) { outcomes << int(outcome); });
    QVERIFY(app->start(QDate(2017, 1, 2)));
    QVERIFY(app->window().isVisible());
    StatementInput input;
    input.from = QDate(2016, 11, 1);
    input.to = QDate(2017, 2, 1);
    input.principal = 100000;
    app->window().setInputs(input, RateCategory::Autres);
    QVERIFY(!app->window().result().ok());

    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&] { ++ticks; });
    tick.start(10);
    QTRY_VERIFY(held);
    QTest::qWait(300);
    QVERIFY2(ticks >= 15, qPrintable(QString::number(ticks)));
    QVERIFY(app->updating());
    if (answered) {
        held->write(http("200 OK", kNew));
        held->disconnectFromHost();
        QTRY_VERIFY(!app->updating());
        QCOMPARE(outcomes, QList<int>{int(UpdateOutcome::Updated)});
        QCOMPARE(readFile(rates), kNew + "\r\n");
        QVERIFY(app->window().result().ok());
    } else {
        QElapsedTimer clock;
        clock.start();
        app.reset();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(readFile(rates), kOld);
    }
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
        QVERIFY(writeFile(rates, kNew, QDateTime::currentDateTime().addSecs(-7200)));
        app->updateDialog().findChild<QLineEdit *>("ftp")->setText(QStringLiteral("http://h/x"));
        app->updateDialog().findChild<QPushButton *>("Valider")->click();
    });
    app->window().findChild<QPushButton *>("Command1")->click();
    QVERIFY(!app->updateDialog().isVisible());
    QCOMPARE(app->window().findChild<CellColumn *>("textind")->text(0),
             QStringLiteral("Juin 2017"));
    QVERIFY(readFile(app->settingsPath()).contains("ADRESS=http://h/x"));
}

void TestStartup::manualUpdateEndsTheProgram_data()
{
    QTest::addColumn<bool>("editorStarts");
    QTest::newRow("an editor starts") << true;
    QTest::newRow("no editor starts") << false;
}

void TestStartup::manualUpdateEndsTheProgram()
{
    QFETCH(bool, editorStarts);
    m_editorStarts = editorStarts;
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2016, 8, 1)));
    QTimer::singleShot(50, this, [&] {
        QTest::mouseClick(app->updateDialog().findChild<QPushButton *>("Boutonmanuel"),
                          Qt::LeftButton);
        // A dialog left open would hold the test until it times out.
        if (app->updateDialog().isVisible())
            app->updateDialog().reject();
    });
    QTest::mouseClick(app->window().findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_edited, QStringList{m_ratesDir.path() + QStringLiteral("/QUERDAN.TXT")});
    QCOMPARE(m_ended, QList<int>{0});
    QVERIFY(!app->window().isVisible());
    QVERIFY(!app->updateDialog().isVisible());
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

void TestStartup::aboutBoxFromBothLabels_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("copyright line") << "Label1(1)";
    QTest::newRow("month heading") << "Label1(0)";
}

void TestStartup::aboutBoxFromBothLabels()
{
    QFETCH(QString, label);
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2016, 8, 1)));
    const QString rates = m_ratesDir.filePath(QStringLiteral("QUERDAN.TXT"));
    QString shown;
    // The box is modal; while it is open the rates file changes, and its
    // closing reloads the table.
    QTimer::singleShot(50, this, [&] {
        auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->objectName(), QStringLiteral("FrmTOLMEN"));
        shown = box->findChild<QLabel *>(QStringLiteral("LabelTolmen"))->text();
        QVERIFY(writeFile(rates, kNew, QDateTime::currentDateTime().addSecs(-7200)));
        box->close();
    });
    QTest::mouseClick(app->window().findChild<QLabel *>(label), Qt::LeftButton);
    QCOMPARE(shown, AboutBox::tolmenText());
    QCOMPARE(shown.split(QStringLiteral("\r\n")).size(), 6);
    QCOMPARE(app->window().findChild<CellColumn *>("textind")->text(0),
             QStringLiteral("Juin 2017"));
}

void TestStartup::calculatorButton()
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("calculette"));
    const QString log = dir.filePath(QStringLiteral("starts"));
    QVERIFY(writeStandInCalculator(program, 30));
    m_calculators = {dir.filePath(QStringLiteral("absent")), program};
    auto app = makeApp(m_ratesDir.path() + u'/');
    m_calculators.clear();
    QVERIFY(app->start(QDate(2016, 8, 1)));
    auto *button = app->window().findChild<QToolButton *>("calculatrice");
    QCOMPARE(button->toolTip(), QStringLiteral("Calculatrice"));
    button->click();
    QTRY_COMPARE(readFile(log).count('\n'), 1);
    // A second click while it runs starts no other one.
    button->click();
    QTest::qWait(200);
    const QByteArray starts = readFile(log);
    QCOMPARE(starts.count('\n'), 1);
    QProcess::execute(QStringLiteral("kill"), {QString::fromLatin1(starts.trimmed())});
}

void TestStartup::copyButton()
{
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2016, 8, 1)));
    MainWindow &w = app->window();
    auto *date = w.findChild<QLineEdit *>("datedelacte");
    date->setFocus();
    date->setText(QStringLiteral("15/03/2016"));
    QTest::keyClick(date, Qt::Key_Return);
    QCoreApplication::processEvents();
    QLineEdit *cell = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(cell);
    QTest::keyClicks(cell, QStringLiteral("512.3"));
    QTest::keyClick(cell, Qt::Key_Return);
    w.findChild<QToolButton *>("Command2")->click();
    const QString text = QGuiApplication::clipboard()->text();
    QCOMPARE(text, ClipboardText(app->state(), QLocale()));
    QVERIFY(text.startsWith(QStringLiteral("Mois\tTaux annuel\tSomme\r\n")));
    QVERIFY(text.endsWith(QStringLiteral("Mars 2016\t1,01\t 512,30\r\n")));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestStartup::printButtonWithoutPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer: the test would print on it");
    auto app = makeApp(m_ratesDir.path() + u'/');
    QVERIFY(app->start(QDate(2016, 8, 1)));
    app->window().findChild<QToolButton *>("imprimer")->click();
    QCOMPARE(m_guard->icons.value(0), QMessageBox::Critical);
    QCOMPARE(m_guard->take(),
             QStringList{QStringLiteral("Erreur d'impression | Pas d'imprimante par défaut. "
                                        "Modifiez votre configuration avant de relancer "
                                        "l'impression.")});
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
