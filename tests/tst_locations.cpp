#include "testfiles.h"
#include "update/locations.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(RatesChoice)

namespace {

const QByteArray kOld = "2015\t0.93\t4.29\r\n2014\t0.04\r\n";
const QByteArray kNew = "1S2016\t1.01\t4.54\r\n2015\t0.93\t4.29\r\n2014\t0.04\r\n";
const QByteArray kEdited = "2S2016\t0.93\t4.35\r\n1S2016\t1.01\t4.54\r\n' mine\r\n2015\t0.93\r\n";
const QByteArray kCorrupt = "2016 without a tab\r\n";

} // namespace

class TestLocations : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void settingsPlace_data();
    void settingsPlace();
    void settingsFileOfAnInstalledCopy_data();
    void settingsFileOfAnInstalledCopy();
    void ratesCopyOfThisMachine();
    void ratesChoice_data();
    void ratesChoice();
    void newestMonth_data();
    void newestMonth();
    void commandLineIsTakenWhole_data();
    void commandLineIsTakenWhole();
    void ratesFileOnDisk_data();
    void ratesFileOnDisk();
    void unwritableDataFolderReadsThePackagedCopy();
    void ecbTableBesideTheRates_data();
    void ecbTableBesideTheRates();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousCurrent;
    QString m_cwd, m_user, m_system;
    // The user's configuration folder: on Linux the one XDG_CONFIG_HOME
    // names, inside the test's folder; on Windows the system's AppData one,
    // in Qt's test mode so that the user's own settings stay untouched.
    QString m_config;
};

void TestLocations::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_cwd = m_dir->filePath(QStringLiteral("cwd"));
    m_user = m_dir->filePath(QStringLiteral("home/share"));
    m_system = m_dir->filePath(QStringLiteral("usr/share"));
    QVERIFY(QDir().mkpath(m_cwd));
    QVERIFY(QDir().mkpath(m_system + QStringLiteral("/com.example.tauxlegal")));
    m_previousCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_cwd));
#ifdef Q_OS_WIN
    QStandardPaths::setTestModeEnabled(true);
    m_config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QVERIFY(m_config.endsWith(QStringLiteral("/AppData/Local/qttest")));
    QVERIFY(QDir(m_config + QStringLiteral("/com.example.tauxlegal")).removeRecursively());
#else
    m_config = m_dir->filePath(QStringLiteral("conf"));
#endif
}

void TestLocations::cleanup()
{
    QDir::setCurrent(m_previousCurrent);
    m_dir.reset();
#ifdef Q_OS_WIN
    QDir(m_config + QStringLiteral("/com.example.tauxlegal")).removeRecursively();
#endif
}

void TestLocations::settingsPlace_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("beside");
    QTest::newRow("portable copy with its file stays beside") << false << true << true << true;
    QTest::newRow("build tree without a file starts one beside") << false << false << true << true;
    QTest::newRow("file shipped beside a read-only program is still read")
        << false << true << false << true;
    QTest::newRow("installed program uses the config folder") << true << false << false << false;
    QTest::newRow("root's writable /usr/bin is still an install") << true << false << true << false;
    QTest::newRow("a file left beside an install is not read") << true << true << true << false;
}

void TestLocations::settingsPlace()
{
    QFETCH(bool, installed);
    QFETCH(bool, exists);
    QFETCH(bool, writable);
    QTEST(SettingsBesideExecutable(installed, exists, writable), "beside");
}

