#include "rates/ratetable.h"
#include "savedgolden.h"
#include "schedule/titlefile.h"
#include "testfiles.h"

#include <QTest>

#include <variant>

using namespace Qt::StringLiterals;

namespace {

QByteArray judgment()
{
    return readFile(savedgolden::dir() + u"v3-jugement.json"_s);
}

// Every field away from its default, so that a field the writer drops or
// the reader mixes up shows.
SavedTitle everyField()
{
    SavedTitle saved;
    TitleInput &in = saved.input;
    in.category = RateCategory::PersonnesPhysiques;
    in.dayBase = DayBase::ActualYear;
    in.to = QDate(2025, 1, 1);
    in.majoration = {TitleMajoration::Kind::ServedOn, QDate(2023, 12, 31)};
    in.imputation = Imputation::CapitalFirst;
    in.provision = true;
    in.claims = {{u"Principal \"A\""_s, 1000050, QDate(2023, 1, 2), ClaimInterest::Legal, 1.5, true,
                  QString(), true, QDate(2023, 6, 1)},
                 {u"Prêt"_s, 99, QDate(2023, 2, 1), ClaimInterest::Fixed, 1.0, false, u"4,1255"_s,
                  true, std::nullopt},
                 {QString(), 0, QDate(2023, 3, 1), ClaimInterest::None, 1.0, false, QString(),
                  false, std::nullopt}};
    in.costs = {{QDate(2023, 4, 1), u"Commandement"_s, 12050}};
    in.payments = {{QDate(2023, 5, 1), 30000, 1}, {QDate(2023, 5, 1), 1, -1}};
    saved.caseFields = {u"M. Créancier"_s, u"Mme Débitrice"_s, u"2025/1"_s, u"Jugement"_s};
    return saved;
}

// What a statement's lines say, payments left out: a title shows them in
// their own list.
QStringList interestLines(const QList<StatementLine> &lines)
{
    QStringList out;
    for (const StatementLine &line : lines) {
        if (const auto *i = std::get_if<InterestLine>(&line))
            out << u"%1 %2 %3 %4 %5 %6"_s
                       .arg(i->from.toString(Qt::ISODate), i->to.toString(Qt::ISODate))
                       .arg(i->days)
                       .arg(i->capital)
                       .arg(i->rate, 0, 'f', 4)
                       .arg(i->interest);
        else if (const auto *c = std::get_if<CapitalisationLine>(&line))
            out << u"capitalisation %1 %2"_s.arg(c->date.toString(Qt::ISODate)).arg(c->amount);
    }
    return out;
}

} // namespace

class TestTitleFile : public QObject
{
    Q_OBJECT

private slots:
    void writtenInTheDocumentedOrder();
    void everyFieldComesBack();
    void refused_data();
    void refused();
    void olderVersionsReadAsBefore_data();
    void olderVersionsReadAsBefore();
};

void TestTitleFile::writtenInTheDocumentedOrder()
{
    SavedTitle saved;
    saved.input.to = QDate(2019, 7, 1);
    saved.input.majoration = {TitleMajoration::Kind::FirstDay, QDate(2019, 3, 1)};
    saved.input.claims = {{u"Principal"_s, 10000, QDate(2019, 1, 1), ClaimInterest::Legal, 2.0,
                           true, QString(), true, std::nullopt}};
    saved.input.payments = {{QDate(2019, 4, 1), 2050, 0}};
    saved.caseFields.debiteur = u"M. \u202EX"_s; // a direction override is dropped
    QCOMPARE(SavedTitleJson(saved),
             R"({
    "format": "taux-legal-decompte",
    "version": 3,
    "categorie": "autres",
    "base": "365",
    "au": "2019-07-01",
    "signifie_le": null,
    "majoration_du": "2019-03-01",
    "imputation": "frais-interets-capital",
    "provision": false,
    "creances": [
        {"libelle": "Principal", "montant": "100.00", "du": "2019-01-01", "interets": "legal", "coefficient": "2", "majoree": true, "taux": null, "capitalisation_du": "2019-01-01"}
    ],
    "frais": [],
    "acomptes": [
        {"date": "2019-04-01", "montant": "20.50", "creance": 1}
    ],
    "creancier": null,
    "debiteur": "M. X",
    "reference": null,
    "titre_executoire": null
}
)"_ba);
}

