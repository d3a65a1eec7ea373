#include "modalguard.h"
#include "testfiles.h"
#include "ui/aboutbox.h"
#include "ui/calculator.h"
#include "ui/icons.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

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

} // namespace

class TestAccessories : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void aboutBoxShowsTheSameSixLinesEachTime();
    void aboutBoxStaysBlackUnderAStyledWindow();
    void calculatorStartsOnceThenComesForward();
    void noCalculatorInstalledStartsNothing();
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

QTEST_MAIN(TestAccessories)
#include "tst_accessories.moc"
