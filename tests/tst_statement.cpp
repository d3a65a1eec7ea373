#include "schedule/statement.h"

#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(StatementField)
Q_DECLARE_METATYPE(StatementInput)

namespace {

enum Table {
    Bundled,  // the bundled rates file, natural persons
    Flat311,  // 2016 to 2065, 600 months, at 3.11 %
    Simple,   // January 2019 to June 2026 at 3.65 %, the second half of 2020 at 7.30 %
    Gap,      // Simple without March 2022
    Negative, // Simple with -1 % in March 2019
    Unrated,  // Simple with March 2022 in the table but no rate for it
    Empty,    // no month at all
};

// A rates table as the file gives it: newest month first.
RateTable monthTable(const QDate &oldest, const QDate &newest,
                     const std::function<std::optional<double>(const QDate &)> &rateOf)
{
    RateTable table;
    int count = 0;
    for (QDate month = newest; month >= oldest; month = month.addMonths(-1)) {
        const std::optional<double> rate = rateOf(month);
        if (!rate)
            continue;
        Q_ASSERT(count < kMaxMonths);
        table.rows[count].monthStart = month;
        table.rows[count].rate = rate;
        ++count;
    }
    table.count = qint16(count);
    return table;
}

RateTable makeTable(int kind)
{
    const auto simple = [](const QDate &m) -> std::optional<double> {
        return m.year() == 2020 && m.month() >= 7 ? 7.30 : 3.65;
    };
    switch (kind) {
    case Bundled: {
        RateTable table;
        table.filePath = QStringLiteral(BUNDLED_RATES);
        LoadRatesFile(table, RateCategory::PersonnesPhysiques);
        return table;
    }
    case Flat311:
        return monthTable(QDate(2016, 1, 1), QDate(2065, 12, 1),
                          [](const QDate &) { return 3.11; });
    case Gap:
        return monthTable(QDate(2019, 1, 1), QDate(2026, 6, 1),
                          [&](const QDate &m) -> std::optional<double> {
                              if (m == QDate(2022, 3, 1))
                                  return std::nullopt;
                              return simple(m);
                          });
    case Negative:
        return monthTable(QDate(2019, 1, 1), QDate(2026, 6, 1),
                          [&](const QDate &m) -> std::optional<double> {
                              return m == QDate(2019, 3, 1) ? -1.0 : simple(m);
                          });
    case Unrated: {
        RateTable table = monthTable(QDate(2019, 1, 1), QDate(2026, 6, 1), simple);
        for (int i = 0; i < table.count; ++i) {
            if (table.rows[i].monthStart == QDate(2022, 3, 1))
                table.rows[i].rate.reset();
        }
        return table;
    }
    case Empty:
        return RateTable();
    default:
        return monthTable(QDate(2019, 1, 1), QDate(2026, 6, 1), simple);
    }
}

QDate iso(const char *text)
{
    return QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
}

// "2019-01-11=300;2019-01-21=1000" in cents.
QList<Payment> paymentsOf(const QString &text)
{
    QList<Payment> payments;
    for (const QString &item : text.split(u';', Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(u'=');
        payments.append({QDate::fromString(parts.at(0), Qt::ISODate), parts.at(1).toLongLong()});
    }
    return payments;
}

// One line per statement line, in cents: "I from to days capital rate
// interest", "P date amount onInterest onCapital toCredit", "C date amount".
QStringList describe(const Statement &statement)
{
    QStringList out;
    for (const StatementLine &line : statement.lines) {
        if (const auto *i = std::get_if<InterestLine>(&line)) {
            out << QStringLiteral("I %1 %2 %3 %4 %5 %6")
                       .arg(i->from.toString(Qt::ISODate), i->to.toString(Qt::ISODate))
                       .arg(i->days)
                       .arg(i->capital)
                       .arg(QString::number(i->rate, 'g', 12))
                       .arg(i->interest);
        } else if (const auto *p = std::get_if<PaymentLine>(&line)) {
            out << QStringLiteral("P %1 %2 %3 %4 %5")
                       .arg(p->date.toString(Qt::ISODate))
                       .arg(p->amount)
                       .arg(p->onInterest)
                       .arg(p->onCapital)
                       .arg(p->toCredit);
        } else if (const auto *c = std::get_if<CapitalisationLine>(&line)) {
            out << QStringLiteral("C %1 %2").arg(c->date.toString(Qt::ISODate)).arg(c->amount);
        }
    }
    return out;
}

StatementInput baseInput(qint64 principal, const char *from, const char *to)
{
    StatementInput input;
    input.principal = principal;
    input.from = iso(from);
    input.to = iso(to);
    return input;
}

} // namespace

class TestStatement : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void errors_data();
    void errors();
    void leapDayAnniversaryReturnsInLeapYears();
    void monthInWordsIsLowerCase();
    void parseCents_data();
    void parseCents();
};

