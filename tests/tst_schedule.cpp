#include "schedule/schedule.h"
#include "schedule/tauxstate.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A table of `years` whole years, newest first from `newest`, every month
// at `rate`.
std::unique_ptr<RateTable> flatTable(int newest, int years, double rate)
{
    QByteArray file;
    for (int y = newest; y > newest - years; --y)
        file += QByteArray::number(y) + '\t' + QByteArray::number(rate) + "\r\n";
    auto table = std::make_unique<RateTable>();
    if (!parseRates(file, RateCategory::Autres, *table))
        return nullptr;
    return table;
}

int rowOf(const RateTable &t, int year, int month)
{
    for (int i = 0; i < t.count; ++i) {
        if (t.rows[i].monthStart == QDate(year, month, 1))
            return i;
    }
    return -1;
}

} // namespace

class TestSchedule : public QObject
{
    Q_OBJECT
private slots:
    void simpleAndCompound_data();
    void simpleAndCompound();
    void coefficientAndMajoration_data();
    void coefficientAndMajoration();
    void capitalisationMonth_data();
    void capitalisationMonth();
    void rowsOutsideTheSchedule();
    void emptyStartCell();
    void startAtExtraRowFillsEveryMonth();
    void usesEachMonthsOwnRate();
    void stateSelectsAndComputes();
    void tableFaults_data();
    void tableFaults();
    void sumsBeyondADoubleAreRefused();
};

void TestSchedule::simpleAndCompound_data()
{
    QTest::addColumn<bool>("capitalise");
    QTest::addColumn<int>("monthsAfterStart");
    QTest::addColumn<double>("sum");

    QTest::newRow("simple, first month") << false << 1 << 1010.0;
    QTest::newRow("simple, second month") << false << 2 << 1020.0;
    QTest::newRow("simple, twelfth month") << false << 12 << 1120.0;
    QTest::newRow("simple, thirteenth month") << false << 13 << 1130.0;
    QTest::newRow("compound, twelfth month") << true << 12 << 1120.0;
    QTest::newRow("compound, thirteenth capitalises first") << true << 13 << 1131.2;
    QTest::newRow("compound, fourteenth") << true << 14 << 1142.4;
    QTest::newRow("compound, twenty-fourth") << true << 24 << 1254.4;
    QTest::newRow("compound, twenty-fifth") << true << 25 << 1266.944;
}

void TestSchedule::simpleAndCompound()
{
    QFETCH(bool, capitalise);
    QFETCH(int, monthsAfterStart);
    QFETCH(double, sum);

    const auto t = flatTable(2020, 5, 12);
    QVERIFY(t);
    SumColumn sums;
    const int p = 50;
    sums[p] = 1000.0;
    ScheduleOptions o;
    o.capitalise = capitalise;
    ComputeSchedule(p, *t, o, sums);
    QVERIFY(sums[p - monthsAfterStart].has_value());
    QCOMPARE(*sums[p - monthsAfterStart], sum);
    QCOMPARE(*sums[p], 1000.0);
}

void TestSchedule::coefficientAndMajoration_data()
{
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<double>("majoration");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("firstMonth");

    QTest::newRow("x 1") << 1.0 << 0.0 << 12.0 << 1010.0;
    QTest::newRow("x 1,5") << 1.5 << 0.0 << 12.0 << 1015.0;
    QTest::newRow("x 2") << 2.0 << 0.0 << 12.0 << 1020.0;
    QTest::newRow("x 3") << 3.0 << 0.0 << 12.0 << 1030.0;
    // The coefficient multiplies the raised rate: 2 x 1000 x 5.93 / 1200.
    QTest::newRow("x 2 and +5 on 0.93")
        << 2.0 << 5.0 << 0.93 << 1000.0 + (2.0 * 1000.0) * ((5.0 + 0.93) / 1200);
    QTest::newRow("x 2 without +5 on 0.93")
        << 2.0 << 0.0 << 0.93 << 1000.0 + (2.0 * 1000.0) * (0.93 / 1200);
}

void TestSchedule::coefficientAndMajoration()
{
    QFETCH(double, coefficient);
    QFETCH(double, majoration);
    QFETCH(double, rate);
    QFETCH(double, firstMonth);

    const auto t = flatTable(2016, 2, rate);
    QVERIFY(t);
    SumColumn sums;
    sums[10] = 1000.0;
    ScheduleOptions o;
    o.coefficient = coefficient;
    o.majoration = majoration;
    ComputeSchedule(10, *t, o, sums);
    QCOMPARE(*sums[9], firstMonth);
    if (majoration == 5.0 && rate == 0.93)
        QVERIFY(qAbs(*sums[9] - 1000.0 - 9.883333333333) < 1e-9);
}

