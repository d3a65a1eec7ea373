#include "testfiles.h"
#include "update/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void defaultsWithoutFile();
    void flagSenses_data();
    void flagSenses();
    void addressRead_data();
    void addressRead();
    void ecbMirror();
    void roundTrip_data();
    void roundTrip();
    void saveKeepsTheRest_data();
    void saveKeepsTheRest();
    void addressWrittenInWindows1252_data();
    void addressWrittenInWindows1252();
    void sixteenBitFileLeftAlone();
    void saveReplacesTheFileWhole();
    void lineBreakInAddressStaysOneLine();
    void failedWriteIsReported();
    void notASettingsFile_data();
    void notASettingsFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void TestSettings::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void TestSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ini = SettingsFilePath(m_dir->path());
    QCOMPARE(m_ini, m_dir->path() + QStringLiteral("/Querdan.ini"));
}

void TestSettings::defaultsWithoutFile()
{
    const UpdateSettings s = LoadUpdateSettings(m_ini);
    QCOMPARE(s.address, QStringLiteral("https://lecomarquage.service-public.gouv.fr/vdd/3.5/part/"
                                       "xml/F20688.xml"));
    QCOMPARE(s.testConnection, true);
    QCOMPARE(s.autoUpdate, false);
    QCOMPARE(s.ecbAddress,
             QStringLiteral("https://data-api.ecb.europa.eu/service/data/FM/"
                            "B.U2.EUR.4F.KR.MRR_FR.LEV?format=csvdata&detail=dataonly"));
    QVERIFY(!QFile::exists(m_ini));
}

void TestSettings::flagSenses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("testConnection");
    QTest::addColumn<bool>("autoUpdate");

    QTest::newRow("both 1") << QByteArray("[FTP]\r\nCHECKCONNECTION=1\r\nCHECKMAJ=1\r\n") << true
                            << true;
    QTest::newRow("both 0") << QByteArray("[FTP]\r\nCHECKCONNECTION=0\r\nCHECKMAJ=0\r\n") << false
                            << false;
    QTest::newRow("empty values: test on, update off")
        << QByteArray("[FTP]\r\nCHECKCONNECTION=\r\nCHECKMAJ=\r\n") << true << false;
    QTest::newRow("any other text: test on, update off")
        << QByteArray("[FTP]\r\nCHECKCONNECTION=non\r\nCHECKMAJ=oui\r\n") << true << false;
    QTest::newRow("01 is not 1, 00 is not 0")
        << QByteArray("[FTP]\r\nCHECKCONNECTION=00\r\nCHECKMAJ=01\r\n") << true << false;
    QTest::newRow("keys in another section are not read")
        << QByteArray("[Autre]\r\nCHECKCONNECTION=0\r\nCHECKMAJ=1\r\n") << true << false;
    QTest::newRow("commented-out keys are not read")
        << QByteArray("[FTP]\r\n;CHECKCONNECTION=0\r\n;CHECKMAJ=1\r\n") << true << false;
    QTest::newRow("names match whatever their case")
        << QByteArray("[ftp]\r\ncheckconnection=0\r\nCheckMaj=1\r\n") << false << true;
    QTest::newRow("blanks around names and values")
        << QByteArray("  [ FTP ]\r\n CHECKCONNECTION = 0 \r\nCHECKMAJ =1\r\n") << false << true;
    QTest::newRow("LF line ends") << QByteArray("[FTP]\nCHECKCONNECTION=0\nCHECKMAJ=1") << false
                                  << true;
    QTest::newRow("first of two sections wins")
        << QByteArray("[FTP]\r\nCHECKMAJ=1\r\n[FTP]\r\nCHECKMAJ=0\r\n") << true << true;
}

void TestSettings::flagSenses()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, testConnection);
    QFETCH(bool, autoUpdate);
    QVERIFY(writeFile(m_ini, file));
    const UpdateSettings s = LoadUpdateSettings(m_ini);
    QCOMPARE(s.testConnection, testConnection);
    QCOMPARE(s.autoUpdate, autoUpdate);
}