void TestStatement::lines_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<qint64>("principal");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QDate>("majorationFrom"); // invalid: none
    QTest::addColumn<bool>("capitalise");
    QTest::addColumn<QDate>("capitalisationFrom"); // invalid: from
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<bool>("actualYear");
    QTest::addColumn<QString>("payments");
    QTest::addColumn<QStringList>("expected");
    // capital, unpaid interest, credit, accrued, paid, total
    QTest::addColumn<QList<qint64>>("totals");

    const QDate none;
    QTest::newRow("fiche: 2 000 euros for 30 days at 3,11 %")
        << int(Flat311) << qint64(200000) << iso("2016-03-01") << iso("2016-03-31") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2016-03-01 2016-03-30 30 200000 3.11 511"}
        << QList<qint64>{200000, 511, 0, 511, 0, 200511};
    QTest::newRow("fiche: natural person with the five points from 18/11/2015")
        << int(Bundled) << qint64(200000) << iso("2015-09-18") << iso("2016-04-10")
        << iso("2015-11-18") << false << none << 1.0 << false << QString()
        << QStringList{"I 2015-09-18 2015-11-17 61 200000 4.29 1434",
                       "I 2015-11-18 2015-12-31 44 200000 9.29 2240",
                       "I 2016-01-01 2016-04-09 100 200000 9.54 5227"}
        << QList<qint64>{200000, 8901, 0, 8901, 0, 208901};
    QTest::newRow("half a cent goes away from zero, not to the even cent")
        << int(Simple) << qint64(5000) << iso("2019-01-01") << iso("2019-01-06") << none << false
        << none << 1.0 << false << QString() << QStringList{"I 2019-01-01 2019-01-05 5 5000 3.65 3"}
        << QList<qint64>{5000, 3, 0, 3, 0, 5003};
    QTest::newRow("a capital of nothing: no line, nothing accrues")
        << int(Simple) << qint64(0) << iso("2019-01-01") << iso("2019-02-01") << none << false
        << none << 1.0 << false << QString() << QStringList{} << QList<qint64>{0, 0, 0, 0, 0, 0};
    QTest::newRow("a rate change mid-line cuts it")
        << int(Simple) << qint64(100000) << iso("2020-06-20") << iso("2020-07-11") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2020-06-20 2020-06-30 11 100000 3.65 110",
                       "I 2020-07-01 2020-07-10 10 100000 7.3 200"}
        << QList<qint64>{100000, 310, 0, 310, 0, 100310};
    QTest::newRow("months at one rate make one line")
        << int(Simple) << qint64(100000) << iso("2019-01-15") << iso("2019-04-15") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2019-01-15 2019-04-14 90 100000 3.65 900"}
        << QList<qint64>{100000, 900, 0, 900, 0, 100900};
    QTest::newRow("an end date on the first of a month without rate")
        << int(Simple) << qint64(100000) << iso("2026-06-21") << iso("2026-07-01") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2026-06-21 2026-06-30 10 100000 3.65 100"}
        << QList<qint64>{100000, 100, 0, 100, 0, 100100};
    QTest::newRow("a half cent rounds away from zero")
        << int(Simple) << qint64(15000) << iso("2019-01-01") << iso("2019-01-02") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2019-01-01 2019-01-01 1 15000 3.65 2"}
        << QList<qint64>{15000, 2, 0, 2, 0, 15002};
    // 900 x 5,475 % / 365 is 13,5 cents exactly; the double comes out as
    // 13.499999999999998.
    QTest::newRow("a half cent computed a hair short still rounds up")
        << int(Simple) << qint64(90000) << iso("2019-01-01") << iso("2019-01-02") << none << false
        << none << 1.5 << false << QString()
        << QStringList{"I 2019-01-01 2019-01-01 1 90000 5.475 14"}
        << QList<qint64>{90000, 14, 0, 14, 0, 90014};
    QTest::newRow("the coefficient multiplies the raised rate")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2019-01-11")
        << iso("2019-01-01") << false << none << 1.5 << false << QString()
        << QStringList{"I 2019-01-01 2019-01-10 10 100000 12.975 355"}
        << QList<qint64>{100000, 355, 0, 355, 0, 100355};
    QTest::newRow("a payment larger than the interest reduces the capital")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2019-03-02") << none << false
        << none << 1.0 << false << QStringLiteral("2019-01-31=50000")
        << QStringList{"I 2019-01-01 2019-01-30 30 100000 3.65 300",
                       "P 2019-01-31 50000 300 49700 0",
                       "I 2019-01-31 2019-03-01 30 50300 3.65 151"}
        << QList<qint64>{50300, 151, 0, 451, 50000, 50451};
    QTest::newRow("a payment larger than everything leaves a credit")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2019-01-21") << none << false
        << none << 1.0 << false << QStringLiteral("2019-01-11=150000")
        << QStringList{"I 2019-01-01 2019-01-10 10 100000 3.65 100",
                       "P 2019-01-11 150000 100 100000 49900"}
        << QList<qint64>{0, 0, 49900, 100, 150000, -49900};
    QTest::newRow("once all is paid no line follows, a later payment is a credit")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2020-03-02") << none << true
        << none << 1.0 << false << QStringLiteral("2019-01-11=100100;2019-02-01=5000")
        << QStringList{"I 2019-01-01 2019-01-10 10 100000 3.65 100",
                       "P 2019-01-11 100100 100 100000 0", "P 2019-02-01 5000 0 0 5000"}
        << QList<qint64>{0, 0, 5000, 100, 105100, -5000};
    QTest::newRow("a payment on the first day goes to the capital")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2019-01-11") << none << false
        << none << 1.0 << false << QStringLiteral("2019-01-01=20000")
        << QStringList{"P 2019-01-01 20000 0 20000 0", "I 2019-01-01 2019-01-10 10 80000 3.65 80"}
        << QList<qint64>{80000, 80, 0, 80, 20000, 80080};
    QTest::newRow("payments sorted by date, those of one day in the order given")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2019-01-31") << none << false
        << none << 1.0 << false << QStringLiteral("2019-01-21=1000;2019-01-11=300;2019-01-11=500")
        << QStringList{"I 2019-01-01 2019-01-10 10 100000 3.65 100",
                       "P 2019-01-11 300 100 200 0",
                       "P 2019-01-11 500 0 500 0",
                       "I 2019-01-11 2019-01-20 10 99300 3.65 99",
                       "P 2019-01-21 1000 99 901 0",
                       "I 2019-01-21 2019-01-30 10 98399 3.65 98"}
        << QList<qint64>{98399, 98, 0, 297, 1800, 98497};
    QTest::newRow("the 366 base counts a leap year's day as 1/366")
        << int(Simple) << qint64(100000) << iso("2020-01-01") << iso("2020-02-01") << none << false
        << none << 1.0 << true << QString()
        << QStringList{"I 2020-01-01 2020-01-31 31 100000 3.65 309"}
        << QList<qint64>{100000, 309, 0, 309, 0, 100309};
    QTest::newRow("the 365 base counts a leap year's day as 1/365")
        << int(Simple) << qint64(100000) << iso("2020-01-01") << iso("2020-02-01") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2020-01-01 2020-01-31 31 100000 3.65 310"}
        << QList<qint64>{100000, 310, 0, 310, 0, 100310};
    QTest::newRow("the 366 base cuts the line at 1 January")
        << int(Simple) << qint64(1000000) << iso("2019-12-22") << iso("2020-01-11") << none << false
        << none << 1.0 << true << QString()
        << QStringList{"I 2019-12-22 2019-12-31 10 1000000 3.65 1000",
                       "I 2020-01-01 2020-01-10 10 1000000 3.65 997"}
        << QList<qint64>{1000000, 1997, 0, 1997, 0, 1001997};
    QTest::newRow("the 365 base keeps 1 January inside the line")
        << int(Simple) << qint64(1000000) << iso("2019-12-22") << iso("2020-01-11") << none << false
        << none << 1.0 << false << QString()
        << QStringList{"I 2019-12-22 2020-01-10 20 1000000 3.65 2000"}
        << QList<qint64>{1000000, 2000, 0, 2000, 0, 1002000};
    QTest::newRow("a whole year's interest is capitalised")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2020-01-11") << none << true
        << none << 1.0 << false << QString()
        << QStringList{"I 2019-01-01 2019-12-31 365 100000 3.65 3650", "C 2020-01-01 3650",
                       "I 2020-01-01 2020-01-10 10 103650 3.65 104"}
        << QList<qint64>{103650, 104, 0, 3754, 0, 103754};
    QTest::newRow("capitalisation across a leap year counts 366 days")
        << int(Simple) << qint64(100000) << iso("2019-06-01") << iso("2020-06-11") << none << true
        << none << 1.0 << false << QString()
        << QStringList{"I 2019-06-01 2020-05-31 366 100000 3.65 3660", "C 2020-06-01 3660",
                       "I 2020-06-01 2020-06-10 10 103660 3.65 104"}
        << QList<qint64>{103660, 104, 0, 3764, 0, 103764};
    QTest::newRow("capitalisation across a leap year on the 366 base")
        << int(Simple) << qint64(100000) << iso("2019-06-01") << iso("2020-06-11") << none << true
        << none << 1.0 << true << QString()
        << QStringList{"I 2019-06-01 2019-12-31 214 100000 3.65 2140",
                       "I 2020-01-01 2020-05-31 152 100000 3.65 1516", "C 2020-06-01 3656",
                       "I 2020-06-01 2020-06-10 10 103656 3.65 103"}
        << QList<qint64>{103656, 103, 0, 3759, 0, 103759};
    QTest::newRow("29 February capitalises on 28 February the next year")
        << int(Simple) << qint64(100000) << iso("2020-02-29") << iso("2021-03-02") << none << true
        << none << 1.0 << false << QString()
        << QStringList{"I 2020-02-29 2020-06-30 123 100000 3.65 1230",
                       "I 2020-07-01 2020-12-31 184 100000 7.3 3680",
                       "I 2021-01-01 2021-02-27 58 100000 3.65 580", "C 2021-02-28 5490",
                       "I 2021-02-28 2021-03-01 2 105490 3.65 21"}
        << QList<qint64>{105490, 21, 0, 5511, 0, 105511};
    QTest::newRow("interest before the capitalisation date never compounds")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2020-02-11") << none << true
        << iso("2019-02-01") << 1.0 << false << QString()
        << QStringList{"I 2019-01-01 2019-01-31 31 100000 3.65 310",
                       "I 2019-02-01 2020-01-31 365 100000 3.65 3650", "C 2020-02-01 3650",
                       "I 2020-02-01 2020-02-10 10 103650 3.65 104"}
        << QList<qint64>{103650, 414, 0, 4064, 0, 104064};
    QTest::newRow("a payment settles the oldest interest first")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2020-02-11") << none << true
        << iso("2019-02-01") << 1.0 << false << QStringLiteral("2019-03-01=400")
        << QStringList{"I 2019-01-01 2019-01-31 31 100000 3.65 310",
                       "I 2019-02-01 2019-02-28 28 100000 3.65 280",
                       "P 2019-03-01 400 400 0 0",
                       "I 2019-03-01 2020-01-31 337 100000 3.65 3370",
                       "C 2020-02-01 3560",
                       "I 2020-02-01 2020-02-10 10 103560 3.65 104"}
        << QList<qint64>{103560, 104, 0, 4064, 400, 103664};
    QTest::newRow("a payment on the anniversary comes first; nothing left, no capitalisation")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2020-01-11") << none << true
        << none << 1.0 << false << QStringLiteral("2020-01-01=3650")
        << QStringList{"I 2019-01-01 2019-12-31 365 100000 3.65 3650", "P 2020-01-01 3650 3650 0 0",
                       "I 2020-01-01 2020-01-10 10 100000 3.65 100"}
        << QList<qint64>{100000, 100, 0, 3750, 3650, 100100};
    QTest::newRow("a capitalisation date is ignored while capitalisation is off")
        << int(Simple) << qint64(100000) << iso("2019-01-01") << iso("2020-01-11") << none << false
        << iso("2018-01-01") << 1.0 << false << QString()
        << QStringList{"I 2019-01-01 2020-01-10 375 100000 3.65 3750"}
        << QList<qint64>{100000, 3750, 0, 3750, 0, 103750};
}

