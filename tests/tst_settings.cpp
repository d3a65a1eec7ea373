#include "testfiles.h"
#include "update/settings.h"

#include <QFile>
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
    void roundTrip_data();
    void roundTrip();
    void saveKeepsTheRest_data();
    void saveKeepsTheRest();
    void lineBreakInAddressStaysOneLine();
    void failedWriteIsReported();

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
    QCOMPARE(s.address, DefaultAddress());
    QVERIFY(s.address.startsWith(QStringLiteral("http://")));
    QVERIFY(s.address.endsWith(QStringLiteral("/telechar/QUERDAN.TXT")));
    QCOMPARE(s.testConnection, true);
    QCOMPARE(s.autoUpdate, false);
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
    QTest::newRow("UTF-8 text") << QByteArray("[FTP]\r\nADRESS=http://hôte/é\r\n")
                                << QStringLiteral("http://hôte/é");
}

void TestSettings::addressRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, address);
    QVERIFY(writeFile(m_ini, file));
    QCOMPARE(LoadUpdateSettings(m_ini).address, address);
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

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
