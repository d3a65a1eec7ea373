#include "modalguard.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"
#include "ui/aboutbox.h"
#include "ui/calculator.h"
#include "ui/icons.h"
#include "ui/mainwindow.h"
#include "update/majdialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/types.h>
#include <xcb/xcb.h>

namespace {

struct AboutSeen
{
    QString objectName;
    QString title;
    QString text;
    QSize size;
    Qt::WindowFlags flags;
    bool modal = false;
    bool logoShown = false;
    QColor corner; // below the text, where only the background shows
};

AboutSeen openAboutBox(QWidget *parent = nullptr)
{
    AboutSeen seen;
    ModalGuard guard([&](QDialog *d) {
        seen.objectName = d->objectName();
        seen.title = d->windowTitle();
        seen.size = d->size();
        seen.flags = d->windowFlags();
        seen.modal = d->isModal();
        if (auto *label = d->findChild<QLabel *>(QStringLiteral("LabelTolmen")))
            seen.text = label->text();
        if (auto *logo = d->findChild<QLabel *>(QStringLiteral("Image3")))
            seen.logoShown = logo->pixmap().size() == QSize(145, 50);
        seen.corner = d->grab().toImage().pixelColor(4, 155);
    });
    ShowAboutBox(parent);
    return seen;
}

int lineCount(const QString &path)
{
    return int(readFile(path).count('\n'));
}

// True once the process is gone or has quit and waits to be reaped.
bool ended(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

// An X display of the test's own with a real window manager on it, so the
// calculator is brought forward the way a desktop would do it.
class PrivateDesktop
{
public:
    ~PrivateDesktop()
    {
        for (QProcess *p : {&m_manager, &m_server}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(10000))
                p->kill();
            p->waitForFinished(10000);
        }
        if (m_x)
            xcb_disconnect(m_x);
    }

    // Empty when the desktop runs, else why not.
    QString start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || openbox.isEmpty())
            return QStringLiteral("Xvfb and openbox are not installed");
        for (int n = 140; n < 200 && m_display.isEmpty(); ++n)
            if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) &&
                !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                m_display = QStringLiteral(":%1").arg(n);
        if (m_display.isEmpty())
            return QStringLiteral("no free display number");
        m_server.start(xvfb, {m_display, QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        const QString socket = QStringLiteral("/tmp/.X11-unix/X") + m_display.mid(1);
        for (int i = 0; i < 200 && !QFile::exists(socket); ++i)
            QTest::qWait(50);
        m_x = xcb_connect(m_display.toLatin1().constData(), nullptr);
        if (xcb_connection_has_error(m_x))
            return QStringLiteral("Xvfb does not start");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        m_manager.setProcessEnvironment(env);
        m_manager.start(openbox, {QStringLiteral("--sm-disable")});
        for (int i = 0; i < 200 && windowProperty(m_root, "_NET_SUPPORTING_WM_CHECK") == 0; ++i)
            QTest::qWait(50);
        return windowProperty(m_root, "_NET_SUPPORTING_WM_CHECK")
                   ? QString()
                   : QStringLiteral("openbox does not start");
    }

    QString display() const { return m_display; }

    // Clicks the calculator button until `window` is in front, and says
    // whether it came. A window just shown can take the focus back once
    // while the window manager settles it, long before a user could click;
    // each click must bring the calculator forward, never start another.
    bool bringsForward(Calculator &calculator, quint32 window)
    {
        for (int click = 0; click < 10; ++click) {
            if (calculator.OpenCalculator() != Calculator::Outcome::BroughtForward)
                return false;
            // Three seconds a click: a loaded machine settles windows slowly.
            for (int i = 0; i < 60; ++i) {
                if (activeWindow() == window)
                    return true;
                QTest::qWait(50);
            }
        }
        return false;
    }

    quint32 activeWindow() { return windowProperty(m_root, "_NET_ACTIVE_WINDOW"); }

    quint32 pidOf(quint32 window)
    {
        return cardinal(window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    }

    QByteArray classOf(quint32 window)
    {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                m_x, xcb_get_property(m_x, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                nullptr),
            &std::free);
        if (!reply)
            return {};
        return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_x, xcb_intern_atom(m_x, 0, uint16_t(qstrlen(name)), name),
                                  nullptr),
            &std::free);
        return reply ? reply->atom : 0;
    }

    quint32 cardinal(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(m_x, xcb_get_property(m_x, 0, window, name, type, 0, 1),
                                   nullptr),
            &std::free);
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
            return 0;
        return *static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    }

    quint32 windowProperty(xcb_window_t window, const char *name)
    {
        return cardinal(window, atom(name), XCB_ATOM_WINDOW);
    }

    QString m_display;
    QProcess m_server;
    QProcess m_manager;
    xcb_connection_t *m_x = nullptr;
    xcb_window_t m_root = 0;
};