void TestTitleFile::everyFieldComesBack()
{
    const SavedFileRead read = ReadSavedFile(SavedTitleJson(everyField()));
    QVERIFY2(read.title, qPrintable(read.error));
    QVERIFY(!read.statement);
    const TitleInput &in = read.title->input;
    QCOMPARE(in.category, RateCategory::PersonnesPhysiques);
    QCOMPARE(in.dayBase, DayBase::ActualYear);
    QCOMPARE(in.to, QDate(2025, 1, 1));
    QCOMPARE(in.majoration.kind, TitleMajoration::Kind::ServedOn);
    QCOMPARE(in.majoration.date, QDate(2023, 12, 31));
    QCOMPARE(in.imputation, Imputation::CapitalFirst);
    QCOMPARE(in.provision, true);
    QCOMPARE(in.claims.size(), 3);
    const Claim &legal = in.claims.at(0);
    QCOMPARE(legal.label, u"Principal \"A\""_s);
    QCOMPARE(legal.amount, Cents(1000050));
    QCOMPARE(legal.from, QDate(2023, 1, 2));
    QCOMPARE(legal.interest, ClaimInterest::Legal);
    QCOMPARE(legal.coefficient, 1.5);
    QCOMPARE(legal.majorated, true);
    QCOMPARE(legal.capitalise, true);
    QCOMPARE(legal.capitalisationFrom, std::optional(QDate(2023, 6, 1)));
    const Claim &fixed = in.claims.at(1);
    QCOMPARE(fixed.interest, ClaimInterest::Fixed);
    QCOMPARE(fixed.fixedRate, u"4,1255"_s);
    QCOMPARE(fixed.amount, Cents(99));
    // Capitalised from its first day when no other date was given.
    QCOMPARE(fixed.capitalisationFrom, std::optional(QDate(2023, 2, 1)));
    QCOMPARE(in.claims.at(2).interest, ClaimInterest::None);
    QCOMPARE(in.claims.at(2).capitalise, false);
    QCOMPARE(in.costs.size(), 1);
    QCOMPARE(in.costs.at(0).date, QDate(2023, 4, 1));
    QCOMPARE(in.costs.at(0).label, u"Commandement"_s);
    QCOMPARE(in.costs.at(0).amount, Cents(12050));
    QCOMPARE(in.payments.size(), 2);
    QCOMPARE(in.payments.at(0).claim, 1);
    QCOMPARE(in.payments.at(0).amount, Cents(30000));
    QCOMPARE(in.payments.at(1).claim, -1);
    QCOMPARE(in.payments.at(1).amount, Cents(1));
    QCOMPARE(read.title->caseFields.titre, u"Jugement"_s);
    QCOMPARE(read.title->caseFields.debiteur, u"Mme Débitrice"_s);
}