void TestSettings::addressRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("address");

    const QByteArray longAddress = "http://" + QByteArray(1193, 'a');
    QCOMPARE(longAddress.size(), 1200);
    QTest::newRow("1200 characters read as 999")
        << QByteArray("[FTP]\r\nADRESS=" + longAddress + "\r\n")
        << QString::fromLatin1(longAddress.left(999));
    QTest::newRow("empty value gives the default")
        << QByteArray("[FTP]\r\nADRESS=\r\n") << DefaultAddress();
    QTest::newRow("blank value gives the default")
        << QByteArray("[FTP]\r\nADRESS=   \r\n") << DefaultAddress();
    QTest::newRow("equals sign inside the value")
        << QByteArray("[FTP]\r\nADRESS=http://h/t?a=b\r\n") << QStringLiteral("http://h/t?a=b");
    QTest::newRow("Windows-1252 text")
        << QByteArray("[FTP]\r\nADRESS=http://h\xF4te/\xE9\r\n") << QStringLiteral("http://hôte/é");
    QTest::newRow("Windows-1252 between 0x80 and 0x9F")
        << QByteArray("[FTP]\r\nADRESS=http://h/\x80\x9C\r\n") << QStringLiteral("http://h/€œ");
    QTest::newRow("a BOM before the section")
        << QByteArray("\xEF\xBB\xBF[FTP]\r\nADRESS=http://h/b\r\n") << QStringLiteral("http://h/b");
    QTest::newRow("a 16-bit file reads as no file")
        << QByteArray("\xFF\xFE[\0F\0T\0P\0]\0\r\0\n\0A\0=\0x\0", 22) << DefaultAddress();
}

void TestSettings::addressRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, address);
    QVERIFY(writeFile(m_ini, file));
    QCOMPARE(LoadUpdateSettings(m_ini).address, address);
}

// An administrator's mirror of the ECB's series, in the same section: read,
// and kept as it is when the dialog saves.
void TestSettings::ecbMirror()
{
    const QByteArray file = "[FTP]\r\nADRESSEBCE= http://miroir/bce \r\n";
    QVERIFY(writeFile(m_ini, file));
    QCOMPARE(LoadUpdateSettings(m_ini).ecbAddress, QStringLiteral("http://miroir/bce"));
    QVERIFY(SaveUpdateSettings(LoadUpdateSettings(m_ini), m_ini));
    QCOMPARE(readFile(m_ini), file + "ADRESS=" + DefaultAddress().toLatin1() +
                                  "\r\nCHECKCONNECTION=1\r\nCHECKMAJ=0\r\n");
    QVERIFY(writeFile(m_ini, "[FTP]\r\nADRESSEBCE=\r\n"));
    QCOMPARE(LoadUpdateSettings(m_ini).ecbAddress, DefaultEcbAddress());
}

void TestSettings::roundTrip_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("testConnection");
    QTest::addColumn<bool>("autoUpdate");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("all on") << QStringLiteral("http://a/b") << true << true
                            << QStringLiteral("http://a/b");
    QTest::newRow("all off") << QStringLiteral("https://x.test/QUERDAN.TXT") << false << false
                             << QStringLiteral("https://x.test/QUERDAN.TXT");
    QTest::newRow("emptied address comes back as the default")
        << QString() << false << true << DefaultAddress();
}

void TestSettings::roundTrip()
{
    QFETCH(QString, address);
    QFETCH(bool, testConnection);
    QFETCH(bool, autoUpdate);
    QFETCH(QString, readBack);

    QVERIFY(SaveUpdateSettings({address, testConnection, autoUpdate}, m_ini));
    const UpdateSettings s = LoadUpdateSettings(m_ini);
    QCOMPARE(s.address, readBack);
    QCOMPARE(s.testConnection, testConnection);
    QCOMPARE(s.autoUpdate, autoUpdate);
    // Saving what was read leaves the file as it is.
    const QByteArray first = readFile(m_ini);
    QCOMPARE(ReadIniValue(QStringLiteral("FTP"), QStringLiteral("ADRESS"), m_ini), address);
    QVERIFY(SaveUpdateSettings({address, testConnection, autoUpdate}, m_ini));
    QCOMPARE(readFile(m_ini), first);
}

