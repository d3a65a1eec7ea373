#include "savedgolden.h"
#include "schedule/titledraft.h"
#include "testfiles.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The title as the window holds it, without a display: fields as typed,
// read into a title or into errors that name their claim, cost or payment.
class TestTitleDraft : public QObject
{
    Q_OBJECT

private slots:
    void errorsNameTheirField_data();
    void errorsNameTheirField();
    void paymentsFollowTheirClaim_data();
    void paymentsFollowTheirClaim();
    void oneCapital_data();
    void oneCapital();
    void savedTitleComesBackWhole();
    void limits();
};

namespace {

const QLocale kFrench(QLocale::French, QLocale::France);

// Two claims, a cost and a payment naming the second claim, every field readable.
TitleDraft judgment()
{
    TitleDraft d;
    d.to = u"01/07/2019"_s;
    d.claims[0].amount = u"10 000"_s;
    d.claims[0].from = u"1er janvier 2019"_s;
    ClaimDraft fixed;
    fixed.label = u"Article 700 du code de procédure civile"_s;
    fixed.amount = u"1500,00"_s;
    fixed.from = u"01/03/2019"_s;
    fixed.interest = ClaimInterest::Fixed;
    fixed.fixedRate = u"4,5"_s;
    d.claims.append(fixed);
    d.costs = {{u"01/04/2019"_s, u"Commandement"_s, u"120"_s}};
    d.payments = {{u"01/06/2019"_s, u"1 000,00"_s, 1}};
    return d;
}

} // namespace

void TestTitleDraft::errorsNameTheirField_data()
{
    QTest::addColumn<QString>("field"); // which field of judgment() is typed over
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("kind"); // TitleField
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("message");

    QTest::newRow("a claim's amount with three decimals")
        << "claim 1 amount"
        << "12,505" << int(TitleField::ClaimAmount) << 1
        << u"Créance n° 2, montant : « 12,505 » a plus de deux décimales ; attendu un montant au "
           "centime, comme 1500,50."_s;
    QTest::newRow("a second claim without amount")
        << "claim 1 amount"
        << "" << int(TitleField::ClaimAmount) << 1
        << u"Créance n° 2, montant : saisissez le montant, par exemple 1500,50."_s;
    QTest::newRow("31 February as a first day")
        << "claim 0 from"
        << "31/02/2019" << int(TitleField::ClaimFrom) << 0
        << u"Créance n° 1, dû à compter du : date illisible : écrivez par exemple 18/09/2015 ou "
           "18 septembre 2015."_s;
    QTest::newRow("a rate with five decimals")
        << "claim 1 rate"
        << "4,12345" << int(TitleField::ClaimFixedRate) << 1
        << u"Créance n° 2, taux : « 4,12345 » n'est pas un taux : plus de 0, au plus 100, avec au "
           "plus quatre décimales, comme 4,5."_s;
    QTest::newRow("no rate")
        << "claim 1 rate"
        << " " << int(TitleField::ClaimFixedRate) << 1
        << u"Créance n° 2, taux : saisissez le taux annuel, par exemple 4,5."_s;
    QTest::newRow("a cost's date in words")
        << "cost date"
        << "bientôt" << int(TitleField::CostDate) << 0
        << u"Frais n° 1, date : date illisible : écrivez par exemple 18/09/2015 ou 18 septembre "
           "2015."_s;
    QTest::newRow("a cost's amount below zero")
        << "cost amount"
        << "-5" << int(TitleField::CostAmount) << 0
        << u"Frais n° 1, montant : « -5 » est négatif ; attendu un montant positif ou nul, comme "
           "1500,50."_s;
    QTest::newRow("a payment without date")
        << "payment date"
        << "" << int(TitleField::PaymentDate) << 0
        << u"Acompte n° 1, date : saisissez la date, par exemple 18/09/2015."_s;
    QTest::newRow("no end date") << "to"
                                 << "" << int(TitleField::To) << -1
                                 << u"Jusqu'au : saisissez la date, par exemple 18/09/2015."_s;
    QTest::newRow("a service date in words")
        << "served"
        << "hier" << int(TitleField::Majoration) << -1
        << u"Signifié le : date illisible : écrivez par exemple 18/09/2015 ou 18 septembre 2015."_s;
}