void TestTitleFile::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QByteArray base = judgment();
    const auto with = [&](const char *from, const QByteArray &to) {
        QByteArray bytes = base;
        return bytes.replace(from, to);
    };
    const QByteArray claim =
        R"({"libelle": "Dépens", "montant": "800.00", "du": "2019-03-01", "interets": "aucun", "coefficient": null, "majoree": false, "taux": null, "capitalisation_du": null})";
    const auto withThirdClaim = [&](const char *from, const char *to) {
        return with(claim, QByteArray(claim).replace(from, to));
    };
    const QByteArray fixed =
        R"("interets": "fixe", "coefficient": null, "majoree": false, "taux": )";
    const auto listOf = [](const QByteArray &item, int count) {
        QByteArrayList items;
        for (int i = 0; i < count; ++i)
            items << item;
        return '[' + items.join(',') + ']';
    };
    const QByteArray payment = R"({"date": "2019-06-01", "montant": "1.00"})";

    QTest::newRow("version 4 comes from a newer program")
        << with("\"version\": 3", "\"version\": 4")
        << u"il vient d'une version plus récente du programme"_s;
    QTest::newRow("version as text")
        << with("\"version\": 3", "\"version\": \"3\"") << u"« version » doit valoir 1, 2 ou 3"_s;
    QTest::newRow("no imputation")
        << with("\"imputation\"", "\"ordre\"") << u"le champ « imputation » manque"_s;
    QTest::newRow("provision as a word") << with("\"provision\": false", "\"provision\": \"non\"")
                                         << u"« provision » doit valoir true ou false"_s;
    QTest::newRow("served and first day both given")
        << with("\"majoration_du\": null", "\"majoration_du\": \"2019-05-01\"")
               .replace("\"signifie_le\": null", "\"signifie_le\": \"2019-03-01\"")
        << u"« signifie_le » et « majoration_du » s'excluent : l'un des deux doit valoir null"_s;
    QTest::newRow("no claim") << with(R"("creances": [)", R"("creances": [], "x": [)")
                              << u"« creances » doit compter de 1 à 50 éléments, pas 0"_s;
    QTest::newRow("51 claims") << with(R"("creances": [)",
                                       R"("creances": )" + listOf(claim, 51) + R"(, "x": [)")
                               << u"« creances » doit compter de 1 à 50 éléments, pas 51"_s;
    QTest::newRow("201 costs")
        << with(R"("frais": [)",
                R"("frais": )" +
                    listOf(R"({"date": "2019-04-01", "libelle": "", "montant": "1"})", 201) +
                    R"(, "x": [)")
        << u"« frais » doit compter de 0 à 200 éléments, pas 201"_s;
    QTest::newRow("10001 payments")
        << with(R"("acomptes": [)", R"("acomptes": )" + listOf(payment, 10001) + R"(, "x": [)")
        << u"« acomptes » doit compter de 0 à 10000 éléments, pas 10001"_s;
    QTest::newRow("an amount in words") << with("\"1500.00\"", "\"mille\"")
                                        << u"créance n° 2 : « montant » doit être un montant "
                                           "comme \"2000.00\""_s;
    QTest::newRow("a label of 201 characters")
        << withThirdClaim("Dépens", QByteArray(201, 'x'))
        << u"créance n° 3 : « libelle » doit être un texte d'au plus 200 caractères"_s;
    QTest::newRow("coefficient 4") << with("\"coefficient\": \"1\"", "\"coefficient\": \"4\"")
                                   << u"créance n° 1 : « coefficient » doit valoir \"1\", "
                                      "\"1.5\", \"2\" ou \"3\""_s;
    QTest::newRow("interest of another kind") << withThirdClaim("aucun", "usuraire")
                                              << u"créance n° 3 : « interets » doit valoir "
                                                 "\"legal\", \"fixe\" ou \"aucun\""_s;
    QTest::newRow("no interest but majorated")
        << withThirdClaim("\"majoree\": false", "\"majoree\": true")
        << u"créance n° 3 : « majoree » ne vaut que pour le taux légal : attendu false"_s;
    QTest::newRow("no interest but capitalised")
        << withThirdClaim("\"capitalisation_du\": null", "\"capitalisation_du\": \"2019-03-01\"")
        << u"créance n° 3 : « capitalisation_du » ne vaut que pour une créance productive "
           "d'intérêts : attendu null"_s;
    const QString badRate = u"créance n° 3 : « taux » doit être un taux de plus de 0 à 100 avec "
                            "au plus quatre décimales, comme \"4,5\""_s;
    for (const char *rate : {"\"0\"", "\"150\"", "\"4,12345\"", "4.5", "null"}) {
        QTest::addRow("fixed rate %s", rate)
            << withThirdClaim(
                   R"("interets": "aucun", "coefficient": null, "majoree": false, "taux": null)",
                   fixed + rate)
            << badRate;
    }
    QTest::newRow("a rate on a legal claim")
        << with(R"("majoree": false, "taux": null)", R"("majoree": false, "taux": "4")")
        << u"créance n° 1 : « taux » ne vaut que pour un taux "
           "fixe : attendu null"_s;
    QTest::newRow("a cost's date the other way round")
        << with("\"2019-04-01\", \"libelle\"", "\"01/04/2019\", \"libelle\"")
        << u"frais n° 1 : « date » doit être une "
           "date au format AAAA-MM-JJ"_s;
    const QString noSuchClaim =
        u"acompte n° 2 : « creance » doit être le numéro d'une des 3 créances, ou null"_s;
    for (const char *number : {"4", "0", "1.5", "\"1\""}) {
        QTest::addRow("a payment naming claim %s", number)
            << with("\"1000.00\", \"creance\": null",
                    "\"1000.00\", \"creance\": " + QByteArray(number))
            << noSuchClaim;
    }
    QTest::newRow("a payment that is a number")
        << with(R"({"date": "2019-04-01", "montant": "2000.00", "creance": null})", "2000")
        << u"acompte n° 1 : attendu un objet JSON"_s;
}