void TestSettings::saveKeepsTheRest_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("no file: one section")
        << QByteArray()
        << QByteArray("[FTP]\r\nADRESS=http://n\r\nCHECKCONNECTION=0\r\nCHECKMAJ=1\r\n");
    QTest::newRow("values replaced in place, the rest kept")
        << QByteArray("; réglages\r\n[Avant]\r\nK=v\r\n\r\n[FTP]\r\n; adresse\r\n"
                      "ADRESS = http://old\r\nAUTRE=garde\r\nCHECKMAJ=0\r\nCHECKCONNECTION=1\r\n"
                      "\r\n[Apres]\r\nZ=9\r\n; fin\r\n")
        << QByteArray("; réglages\r\n[Avant]\r\nK=v\r\n\r\n[FTP]\r\n; adresse\r\n"
                      "ADRESS =http://n\r\nAUTRE=garde\r\nCHECKMAJ=1\r\nCHECKCONNECTION=0\r\n"
                      "\r\n[Apres]\r\nZ=9\r\n; fin\r\n");
    QTest::newRow("missing keys go at the end of the section")
        << QByteArray("[FTP]\r\nAUTRE=1\r\n\r\n[Apres]\r\nZ=9\r\n")
        << QByteArray("[FTP]\r\nAUTRE=1\r\nADRESS=http://n\r\nCHECKCONNECTION=0\r\nCHECKMAJ=1\r\n"
                      "\r\n[Apres]\r\nZ=9\r\n");
    QTest::newRow("no section: appended after the rest")
        << QByteArray("[Autre]\r\nA=1")
        << QByteArray("[Autre]\r\nA=1\r\n\r\n[FTP]\r\nADRESS=http://n\r\nCHECKCONNECTION=0\r\n"
                      "CHECKMAJ=1");
    QTest::newRow("a BOM kept")
        << QByteArray("\xEF\xBB\xBF[FTP]\r\nADRESS=http://old\r\n")
        << QByteArray("\xEF\xBB\xBF[FTP]\r\nADRESS=http://n\r\nCHECKCONNECTION=0\r\n"
                      "CHECKMAJ=1\r\n");
    QTest::newRow("Windows-1252 comments and another program's section kept")
        << QByteArray("; r\xE9glages \x80\r\n[Autre]\r\nNom=Fran\xE7ois \x9C\r\n\r\n"
                      "[FTP]\r\n; l'adresse du fichier \xE0 t\xE9l\xE9"
                      "charger\r\nCHECKMAJ=0\r\n")
        << QByteArray("; r\xE9glages \x80\r\n[Autre]\r\nNom=Fran\xE7ois \x9C\r\n\r\n"
                      "[FTP]\r\n; l'adresse du fichier \xE0 t\xE9l\xE9"
                      "charger\r\nCHECKMAJ=1\r\n"
                      "ADRESS=http://n\r\nCHECKCONNECTION=0\r\n");
    QTest::newRow("each line keeps its own line end")
        << QByteArray("[A]\nX=1\r\n\r\n[FTP]\nCHECKMAJ=0\r\n\n[B]\r\n")
        << QByteArray("[A]\nX=1\r\n\r\n[FTP]\nCHECKMAJ=1\r\nADRESS=http://n\n"
                      "CHECKCONNECTION=0\n\n[B]\r\n");
    QTest::newRow("bytes that are no UTF-8 kept")
        << QByteArray(
               "[Z]\r\nK=\xC3\x28\xFF\r\n[FTP]\r\nADRESS=\r\nCHECKCONNECTION=1\r\nCHECKMAJ=0")
        << QByteArray("[Z]\r\nK=\xC3\x28\xFF\r\n[FTP]\r\nADRESS=http://n\r\nCHECKCONNECTION=0\r\n"
                      "CHECKMAJ=1");
    QTest::newRow("LF line ends kept")
        << QByteArray("# x\n[FTP]\nCHECKMAJ=0\n")
        << QByteArray("# x\n[FTP]\nCHECKMAJ=1\nADRESS=http://n\nCHECKCONNECTION=0\n");
}

void TestSettings::saveKeepsTheRest()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    if (!before.isEmpty())
        QVERIFY(writeFile(m_ini, before));
    QVERIFY(SaveUpdateSettings({QStringLiteral("http://n"), false, true}, m_ini));
    QCOMPARE(readFile(m_ini), after);
}

void TestSettings::addressWrittenInWindows1252_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("accents") << QStringLiteral("http://hôte/café")
                             << QByteArray("http://h\xF4te/caf\xE9")
                             << QStringLiteral("http://hôte/café");
    QTest::newRow("euro sign and oe")
        << QStringLiteral("http://h/€œ") << QByteArray("http://h/\x80\x9C")
        << QStringLiteral("http://h/€œ");
    QTest::newRow("a letter outside Windows-1252 becomes ?")
        << QStringLiteral("http://h/ł") << QByteArray("http://h/?") << QStringLiteral("http://h/?");
    QTest::newRow("a character beyond 16 bits becomes one ?")
        << (QStringLiteral("http://h/") + QString::fromUcs4(U"\U0001F600"))
        << QByteArray("http://h/?") << QStringLiteral("http://h/?");
}