void TestLocations::settingsFileOfAnInstalledCopy_data()
{
    QTest::addColumn<QString>("exeDir"); // under the temporary folder
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("made"); // a folder, or a file "*.ini", made beforehand
    QTest::addColumn<bool>("beside");
    QTest::newRow("under the prefix, writable by root")
        << QStringLiteral("inst/bin") << QStringLiteral("inst")
        << QStringLiteral("inst/bin/Querdan.ini") << false;
#ifdef Q_OS_WIN
    const QString dataFolder = QStringLiteral("opt/usr/bin/data/com.example.tauxlegal");
#else
    const QString dataFolder = QStringLiteral("opt/usr/share/com.example.tauxlegal");
#endif
    QTest::newRow("a package unpacked elsewhere finds its data folder")
        << QStringLiteral("opt/usr/bin") << QStringLiteral("/usr") << dataFolder << false;
    QTest::newRow("a folder of its own is portable")
        << QStringLiteral("mine") << QStringLiteral("/usr") << QStringLiteral("-") << true;
    QTest::newRow("a prefix is a whole folder name, not a start of one")
        << QStringLiteral("install/bin") << QStringLiteral("inst") << QStringLiteral("-") << true;
    QTest::newRow("a folder that is not there cannot be written")
        << QStringLiteral("absent/bin") << QStringLiteral("/usr") << QStringLiteral("-") << false;
}

void TestLocations::settingsFileOfAnInstalledCopy()
{
    QFETCH(QString, exeDir);
    QFETCH(QString, prefix);
    QFETCH(QString, made);
    const QString program = m_dir->filePath(exeDir);
    if (!exeDir.startsWith(u"absent"))
        QVERIFY(QDir().mkpath(program));
    if (made.endsWith(u".ini"))
        QVERIFY(writeFile(m_dir->filePath(made), "[FTP]\r\n"));
    else if (made != u"-")
        QVERIFY(QDir().mkpath(m_dir->filePath(made)));
    qputenv("XDG_CONFIG_HOME", m_config.toLocal8Bit());
    const QString ini =
        LocateSettingsFile(program, prefix.startsWith(u'/') ? prefix : m_dir->filePath(prefix));
    qunsetenv("XDG_CONFIG_HOME");
    QFETCH(bool, beside);
    QCOMPARE(ini, beside ? program + QStringLiteral("/Querdan.ini")
                         : m_config + QStringLiteral("/com.example.tauxlegal/Querdan.ini"));
    QVERIFY2(!QFileInfo::exists(m_config + QStringLiteral("/com.example.tauxlegal")),
             "the folder waits for the first save");
    QVERIFY(PrepareSettingsFolder(ini));
    QVERIFY(QFileInfo(QFileInfo(ini).path()).isDir());
}

void TestLocations::ratesCopyOfThisMachine()
{
    // The user's copy lives in the data folder, never the config folder.
#ifdef Q_OS_WIN
    QSKIP("Windows keeps both in the same folder, AppData\\Local");
#endif
    const QString conf = m_dir->filePath(QStringLiteral("conf/com.example.tauxlegal/QUERDAN.TXT"));
    QVERIFY(QDir().mkpath(QFileInfo(conf).path()));
    QVERIFY(writeFile(conf, kOld));
    QVERIFY(writeFile(m_system + QStringLiteral("/com.example.tauxlegal/QUERDAN.TXT"), kNew));
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("conf")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_user.toLocal8Bit());
    qputenv("XDG_DATA_DIRS", m_system.toLocal8Bit());
    const QString found = LocateRatesFile(QString(), QDate(2016, 3, 1));
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
        qunsetenv(name);
    QCOMPARE(found, m_user + QStringLiteral("/com.example.tauxlegal/QUERDAN.TXT"));
    QCOMPARE(readFile(found), kNew);
    QCOMPARE(readFile(conf), kOld);
}

