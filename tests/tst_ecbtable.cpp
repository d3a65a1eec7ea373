#include "rates/ecbtable.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The ECB's main refinancing rate as the program keeps it, and the rate a
// half-year takes from it.
class TestEcbTable : public QObject
{
    Q_OBJECT

private slots:
    void bundledHalfYears_data();
    void bundledHalfYears();
    void halfYearRule_data();
    void halfYearRule();
    void refusedTables_data();
    void refusedTables();
};

namespace {

EcbTable bundled()
{
    const EcbRead read = ReadEcbTableFile(QStringLiteral(BUNDLED_ECB));
    return read.table.value_or(EcbTable{});
}

} // namespace

// The penalties' published half-years, less their ten points.
void TestEcbTable::bundledHalfYears_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("rate"); // thousandths of a percent; -1 for none

    QTest::newRow("2013-S1") << QDate(2013, 3, 1) << 750;
    QTest::newRow("2014-S2") << QDate(2014, 12, 31) << 150;
    QTest::newRow("2016-S2") << QDate(2016, 7, 1) << 0;
    QTest::newRow("2023-S1") << QDate(2023, 6, 30) << 2500;
    QTest::newRow("2023-S2") << QDate(2023, 7, 1) << 4000;
    QTest::newRow("2024-S1") << QDate(2024, 3, 16) << 4500;
    QTest::newRow("2024-S2") << QDate(2024, 10, 14) << 4250;
    QTest::newRow("2025-S1") << QDate(2025, 1, 1) << 3150;
    QTest::newRow("2025-S2") << QDate(2025, 9, 1) << 2150;
    QTest::newRow("2026-S1") << QDate(2026, 5, 1) << 2150;
    // Beyond the day the table is confirmed to, a half-year has no rate yet.
    QTest::newRow("2026-S2") << QDate(2026, 7, 1) << -1;
    QTest::newRow("before the first change") << QDate(2008, 7, 1) << -1;
}

void TestEcbTable::bundledHalfYears()
{
    QFETCH(QDate, day);
    QFETCH(int, rate);
    const EcbTable table = bundled();
    QCOMPARE(table.confirmedUntil, QDate(2026, 1, 1));
    QCOMPARE(table.changes.size(), 35);
    QCOMPARE(table.halfYearRate(day).value_or(-1), rate);
}

void TestEcbTable::halfYearRule_data()
{
    QTest::addColumn<QByteArray>("changes");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("halfYear"); // the half-year's rate
    QTest::addColumn<int>("inForce");  // the day's own

    const QByteArray head = "confirme-jusqu-au\t2021-12-31\n2019-01-01\t1.00\n";
    QTest::newRow("a change on 2 January waits for July") << head + "2020-01-02\t2.00\n"
                                                          << QDate(2020, 6, 30) << 1000 << 2000;
    QTest::newRow("it applies from 1 July") << head + "2020-01-02\t2.00\n"
                                            << QDate(2020, 7, 1) << 2000 << 2000;
    QTest::newRow("a change on 1 July applies that day") << head + "2020-07-01\t-0.50\n"
                                                         << QDate(2020, 12, 31) << -500 << -500;
    QTest::newRow("a change on 30 June does too") << head + "2020-06-30\t0.125\n"
                                                  << QDate(2020, 7, 2) << 125 << 125;
}

void TestEcbTable::halfYearRule()
{
    QFETCH(QByteArray, changes);
    QFETCH(QDate, day);
    QFETCH(int, halfYear);
    QFETCH(int, inForce);
    const EcbRead read = ParseEcbTable(changes);
    QVERIFY2(read.table, qPrintable(read.error));
    QCOMPARE(read.table->halfYearRate(day).value_or(-99999), halfYear);
    QCOMPARE(read.table->rateOn(day).value_or(-99999), inForce);
}

void TestEcbTable::refusedTables_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    const QByteArray good = "# BCE\r\nconfirme-jusqu-au\t2026-01-01\r\n2025-04-23\t2.40\r\n";
    const QString line = u"Tableau des taux de la BCE, ligne %1 : "_s;
    QTest::newRow("out of order")
        << good + "2025-02-05\t2.90\n"
        << line.arg(4) + u"les dates doivent aller du plus ancien au plus récent."_s;
    QTest::newRow("twice") << good + "2025-04-23\t2.40\n"
                           << line.arg(4) + u"le 2025-04-23 figure deux fois."_s;
    QTest::newRow("30 February") << good + "2026-02-30\t2.00\n"
                                 << line.arg(4) + u"la date est illisible ; attendu AAAA-MM-JJ."_s;
    QTest::newRow("a French date")
        << good + "11/06/2025\t2.15\n"
        << line.arg(4) + u"la date est illisible ; attendu AAAA-MM-JJ."_s;
    QTest::newRow("abc") << good + "2025-06-11\tabc\n"
                         << line.arg(4) + u"le taux est illisible ; attendu par exemple 2.15."_s;
    QTest::newRow("a decimal comma")
        << good + "2025-06-11\t2,15\n"
        << line.arg(4) + u"le taux est illisible ; attendu par exemple 2.15."_s;
    QTest::newRow("four decimals")
        << good + "2025-06-11\t2.1500\n"
        << line.arg(4) + u"le taux est illisible ; attendu par exemple 2.15."_s;
    QTest::newRow("20.001 %") << good + "2025-06-11\t20.001\n"
                              << line.arg(4) + u"le taux doit être compris entre -1 et 20 %."_s;
    QTest::newRow("-1.001 %") << good + "2025-06-11\t-1.001\n"
                              << line.arg(4) + u"le taux doit être compris entre -1 et 20 %."_s;
    QTest::newRow("a third field")
        << good + "2025-06-11\t2.15\tBCE\n"
        << line.arg(4) + u"attendu une date, une tabulation et un taux."_s;
    QTest::newRow("confirmed twice") << good + "confirme-jusqu-au\t2026-02-01\n"
                                     << line.arg(4) + u"« confirme-jusqu-au » figure deux fois."_s;
    QTest::newRow("confirmed before the newest")
        << QByteArray("confirme-jusqu-au\t2025-01-01\n2025-04-23\t2.40\n")
        << line.arg(1) + u"« confirme-jusqu-au » précède le dernier taux."_s;
    QTest::newRow("not confirmed")
        << QByteArray("2025-04-23\t2.40\n")
        << u"Tableau des taux de la BCE : la ligne « confirme-jusqu-au » manque."_s;
    QTest::newRow("no rate") << QByteArray("# rien\nconfirme-jusqu-au\t2026-01-01\n")
                             << u"Tableau des taux de la BCE : il ne contient aucun taux."_s;
    QByteArray many = "confirme-jusqu-au\t2026-01-01\n";
    for (int i = 0; i < 999; ++i)
        many += "# " + QByteArray::number(i) + '\n';
    QTest::newRow("1 000 lines") << many
                                 << u"Tableau des taux de la BCE : il ne contient aucun taux."_s;
    QTest::newRow("1 001 lines") << many + "# de trop\n"
                                 << u"Tableau des taux de la BCE : il a plus de 1000 lignes."_s;
    QTest::newRow("over 1 MiB") << QByteArray(1024 * 1024 + 1, '#')
                                << u"Tableau des taux de la BCE : il dépasse 1 Mio."_s;
}

void TestEcbTable::refusedTables()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const EcbRead read = ParseEcbTable(bytes);
    QVERIFY(!read.table);
    QCOMPARE(read.error, error);
}

QTEST_GUILESS_MAIN(TestEcbTable)
#include "tst_ecbtable.moc"
