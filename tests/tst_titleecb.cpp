#include "output/titleexport.h"
#include "schedule/titlefile.h"
#include "titlefixtures.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace titlefixtures;

// Claims between businesses and from public buyers, on the ECB's rate:
// the worked figures, checked by hand.
class TestTitleEcb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void workedFigures_data();
    void workedFigures();
    void refused_data();
    void refused();
    void savedAndShown();

private:
    EcbTable m_ecb;
};

namespace {

Claim invoice(ClaimInterest interest, const QDate &from)
{
    Claim c = claim(u"Facture 2024-117"_s, 1000000, from);
    c.interest = interest;
    return c;
}

TitleInput titleOf(const Claim &c, const QDate &to)
{
    TitleInput in;
    in.claims = {c};
    in.to = to;
    return in;
}

} // namespace

void TestTitleEcb::initTestCase()
{
    const EcbRead read = ReadEcbTableFile(QStringLiteral(BUNDLED_ECB));
    QVERIFY2(read.table, qPrintable(read.error));
    m_ecb = *read.table;
}

// Penalties on 10 000,00 € due 15/03/2024, paid 15/10/2024: from 16/03 to
// 14/10, 107 days at 4,50 + 10 = 14,50 % (10 000 x 107 x 14,5 / 36 500 =
// 425,068 -> 425,07) and 106 days at 4,25 + 10 = 14,25 % (413,836 ->
// 413,84): 838,91, and the 40,00 € on 16/03. A margin of 12 takes 16,50 %
// and 16,25 %: 483,699 -> 483,70 and 471,918 -> 471,92. A public buyer's
// interest from 20/05/2024 to 19/08/2024: 92 days at 4,50 + 8 = 12,50 %
// (315,068 -> 315,07), July's rate not applying.
void TestTitleEcb::workedFigures_data()
{
    QTest::addColumn<int>("interest");
    QTest::addColumn<QString>("margin");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("indemnity");
    QTest::addColumn<QList<int>>("days");
    QTest::addColumn<QList<double>>("rates");
    QTest::addColumn<QList<Cents>>("interests");
    QTest::addColumn<Cents>("total");

    QTest::newRow("penalties, with the 40 €")
        << int(ClaimInterest::EcbPenalties) << "10" << QDate(2024, 3, 16) << QDate(2024, 10, 15)
        << true << QList<int>{107, 106} << QList<double>{14.5, 14.25} << QList<Cents>{42507, 41384}
        << Cents(1000000 + 83891 + 4000);
    QTest::newRow("a margin of 12 points")
        << int(ClaimInterest::EcbPenalties) << "12" << QDate(2024, 3, 16) << QDate(2024, 10, 15)
        << false << QList<int>{107, 106} << QList<double>{16.5, 16.25} << QList<Cents>{48370, 47192}
        << Cents(1000000 + 48370 + 47192);
    QTest::newRow("a public buyer")
        << int(ClaimInterest::EcbPublicBuyer) << "10" << QDate(2024, 5, 20) << QDate(2024, 8, 20)
        << true << QList<int>{92} << QList<double>{12.5} << QList<Cents>{31507}
        << Cents(1000000 + 31507 + 4000);
}