void TestStatement::lines()
{
    QFETCH(int, table);
    QFETCH(qint64, principal);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QDate, majorationFrom);
    QFETCH(bool, capitalise);
    QFETCH(QDate, capitalisationFrom);
    QFETCH(double, coefficient);
    QFETCH(bool, actualYear);
    QFETCH(QString, payments);
    QFETCH(QStringList, expected);
    QFETCH(QList<qint64>, totals);

    StatementInput input;
    input.principal = principal;
    input.from = from;
    input.to = to;
    if (majorationFrom.isValid())
        input.majorationFrom = majorationFrom;
    input.capitalise = capitalise;
    if (capitalisationFrom.isValid())
        input.capitalisationFrom = capitalisationFrom;
    input.coefficient = coefficient;
    input.dayBase = actualYear ? DayBase::ActualYear : DayBase::Fixed365;
    input.payments = paymentsOf(payments);

    const StatementResult result = ComputeStatement(makeTable(table), input);
    QVERIFY2(result.ok(), qPrintable(result.error ? result.error->message : QString()));
    QCOMPARE(describe(*result.statement), expected);
    const Statement &s = *result.statement;
    QCOMPARE((QList<qint64>{s.capital, s.interest, s.credit, s.accrued, s.paid, s.total()}),
             totals);
}