void TestTitleDraft::errorsNameTheirField()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(QString, message);
    TitleDraft d = judgment();
    if (field == u"claim 1 amount")
        d.claims[1].amount = typed;
    else if (field == u"claim 0 from")
        d.claims[0].from = typed;
    else if (field == u"claim 1 rate")
        d.claims[1].fixedRate = typed;
    else if (field == u"cost date")
        d.costs[0].date = typed;
    else if (field == u"cost amount")
        d.costs[0].amount = typed;
    else if (field == u"payment date")
        d.payments[0].date = typed;
    else if (field == u"to")
        d.to = typed;
    else if (field == u"served") {
        d.claims[0].majorated = true;
        d.majorationKind = TitleMajoration::Kind::ServedOn;
        d.majorationDate = typed;
    }
    const DraftRead read = d.read(kFrench);
    QVERIFY(!read.title);
    QCOMPARE(read.errors.size(), 1);
    QCOMPARE(int(read.errors[0].field), kind);
    QCOMPARE(read.errors[0].index, index);
    QCOMPARE(read.errors[0].message, message);
}

void TestTitleDraft::paymentsFollowTheirClaim_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QStringList>("labels"); // the claims after it
    QTest::addColumn<QList<int>>("claims");  // what each payment names after it

    // Claims A, B, C; payments naming A, B, nothing, C.
    QTest::newRow("B down") << "move 1 +1" << true << QStringList{"A", "C", "B"}
                            << QList<int>{0, 2, -1, 1};
    QTest::newRow("B up") << "move 1 -1" << true << QStringList{"B", "A", "C"}
                          << QList<int>{1, 0, -1, 2};
    QTest::newRow("C down, past the end")
        << "move 2 +1" << false << QStringList{"A", "B", "C"} << QList<int>{0, 1, -1, 2};
    QTest::newRow("A up, past the start")
        << "move 0 -1" << false << QStringList{"A", "B", "C"} << QList<int>{0, 1, -1, 2};
    QTest::newRow("two places at once")
        << "move 0 +2" << false << QStringList{"A", "B", "C"} << QList<int>{0, 1, -1, 2};
    QTest::newRow("B removed") << "remove 1" << true << QStringList{"A", "C"}
                               << QList<int>{0, -1, -1, 1};
    QTest::newRow("A removed") << "remove 0" << true << QStringList{"B", "C"}
                               << QList<int>{-1, 0, -1, 1};
    QTest::newRow("a fourth removed")
        << "remove 3" << false << QStringList{"A", "B", "C"} << QList<int>{0, 1, -1, 2};
}

void TestTitleDraft::paymentsFollowTheirClaim()
{
    QFETCH(QString, operation);
    QFETCH(bool, done);
    QFETCH(QStringList, labels);
    QFETCH(QList<int>, claims);
    TitleDraft d;
    d.claims[0].label = u"A"_s;
    d.claims[0].from = u"01/01/2019"_s;
    for (const char *label : {"B", "C"}) {
        const int added = d.addClaim();
        QCOMPARE(d.claims[added].from, u"01/01/2019"_s); // the first claim's day
        d.claims[added].label = QString::fromLatin1(label);
    }
    for (int claim : {0, 1, -1, 2})
        d.payments.append({u"01/02/2019"_s, u"10"_s, claim});
    const QStringList words = operation.split(u' ');
    const bool result = words[0] == u"move" ? d.moveClaim(words[1].toInt(), words[2].toInt())
                                            : d.removeClaim(words[1].toInt());
    QCOMPARE(result, done);
    QStringList after;
    for (const ClaimDraft &c : d.claims)
        after << c.label;
    QCOMPARE(after, labels);
    QList<int> named;
    for (const PaymentDraft &p : d.payments)
        named << p.claim;
    QCOMPARE(named, claims);
}

void TestTitleDraft::oneCapital_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("oneCapital");

    QTest::newRow("as created") << "" << true;
    QTest::newRow("the +5 from a day") << "+5" << true;
    QTest::newRow("the +5 ticked without its day") << "ticked only" << false;
    QTest::newRow("the +5 from a service date") << "served" << false;
    QTest::newRow("a second claim") << "claim" << false;
    QTest::newRow("a cost") << "cost" << false;
    QTest::newRow("a payment naming the claim") << "named" << false;
    QTest::newRow("a payment naming nothing") << "payment" << true;
    QTest::newRow("a fixed rate") << "fixed" << false;
    QTest::newRow("no interest") << "none" << false;
    QTest::newRow("a label of its own") << "label" << false;
    QTest::newRow("no label") << "no label" << true;
    QTest::newRow("the provision") << "provision" << false;
    QTest::newRow("capital first") << "capital first" << false;
}