void TestTitleEcb::workedFigures()
{
    QFETCH(int, interest);
    QFETCH(QString, margin);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, indemnity);
    QFETCH(QList<int>, days);
    QFETCH(QList<double>, rates);
    QFETCH(QList<Cents>, interests);
    QFETCH(Cents, total);
    Claim c = invoice(ClaimInterest(interest), from);
    c.margin = margin;
    c.recoveryIndemnity = indemnity;
    const TitleInput input = WithRecoveryIndemnities(titleOf(c, to));
    QCOMPARE(input.costs.size(), indemnity ? 1 : 0);
    if (indemnity) {
        QCOMPARE(input.costs[0].date, from);
        QCOMPARE(input.costs[0].label, u"Indemnité forfaitaire pour frais de recouvrement"_s);
    }
    const TitleResult result = ComputeTitle(RateTable(), input, &m_ecb);
    QVERIFY2(result.ok(), qPrintable(result.error ? result.error->message : QString()));
    QList<int> gotDays;
    QList<double> gotRates;
    QList<Cents> gotInterests;
    for (const StatementLine &line : result.statement->claims[0].lines) {
        const auto &i = std::get<InterestLine>(line);
        gotDays << i.days;
        gotRates << i.rate;
        gotInterests << i.interest;
    }
    QCOMPARE(gotDays, days);
    for (int k = 0; k < rates.size(); ++k)
        QVERIFY2(qAbs(gotRates.value(k) - rates[k]) < 1e-9,
                 qPrintable(QString::number(gotRates.value(k))));
    QCOMPARE(gotInterests, interests);
    QCOMPARE(result.statement->total(), total);
}

void TestTitleEcb::refused_data()
{
    QTest::addColumn<int>("interest");
    QTest::addColumn<QString>("margin");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<bool>("indemnity");
    QTest::addColumn<QString>("message");

    const int penalties = int(ClaimInterest::EcbPenalties);
    QTest::newRow("penalties from 2012")
        << penalties << "10" << QDate(2012, 12, 31) << QDate(2013, 3, 1) << false
        << u"Créance n° 1 : les pénalités au taux de la BCE ne courent selon la règle du semestre "
           "qu'à compter du 01/01/2013 ; pour des intérêts antérieurs, choisissez un taux fixe"_s;
    QTest::newRow("from 1 January 2013")
        << penalties << "10" << QDate(2013, 1, 1) << QDate(2013, 3, 1) << false << QString();
    QTest::newRow("a half-year the table is not confirmed for")
        << penalties << "10" << QDate(2026, 3, 1) << QDate(2026, 7, 2) << false
        << u"Pas de taux de la BCE pour le second semestre 2026 : mettez à jour le tableau des "
           "taux de la BCE"_s;
    QTest::newRow("up to its last day")
        << penalties << "10" << QDate(2026, 3, 1) << QDate(2026, 7, 1) << false << QString();
    QTest::newRow("a public buyer from a half-year not confirmed")
        << int(ClaimInterest::EcbPublicBuyer) << "10" << QDate(2026, 7, 1) << QDate(2026, 8, 1)
        << false
        << u"Pas de taux de la BCE pour le second semestre 2026 : mettez à jour le tableau des "
           "taux de la BCE"_s;
    QTest::newRow("no margin")
        << penalties << "0" << QDate(2024, 1, 1) << QDate(2024, 3, 1) << false
        << u"Créance n° 1 : la marge au-dessus du taux de la BCE doit être supérieure à 0 et d'au "
           "plus 100 points, avec au plus quatre décimales"_s;
    QTest::newRow("a margin in words")
        << penalties << "dix" << QDate(2024, 1, 1) << QDate(2024, 3, 1) << false
        << u"Créance n° 1 : la marge au-dessus du taux de la BCE doit être supérieure à 0 et d'au "
           "plus 100 points, avec au plus quatre décimales"_s;
    QTest::newRow("the 40 € on the legal rate")
        << int(ClaimInterest::Legal) << "10" << QDate(2024, 1, 1) << QDate(2024, 3, 1) << true
        << u"Créance n° 1 : l'indemnité forfaitaire de 40 € ne vaut que pour des pénalités de "
           "retard ou des intérêts moratoires"_s;
}