void TestStatement::errors_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<StatementInput>("input");
    QTest::addColumn<StatementField>("field");
    QTest::addColumn<int>("payment");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QDate>("missingMonth");

    StatementInput in = baseInput(100000, "2026-05-01", "2026-07-02");
    QTest::newRow("a day after the newest month")
        << int(Simple) << in << StatementField::Rates << -1
        << "Pas de taux pour juillet 2026 : mettez à jour le fichier des taux" << QDate(2026, 7, 1);
    in = baseInput(100000, "2018-12-31", "2019-01-05");
    QTest::newRow("a day before the oldest month")
        << int(Simple) << in << StatementField::Rates << -1
        << "Pas de taux pour décembre 2018 : mettez à jour le fichier des taux"
        << QDate(2018, 12, 1);
    in = baseInput(100000, "2022-01-15", "2022-05-01");
    QTest::newRow("a month missing inside the table")
        << int(Gap) << in << StatementField::Rates << -1
        << "Fichier des taux : il manque le mois de mars 2022" << QDate();
    QTest::newRow("a month without its rate inside the table")
        << int(Unrated) << in << StatementField::Rates << -1
        << "Pas de taux pour mars 2022 : mettez à jour le fichier des taux" << QDate(2022, 3, 1);
    QTest::newRow("a table without a month")
        << int(Empty) << in << StatementField::Rates << -1
        << "Pas de taux pour janvier 2022 : mettez à jour le fichier des taux" << QDate(2022, 1, 1);
    in = baseInput(100000, "2019-02-01", "2019-04-01");
    QTest::newRow("a negative rate in the file")
        << int(Negative) << in << StatementField::Rates << -1
        << "Fichier des taux : le taux de mars 2019 (-1) n'est pas entre 0 et 100 %" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-03-01");
    QTest::newRow("an end date on the first day")
        << int(Simple) << in << StatementField::To << -1
        << "La date de fin doit suivre la date de début des intérêts (01/03/2019)" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-02-01");
    QTest::newRow("an end date before the first day")
        << int(Simple) << in << StatementField::To << -1
        << "La date de fin doit suivre la date de début des intérêts (01/03/2019)" << QDate();
    in = baseInput(-1, "2019-03-01", "2019-04-01");
    QTest::newRow("a negative principal") << int(Simple) << in << StatementField::Principal << -1
                                          << "Le capital ne peut pas être négatif" << QDate();
    in = baseInput(100000000000000001, "2019-03-01", "2019-04-01");
    QTest::newRow("a principal beyond ten thousand billion euros")
        << int(Simple) << in << StatementField::Principal << -1
        << "Le capital est trop grand pour être calculé" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.from = QDate();
    QTest::newRow("no first day") << int(Simple) << in << StatementField::From << -1
                                  << "La date de début des intérêts n'est pas une date valide"
                                  << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.to = QDate(-5, 1, 1);
    QTest::newRow("an end date before year 1")
        << int(Simple) << in << StatementField::To << -1
        << "La date de fin n'est pas une date valide" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.coefficient = 2.5;
    QTest::newRow("a coefficient of 2.5") << int(Simple) << in << StatementField::Coefficient << -1
                                          << "Le coefficient doit être 1, 1,5, 2 ou 3" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.majorationFrom = QDate(2019, 2, 28);
    QTest::newRow("the five points before the first day")
        << int(Simple) << in << StatementField::MajorationFrom << -1
        << "La majoration de cinq points ne peut pas commencer avant le début des intérêts "
           "(01/03/2019)"
        << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.capitalise = true;
    in.capitalisationFrom = QDate(2019, 2, 28);
    QTest::newRow("capitalisation before the first day")
        << int(Simple) << in << StatementField::CapitalisationFrom << -1
        << "La capitalisation ne peut pas commencer avant le début des intérêts (01/03/2019)"
        << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.payments = {{QDate(2019, 3, 10), 100}, {QDate(2019, 2, 28), 100}};
    QTest::newRow("a payment before the first day")
        << int(Simple) << in << StatementField::Payment << 1
        << "Acompte n° 2 : le 28/02/2019 est hors de la période des intérêts, du 01/03/2019 au "
           "31/03/2019"
        << QDate();
    in.payments = {{QDate(2019, 4, 1), 100}};
    QTest::newRow("a payment on the end date")
        << int(Simple) << in << StatementField::Payment << 0
        << "Acompte n° 1 : le 01/04/2019 est hors de la période des intérêts, du 01/03/2019 au "
           "31/03/2019"
        << QDate();
    in.payments = {{QDate(2019, 3, 5), -1}};
    QTest::newRow("a negative payment")
        << int(Simple) << in << StatementField::Payment << 0
        << "Acompte n° 1 : le montant ne peut pas être négatif" << QDate();
    in.payments = {{QDate(), 100}};
    QTest::newRow("a payment without a date")
        << int(Simple) << in << StatementField::Payment << 0
        << "Acompte n° 1 : la date n'est pas une date valide" << QDate();
    in.payments = {{QDate(2019, 3, 5), 100}, {QDate(2019, 3, 6), 1000000000000001}};
    QTest::newRow("a payment beyond ten thousand billion euros")
        << int(Simple) << in << StatementField::Payment << 1
        << "Acompte n° 2 : le montant est trop grand pour être calculé" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.majorationFrom = QDate(10000, 1, 1);
    QTest::newRow("the five points after year 9999")
        << int(Simple) << in << StatementField::MajorationFrom << -1
        << "La date de la majoration de cinq points n'est pas une date valide" << QDate();
    in = baseInput(100000, "2019-03-01", "2019-04-01");
    in.capitalise = true;
    in.capitalisationFrom = QDate();
    QTest::newRow("an empty capitalisation day")
        << int(Simple) << in << StatementField::CapitalisationFrom << -1
        << "La date de la capitalisation n'est pas une date valide" << QDate();
    in = baseInput(200000, "2015-09-18", "2016-04-10");
    for (int i = 0; i < 9300; ++i)
        in.payments.append({QDate(2015, 10, 1), 999999999999999});
    QTest::newRow("9 300 payments of 9 999 999 999 999,99 euros")
        << int(Bundled) << in << StatementField::Payment << 9223
        << "Acompte n° 9224 : le total des acomptes devient trop grand pour être calculé"
        << QDate();
    in = baseInput(100000000000000, "2019-01-01", "2065-01-01");
    in.coefficient = 3;
    in.majorationFrom = in.from;
    in.capitalise = true;
    QTest::newRow("decades of compounding a huge principal")
        << int(Flat311) << in << StatementField::Principal << -1
        << "Les montants deviennent trop grands pour être calculés au centime" << QDate();
}

