// The Debian package as a user gets it: unpacked into a temporary root and
// started on a headless X server with a home folder of its own, driven by
// real mouse clicks from xdotool. Without a package or the tools it needs,
// the test reports itself skipped to ctest (exit code 77), or fails when
// TAUX_REQUIRE_PACKAGE is set, as scripts/test.sh does after building it.
#include "files/modules.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QMultiMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const QString kId = QStringLiteral("com.example.tauxlegal");
const QString kMainTitle = QStringLiteral("Taux légal");
const QString kDialogTitle = QStringLiteral("Mise à jour des taux légaux");
// An unprivileged account for the program when the tests run as root, for
// whom no folder is ever read only.
const char kNobody[] = "65534";

// Window-relative centres of the controls the tests click, in pixels.
const QPoint kUpdateButton(150, 410); // "Mise à jour" of the main window
const QPoint kConnectionBox(20, 176); // "Test automatique de la connexion"
const QPoint kOkButton(56, 404);      // "&Ok" of the update dialog

// Older than the packaged file (its newest month is June 2026).
const QByteArray kOlder = "2S2025\t2.76\t6.65\r\n1S2025\t3.71\t7.21\r\n";

const int kSkipped = 77;

// The newest package built, or an empty string.
QString packageFile()
{
    const QStringList debs =
        QDir(QStringLiteral(PACKAGE_DIR))
            .entryList({QStringLiteral("taux-legal_*.deb")}, QDir::Files, QDir::Time);
    return debs.isEmpty() ? QString() : QStringLiteral(PACKAGE_DIR "/") + debs.first();
}

// Why the test cannot run here, or an empty string.
QString missingPrerequisite()
{
    if (packageFile().isEmpty())
        return QStringLiteral("no package built: scripts/package.sh builds it");
    for (const char *tool : {"dpkg-deb", "Xvfb", "xdotool"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return QStringLiteral("%1 is missing: scripts/setup.sh installs it")
                .arg(QLatin1String(tool));
    }
    return {};
}

QByteArray runTool(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000))
        p.kill();
    return p.readAllStandardOutput();
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void firstStartSeedsTheUserCopy();
    void okSavesInTheConfigFolder();
    void userCopyAtStart_data();
    void userCopyAtStart();
    void unwritableConfigFolder_data();
    void unwritableConfigFolder();
    void modulesLoadFromThePackage_data();
    void modulesLoadFromThePackage();
    void declaresWhatItNeeds_data();
    void declaresWhatItNeeds();

private:
    bool startProgram();
    void stopProgram();
    QMultiMap<QString, QString> windows() const;
    bool waitForWindows(const QStringList &names);
    void clickIn(const QString &title, QPoint at);
    void pressOkInUpdateDialog();
    void giveToProgram(const QString &path);
    QString userRates() const { return m_home + QStringLiteral("/data/") + kId + "/QUERDAN.TXT"; }
    QString packagedRates() const
    {
        return m_root + QStringLiteral("/usr/share/") + kId + "/QUERDAN.TXT";
    }
    QString configDir() const { return m_home + QStringLiteral("/config/") + kId; }

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root;    // the unpacked package
    QString m_home;    // this test's home folder
    QString m_display; // ":N" of the X server
    QProcess m_xvfb;
    QProcess m_program;
    QProcessEnvironment m_toolEnv;
    bool m_asNobody = false;
};

void TestPackage::initTestCase()
{
    m_asNobody = ::geteuid() == 0;

    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    // The program may run as another user, who must reach its files.
    QVERIFY(QFile::setPermissions(m_tmp->path(), QFile::permissions(m_tmp->path()) |
                                                     QFile::ExeOther | QFile::ReadOther));
    m_root = m_tmp->filePath(QStringLiteral("root"));
    QCOMPARE(QProcess::execute(QStringLiteral("dpkg-deb"),
                               {QStringLiteral("-x"), packageFile(), m_root}),
             0);
    QVERIFY(QFile::exists(m_root + QStringLiteral("/usr/bin/taux-legal")));
    // As installed: nobody but root writes beside the program.
    QVERIFY(QFile::setPermissions(m_root + QStringLiteral("/usr/bin"),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));

    // -displayfd 1: the server picks a free display and writes its number;
    // -noreset: a program that ends must not reset it under the next one.
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1280x1024x24")});
    QVERIFY(m_xvfb.waitForStarted());
    QVERIFY(QTest::qWaitFor([this] { return m_xvfb.canReadLine(); }, 30000));
    m_display = u':' + QString::fromLatin1(m_xvfb.readLine().trimmed());
    m_toolEnv = QProcessEnvironment::systemEnvironment();
    m_toolEnv.insert(QStringLiteral("DISPLAY"), m_display);
}

void TestPackage::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }
    if (!m_root.isEmpty())
        QFile::setPermissions(m_root + QStringLiteral("/usr/bin"),
                              QFile::permissions(m_root + QStringLiteral("/usr/bin")) |
                                  QFile::WriteOwner);
}

