#include "schedule/title.h"

#include <QTest>

Q_DECLARE_METATYPE(TitleInput)
Q_DECLARE_METATYPE(TitleField)
Q_DECLARE_METATYPE(StatementInput)

namespace {

// January 2019 to June 2026 at 3,65 %, the second half of 2020 at 7,30 %:
// at 3,65 % on 365 days a capital earns a ten-thousandth of itself a day.
// With `longer`, 2016 to 2065 at 3,11 % for decades of compounding.
RateTable makeTable(bool longer = false)
{
    RateTable table;
    int count = 0;
    const QDate oldest = longer ? QDate(2016, 1, 1) : QDate(2019, 1, 1);
    for (QDate m = longer ? QDate(2065, 12, 1) : QDate(2026, 6, 1); m >= oldest;
         m = m.addMonths(-1), ++count) {
        table.rows[count].monthStart = m;
        table.rows[count].rate = longer ? 3.11 : m.year() == 2020 && m.month() >= 7 ? 7.30 : 3.65;
    }
    table.count = qint16(count);
    return table;
}

QDate iso(const char *text)
{
    return QDate::fromString(QString::fromLatin1(text), Qt::ISODate);
}

Claim legal(Cents amount, const char *from)
{
    Claim claim;
    claim.label = QStringLiteral("Principal");
    claim.amount = amount;
    claim.from = iso(from);
    return claim;
}

// "I from to days capital rate interest", "C date amount".
QStringList describe(const QList<StatementLine> &lines)
{
    QStringList out;
    for (const StatementLine &line : lines) {
        if (const auto *i = std::get_if<InterestLine>(&line))
            out << QStringLiteral("I %1 %2 %3 %4 %5 %6")
                       .arg(i->from.toString(Qt::ISODate), i->to.toString(Qt::ISODate))
                       .arg(i->days)
                       .arg(i->capital)
                       .arg(QString::number(i->rate, 'g', 12))
                       .arg(i->interest);
        else if (const auto *c = std::get_if<CapitalisationLine>(&line))
            out << QStringLiteral("C %1 %2").arg(c->date.toString(Qt::ISODate)).arg(c->amount);
    }
    return out;
}

// "P date payment amount F0=… I1=… K0=… R=…": costs, a claim's interest, its
// capital, the credit; "-" for the credit applied to what fell due.
QStringList describe(const QList<PaymentApplication> &payments)
{
    QStringList out;
    for (const PaymentApplication &p : payments) {
        QString text = QStringLiteral("P %1 %2 %3")
                           .arg(p.date.toString(Qt::ISODate),
                                p.payment < 0 ? QStringLiteral("-") : QString::number(p.payment))
                           .arg(p.amount);
        for (const Allocation &a : p.allocations) {
            const char *kind[] = {"F", "I", "K", "R"};
            text += QStringLiteral(" %1%2=%3")
                        .arg(QLatin1String(kind[int(a.to)]),
                             a.index < 0 ? QString() : QString::number(a.index))
                        .arg(a.amount);
        }
        out << text;
    }
    return out;
}

// Per claim: capital, interest, paid on interest, paid on capital; then
// the title's capital, costs, interest, credit, total.
QList<qint64> totals(const TitleStatement &s)
{
    QList<qint64> out;
    for (const ClaimStatement &c : s.claims)
        out << c.capital << c.interest << c.paidInterest << c.paidCapital;
    return out << s.capital << s.costs << s.interest << s.credit << s.total();
}

// 10 000 euros of principal from 1 January 2019, 1 500 euros under
// article 700 and 800 euros of dépens from 1 March, a commandement of
// 120 euros on 1 April, paid 2 000 euros on 1 April and 1 000 on 1 June.
TitleInput judgment()
{
    TitleInput input;
    input.claims = {legal(1000000, "2019-01-01"), legal(150000, "2019-03-01"),
                    legal(80000, "2019-03-01")};
    input.claims[1].label = QStringLiteral("Article 700 du code de procédure civile");
    input.claims[2].label = QStringLiteral("Dépens");
    input.claims[2].interest = ClaimInterest::None;
    input.costs = {{iso("2019-04-01"), QStringLiteral("Commandement"), 12000}};
    input.payments = {{iso("2019-04-01"), 200000, -1}, {iso("2019-06-01"), 100000, -1}};
    input.to = iso("2019-07-01");
    return input;
}

} // namespace