void TestStatement::errors()
{
    QFETCH(int, table);
    QFETCH(StatementInput, input);
    QFETCH(StatementField, field);
    QFETCH(int, payment);
    QFETCH(QString, message);
    QFETCH(QDate, missingMonth);

    const StatementResult result = ComputeStatement(makeTable(table), input);
    QVERIFY(!result.ok());
    QVERIFY(result.error);
    QCOMPARE(result.error->message, message);
    QCOMPARE(result.error->field, field);
    QCOMPARE(result.error->payment, payment);
    QCOMPARE(result.error->missingMonth, missingMonth);
}

void TestStatement::leapDayAnniversaryReturnsInLeapYears()
{
    StatementInput input = baseInput(100000, "2020-02-29", "2024-03-02");
    input.capitalise = true;
    const StatementResult result = ComputeStatement(makeTable(Simple), input);
    QVERIFY(result.ok());
    QStringList dates;
    for (const StatementLine &line : result.statement->lines) {
        if (const auto *c = std::get_if<CapitalisationLine>(&line))
            dates << c->date.toString(Qt::ISODate);
    }
    QCOMPARE(dates, (QStringList{"2021-02-28", "2022-02-28", "2023-02-28", "2024-02-29"}));
}

void TestStatement::monthInWordsIsLowerCase()
{
    QCOMPARE(monthInWords(QDate(2026, 8, 17)), QStringLiteral("août 2026"));
    QCOMPARE(monthInWords(QDate(2015, 12, 1)), QStringLiteral("décembre 2015"));
    QCOMPARE(formatDay(QDate(2015, 12, 1)), QStringLiteral("01/12/2015"));
    QCOMPARE(formatDay(QDate()), QString());
}