void TestTitleEcb::refused()
{
    QFETCH(int, interest);
    QFETCH(QString, margin);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(bool, indemnity);
    QFETCH(QString, message);
    Claim c = invoice(ClaimInterest(interest), from);
    c.margin = margin;
    c.recoveryIndemnity = indemnity;
    const TitleResult result = ComputeTitle(flatTable(), titleOf(c, to), &m_ecb);
    QCOMPARE(result.error ? result.error->message : QString(), message);
    // Without the table, a claim on the ECB's rate cannot be computed.
    if (message.isEmpty() && interest != int(ClaimInterest::Legal))
        QCOMPARE(ComputeTitle(flatTable(), titleOf(c, to)).error->message,
                 u"Le tableau des taux de la BCE n'est pas lu"_s);
}

void TestTitleEcb::savedAndShown()
{
    // The penalties' claim and a public buyer's, saved and read back, and
    // each named with its bases.
    SavedTitle saved;
    Claim penalties = invoice(ClaimInterest::EcbPenalties, QDate(2024, 3, 16));
    penalties.margin = u"12,5"_s;
    penalties.recoveryIndemnity = true;
    Claim buyer = invoice(ClaimInterest::EcbPublicBuyer, QDate(2024, 5, 20));
    saved.input.claims = {penalties, buyer};
    saved.input.to = QDate(2024, 10, 15);
    const QByteArray json = SavedTitleJson(saved);
    QVERIFY(json.contains(
        R"("interets": "bce", "coefficient": null, "majoree": false, "taux": null, "capitalisation_du": null, "marge": "12,5", "indemnite": true})"));
    QVERIFY(json.contains(
        R"("interets": "commande-publique", "coefficient": null, "majoree": false, "taux": null, "capitalisation_du": null, "indemnite": false})"));
    const SavedFileRead read = ReadSavedFile(json);
    QVERIFY2(read.title, qPrintable(read.error));
    QCOMPARE(SavedTitleJson(*read.title), json);
    QCOMPARE(read.title->input.claims[0].margin, u"12,5"_s);
    QVERIFY(read.title->input.claims[0].recoveryIndemnity);
    QCOMPARE(read.title->input.claims[1].interest, ClaimInterest::EcbPublicBuyer);
    // A margin on another claim, or an indemnity, is refused.
    QByteArray wrong = json;
    wrong.replace(
        R"("interets": "commande-publique", "coefficient": null, "majoree": false, "taux": null, "capitalisation_du": null, "indemnite": false)",
        R"("interets": "legal", "coefficient": "1", "majoree": false, "taux": null, "capitalisation_du": null, "indemnite": true)");
    QCOMPARE(ReadSavedFile(wrong).error,
             u"Ce fichier n'est pas un décompte enregistré lisible : créance n° 2 : « indemnite » "
             "ne vaut que pour des pénalités ou des intérêts moratoires : attendu false."_s);

    const TitleInput input = WithRecoveryIndemnities(read.title->input);
    const TitleResult result = ComputeTitle(RateTable(), input, &m_ecb);
    QVERIFY(result.ok());
    QCOMPARE(ClaimInterestText(input.claims[0], result.statement->claims[0], french),
             u"pénalités de retard : taux BCE au 1er janvier 2024 (4,50 %) + 12,5 points, puis "
             "taux BCE au 1er juillet 2024 (4,25 %) + 12,5 points"_s);
    QCOMPARE(ClaimInterestText(input.claims[1], result.statement->claims[1], french),
             u"intérêts moratoires : taux BCE au 1er janvier 2024 (4,50 %) + 8 points"_s);
    const TitleDocument document =
        MakeTitleDocument(RateTable(), input, *result.statement, QDate(2026, 12, 9));
    const QByteArray out = TitleJson(document);
    QVERIFY(out.contains(R"("interets": "bce")"));
    QVERIFY(out.contains(R"("marge": "12.5")"));
    QVERIFY(out.contains(
        R"("taux_bce": [{"semestre": "2024-01-01", "taux": "4.5"}, {"semestre": "2024-07-01", "taux": "4.25"}])"));
}

QTEST_GUILESS_MAIN(TestTitleEcb)
#include "tst_titleecb.moc"