class TestTitle : public QObject
{
    Q_OBJECT
private slots:
    void majorationAfterService_data();
    void majorationAfterService();
    void imputation_data();
    void imputation();
    void accrual_data();
    void accrual();
    void provision_data();
    void provision();
    void oneClaimIsTodaysStatement_data();
    void oneClaimIsTodaysStatement();
    void errors_data();
    void errors();
};

void TestTitle::majorationAfterService_data()
{
    QTest::addColumn<QDate>("served");
    QTest::addColumn<QDate>("first");
    QTest::newRow("the same day two months on") << iso("2024-03-15") << iso("2024-05-16");
    QTest::newRow("31 December ends on 29 February of a leap year")
        << iso("2023-12-31") << iso("2024-03-01");
    QTest::newRow("30 June ends on 30 August") << iso("2025-06-30") << iso("2025-08-31");
    QTest::newRow("30 December ends on 29 February") << iso("2023-12-30") << iso("2024-03-01");
    QTest::newRow("served on 29 February") << iso("2024-02-29") << iso("2024-04-30");
    QTest::newRow("31 January ends on 31 March") << iso("2025-01-31") << iso("2025-04-01");
    QTest::newRow("across the new year") << iso("2025-11-30") << iso("2026-01-31");
    QTest::newRow("no date, no day") << QDate() << QDate();
}

void TestTitle::majorationAfterService()
{
    QFETCH(QDate, served);
    QFETCH(QDate, first);
    QCOMPARE(MajorationAfterService(served), first);
}

