#include "ui/dateinput.h"

#include <QTest>

class TestDateInput : public QObject
{
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
    void monthFirstLocale();
};

void TestDateInput::accepted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    // A calendar value, the same whatever the machine's zone.
    const QDateTime mid(QDate(2015, 3, 15), QTime(0, 0), Qt::UTC);

    QTest::newRow("slashes") << "15/03/2015" << mid;
    QTest::newRow("dashes") << "15-03-2015" << mid;
    QTest::newRow("dots") << "15.03.2015" << mid;
    QTest::newRow("spaces") << "15 03 2015" << mid;
    QTest::newRow("short month and year") << "15/3/15" << mid;
    QTest::newRow("surrounding blanks") << "  15/03/2015 " << mid;
    QTest::newRow("ISO order") << "2015-03-15" << mid;
    QTest::newRow("year 29 is 2029")
        << "1/1/29" << QDateTime(QDate(2029, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("year 30 is 1930")
        << "1/1/30" << QDateTime(QDate(1930, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("year 00 is 2000")
        << "1/1/00" << QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("month name") << "15 mars 2015" << mid;
    QTest::newRow("month name upper case") << "15 MARS 2015" << mid;
    QTest::newRow("first of the month")
        << "1er janvier 2016" << QDateTime(QDate(2016, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("abbreviation with dot")
        << "15 déc. 2015" << QDateTime(QDate(2015, 12, 15), QTime(0, 0), Qt::UTC);
    QTest::newRow("abbreviation without accent")
        << "15 dec 2015" << QDateTime(QDate(2015, 12, 15), QTime(0, 0), Qt::UTC);
    QTest::newRow("février without accent")
        << "28 fevrier 2015" << QDateTime(QDate(2015, 2, 28), QTime(0, 0), Qt::UTC);
    QTest::newRow("août") << "15 août 2015" << QDateTime(QDate(2015, 8, 15), QTime(0, 0), Qt::UTC);
    QTest::newRow("aout") << "15 Aout 2015" << QDateTime(QDate(2015, 8, 15), QTime(0, 0), Qt::UTC);
    QTest::newRow("juil.") << "3 juil. 2015" << QDateTime(QDate(2015, 7, 3), QTime(0, 0), Qt::UTC);
    QTest::newRow("sept") << "3 sept 2015" << QDateTime(QDate(2015, 9, 3), QTime(0, 0), Qt::UTC);
    QTest::newRow("name with two-digit year") << "15 mars 15" << mid;
    QTest::newRow("time of day") << "01/03/2015 12:00"
                                 << QDateTime(QDate(2015, 3, 1), QTime(12, 0), Qt::UTC);
    QTest::newRow("time with seconds")
        << "01/03/2015 12:00:30" << QDateTime(QDate(2015, 3, 1), QTime(12, 0, 30), Qt::UTC);
    QTest::newRow("French hour") << "01/03/2015 12h30"
                                 << QDateTime(QDate(2015, 3, 1), QTime(12, 30), Qt::UTC);
    QTest::newRow("name and time")
        << "1er mars 2015 12:00" << QDateTime(QDate(2015, 3, 1), QTime(12, 0), Qt::UTC);
    QTest::newRow("leap day") << "29/02/2016"
                              << QDateTime(QDate(2016, 2, 29), QTime(0, 0), Qt::UTC);
    QTest::newRow("long ago") << "01/01/1800" << QDateTime(QDate(1800, 1, 1), QTime(0, 0), Qt::UTC);
}

void TestDateInput::accepted()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const auto d = parseStartDate(text, QLocale(QLocale::French, QLocale::France));
    QVERIFY(d.has_value());
    QCOMPARE(*d, expected);
}

void TestDateInput::rejected_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("impossible day") << "31/02/2015";
    QTest::newRow("not a leap year") << "29/02/2015";
    QTest::newRow("month 13") << "15/13/2015";
    QTest::newRow("day 0") << "0/03/2015";
    QTest::newRow("three-digit year") << "15/03/201";
    QTest::newRow("missing year") << "15/03";
    QTest::newRow("words") << "hier";
    QTest::newRow("unknown month") << "15 brumaire 2015";
    QTest::newRow("bad time") << "15/03/2015 25:00";
    QTest::newRow("trailing junk") << "15/03/2015 abc";
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("number alone") << "15032015";
    QTest::newRow("amount") << "10000";
    QTest::newRow("huge digits") << QString(300, u'9');
    QTest::newRow("year 10000") << "15/03/10000";
}

void TestDateInput::rejected()
{
    QFETCH(QString, text);
    QVERIFY(!parseStartDate(text, QLocale(QLocale::French, QLocale::France)).has_value());
}

void TestDateInput::monthFirstLocale()
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QCOMPARE(parseStartDate(u"03/15/2015", us),
             QDateTime(QDate(2015, 3, 15), QTime(0, 0), Qt::UTC));
    QVERIFY(!parseStartDate(u"15/03/2015", us).has_value());
    QCOMPARE(parseStartDate(u"15 March 2015", us),
             QDateTime(QDate(2015, 3, 15), QTime(0, 0), Qt::UTC));
}

QTEST_GUILESS_MAIN(TestDateInput)
#include "tst_dateinput.moc"