void TestTitleDraft::oneCapital()
{
    QFETCH(QString, change);
    QFETCH(bool, oneCapital);
    TitleDraft d;
    if (change == u"+5" || change == u"served") {
        d.claims[0].majorated = true;
        d.majorationKind =
            change == u"+5" ? TitleMajoration::Kind::FirstDay : TitleMajoration::Kind::ServedOn;
    } else if (change == u"ticked only") {
        d.claims[0].majorated = true;
    } else if (change == u"claim") {
        d.addClaim();
    } else if (change == u"cost") {
        d.addCost();
    } else if (change == u"named" || change == u"payment") {
        d.payments.append({u"01/02/2019"_s, u"10"_s, change == u"named" ? 0 : -1});
    } else if (change == u"fixed" || change == u"none") {
        d.claims[0].interest = change == u"fixed" ? ClaimInterest::Fixed : ClaimInterest::None;
    } else if (change == u"label" || change == u"no label") {
        d.claims[0].label = change == u"label" ? u"Loyers"_s : u" "_s;
    } else if (change == u"provision") {
        d.provision = true;
    } else if (change == u"capital first") {
        d.imputation = Imputation::CapitalFirst;
    }
    QCOMPARE(d.isOneCapital(), oneCapital);
}

void TestTitleDraft::savedTitleComesBackWhole()
{
    // Shown in the window and read back, a saved title writes the same
    // bytes: opening it marks nothing as changed.
    const QByteArray bytes = readFile(savedgolden::dir() + u"v3-jugement.json"_s);
    const SavedFileRead file = ReadSavedFile(bytes);
    QVERIFY(file.title);
    const TitleDraft d = TitleDraft::of(*file.title, kFrench);
    QCOMPARE(d.claims.size(), 3);
    QCOMPARE(d.claims[0].amount, u"10 000,00"_s);
    QCOMPARE(d.claims[1].from, u"01/03/2019"_s);
    QCOMPARE(d.costs[0].amount, u"120,00"_s);
    QCOMPARE(d.payments[1].date, u"01/06/2019"_s);
    QVERIFY(!d.isOneCapital());
    const DraftRead read = d.read(kFrench);
    QVERIFY(read.errors.isEmpty());
    QVERIFY(read.title);
    QCOMPARE(SavedTitleJson(*read.title), bytes);

    // Every term away from its default comes back too, and a claim of
    // 0,00 € stays one.
    SavedTitle other = *file.title;
    TitleInput &in = other.input;
    in.category = RateCategory::PersonnesPhysiques;
    in.dayBase = DayBase::ActualYear;
    in.imputation = Imputation::CapitalFirst;
    in.provision = true;
    in.majoration = {TitleMajoration::Kind::ServedOn, QDate(2019, 2, 15)};
    in.claims[0].majorated = true;
    in.claims[0].coefficient = 1.5;
    in.claims[0].capitalise = true;
    in.claims[0].capitalisationFrom = QDate(2019, 2, 1);
    in.claims[1].interest = ClaimInterest::Fixed;
    in.claims[1].fixedRate = u"4,1255"_s;
    in.claims[1].capitalise = true;
    in.claims[2].amount = 0;
    in.claims[2].interest = ClaimInterest::EcbPenalties;
    in.claims[2].margin = u"12,5"_s;
    in.claims[2].recoveryIndemnity = true;
    in.payments[1].claim = 1;
    other.caseFields = {u"SCI Lyon"_s, u"M. Martin"_s, u"2019/7"_s, u"Jugement"_s};
    const TitleDraft o = TitleDraft::of(other, kFrench);
    QCOMPARE(o.claims[2].amount, u"0,00"_s);
    const DraftRead back = o.read(kFrench);
    QVERIFY(back.title);
    QCOMPARE(SavedTitleJson(*back.title), SavedTitleJson(other));

    // A missing first amount is a form to fill, not an error.
    TitleDraft empty;
    empty.to = u"01/07/2019"_s;
    empty.claims[0].from = u"01/01/2019"_s;
    const DraftRead blank = empty.read(kFrench);
    QVERIFY(blank.missingAmount);
    QVERIFY(blank.errors.isEmpty());
}

void TestTitleDraft::limits()
{
    TitleDraft d;
    for (int k = 1; k < 50; ++k)
        QCOMPARE(d.addClaim(), k);
    QCOMPARE(d.addClaim(), -1);
    QCOMPARE(d.claims.size(), 50);
    for (int k = 0; k < 200; ++k)
        QCOMPARE(d.addCost(), k);
    QCOMPARE(d.addCost(), -1);
    QVERIFY(d.removeCost(199));
    QVERIFY(!d.removeCost(199));
    QVERIFY(d.removeCost(0));
    QCOMPARE(d.costs.size(), 198);
    QVERIFY(!d.removeCost(-1));
    // The last claim stays.
    TitleDraft one;
    QVERIFY(!one.removeClaim(0));
}

QTEST_GUILESS_MAIN(TestTitleDraft)
#include "tst_titledraft.moc"