void TestTitle::imputation_data()
{
    QTest::addColumn<TitleInput>("input");
    QTest::addColumn<QStringList>("payments");
    QTest::addColumn<QList<qint64>>("totals");

    // Principal: 1 000 000 x 90 days (January to March) / 10 000 = 9 000;
    // article 700: 150 000 x 31 / 10 000 = 465. On 1 April the 200 000
    // pay the commandement 12 000, the interest 9 000 and 465, and 178 535
    // of principal, which leaves 821 465. To 31 May (61 days): 821 465 x
    // 61 / 10 000 = 5 010,94 -> 5 011 and 150 000 x 61 / 10 000 = 915. On
    // 1 June the 100 000 pay 5 011 and 915, and 94 074 of principal: 727
    // 391 left, which earn 727 391 x 30 / 10 000 = 2 182,17 -> 2 182 in
    // June, the article 700 450.
    QTest::newRow("costs, then interest, then capital")
        << judgment()
        << QStringList{"P 2019-04-01 0 200000 F0=12000 I0=9000 I1=465 K0=178535",
                       "P 2019-06-01 1 100000 I0=5011 I1=915 K0=94074"}
        << QList<qint64>{727391, 2182, 14011, 272609, 150000, 450,  1380, 0,     80000,
                         0,      0,    0,     957391, 0,      2632, 0,    960023};
    // All to the principal: 800 000 earn 4 880 to 31 May, 700 000 then 2
    // 100 in June; the costs and the interest stay owed.
    TitleInput input = judgment();
    input.imputation = Imputation::CapitalFirst;
    QTest::newRow("capital first")
        << input
        << QStringList{"P 2019-04-01 0 200000 K0=200000", "P 2019-06-01 1 100000 K0=100000"}
        << QList<qint64>{700000, 15980, 0, 300000, 150000, 1830,  0, 0,     80000,
                         0,      0,     0, 930000, 12000,  17810, 0, 959810};
    // The article 700 first, its 465 and its 150 000; what is left follows
    // the order: 971 465 of principal earn 5 925,94 -> 5 926 to 31 May and,
    // after the 94 074 of June, 877 391 earn 2 632,17 -> 2 632.
    input = judgment();
    input.payments[0].claim = 1;
    QTest::newRow("a payment naming the article 700")
        << input
        << QStringList{"P 2019-04-01 0 200000 I1=465 K1=150000 F0=12000 I0=9000 K0=28535",
                       "P 2019-06-01 1 100000 I0=5926 K0=94074"}
        << QList<qint64>{877391, 2632, 14926, 122609, 0, 0,    465, 150000, 80000,
                         0,      0,    0,     957391, 0, 2632, 0,   960023};
    // 101 pay the cost of 50 and the 100 of interest, and one cent of
    // capital; to 15 January 99 999 earn 49,9995 -> 50, one cent of which
    // is paid on the 16th, and 50 again to the 20th.
    input = TitleInput();
    input.claims = {legal(100000, "2019-01-01")};
    input.costs = {{iso("2019-01-11"), QStringLiteral("Commandement"), 50}};
    input.payments = {{iso("2019-01-11"), 151, -1}, {iso("2019-01-16"), 1, -1}};
    input.to = iso("2019-01-21");
    QTest::newRow("the last cent of a payment")
        << input << QStringList{"P 2019-01-11 0 151 F0=50 I0=100 K0=1", "P 2019-01-16 1 1 I0=1"}
        << QList<qint64>{99999, 99, 101, 1, 99999, 0, 99, 0, 100098};
    // 100 of interest and the 100 000 paid on 11 January leave 49 900 of
    // credit: 30 000 go to the cost of 21 January, 19 900 to that of
    // 1 February, which still owes 10 100.
    input.costs = {{iso("2019-02-01"), QStringLiteral("Saisie"), 30000},
                   {iso("2019-01-21"), QStringLiteral("Commandement"), 30000}};
    input.payments = {{iso("2019-01-11"), 150000, -1}};
    input.to = iso("2019-03-01");
    QTest::newRow("a credit absorbed by later costs")
        << input
        << QStringList{"P 2019-01-11 0 150000 I0=100 K0=100000 R=49900",
                       "P 2019-01-21 - 30000 F1=30000", "P 2019-02-01 - 19900 F0=19900"}
        << QList<qint64>{0, 0, 100, 100000, 0, 10100, 0, 0, 10100};
    input.costs[0].amount = 10000;
    QTest::newRow("a credit left after the costs")
        << input
        << QStringList{"P 2019-01-11 0 150000 I0=100 K0=100000 R=49900",
                       "P 2019-01-21 - 30000 F1=30000", "P 2019-02-01 - 10000 F0=10000"}
        << QList<qint64>{0, 0, 100, 100000, 0, 0, 0, 9900, -9900};
    // The credit of 49 900 pays a claim falling due on 21 January; what is
    // left of it earns 40 100 x 39 days x 7,3 % / 365 = 312,78 to March.
    input.costs.clear();
    input.claims.append(legal(90000, "2019-01-21"));
    input.claims[1].interest = ClaimInterest::Fixed;
    input.claims[1].fixedRate = QStringLiteral("7,3");
    QTest::newRow("a credit absorbed by a later claim")
        << input
        << QStringList{"P 2019-01-11 0 150000 I0=100 K0=100000 R=49900",
                       "P 2019-01-21 - 49900 K1=49900"}
        << QList<qint64>{0, 0, 100, 100000, 40100, 313, 0, 49900, 40100, 0, 313, 0, 40413};
}