void TestPackage::init()
{
    m_home = m_tmp->filePath(QStringLiteral("home"));
    QVERIFY(QDir(m_home).removeRecursively());
    for (const char *sub : {"cwd", "config", "data", "runtime"})
        QVERIFY(QDir().mkpath(m_home + u'/' + QLatin1String(sub)));
    QVERIFY(QFile::setPermissions(m_home + QStringLiteral("/runtime"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestPackage::cleanup()
{
    stopProgram();
    // Read-only folders left by a test must not stop the next one's clean-up.
    QProcess::execute(QStringLiteral("chmod"),
                      {QStringLiteral("-R"), QStringLiteral("u+w"), m_home});
}

void TestPackage::giveToProgram(const QString &path)
{
    if (m_asNobody)
        QCOMPARE(
            QProcess::execute(QStringLiteral("chown"),
                              {QStringLiteral("-R"), QStringLiteral("%1:%1").arg(kNobody), path}),
            0);
}

bool TestPackage::startProgram()
{
    giveToProgram(m_home);
    if (QTest::currentTestFailed())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_DATA_DIRS"),
               m_root + QStringLiteral("/usr/share:/usr/local/share:/usr/share"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_program.setProcessEnvironment(env);
    m_program.setWorkingDirectory(m_home + QStringLiteral("/cwd"));
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString program = m_root + QStringLiteral("/usr/bin/taux-legal");
    if (m_asNobody)
        m_program.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=%1").arg(kNobody),
                                                    QStringLiteral("--regid=%1").arg(kNobody),
                                                    QStringLiteral("--clear-groups"), program});
    else
        m_program.start(program, {});
    return m_program.waitForStarted() && waitForWindows({kMainTitle});
}

void TestPackage::stopProgram()
{
    if (m_program.state() == QProcess::NotRunning)
        return;
    m_program.terminate();
    if (!m_program.waitForFinished(10000)) {
        m_program.kill();
        m_program.waitForFinished();
    }
}

// The visible windows' ids by name. Names are compared here, not by
// xdotool's --name pattern, which matches the legacy WM_NAME in the locale's
// encoding: under POSIX the program writes it in UTF-8 and "Taux légal"
// matches nothing.
QMultiMap<QString, QString> TestPackage::windows() const
{
    QMultiMap<QString, QString> byName;
    const QList<QByteArray> ids =
        runTool(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), QStringLiteral(".")},
                m_toolEnv)
            .split('\n');
    for (const QByteArray &id : ids) {
        if (!id.isEmpty())
            byName.insert(
                QString::fromUtf8(
                    runTool(QStringLiteral("xdotool"),
                            {QStringLiteral("getwindowname"), QString::fromLatin1(id)}, m_toolEnv)
                        .trimmed()),
                QString::fromLatin1(id));
    }
    return byName;
}

// Waits until exactly these windows are shown, or the program has ended;
// any other window (a message box) fails.
bool TestPackage::waitForWindows(const QStringList &names)
{
    QStringList shown;
    const bool reached = QTest::qWaitFor(
        [&] {
            shown = windows().keys(); // sorted
            return shown == names || m_program.state() == QProcess::NotRunning;
        },
        60000);
    if (!reached || shown != names) {
        qWarning() << "windows shown:" << shown << "expected:" << names;
        return false;
    }
    return m_program.state() == QProcess::Running;
}

void TestPackage::clickIn(const QString &title, QPoint at)
{
    const QString id = windows().value(title);
    QVERIFY2(!id.isEmpty(), qPrintable(title));
    runTool(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(at.x()),
             QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")},
            m_toolEnv);
}

// Opens the update dialog, switches the connection test off and presses Ok.
void TestPackage::pressOkInUpdateDialog()
{
    clickIn(kMainTitle, kUpdateButton);
    QVERIFY(waitForWindows({kDialogTitle, kMainTitle}));
    clickIn(kDialogTitle, kConnectionBox);
    clickIn(kDialogTitle, kOkButton);
    QVERIFY(waitForWindows({kMainTitle}));
}

void TestPackage::firstStartSeedsTheUserCopy()
{
    QVERIFY(startProgram());
    QCOMPARE(readFile(userRates()), readFile(packagedRates()));
    QVERIFY2(!QFile::exists(m_home + QStringLiteral("/cwd/QUERDAN.TXT")),
             "nothing is written in the current folder");
}

void TestPackage::okSavesInTheConfigFolder()
{
    QVERIFY(startProgram());
    pressOkInUpdateDialog();
    const QString ini = configDir() + QStringLiteral("/Querdan.ini");
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(ini); }, 30000));
    const QByteArray saved = readFile(ini);
    QVERIFY2(saved.contains("[FTP]") && saved.contains("CHECKCONNECTION=0") &&
                 saved.contains("CHECKMAJ=0") &&
                 saved.contains("ADRESS=https://lecomarquage.service-public.gouv.fr/vdd/3.5/"
                                "part/xml/F20688.xml"),
             saved.constData());
    QVERIFY(!QFile::exists(m_root + QStringLiteral("/usr/bin/Querdan.ini")));
}