void TestStatement::parseCents_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents"); // -1 for nothing
    QTest::newRow("whole euros") << "2000" << qint64(200000);
    QTest::newRow("decimal comma") << "2000,5" << qint64(200050);
    QTest::newRow("full stop and two decimals") << "0.07" << qint64(7);
    QTest::newRow("grouped with spaces") << "2 089,01" << qint64(208901);
    QTest::newRow("grouped with narrow no-break spaces")
        << "1\u202F234\u00A0567,89" << qint64(123456789);
    QTest::newRow("spaces around are dropped") << "  12 " << qint64(1200);
    QTest::newRow("a minus sign is kept for the check to refuse") << "-12,50" << qint64(-1250);
    QTest::newRow("sixteen integer digits") << "9999999999999999" << qint64(999999999999999900);
    QTest::newRow("seventeen integer digits are refused") << "10000000000000000" << qint64(-1);
    QTest::newRow("three decimals are refused") << "1.005" << qint64(-1);
    QTest::newRow("two decimal marks are refused") << "1.234,56" << qint64(-1);
    QTest::newRow("a mark without decimals is refused") << "12," << qint64(-1);
    QTest::newRow("a mark without integer digits is refused") << ",50" << qint64(-1);
    QTest::newRow("a space after the mark is refused") << "12, 50" << qint64(-1);
    QTest::newRow("a space between the decimals is refused") << "1 500,5 0" << qint64(-1);
    QTest::newRow("a no-break space between the decimals is refused")
        << "12,3\u00A04" << qint64(-1);
    QTest::newRow("an exponent is refused") << "1e3" << qint64(-1);
    QTest::newRow("a currency sign is refused") << "12 €" << qint64(-1);
    QTest::newRow("empty text is refused") << "" << qint64(-1);
    QTest::newRow("a sign alone is refused") << "-" << qint64(-1);
}

void TestStatement::parseCents()
{
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    const std::optional<Cents> parsed = ::parseCents(text);
    QCOMPARE(parsed.value_or(-1), cents);
    QCOMPARE(parsed.has_value(), cents != -1);
}

QTEST_APPLESS_MAIN(TestStatement)
#include "tst_statement.moc"