void TestTitle::imputation()
{
    QFETCH(TitleInput, input);
    QFETCH(QStringList, payments);
    QFETCH(QList<qint64>, totals);
    const TitleResult result = ComputeTitle(makeTable(), input);
    QVERIFY2(result.ok(), qPrintable(result.error ? result.error->message : QString()));
    QCOMPARE(describe(result.statement->payments), payments);
    QCOMPARE(::totals(*result.statement), totals);
}

void TestTitle::accrual_data()
{
    QTest::addColumn<TitleInput>("input");
    QTest::addColumn<QList<QStringList>>("lines"); // a claim's each

    TitleInput input;
    input.claims = {legal(100000, "2019-01-01"), legal(100000, "2019-01-01")};
    input.claims[0].capitalise = true;
    input.to = iso("2020-01-11");
    QTest::newRow("capitalisation on one claim only")
        << input
        << QList<QStringList>{{"I 2019-01-01 2019-12-31 365 100000 3.65 3650", "C 2020-01-01 3650",
                               "I 2020-01-01 2020-01-10 10 103650 3.65 104"},
                              {"I 2019-01-01 2020-01-10 375 100000 3.65 3750"}};
    // Served 15 March 2024: the five points from 16 May, from its own first
    // day for a claim due later. 100 000 x 26 x 8,65 / 36 500 = 616,16 and
    // x 10 = 236,99.
    input = TitleInput();
    input.claims = {legal(100000, "2024-01-01"), legal(100000, "2024-06-01"),
                    legal(100000, "2024-01-01")};
    input.claims[0].majorated = true;
    input.claims[1].majorated = true;
    input.majoration = {TitleMajoration::Kind::ServedOn, iso("2024-03-15")};
    input.to = iso("2024-06-11");
    QTest::newRow("the five points from the service, or from a later first day")
        << input
        << QList<QStringList>{{"I 2024-01-01 2024-05-15 136 100000 3.65 1360",
                               "I 2024-05-16 2024-06-10 26 100000 8.65 616"},
                              {"I 2024-06-01 2024-06-10 10 100000 8.65 237"},
                              {"I 2024-01-01 2024-06-10 162 100000 3.65 1620"}};
    // 1 000 000 x 10 x 12,125 / 36 500 = 3 321,92 never compounds; of the
    // year's 121 250, what the payment on the anniversary leaves does.
    input = TitleInput();
    input.claims = {legal(1000000, "2019-01-01"), legal(0, "2019-01-01")};
    input.claims[0].interest = ClaimInterest::Fixed;
    input.claims[0].fixedRate = QStringLiteral(" 12.125 ");
    input.claims[0].capitalise = true;
    input.claims[0].capitalisationFrom = iso("2019-01-11");
    input.payments = {{iso("2020-01-11"), 60000, 0}};
    input.to = iso("2020-01-21");
    QTest::newRow("a fixed rate as typed, capitalised from its own date")
        << input
        << QList<QStringList>{{"I 2019-01-01 2019-01-10 10 1000000 12.125 3322",
                               "I 2019-01-11 2020-01-10 365 1000000 12.125 121250",
                               "C 2020-01-11 64572",
                               "I 2020-01-11 2020-01-20 10 1064572 12.125 3536"},
                              {}};
    // Nothing to look up in the rates file, even for the first days it
    // could not have.
    input = TitleInput();
    input.claims = {legal(100000, "0001-01-01")};
    input.claims[0].interest = ClaimInterest::Fixed;
    input.claims[0].fixedRate = QStringLiteral("3,65");
    input.to = iso("0001-01-11");
    QTest::newRow("a fixed rate needs no rates, back to year 1")
        << input << QList<QStringList>{{"I 0001-01-01 0001-01-10 10 100000 3.65 100"}};
    input.claims[0].from = iso("9999-12-21");
    input.to = iso("9999-12-31");
    QTest::newRow("a fixed rate needs no rates, up to year 9999")
        << input << QList<QStringList>{{"I 9999-12-21 9999-12-30 10 100000 3.65 100"}};
}