void TestSchedule::capitalisationMonth_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<QList<QDate>>("capitalisedAt");

    // Start row March 2014: interest from April 2014 on.
    QTest::newRow("empty: every twelve months")
        << QString() << QList<QDate>{QDate(2015, 4, 1), QDate(2016, 4, 1), QDate(2017, 4, 1)};
    QTest::newRow("January: not after nine months, then each January")
        << QStringLiteral("1") << QList<QDate>{QDate(2016, 1, 1), QDate(2017, 1, 1)};
    QTest::newRow("April: at twelve months exactly")
        << QStringLiteral("4")
        << QList<QDate>{QDate(2015, 4, 1), QDate(2016, 4, 1), QDate(2017, 4, 1)};
    QTest::newRow("leading zero never matches") << QStringLiteral("01") << QList<QDate>{};
    QTest::newRow("13 never matches") << QStringLiteral("13") << QList<QDate>{};
}

void TestSchedule::capitalisationMonth()
{
    QFETCH(QString, month);
    QFETCH(QList<QDate>, capitalisedAt);

    const auto t = flatTable(2017, 4, 12);
    QVERIFY(t);
    const int p = rowOf(*t, 2014, 3);
    SumColumn sums;
    sums[p] = 1000.0;
    ScheduleOptions o;
    o.capitalMonth = month;
    ComputeSchedule(p, *t, o, sums);

    // Replay: a month capitalises when its interest exceeds the previous
    // month's (the capital grew); with 12 % a year a month adds 1 % of the
    // capital.
    QList<QDate> seen;
    double capital = 1000.0;
    double previous = 1000.0;
    for (int n = p - 1; n >= 0; --n) {
        const double added = *sums[n] - previous;
        if (added > capital / 100 + 1e-9) {
            seen.append(t->rows[n].monthStart);
            capital = previous;
        }
        previous = *sums[n];
    }
    QCOMPARE(seen, capitalisedAt);
}

void TestSchedule::rowsOutsideTheSchedule()
{
    const auto t = flatTable(2016, 3, 1);
    QVERIFY(t);
    SumColumn sums;
    for (auto &s : sums)
        s = 5.0;
    sums[0] = 1000.0;
    ComputeSchedule(0, *t, ScheduleOptions(), sums);
    QCOMPARE(*sums[0], 1000.0);
    for (int n = 1; n <= t->count; ++n)
        QVERIFY2(!sums[n].has_value(), qPrintable(QString::number(n)));
    // Slots beyond the table are not the computation's business.
    QVERIFY(sums[t->count + 1].has_value());

    // No start row: nothing at all changes.
    SumColumn untouched = sums;
    ComputeSchedule(-1, *t, ScheduleOptions(), sums);
    QVERIFY(sums == untouched);
}

void TestSchedule::emptyStartCell()
{
    const auto t = flatTable(2016, 3, 1);
    QVERIFY(t);
    SumColumn sums;
    for (int n = 0; n <= t->count; ++n)
        sums[n] = 7.0;
    sums[10].reset();
    ComputeSchedule(10, *t, ScheduleOptions(), sums);
    for (int n = 0; n <= t->count; ++n)
        QVERIFY2(!sums[n].has_value(), qPrintable(QString::number(n)));
}

void TestSchedule::startAtExtraRowFillsEveryMonth()
{
    const auto t = flatTable(2016, 3, 12);
    QVERIFY(t);
    SumColumn sums;
    sums[t->count] = 100.0;
    ScheduleOptions o;
    o.capitalise = false;
    ComputeSchedule(t->count, *t, o, sums);
    QCOMPARE(*sums[t->count], 100.0);
    for (int n = 0; n < t->count; ++n)
        QVERIFY(sums[n].has_value());
    QCOMPARE(*sums[0], 100.0 + 36 * 1.0);
}

void TestSchedule::usesEachMonthsOwnRate()
{
    RateTable t;
    QVERIFY(parseRates("1S2016\t24\r\n2S2015\t12\r\n", RateCategory::Autres, t));
    SumColumn sums;
    sums[6] = 1000.0; // Juillet 2015: its own 12 % is never used
    ScheduleOptions o;
    o.capitalise = false;
    ComputeSchedule(6, t, o, sums);
    QCOMPARE(*sums[5], 1020.0); // Juin 2016 row order: rows 0-5 are 2016
    QCOMPARE(*sums[0], 1120.0);
}