void TestLocations::ratesChoice_data()
{
    QTest::addColumn<bool>("inCurrent");
    QTest::addColumn<bool>("user");
    QTest::addColumn<QDate>("userNewest");
    QTest::addColumn<bool>("packaged");
    QTest::addColumn<QDate>("packagedNewest");
    QTest::addColumn<RatesChoice>("choice");

    const QDate none;
    const QDate dec2025(2025, 12, 1), jun2026(2026, 6, 1);
    QTest::newRow("current folder wins over every copy")
        << true << true << jun2026 << true << jun2026 << RatesChoice::CurrentFolder;
    QTest::newRow("first start seeds the user copy")
        << false << false << none << true << jun2026 << RatesChoice::SeedUserCopy;
    QTest::newRow("newer package replaces an older user copy")
        << false << true << dec2025 << true << jun2026 << RatesChoice::ReplaceUserCopy;
    QTest::newRow("same newest month keeps the user copy")
        << false << true << jun2026 << true << jun2026 << RatesChoice::UserCopy;
    QTest::newRow("downloaded copy newer than the package is kept")
        << false << true << jun2026 << true << dec2025 << RatesChoice::UserCopy;
    QTest::newRow("user copy without a package")
        << false << true << dec2025 << false << none << RatesChoice::UserCopy;
    QTest::newRow("corrupt user copy is left for its owner to mend")
        << false << true << none << true << jun2026 << RatesChoice::UserCopy;
    QTest::newRow("corrupt package never replaces a good copy")
        << false << true << dec2025 << true << none << RatesChoice::UserCopy;
    QTest::newRow("corrupt package is read in place, not copied")
        << false << false << none << true << none << RatesChoice::PackagedCopy;
    QTest::newRow("nothing anywhere")
        << false << false << none << false << none << RatesChoice::None;
}

void TestLocations::ratesChoice()
{
    RatesFiles files;
    QFETCH(bool, inCurrent);
    QFETCH(bool, user);
    QFETCH(QDate, userNewest);
    QFETCH(bool, packaged);
    QFETCH(QDate, packagedNewest);
    files.inCurrentFolder = inCurrent;
    files.userCopyExists = user;
    files.userNewest = userNewest;
    files.packagedExists = packaged;
    files.packagedNewest = packagedNewest;
    QTEST(ChooseRatesFile(files), "choice");
}

void TestLocations::newestMonth_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QDate>("newest");
    QTest::newRow("whole year ends in December") << kOld << QDate(2015, 12, 1);
    QTest::newRow("first half ends in June") << kNew << QDate(2016, 6, 1);
    QTest::newRow("second half after a comment line")
        << QByteArray("' note\r\n2S2025\t3.16\r\n") << QDate(2025, 12, 1);
    QTest::newRow("corrupt file has none") << kCorrupt << QDate();
    QTest::newRow("only comments has none") << QByteArray("' nothing\r\n") << QDate();
    QTest::newRow("empty file has none") << QByteArray() << QDate();
}

void TestLocations::newestMonth()
{
    QFETCH(QByteArray, bytes);
    QTEST(NewestMonth(bytes), "newest");
}

void TestLocations::commandLineIsTakenWhole_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("path");
    QTest::newRow("folder with its separator") << "/srv/taux/"
                                               << "/srv/taux/QUERDAN.TXT";
    QTest::newRow("no separator glues the name on") << "/srv/taux"
                                                    << "/srv/tauxQUERDAN.TXT";
    QTest::newRow("blanks are part of the folder") << "/srv/a b/"
                                                   << "/srv/a b/QUERDAN.TXT";
}

void TestLocations::commandLineIsTakenWhole()
{
    // Every copy exists; the command line still decides alone.
    QVERIFY(writeFile(m_cwd + QStringLiteral("/QUERDAN.TXT"), kOld));
    QVERIFY(writeFile(m_system + QStringLiteral("/com.example.tauxlegal/QUERDAN.TXT"), kNew));
    QFETCH(QString, commandLine);
    QTEST(LocateRatesFile(commandLine, m_user, {m_user, m_system}, QDate(2016, 3, 1)), "path");
    QVERIFY(!QFileInfo::exists(m_user + QStringLiteral("/com.example.tauxlegal")));
}