void TestTitle::accrual()
{
    QFETCH(TitleInput, input);
    QFETCH(QList<QStringList>, lines);
    const TitleResult result = ComputeTitle(makeTable(), input);
    QVERIFY2(result.ok(), qPrintable(result.error ? result.error->message : QString()));
    QList<QStringList> got;
    for (const ClaimStatement &claim : result.statement->claims)
        got << describe(claim.lines);
    QCOMPARE(got, lines);
}

void TestTitle::provision_data()
{
    QTest::addColumn<TitleInput>("input");
    QTest::addColumn<qint64>("provision");
    QTest::addColumn<QDate>("until");
    QTest::addColumn<QDate>("rateMonth"); // invalid: every month in the file

    TitleInput input;
    input.provision = true;
    input.claims = {legal(100000, "2026-05-01")};
    input.to = iso("2026-05-21");
    input.claims[0].majorated = true;
    input.majoration = {TitleMajoration::Kind::FirstDay, iso("2026-05-31")};
    // 31 days in the file: 10 at 3,65 %, 100 000 x 10 / 10 000 = 100, then
    // 1 and 20 at 8,65 %, 23,70 and 473,97.
    QTest::newRow("a month the file has, the five points from within it")
        << input << qint64(598) << iso("2026-06-21") << QDate();
    input.majoration = {};
    input.claims[0].majorated = false;
    // 10 days of June and 20 of July at June's rate; the fixed 7,3 % on
    // 100 000 x 30 days is 600, whatever the file.
    input.claims = {legal(100000, "2026-06-01"), legal(100000, "2026-06-01")};
    input.claims[1].interest = ClaimInterest::Fixed;
    input.claims[1].fixedRate = QStringLiteral("7,3");
    input.to = iso("2026-06-21");
    QTest::newRow("a month past the file at its newest rate")
        << input << qint64(900) << iso("2026-07-21") << iso("2026-06-01");
    // Paid off on the 10th: 5 000 x 9 / 10 000 = 4,5 -> 5 of interest, and
    // nothing taken from a month past the file.
    input.claims[0].amount = 5000;
    input.payments = {{iso("2026-06-10"), 5005, 0}};
    QTest::newRow("no rate past the file for a claim paid off")
        << input << qint64(600) << iso("2026-07-21") << QDate();
    input.payments.clear();
    // To 28 February at 8,65 %: one day of January, 100 000 x 8,65 / 36 500
    // = 23,70, and 27 of February, 639,86; nothing on a claim paid off or
    // without interest.
    input.claims = {legal(100000, "2026-01-01"), legal(100000, "2026-01-01"),
                    legal(5000, "2026-01-01")};
    input.claims[0].majorated = true;
    input.claims[1].interest = ClaimInterest::None;
    input.majoration = {TitleMajoration::Kind::FirstDay, iso("2026-01-01")};
    input.payments = {{iso("2026-01-10"), 5005, 2}};
    input.to = iso("2026-01-31");
    QTest::newRow("from 31 January to the last day of February, majorated")
        << input << qint64(664) << iso("2026-02-28") << QDate();
    // 10 days of 2019 at 1/365, 21 of 2020 at 1/366: 100 + 209,43.
    input = TitleInput();
    input.provision = true;
    input.dayBase = DayBase::ActualYear;
    input.claims = {legal(100000, "2019-12-01")};
    input.to = iso("2019-12-22");
    QTest::newRow("across the new year, a leap year's day as 1/366")
        << input << qint64(309) << iso("2020-01-22") << QDate();
}

void TestTitle::provision()
{
    QFETCH(TitleInput, input);
    QFETCH(qint64, provision);
    QFETCH(QDate, until);
    QFETCH(QDate, rateMonth);
    const TitleResult result = ComputeTitle(makeTable(), input);
    QVERIFY2(result.ok(), qPrintable(result.error ? result.error->message : QString()));
    QCOMPARE(result.statement->provision, provision);
    QCOMPARE(result.statement->provisionUntil, until);
    QCOMPARE(result.statement->provisionRateMonth, rateMonth);
    QCOMPARE(result.statement->totalWithProvision(), result.statement->total() + provision);
}