void TestPackage::userCopyAtStart_data()
{
    const QByteArray packaged = readFile(packagedRates());
    QByteArray edited = packaged;
    edited.replace("1S2026\t2.62\t6.67", "1S2026\t2.60\t6.70");
    QVERIFY(edited != packaged);
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("edited copy of the same half-year survives") << edited << edited;
    QTest::newRow("older copy is replaced by the package") << kOlder << packaged;
    const QByteArray newer = "2S2026\t3.00\t7.00\r\n" + packaged;
    QTest::newRow("downloaded newer copy is kept") << newer << newer;
}

void TestPackage::userCopyAtStart()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QVERIFY(QDir().mkpath(QFileInfo(userRates()).path()));
    QVERIFY(writeFile(userRates(), before));
    QVERIFY(startProgram());
    QCOMPARE(readFile(userRates()), after);
}

void TestPackage::unwritableConfigFolder_data()
{
    QTest::addColumn<bool>("withFile");
    QTest::newRow("read-only folder keeps its settings file") << true;
    QTest::newRow("config home that cannot take the folder") << false;
}

void TestPackage::unwritableConfigFolder()
{
    QFETCH(bool, withFile);
    const QByteArray settings = "[FTP]\r\nADRESS=http://127.0.0.1:9/t/QUERDAN.TXT\r\n"
                                "CHECKCONNECTION=1\r\nCHECKMAJ=0\r\n";
    QString readOnly = m_home + QStringLiteral("/config");
    if (withFile) {
        QVERIFY(QDir().mkpath(configDir()));
        QVERIFY(writeFile(configDir() + QStringLiteral("/Querdan.ini"), settings));
        readOnly = configDir();
    }
    giveToProgram(m_home);
    QCOMPARE(QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("a-w"), readOnly}), 0);

    QVERIFY(startProgram());
    pressOkInUpdateDialog(); // no message box: waitForWindows would fail on one
    QCOMPARE(readFile(configDir() + QStringLiteral("/Querdan.ini")),
             withFile ? settings : QByteArray("<missing>"));
    QCOMPARE(QDir(m_home + QStringLiteral("/config"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             withFile ? QStringList{kId} : QStringList());
    if (withFile)
        QCOMPARE(
            QDir(configDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("Querdan.ini")});
    QCOMPARE(readFile(userRates()), readFile(packagedRates()));
}

// Downloads, printing and the command line's PDF go through modules loaded
// from the package's own folder.
void TestPackage::modulesLoadFromThePackage_data()
{
    QTest::addColumn<QString>("module");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<int>("version");
    QTest::newRow("network") << "tauxnetwork" << QByteArray("taux_network_functions") << 3;
    QTest::newRow("printing") << "tauxprint" << QByteArray("taux_print_functions") << 2;
    QTest::newRow("the command line's PDF") << "tauxpdf" << QByteArray("taux_pdf_functions") << 2;
}

void TestPackage::modulesLoadFromThePackage()
{
    QFETCH(QString, module);
    QFETCH(QByteArray, entry);
    QFETCH(int, version);
    QVERIFY(
        QFile::exists(m_root + QStringLiteral("/usr/lib/taux-legal/modules/lib%1.so").arg(module)));
    QString error;
    const ModuleEntry function =
        ResolveModuleEntry(m_root + QStringLiteral("/usr/bin"), module, entry.constData(), &error);
    QVERIFY2(function, qPrintable(error));
    // Each module's table starts with its version.
    QCOMPARE(*static_cast<const int *>(function()), version);
}

// What the package brings along: without it some part of the program
// cannot work on a bare system.
void TestPackage::declaresWhatItNeeds_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("package");
    QTest::newRow("certificates for https updates") << "Recommends"
                                                    << "ca-certificates";
    QTest::newRow("zlib for compressed answers") << "Depends"
                                                 << "zlib1g";
    QTest::newRow("the layout's font") << "Depends"
                                       << "fonts-liberation2";
}

void TestPackage::declaresWhatItNeeds()
{
    QFETCH(QString, field);
    QFETCH(QString, package);
    const QString value = QString::fromUtf8(runTool(QStringLiteral("dpkg-deb"),
                                                    {QStringLiteral("-f"), packageFile(), field},
                                                    QProcessEnvironment::systemEnvironment()));
    QStringList names;
    for (const QString &entry : value.split(u','))
        names << entry.trimmed().section(u' ', 0, 0);
    QVERIFY2(names.contains(package), qPrintable(value));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString missing = missingPrerequisite();
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "Skipped: %s\n", qPrintable(missing));
        return qEnvironmentVariableIsSet("TAUX_REQUIRE_PACKAGE") ? 1 : kSkipped;
    }
    TestPackage test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_package.moc"