void TestSchedule::stateSelectsAndComputes()
{
    TauxState state;
    state.setRatesFile(QStringLiteral(BUNDLED_RATES));
    QVERIFY(state.LoadRatesFile().ok());
    QVERIFY(state.ConfirmStartDate(QDateTime(QDate(2015, 3, 15), QTime(0, 0), Qt::UTC)));
    QCOMPARE(state.table().rows[state.startRow()].label, QStringLiteral("Mars 2015"));
    QCOMPARE(state.firstRow(), state.startRow() - 20);
    state.SetMajoration(true);
    QCOMPARE(state.EnterAmount(state.startRow(), u"10000"), TauxState::AmountOutcome::Computed);
    // April 2015 is the first month of interest: 0.93 + 5 points.
    QCOMPARE(*state.sums()[state.startRow() - 1], 10000.0 + 10000.0 * ((5 + 0.93) / 1200));
    QVERIFY(!state.ConfirmStartDate(QDateTime(QDate(1800, 1, 1), QTime(0, 0), Qt::UTC)));
    QCOMPARE(state.table().rows[state.startRow()].label, QStringLiteral("Mars 2015"));

    state.setFirstRow(10000);
    QCOMPARE(state.firstRow(), state.table().count - 20);
    state.setFirstRow(-3);
    QCOMPARE(state.firstRow(), 0);
}

void TestSchedule::tableFaults_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("perso");
    QTest::addColumn<QString>("message"); // empty: the table loads

    const QString order = QStringLiteral(" ; les périodes vont de la plus récente à la plus "
                                         "ancienne, sans se chevaucher.");
    QTest::newRow("a lost decimal point")
        << QByteArray("1S2025\t371\t7.21\r\n2S2024\t4.92\r\n") << false
        << "Le taux de juin 2025 (371) n'est pas entre 0 et "
           "100 %.";
    QTest::newRow("the second column for natural persons")
        << QByteArray("1S2025\t3.71\t721\r\n") << true
        << "Le taux de juin 2025 (721) n'est pas entre 0 et 100 %.";
    QTest::newRow("an exponent") << QByteArray("2S2025\t1e40\r\n1S2025\t3\r\n") << false
                                 << "Le taux de décembre 2025 (1e+40) n'est pas entre 0 et 100 %.";
    QTest::newRow("a negative rate") << QByteArray("2S2025\t3\r\n1S2025\t-0.5\r\n") << false
                                     << "Le taux de juin 2025 (-0.5) n'est pas entre 0 et 100 %.";
    QTest::newRow("0 and 100 are rates")
        << QByteArray("2S2025\t100\r\n1S2025\t0\r\n") << false << QString();
    QTest::newRow("a lower-case half-year reads as another year")
        << QByteArray("2S2026\t3\r\n1s2026\t3\r\n") << false
        << "Il manque les mois de janvier 2002 à juin 2026.";
    QTest::newRow("a half-year missing") << QByteArray("1S2016\t1\r\n1S2015\t2\r\n") << false
                                         << "Il manque les mois de juillet 2015 à décembre 2015.";
    QTest::newRow("a year and its half overlap") << QByteArray("2016\t1\r\n1S2016\t2\r\n") << false
                                                 << "Juin 2016 vient après janvier 2016" + order;
    QTest::newRow("halves in the wrong order") << QByteArray("1S2016\t1\r\n2S2016\t1\r\n") << false
                                               << "Décembre 2016 vient après janvier 2016" + order;
    QTest::newRow("a year twice") << QByteArray("2016\t1\r\n2016\t1\r\n") << false
                                  << "Décembre 2016 vient après janvier 2016" + order;
}

void TestSchedule::tableFaults()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, perso);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QFile out(dir.filePath(QStringLiteral("QUERDAN.TXT")));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    // The window's load: a faulty table stops as a corrupt file does.
    TauxState state;
    state.setRatesFile(out.fileName());
    const LoadResult loaded =
        state.ChangeCategory(perso ? RateCategory::PersonnesPhysiques : RateCategory::Autres);
    QCOMPARE(loaded.message, message);
    QCOMPARE(loaded.ok(), message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(loaded.status, LoadResult::CorruptFile);
        QCOMPARE(loaded.title, QStringLiteral("Fichier des taux à corriger"));
    }
}

void TestSchedule::sumsBeyondADoubleAreRefused()
{
    // 100 % a year compounded doubles the sum yearly: 1e300 after 27 years
    // is 1.34e308, and four months later 1.79e308; the fifth month would
    // pass the largest double.
    TauxState state(*flatTable(2065, 50, 100));
    const int start = state.table().count;
    QCOMPARE(state.EnterAmount(start, u"1e300"), TauxState::AmountOutcome::Overflow);
    QVERIFY(state.scheduleTooLarge());
    QCOMPARE(*state.sums()[start], 1e300);
    QCOMPARE(*state.sums()[start - 328], 1e300 * (1 << 27) * (1 + 4 * (100.0 / 1200)));
    QVERIFY(!state.sums()[start - 329].has_value());
    QVERIFY(!state.sums()[0].has_value());

    QCOMPARE(state.EnterAmount(start, u"1"), TauxState::AmountOutcome::Computed);
    QVERIFY(!state.scheduleTooLarge());
    QVERIFY(state.sums()[0].has_value());
}

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