void TestTitle::oneClaimIsTodaysStatement_data()
{
    QTest::addColumn<StatementInput>("input");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<qint64>>("payment"); // on interest, on capital, to the credit
    QTest::addColumn<QList<qint64>>("totals");  // capital, interest, credit, accrued, total

    StatementInput input;
    input.principal = 100000;
    input.from = iso("2019-01-01");
    input.to = iso("2020-02-11");
    input.capitalise = true;
    input.capitalisationFrom = iso("2019-02-01");
    input.majorationFrom = iso("2019-12-01");
    input.payments = {{iso("2019-03-01"), 400}};
    // 100 000 x 62 x 8,65 / 36 500 = 1 469,32 from 1 December; a year of
    // interest since 1 February compounds, the 310 of January never does.
    QTest::newRow("capitalised, majorated, one payment")
        << input
        << QStringList{"I 2019-01-01 2019-01-31 31 100000 3.65 310",
                       "I 2019-02-01 2019-02-28 28 100000 3.65 280",
                       "I 2019-03-01 2019-11-30 275 100000 3.65 2750",
                       "I 2019-12-01 2020-01-31 62 100000 8.65 1469",
                       "C 2020-02-01 4409",
                       "I 2020-02-01 2020-02-10 10 104409 8.65 247"}
        << QList<qint64>{400, 0, 0} << QList<qint64>{104409, 247, 0, 5056, 104656};
    input = StatementInput();
    input.principal = 1000000;
    input.from = iso("2020-01-01");
    input.to = iso("2020-01-21");
    input.dayBase = DayBase::ActualYear;
    input.payments = {{iso("2020-01-11"), 1500000}};
    // 1 000 000 x 10 x 3,65 / 36 600 = 997,27.
    QTest::newRow("paid beyond everything, a leap year's day as 1/366")
        << input << QStringList{"I 2020-01-01 2020-01-10 10 1000000 3.65 997"}
        << QList<qint64>{997, 1000000, 499003} << QList<qint64>{0, 0, 499003, 997, -499003};
}

void TestTitle::oneClaimIsTodaysStatement()
{
    QFETCH(StatementInput, input);
    QFETCH(QStringList, lines);
    QFETCH(QList<qint64>, payment);
    QFETCH(QList<qint64>, totals);
    const RateTable table = makeTable();

    const StatementResult today = ComputeStatement(table, input);
    QVERIFY(today.ok());
    QCOMPARE(describe(today.statement->lines), lines);
    const PaymentLine *paid = nullptr;
    for (const StatementLine &line : today.statement->lines)
        paid = paid ? paid : std::get_if<PaymentLine>(&line);
    QVERIFY(paid);
    QCOMPARE((QList<qint64>{paid->onInterest, paid->onCapital, paid->toCredit}), payment);
    const Statement &s = *today.statement;
    QCOMPARE((QList<qint64>{s.capital, s.interest, s.credit, s.accrued, s.total()}), totals);

    TitleInput title;
    Claim claim = legal(input.principal, "2019-01-01");
    claim.from = input.from;
    claim.majorated = input.majorationFrom.has_value();
    claim.capitalise = input.capitalise;
    claim.capitalisationFrom = input.capitalisationFrom;
    title.claims = {claim};
    if (input.majorationFrom)
        title.majoration = {TitleMajoration::Kind::FirstDay, *input.majorationFrom};
    title.payments = {{input.payments.at(0).date, input.payments.at(0).amount, -1}};
    title.dayBase = input.dayBase;
    title.to = input.to;
    const TitleResult result = ComputeTitle(table, title);
    QVERIFY(result.ok());
    const TitleStatement &t = *result.statement;
    QCOMPARE(describe(t.claims.at(0).lines), lines);
    const PaymentApplication &applied = t.payments.at(0);
    QCOMPARE((QList<qint64>{applied.onInterest, applied.onCapital, applied.toCredit}), payment);
    QCOMPARE((QList<qint64>{t.capital, t.interest, t.credit, t.accrued, t.total()}), totals);
}

