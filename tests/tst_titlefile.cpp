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
    saved.caseFields = {u"M. Créancier"_s, u"Mme \u202EX"_s, QString(), u"Jugement"_s};
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
    void everyFieldWrittenAndReadBack();
    void refused_data();
    void refused();
    void olderVersionsReadAsBefore_data();
    void olderVersionsReadAsBefore();
};

void TestTitleFile::everyFieldWrittenAndReadBack()
{
    // The order of the keys, each field's form, and a direction override
    // dropped from a case field; read back, the same file again.
    const QByteArray expected = R"({
    "format": "taux-legal-decompte",
    "version": 3,
    "categorie": "personnes_physiques",
    "base": "reelle",
    "au": "2025-01-01",
    "signifie_le": "2023-12-31",
    "majoration_du": null,
    "imputation": "capital-d-abord",
    "provision": true,
    "creances": [
        {"libelle": "Principal \"A\"", "montant": "10000.50", "du": "2023-01-02", "interets": "legal", "coefficient": "1.5", "majoree": true, "taux": null, "capitalisation_du": "2023-06-01"},
        {"libelle": "Prêt", "montant": "0.99", "du": "2023-02-01", "interets": "fixe", "coefficient": null, "majoree": false, "taux": "4,1255", "capitalisation_du": "2023-02-01"},
        {"libelle": "", "montant": "0.00", "du": "2023-03-01", "interets": "aucun", "coefficient": null, "majoree": false, "taux": null, "capitalisation_du": null}
    ],
    "frais": [
        {"date": "2023-04-01", "libelle": "Commandement", "montant": "120.50"}
    ],
    "acomptes": [
        {"date": "2023-05-01", "montant": "300.00", "creance": 2},
        {"date": "2023-05-01", "montant": "0.01", "creance": null}
    ],
    "creancier": "M. Créancier",
    "debiteur": "Mme X",
    "reference": null,
    "titre_executoire": "Jugement"
}
)"_ba;
    QCOMPARE(SavedTitleJson(everyField()), expected);
    const SavedFileRead read = ReadSavedFile(expected);
    QVERIFY2(read.title && !read.statement, qPrintable(read.error));
    QCOMPARE(SavedTitleJson(*read.title), expected);
    QCOMPARE(read.title->input.payments.at(0).claim, 1);
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
    QTest::newRow("version 0") << with("\"version\": 3", "\"version\": 0")
                               << u"« version » doit valoir 1, 2 ou 3"_s;
    QTest::newRow("no imputation")
        << with("\"imputation\"", "\"ordre\"") << u"le champ « imputation » manque"_s;
    QTest::newRow("served and first day both given")
        << with("\"majoration_du\": null", "\"majoration_du\": \"2019-05-01\"")
               .replace("\"signifie_le\": null", "\"signifie_le\": \"2019-03-01\"")
        << u"« signifie_le » et « majoration_du » s'excluent : l'un des deux doit valoir null"_s;
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
    QTest::newRow("interest of another kind")
        << withThirdClaim("aucun", "usuraire")
        << u"créance n° 3 : « interets » doit valoir "
           "\"legal\", \"fixe\", \"aucun\", \"bce\" ou \"commande-publique\""_s;
    QTest::newRow("no interest but majorated")
        << withThirdClaim("\"majoree\": false", "\"majoree\": true")
        << u"créance n° 3 : « majoree » ne vaut que pour le taux légal : attendu false"_s;
    const QString badRate = u"créance n° 3 : « taux » doit être un taux de plus de 0 à 100 avec "
                            "au plus quatre décimales, comme \"4,5\""_s;
    for (const char *rate : {"\"0\"", "\"150\"", "\"4,12345\"", "4.5", "null"}) {
        QTest::addRow("fixed rate %s", rate)
            << withThirdClaim(
                   R"("interets": "aucun", "coefficient": null, "majoree": false, "taux": null)",
                   fixed + rate)
            << badRate;
    }
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
    const SavedTitle converted = TitleOfStatement(*read.statement);
    // The one capital is the title's principal in every document.
    QCOMPARE(converted.input.claims.value(0).label, u"Principal"_s);
    const TitleResult title = ComputeTitle(table, converted.input);
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