void TestSettings::addressWrittenInWindows1252()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, line);
    QFETCH(QString, readBack);
    QVERIFY(SaveUpdateSettings({address, true, false}, m_ini));
    QCOMPARE(readFile(m_ini),
             "[FTP]\r\nADRESS=" + line + "\r\nCHECKCONNECTION=1\r\nCHECKMAJ=0\r\n");
    QCOMPARE(LoadUpdateSettings(m_ini).address, readBack);
}

void TestSettings::sixteenBitFileLeftAlone()
{
    // Saved as "Unicode" by a text editor: an 8-bit edit would garble it.
    const QByteArray utf16("\xFF\xFE[\0F\0T\0P\0]\0\r\0\n\0", 16);
    QVERIFY(writeFile(m_ini, utf16));
    QVERIFY(!SaveUpdateSettings({QStringLiteral("http://n"), false, true}, m_ini));
    QCOMPARE(readFile(m_ini), utf16);
}

void TestSettings::saveReplacesTheFileWhole()
{
    const QByteArray before = "[FTP]\r\nADRESS=http://old\r\n";
    QVERIFY(writeFile(m_ini, before));
#ifndef Q_OS_WIN
    // A file opened before the save still reads the old bytes: the new file
    // took the old one's place instead of being written into it, so a save
    // cut short can never leave half a file. (Windows does not replace a
    // file another program holds open.)
    QFile old(m_ini);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(SaveUpdateSettings({QStringLiteral("http://n"), false, true}, m_ini));
    QCOMPARE(old.readAll(), before);
#else
    QVERIFY(SaveUpdateSettings({QStringLiteral("http://n"), false, true}, m_ini));
#endif
    QCOMPARE(readFile(m_ini),
             QByteArray("[FTP]\r\nADRESS=http://n\r\nCHECKCONNECTION=0\r\nCHECKMAJ=1\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"Querdan.ini"});
}

void TestSettings::lineBreakInAddressStaysOneLine()
{
    QVERIFY(SaveUpdateSettings({QStringLiteral("http://a\r\nCHECKMAJ=1"), true, false}, m_ini));
    const UpdateSettings s = LoadUpdateSettings(m_ini);
    QCOMPARE(s.autoUpdate, false);
    QCOMPARE(s.address, QStringLiteral("http://a  CHECKMAJ=1"));
}

void TestSettings::failedWriteIsReported()
{
    const QString nowhere = m_dir->path() + QStringLiteral("/absent/Querdan.ini");
    QVERIFY(!SaveUpdateSettings({QStringLiteral("http://n"), true, true}, nowhere));
    QVERIFY(!WriteIniValue(QStringLiteral("FTP"), QStringLiteral("CHECKMAJ"), QStringLiteral("1"),
                           nowhere));
    QCOMPARE(LoadUpdateSettings(nowhere).address, DefaultAddress());
}

// A pipe or a device put where the settings file goes would hang the start
// or be read without end; a file far too large is no settings file either.
// Each is read as no file, and left as it is.
void TestSettings::notASettingsFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("size");
    QTest::newRow("a pipe") << QStringLiteral("fifo") << 0;
    QTest::newRow("a link to a device") << QStringLiteral("device") << 0;
    QTest::newRow("one byte over 1 Mio") << QStringLiteral("file") << 1048577;
    QTest::newRow("1 Mio is still read") << QStringLiteral("file") << 1048576;
}

void TestSettings::notASettingsFile()
{
    QFETCH(QString, kind);
    QFETCH(int, size);
    const QByteArray head = "[FTP]\r\nCHECKMAJ=1\r\n";
    const QByteArray file = head + QByteArray(size - head.size(), ';');
    if (kind == u"fifo" || kind == u"device")
        MAKE_UNENDING_FILE(kind, m_ini);
    else
        QVERIFY(writeFile(m_ini, file));
    QCOMPARE(LoadUpdateSettings(m_ini).autoUpdate, size == 1048576);
    if (size == 1048576)
        return;
    QVERIFY(!SaveUpdateSettings({QStringLiteral("http://n"), true, true}, m_ini));
    const QFileInfo info(m_ini);
    if (kind == u"file") {
        QCOMPARE(readFile(m_ini), file);
    } else {
        QCOMPARE(info.isSymLink(), kind == u"device");
        QVERIFY(!info.isFile());
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