// Started with this argument, the test program is a calculator's stand-in:
// a plain window on the X display, named after its process as desktop
// programs name theirs.
const char kStandInWindow[] = "--stand-in-window";

int runStandInWindow(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Calculette"));
    window.resize(200, 150);
    // Says when its own request to be activated on showing has been served,
    // so the test's requests are not overtaken by it.
    QObject::connect(&app, &QGuiApplication::focusWindowChanged, &app, [](QWindow *focus) {
        if (focus) {
            std::fputs("active\n", stdout);
            std::fflush(stdout);
        }
    });
    window.show();
    return app.exec();
}

} // namespace

class TestAccessories : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void aboutBoxShowsTheSameSixLinesEachTime();
    void aboutBoxStaysBlackUnderAStyledWindow();
    void fixedWindowsOfferOnlyClose_data();
    void fixedWindowsOfferOnlyClose();
    void calculatorStartsOnceThenComesForward();
    void noCalculatorInstalledStartsNothing();
    void calculatorComesToTheFrontOfTheDesktop();
    void icons_data();
    void icons();
};

void TestAccessories::initTestCase()
{
    InitIcons();
}

void TestAccessories::aboutBoxShowsTheSameSixLinesEachTime()
{
    const AboutSeen first = openAboutBox();
    const AboutSeen second = openAboutBox();

    QCOMPARE(first.objectName, QStringLiteral("FrmTOLMEN"));
    QCOMPARE(first.title, QStringLiteral("TOLMEN"));
    QVERIFY(first.modal);
    QCOMPARE(first.size, QSize(176, 160));
    QVERIFY(first.flags.testFlag(Qt::Tool));
    QVERIFY(!first.flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!first.flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(first.logoShown);

    const QStringList lines = first.text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("TOLMEN"));
    for (int i : {1, 2, 3})
        QVERIFY2(!lines[i].trimmed().isEmpty(), qPrintable(QString::number(i)));
    QCOMPARE(lines[4], QString());
    QVERIFY(lines[5].contains(QStringLiteral("2016")) &&
            lines[5].contains(QStringLiteral("TOLMEN")));
    QCOMPARE(first.text.count(u'\n'), first.text.count(QStringLiteral("\r\n")));

    QCOMPARE(second.text, first.text);
    QCOMPARE(second.objectName, first.objectName);
}

void TestAccessories::aboutBoxStaysBlackUnderAStyledWindow()
{
    QCOMPARE(openAboutBox().corner, QColor(Qt::black));
    // A main window that colours every widget through its style sheet.
    QWidget window;
    window.setStyleSheet(QStringLiteral("QWidget { background: rgb(255, 255, 192); }"));
    QCOMPARE(openAboutBox(&window).corner, QColor(Qt::black));
}

void TestAccessories::fixedWindowsOfferOnlyClose_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QSize>("size");
    QTest::newRow("main window") << QStringLiteral("main") << QSize(386, 423);
    QTest::newRow("update dialog") << QStringLiteral("update") << QSize(359, 422);
    QTest::newRow("about box") << QStringLiteral("about") << QSize(176, 160);
}