void TestTitleFile::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const SavedFileRead read = ReadSavedFile(bytes);
    QVERIFY(!read.title && !read.statement);
    QCOMPARE(read.error,
             u"Ce fichier n'est pas un décompte enregistré lisible : "_s + reason + u'.');
}

void TestTitleFile::olderVersionsReadAsBefore_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Cents>("accrued");
    QTest::addColumn<Cents>("total"); // capital + interest - credit, from the golden text

    QTest::newRow("v1-acomptes") << u"v1-acomptes"_s << Cents(26472) << Cents(1169388 + 7084);
    QTest::newRow("v2-credit") << u"v2-credit"_s << Cents(436963) << Cents(-413037);
    QTest::newRow("v2-annee-reelle")
        << u"v2-annee-reelle"_s << Cents(135976) << Cents(246490 + 4511);
}

void TestTitleFile::olderVersionsReadAsBefore()
{
    QFETCH(QString, file);
    QFETCH(Cents, accrued);
    QFETCH(Cents, total);
    const QByteArray bytes = readFile(savedgolden::dir() + file + u".json"_s);
    const SavedFileRead read = ReadSavedFile(bytes);
    QVERIFY2(read.statement && !read.title, qPrintable(read.error));
    QCOMPARE(SavedStatementJson(*read.statement),
             SavedStatementJson(*ReadSavedStatement(bytes).saved));

    RateTable table;
    table.filePath = savedgolden::ratesFile();
    QVERIFY(LoadRatesFile(table, read.statement->category).ok());
    const StatementResult one = ComputeStatement(table, read.statement->input);
    const TitleResult title = ComputeTitle(table, TitleOfStatement(*read.statement).input);
    QVERIFY(one.ok());
    QVERIFY2(title.ok(), qPrintable(title.error ? title.error->message : QString()));
    const TitleStatement &t = *title.statement;
    QCOMPARE(t.claims.size(), 1);
    QCOMPARE(interestLines(t.claims.at(0).lines), interestLines(one.statement->lines));
    QCOMPARE(t.accrued, accrued);
    QCOMPARE(t.total(), total);
    QCOMPARE(t.capital, one.statement->capital);
    QCOMPARE(t.interest, one.statement->interest);
    QCOMPARE(t.credit, one.statement->credit);
}

QTEST_GUILESS_MAIN(TestTitleFile)
#include "tst_titlefile.moc"