void TestLocations::ratesFileOnDisk_data()
{
    QTest::addColumn<QByteArray>("current"); // "<none>" for no file
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("packaged");
    QTest::addColumn<QString>("path"); // relative to the temporary folder
    QTest::addColumn<QByteArray>("userAfter");
    QTest::addColumn<QString>("said"); // on 1 March 2016

    const QByteArray none = "<missing>";
    const QString userPath = QStringLiteral("home/share/com.example.tauxlegal/QUERDAN.TXT");
    QTest::newRow("first start copies the packaged file")
        << none << none << kNew << userPath << kNew << QString();
    QTest::newRow("package upgrade brings the new half-year")
        << none << kOld << kNew << userPath << kNew << QString();
    QTest::newRow("edited copy survives the next start")
        << none << kEdited << kNew << userPath << kEdited << QString();
    QTest::newRow("a package that changes a month of the user's copy leaves it")
        << none << kOld << QByteArray(kNew).replace("0.93", "0.95") << userPath << kOld
        << QStringLiteral("Taux légal : la copie des taux du paquet change décembre 2015 (0,95 % "
                          "et 4,29 % au lieu de 0,93 % et 4,29 %), que votre fichier a déjà : elle "
                          "ne remplace pas la vôtre.");
    // On 1 March 2016 a file may reach December 2016, and no further.
    const QByteArray december = "2S2016\t0.93\t4.35\r\n" + kNew;
    QTest::newRow("a package reaching the next half-year replaces the user's copy")
        << none << kOld << december << userPath << december << QString();
    QTest::newRow("a package past the next half-year leaves it")
        << none << kOld << "1S2017\t0.90\t4.16\r\n" + december << userPath << kOld
        << QStringLiteral("Taux légal : la copie des taux du paquet ne remplace pas la vôtre : le "
                          "1er semestre 2017 commence après le 2e semestre 2016, le semestre qui "
                          "suit celui d'aujourd'hui (01/03/2016) : aucun taux n'est fixé si tôt.");
    QTest::newRow("older package does not undo a download")
        << none << kNew << kOld << userPath << kNew << QString();
    QTest::newRow("current folder file leaves the user copy alone")
        << kOld << none << kNew << QStringLiteral("QUERDAN.TXT") << none << QString();
    QTest::newRow("corrupt package stays where it is")
        << none << none << kCorrupt << QStringLiteral("usr/share/com.example.tauxlegal/QUERDAN.TXT")
        << none << QString();
    // A packaged copy is read whole up to 1 MiB, and no further.
    const QByteArray mebibyte = kNew + "'" + QByteArray(1048576 - kNew.size() - 1, 'x');
    QTest::newRow("a packaged copy of 1 MiB is read")
        << none << none << mebibyte << userPath << mebibyte << QString();
    QTest::newRow("a packaged copy beyond 1 MiB is not")
        << none << none << mebibyte + "x"
        << QStringLiteral("usr/share/com.example.tauxlegal/QUERDAN.TXT") << none << QString();
    QTest::newRow("nothing names the plain file")
        << none << none << none << QStringLiteral("QUERDAN.TXT") << none << QString();
}

void TestLocations::ratesFileOnDisk()
{
    QFETCH(QByteArray, current);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, packaged);
    QFETCH(QString, path);
    QFETCH(QByteArray, userAfter);
    QFETCH(QString, said);
    const QString userFile = m_user + QStringLiteral("/com.example.tauxlegal/QUERDAN.TXT");
    if (current != "<missing>")
        QVERIFY(writeFile(m_cwd + QStringLiteral("/QUERDAN.TXT"), current));
    if (user != "<missing>") {
        QVERIFY(QDir().mkpath(QFileInfo(userFile).path()));
        QVERIFY(writeFile(userFile, user));
    }
    if (packaged != "<missing>")
        QVERIFY(
            writeFile(m_system + QStringLiteral("/com.example.tauxlegal/QUERDAN.TXT"), packaged));

    QString refusal;
    const QString found =
        LocateRatesFile(QString(), m_user, {m_user, m_system}, QDate(2016, 3, 1), &refusal);
    QCOMPARE(found, path == u"QUERDAN.TXT" ? path : m_dir->filePath(path));
    QCOMPARE(readFile(userFile), userAfter);
    QCOMPARE(refusal, said);
    QCOMPARE(QDir(QFileInfo(userFile).path()).entryList(QDir::Files | QDir::Hidden),
             userAfter == "<missing>" ? QStringList() : QStringList{"QUERDAN.TXT"});
}