// What the window manager is told: a size it cannot change (WM_NORMAL_HINTS
// minimum = maximum) and no button but close.
void TestAccessories::fixedWindowsOfferOnlyClose()
{
    QFETCH(QString, window);
    QFETCH(QSize, size);
    TauxState state;
    UpdateSettings settings;
    std::unique_ptr<QWidget> widget;
    if (window == u"main")
        widget = std::make_unique<MainWindow>(state);
    else if (window == u"update")
        widget = std::make_unique<MajDialog>(settings, QString());
    else
        widget = std::make_unique<AboutBox>();
    widget->winId();
    const QWindow *platform = widget->windowHandle();
    QCOMPARE(platform->minimumSize(), size);
    QCOMPARE(platform->maximumSize(), size);
    QVERIFY(platform->flags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!(platform->flags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
}

void TestAccessories::calculatorStartsOnceThenComesForward()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Stands in for a desktop calculator: notes each start, then stays open.
    const QString program = dir.filePath(QStringLiteral("calculette"));
    const QString log = dir.filePath(QStringLiteral("starts"));
    QVERIFY(writeStandInCalculator(program, 120));

    Calculator calculator({dir.filePath(QStringLiteral("not-installed")), program});
    QCOMPARE(calculator.OpenCalculator(), Calculator::Outcome::Started);
    const qint64 first = calculator.pid();
    QVERIFY(first > 0);
    QTRY_COMPARE(lineCount(log), 1);

    QCOMPARE(calculator.OpenCalculator(), Calculator::Outcome::BroughtForward);
    QCOMPARE(calculator.pid(), first);
    QTest::qWait(200);
    QCOMPARE(lineCount(log), 1);

    // The user closes it: the next click starts a fresh one.
    ::kill(static_cast<pid_t>(first), SIGTERM);
    QTRY_VERIFY(ended(first));
    QCOMPARE(calculator.OpenCalculator(), Calculator::Outcome::Started);
    const qint64 second = calculator.pid();
    QVERIFY(second > 0 && second != first);
    QTRY_COMPARE(lineCount(log), 2);
    ::kill(static_cast<pid_t>(second), SIGTERM);
}

void TestAccessories::noCalculatorInstalledStartsNothing()
{
    QTemporaryDir dir;
    Calculator calculator({dir.filePath(QStringLiteral("none-here")), QString()});
    QCOMPARE(calculator.OpenCalculator(), Calculator::Outcome::NoneStarted);
    QCOMPARE(calculator.pid(), 0);
}

void TestAccessories::calculatorComesToTheFrontOfTheDesktop()
{
    PrivateDesktop desktop;
    if (const QString why = desktop.start(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", desktop.display().toLatin1());

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString standIn = dir.filePath(QStringLiteral("calculette"));
    QVERIFY(writeFile(standIn, "#!/bin/sh\nexec '" +
                                   QFile::encodeName(QCoreApplication::applicationFilePath()) +
                                   "' " + kStandInWindow + "\n"));
    QVERIFY(QFile::setPermissions(standIn, QFile::permissions(standIn) | QFileDevice::ExeOwner));

    // The stand-in names its process on its window.
    Calculator calculator({standIn});
    QCOMPARE(calculator.OpenCalculator(), Calculator::Outcome::Started);
    const qint64 pid = calculator.pid();
    QTRY_COMPARE_WITH_TIMEOUT(desktop.pidOf(desktop.activeWindow()), quint32(pid), 20000);
    const quint32 calculatorWindow = desktop.activeWindow();

    // Another program's window takes the front.
    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kStandInWindow)});
    QVERIFY(other.waitForStarted(10000));
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += other.readAllStandardOutput()).contains("active"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(desktop.pidOf(desktop.activeWindow()), quint32(other.processId()),
                              20000);

    QVERIFY(desktop.bringsForward(calculator, calculatorWindow));

    // A calculator that does not name its process is found by its class.
    const QString xcalc = QStandardPaths::findExecutable(QStringLiteral("xcalc"));
    if (!xcalc.isEmpty()) {
        Calculator classic({xcalc});
        QCOMPARE(classic.OpenCalculator(), Calculator::Outcome::Started);
        QTRY_COMPARE_WITH_TIMEOUT(desktop.classOf(desktop.activeWindow()),
                                  QByteArray("xcalc\0XCalc\0", 12), 20000);
        const quint32 xcalcWindow = desktop.activeWindow();
        QVERIFY(desktop.bringsForward(calculator, calculatorWindow));
        QVERIFY(desktop.bringsForward(classic, xcalcWindow));
        ::kill(static_cast<pid_t>(classic.pid()), SIGTERM);
    }

    ::kill(static_cast<pid_t>(pid), SIGTERM);
    other.terminate();
    other.waitForFinished(10000);
    qputenv("DISPLAY", oldDisplay);
}

void TestAccessories::icons_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    QTest::newRow("print") << ":/icons/print.png" << QSize(32, 32);
    QTest::newRow("copy") << ":/icons/copy.png" << QSize(32, 32);
    QTest::newRow("calculator") << ":/icons/calculator.png" << QSize(20, 20);
    QTest::newRow("tick, used by the update dialog") << ":/icons/tick.png" << QSize(20, 20);
    QTest::newRow("cross, used by the update dialog") << ":/icons/cross.png" << QSize(14, 14);
    QTest::newRow("globe, used by the update dialog") << ":/icons/globe.png" << QSize(29, 29);
    QTest::newRow("window icon") << ":/icons/app.png" << QSize(64, 64);
    QTest::newRow("logo") << ":/icons/logo.png" << QSize(145, 50);
}

void TestAccessories::icons()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QCOMPARE(QPixmap(path).size(), size);
}

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], kStandInWindow) == 0)
        return runStandInWindow(argc, argv);
    QApplication app(argc, argv);
    TestAccessories test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_accessories.moc"
