// The start month is a matter of calendar dates: the local clock's changes,
// even one that skips midnight on the first of a month, must not move it.
#include "schedule/tauxstate.h"
#include "ui/dateinput.h"

#include <QTest>

#include <ctime>

class TestTimeZones : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void startMonth_data();
    void startMonth();

private:
    QByteArray m_savedTz;
    TauxState m_state;
};

namespace {

void useZone(const QByteArray &zone)
{
    if (zone.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

} // namespace

void TestTimeZones::initTestCase()
{
    m_savedTz = qgetenv("TZ");
    m_state.setRatesFile(QStringLiteral(BUNDLED_RATES));
    QVERIFY(m_state.LoadRatesFile().ok());
}

void TestTimeZones::cleanupTestCase()
{
    useZone(m_savedTz);
}

void TestTimeZones::startMonth_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("month");

    // Miquelon's clocks went from midnight to 01:00 on 1 May 1980; Cairo's
    // skipped midnight on 30 April 2010 and 1 May 2014 among others.
    QTest::newRow("Miquelon, a date before its change")
        << QByteArray("America/Miquelon") << "15/03/1979"
        << "Mars 1979";
    QTest::newRow("Miquelon, the first of the month midnight skipped")
        << QByteArray("America/Miquelon") << "01/05/1980"
        << "Avril 1980";
    QTest::newRow("Miquelon, later that day") << QByteArray("America/Miquelon") << "02/05/1980"
                                              << "Mai 1980";
    QTest::newRow("Cairo, years of midnight changes") << QByteArray("Africa/Cairo") << "15/03/2010"
                                                      << "Mars 2010";
    QTest::newRow("Cairo, the day midnight was skipped")
        << QByteArray("Africa/Cairo") << "01/05/2014"
        << "Avril 2014";
    QTest::newRow("Moscow") << QByteArray("Europe/Moscow") << "15/03/1985"
                            << "Mars 1985";
    QTest::newRow("Athens") << QByteArray("Europe/Athens") << "15/04/1978"
                            << "Avril 1978";
    QTest::newRow("Paris, a time of day on the first")
        << QByteArray("Europe/Paris") << "01/03/2015 12:00"
        << "Mars 2015";
    QTest::newRow("Paris, midnight on the first") << QByteArray("Europe/Paris") << "01/03/2015"
                                                  << "Février 2015";
    QTest::newRow("far east of Greenwich") << QByteArray("Pacific/Kiritimati") << "01/01/2016"
                                           << "Décembre 2015";
    QTest::newRow("far west of Greenwich") << QByteArray("Pacific/Pago_Pago") << "01/01/2016"
                                           << "Décembre 2015";
    QTest::newRow("UTC") << QByteArray("UTC") << "31/12/2015"
                         << "Décembre 2015";
}

void TestTimeZones::startMonth()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, typed);
    QFETCH(QString, month);
    useZone(zone);
    const auto date = parseStartDate(typed, QLocale(QLocale::French, QLocale::France));
    QVERIFY2(date.has_value(), "the date is refused");
    QVERIFY(m_state.ConfirmStartDate(*date));
    QCOMPARE(m_state.table().rows[m_state.startRow()].label, month);
}

QTEST_GUILESS_MAIN(TestTimeZones)
#include "tst_timezones.moc"