void TestTitle::errors_data()
{
    QTest::addColumn<TitleInput>("input");
    QTest::addColumn<bool>("longer");
    QTest::addColumn<TitleField>("field");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("message");

    TitleInput base;
    base.claims = {legal(100000, "2019-01-01"), legal(50000, "2019-03-01")};
    base.to = iso("2019-04-01");
    const auto row = [](const char *name, const TitleInput &input, TitleField field, int index,
                        const char *message, bool longer = false) {
        QTest::newRow(name) << input << longer << field << index << QString::fromUtf8(message);
    };

    TitleInput in = base;
    in.claims[1].from = in.to;
    row("a claim due on the end date", in, TitleField::ClaimFrom, 1,
        "Créance n° 2 : la date « dû à compter du » (01/04/2019) doit précéder la date de fin "
        "(01/04/2019)");
    in = base;
    in.costs = {{iso("2018-12-31"), QStringLiteral("Frais"), 100}};
    row("a cost before the statement", in, TitleField::CostDate, 0,
        "Frais n° 1 : le 31/12/2018 est hors de la période du décompte, du 01/01/2019 au "
        "31/03/2019");
    in = base;
    in.payments = {{iso("2019-02-01"), 100, -1}, {iso("2019-04-01"), 100, -1}};
    row("a payment on the end date", in, TitleField::PaymentDate, 1,
        "Acompte n° 2 : le 01/04/2019 est hors de la période du décompte, du 01/01/2019 au "
        "31/03/2019");
    in.payments = {{iso("2019-02-01"), 100, 2}};
    row("a payment naming a claim that does not exist", in, TitleField::PaymentClaim, 0,
        "Acompte n° 1 : la créance n° 3 n'existe pas");
    in.payments = {{iso("2019-02-28"), 100, 0}};
    std::swap(in.claims[0], in.claims[1]);
    row("a payment naming a claim not yet due", in, TitleField::PaymentClaim, 0,
        "Acompte n° 1 : la créance n° 1 n'est due qu'à compter du 01/03/2019");
    in = base;
    in.majoration = {TitleMajoration::Kind::ServedOn, iso("2019-04-02")};
    row("served after the end date", in, TitleField::Majoration, -1,
        "La date de signification (02/04/2019) doit précéder la date de fin (01/04/2019)");
    for (const char *rate : {"0", "150", "4,12345", "100,0001", "-4", "4,", ",5", "4 5"}) {
        in = base;
        in.claims[1].interest = ClaimInterest::Fixed;
        in.claims[1].fixedRate = QString::fromLatin1(rate);
        row(qPrintable(QStringLiteral("a fixed rate of %1").arg(rate)), in,
            TitleField::ClaimFixedRate, 1,
            "Créance n° 2 : le taux fixe doit être supérieur à 0 et d'au plus 100 %, avec au plus "
            "quatre décimales");
    }
    in = base;
    in.claims.clear();
    row("no claim", in, TitleField::Claims, -1, "Le décompte doit compter au moins une créance");
    in = base;
    in.costs.fill({iso("2019-02-01"), QString(), 1}, 201);
    row("201 costs", in, TitleField::Costs, 200,
        "Frais n° 201 : un décompte compte au plus 200 frais");
    in = base;
    in.claims[0].amount = 1000000000000001;
    row("a claim beyond ten thousand billion euros", in, TitleField::ClaimAmount, 0,
        "Créance n° 1 : le montant est trop grand pour être calculé");
    in = base;
    in.claims[1].coefficient = 2.5;
    row("a coefficient of 2.5", in, TitleField::ClaimCoefficient, 1,
        "Créance n° 2 : le coefficient doit être 1, 1,5, 2 ou 3");
    in = base;
    in.claims[1].capitalise = true;
    in.claims[1].capitalisationFrom = iso("2019-02-28");
    row("capitalisation before the claim is due", in, TitleField::ClaimCapitalisationFrom, 1,
        "Créance n° 2 : la capitalisation ne peut pas commencer avant la date « dû à compter du » "
        "(01/03/2019)");
    in = base;
    in.majoration = {TitleMajoration::Kind::FirstDay, QDate()};
    row("a first majorated day that is no date", in, TitleField::Majoration, -1,
        "La date de la majoration de cinq points n'est pas une date valide");
    in = base;
    in.payments = {{QDate(), 100, -1}};
    row("a payment without a date", in, TitleField::PaymentDate, 0,
        "Acompte n° 1 : la date n'est pas une date valide");
    in = base;
    in.claims[1].interest = ClaimInterest::Fixed;
    in.claims[1].fixedRate = QStringLiteral("5");
    in.claims[1].majorated = true;
    in.majoration = {TitleMajoration::Kind::ServedOn, iso("2019-01-15")};
    row("the five points on a fixed rate", in, TitleField::ClaimMajorated, 1,
        "Créance n° 2 : la majoration de cinq points ne s'applique pas à un taux fixe");
    in = base;
    in.claims[1].majorated = true;
    row("the five points without a date for the title", in, TitleField::ClaimMajorated, 1,
        "Créance n° 2 : la majoration de cinq points demande la date de signification du titre "
        "ou celle de la majoration");
    in = base;
    while (in.claims.size() < 51)
        in.claims.append(base.claims.at(0));
    row("51 claims", in, TitleField::Claims, 50,
        "Créance n° 51 : un décompte compte au plus 50 créances");
    in = base;
    in.claims[0].label = QString(201, u'x');
    row("a label of 201 characters", in, TitleField::ClaimLabel, 0,
        "Créance n° 1 : le libellé dépasse 200 caractères");
    in = base;
    in.costs = {{iso("2019-02-01"), QString(), -1}};
    row("a negative cost", in, TitleField::CostAmount, 0,
        "Frais n° 1 : le montant ne peut pas être négatif");
    in = base;
    in.claims[1].from = iso("2018-12-01");
    row("a month before the file", in, TitleField::Rates, -1,
        "Pas de taux pour décembre 2018 : mettez à jour le fichier des taux");
    in = base;
    for (int i = 0; i < 9300; ++i)
        in.payments.append({iso("2019-03-10"), 999999999999999, -1});
    row("9 300 payments of 9 999 999 999 999,99 euros", in, TitleField::PaymentAmount, 9223,
        "Acompte n° 9224 : le total des acomptes devient trop grand pour être calculé");
    in = base;
    in.claims[1] = legal(100000000000000, "2019-01-01");
    in.claims[1].coefficient = 3;
    in.claims[1].capitalise = true;
    in.to = iso("2065-01-01");
    row("decades of compounding a huge principal", in, TitleField::ClaimAmount, 1,
        "Créance n° 2 : les montants deviennent trop grands pour être calculés au centime", true);
}

void TestTitle::errors()
{
    QFETCH(TitleInput, input);
    QFETCH(bool, longer);
    QFETCH(TitleField, field);
    QFETCH(int, index);
    QFETCH(QString, message);
    const TitleResult result = ComputeTitle(makeTable(longer), input);
    QVERIFY(!result.ok());
    QCOMPARE(result.error->message, message);
    QCOMPARE(result.error->field, field);
    QCOMPARE(result.error->index, index);
}

QTEST_APPLESS_MAIN(TestTitle)
#include "tst_title.moc"