void TestLocations::unwritableDataFolderReadsThePackagedCopy()
{
    // A file where the data folder should be stops the copy for any user.
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("home")), "not a folder"));
    const QString packaged = m_system + QStringLiteral("/com.example.tauxlegal/QUERDAN.TXT");
    QVERIFY(writeFile(packaged, kNew));
    QCOMPARE(LocateRatesFile(QString(), m_user, {m_user, m_system}, QDate(2016, 3, 1)), packaged);
    QCOMPARE(readFile(packaged), kNew);
}

// The ECB's table beside the rates file: the user's copy seeded from the
// package, replaced only by one that keeps its changes and knows more, and
// never written anywhere but the user's own folder.
void TestLocations::ecbTableBesideTheRates_data()
{
    QTest::addColumn<QString>("rates");     // "user" or "elsewhere"
    QTest::addColumn<QByteArray>("beside"); // what lies beside the rates file; empty for nothing
    QTest::addColumn<QByteArray>("packaged");
    QTest::addColumn<QString>("found");    // "beside" or "packaged"
    QTest::addColumn<QByteArray>("after"); // beside the rates once located

    const QByteArray older = "confirme-jusqu-au\t2025-07-01\n2025-06-11\t2.15\n";
    const QByteArray newer = "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n";
    const QByteArray other = "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.40\n";
    QTest::newRow("seeds the user's copy") << "user" << QByteArray() << newer << "beside" << newer;
    QTest::newRow("a newer packaged copy replaces it")
        << "user" << older << newer << "beside" << newer;
    QTest::newRow("one that changes a rate does not")
        << "user" << older << other << "beside" << older;
    QTest::newRow("nor one confirmed no later") << "user" << newer << older << "beside" << newer;
    QTest::newRow("a broken packaged copy leaves it")
        << "user" << older << QByteArray("x") << "beside" << older;
    QTest::newRow("a folder of the user's choosing is read, not written")
        << "elsewhere" << QByteArray() << newer << "packaged" << QByteArray();
    QTest::newRow("its own table first") << "elsewhere" << older << newer << "beside" << older;
}

void TestLocations::ecbTableBesideTheRates()
{
    QFETCH(QString, rates);
    QFETCH(QByteArray, beside);
    QFETCH(QByteArray, packaged);
    QFETCH(QString, found);
    QFETCH(QByteArray, after);
    const QString folder = rates == u"user" ? m_user + QStringLiteral("/com.example.tauxlegal")
                                            : m_dir->filePath(QStringLiteral("ailleurs"));
    QVERIFY(QDir().mkpath(folder));
    const QString besidePath = folder + QStringLiteral("/TAUXBCE.TXT");
    const QString packagedPath = m_system + QStringLiteral("/com.example.tauxlegal/TAUXBCE.TXT");
    if (!beside.isEmpty())
        QVERIFY(writeFile(besidePath, beside));
    QVERIFY(writeFile(packagedPath, packaged));
    const QString path =
        LocateEcbFile(folder + QStringLiteral("/QUERDAN.TXT"), m_user, {m_user, m_system});
    QCOMPARE(path, found == u"beside" ? besidePath : packagedPath);
    if (after.isEmpty())
        QVERIFY(!QFileInfo::exists(besidePath));
    else
        QCOMPARE(readFile(besidePath), after);
    QCOMPARE(readFile(packagedPath), packaged);
}

QTEST_GUILESS_MAIN(TestLocations)
#include "tst_locations.moc"
