#include "output/statementexport.h"
#include "output/statementpdf.h"
#include "outputfixtures.h"
#include "poppler.h"
#include "testfiles.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

const QLocale french(QLocale::French, QLocale::France);

// January 2019 to June 2026 at 3.65 %, the second half of 2020 at 7.30 %.
RateTable simpleTable()
{
    RateTable table;
    int count = 0;
    for (QDate m(2026, 6, 1); m >= QDate(2019, 1, 1); m = m.addMonths(-1), ++count) {
        table.rows[count].monthStart = m;
        table.rows[count].rate = m.year() == 2020 && m.month() >= 7 ? 7.30 : 3.65;
    }
    table.count = qint16(count);
    table.filePath = QStringLiteral("/srv/taux/QUERDAN.TXT");
    return table;
}

RateTable bundledTable()
{
    RateTable table;
    table.filePath = QStringLiteral(BUNDLED_RATES);
    LoadRatesFile(table, RateCategory::PersonnesPhysiques);
    table.filePath = QStringLiteral("/usr/share/taux-legal/QUERDAN.TXT");
    return table;
}

enum Case { Fiche, PaymentAndCapitalisation, Credit };

// The documents the exports are checked on; their figures are worked out
// by hand in tst_statement.
std::optional<StatementDocument> document(int which)
{
    StatementInput in;
    RateTable table;
    RateCategory category = RateCategory::Autres;
    switch (which) {
    case Fiche:
        table = bundledTable();
        category = RateCategory::PersonnesPhysiques;
        in.principal = 200000;
        in.from = QDate(2015, 9, 18);
        in.to = QDate(2016, 4, 10);
        in.majorationFrom = QDate(2015, 11, 18);
        break;
    case PaymentAndCapitalisation:
        table = simpleTable();
        in.principal = 100000;
        in.from = QDate(2019, 1, 1);
        in.to = QDate(2020, 2, 11);
        in.capitalise = true;
        in.capitalisationFrom = QDate(2019, 2, 1);
        in.payments = {{QDate(2019, 3, 1), 400}};
        break;
    default:
        table = simpleTable();
        in.principal = 100000;
        in.from = QDate(2019, 1, 1);
        in.to = QDate(2019, 1, 21);
        in.coefficient = 1.5;
        in.dayBase = DayBase::ActualYear;
        in.payments = {{QDate(2019, 1, 11), 150000}};
        break;
    }
    const StatementResult result = ComputeStatement(table, in);
    if (!result.ok())
        return std::nullopt;
    CaseFields fields;
    if (which == Fiche) {
        fields.creancier = QStringLiteral("Mme Anne Martin");
        fields.debiteur = QStringLiteral("SARL Exemple");
        fields.reference = QStringLiteral("2026/0042");
        fields.titre =
            QStringLiteral("Jugement du tribunal judiciaire de Lyon du 01/09/2015, RG 15/01234");
    }
    // The note an update leaves in the rates file travels with the table.
    if (which == Fiche)
        table.sourceNote =
            QStringLiteral("Taux ajoutés le 08/12/2026 depuis "
                           "https://www.example.com/taux (publication du 01/07/2026)");
    return MakeStatementDocument(table, category, in, *result.statement, QDate(2026, 12, 8),
                                 fields);
}

QByteArray output(const StatementDocument &doc, const QString &format, const QLocale &locale)
{
    if (format == u"tsv")
        return StatementTsv(doc, locale);
    if (format == u"csv")
        return StatementCsv(doc);
    if (format == u"json")
        return StatementJson(doc);
    return StatementTextTable(doc, locale).toUtf8();
}

} // namespace

class TestStatementExport : public QObject
{
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void centsAreGroupedByThree_data();
    void centsAreGroupedByThree();
    void ratesHaveTwoDecimalsAtLeast_data();
    void ratesHaveTwoDecimalsAtLeast();
    void lastTotalIsWhatIsOwedOrTheCredit_data();
    void lastTotalIsWhatIsOwedOrTheCredit();
    void untrustedPathIsEscapedInEveryFormat();
    void untrustedCaseTextStaysInItsCell_data();
    void untrustedCaseTextStaysInItsCell();
    void caseTextKeepsItsTypedOrder_data();
    void caseTextKeepsItsTypedOrder();
    void scheduleJsonKeepsSumsUnrounded();
    void scheduleTextTable();
    void pdfReadsBack();
    void pdfFontsTellThePartsApart_data();
    void pdfFontsTellThePartsApart();
    void pdfRepeatsTheHeadingOnEveryPage();
    void pdfWrapsLongCaseFieldsOnThePage();
    void pdfIsTheSameBytesEveryTime();
    void pdfFailureIsSaidInFrench();
    void pdfColumnsLineUp_data();
    void pdfColumnsLineUp();
    void pdfPaintingFailureIsNoPdf();
};

void TestStatementExport::golden_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("golden");

    const struct
    {
        int which;
        const char *name;
    } cases[] = {{Fiche, "fiche"}, {PaymentAndCapitalisation, "payment"}, {Credit, "credit"}};
    for (const auto &c : cases) {
        for (const char *format : {"txt", "tsv", "csv", "json"}) {
            const QString golden =
                QStringLiteral("statement-%1.%2").arg(QLatin1String(c.name), QLatin1String(format));
            QTest::newRow(qPrintable(golden))
                << c.which << QString::fromLatin1(format) << french << golden;
        }
    }
    QTest::newRow("tsv in an English locale has decimal points")
        << int(Fiche) << QStringLiteral("tsv") << QLocale(QLocale::English, QLocale::UnitedStates)
        << QStringLiteral("statement-fiche-english.tsv");
}

void TestStatementExport::golden()
{
    QFETCH(int, which);
    QFETCH(QString, format);
    QFETCH(QLocale, locale);
    QFETCH(QString, golden);

    const std::optional<StatementDocument> doc = document(which);
    QVERIFY(doc);
    const QByteArray bytes = output(*doc, format, locale);
    fixtures::maybeWriteGolden(golden, bytes);
    QCOMPARE(bytes, fixtures::readGolden(golden));
}

void TestStatementExport::centsAreGroupedByThree_data()
{
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("text");
    QTest::newRow("under a euro keeps its zero") << qint64(7) << "0,07";
    QTest::newRow("three digits stay together") << qint64(99999) << "999,99";
    QTest::newRow("four digits split") << qint64(208901) << "2 089,01";
    QTest::newRow("seven digits split twice") << qint64(123456789) << "1 234 567,89";
    QTest::newRow("a credit is negative") << qint64(-4990000) << "-49 900,00";
    QTest::newRow("the most negative count")
        << qint64(std::numeric_limits<qint64>::min()) << "-92 233 720 368 547 758,08";
}

void TestStatementExport::centsAreGroupedByThree()
{
    QFETCH(qint64, cents);
    QFETCH(QString, text);
    QCOMPARE(formatCents(cents, french), text);
}

void TestStatementExport::untrustedPathIsEscapedInEveryFormat()
{
    std::optional<StatementDocument> doc = document(Fiche);
    QVERIFY(doc);
    // The path of the rates file discloses the user's folders: only JSON,
    // for programs, keeps it.
    doc->ratesPath = QStringLiteral("=dossier; \"taux\"\nQUERDAN.TXT");
    for (const QByteArray &bytes : {StatementCsv(*doc), StatementTsv(*doc, french),
                                    StatementTextTable(*doc, french).toUtf8()})
        QVERIFY2(!bytes.contains("=dossier") && !bytes.contains("QUERDAN"), bytes.constData());

    doc->ratesPath = QStringLiteral("C:\\taux\t\"x\"\n\U0001F600");
    const QByteArray json = StatementJson(*doc);
    QVERIFY2(
        json.contains("\n  \"fichier_des_taux\": \"C:\\\\taux\\t\\\"x\\\"\\n\xF0\x9F\x98\x80\",\n"),
        json.constData());
}

void TestStatementExport::ratesHaveTwoDecimalsAtLeast_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("one decimal gains a zero") << 15.4 << french << "15,40";
    QTest::newRow("a whole rate gains two") << 3.0 << french << "3,00";
    QTest::newRow("zero") << 0.0 << french << "0,00";
    QTest::newRow("two decimals stay") << 4.29 << french << "4,29";
    QTest::newRow("the five points keep two decimals") << 4.29 + 5 << french << "9,29";
    QTest::newRow("a coefficient's third decimal is kept") << 1.5 * 4.29 << french << "6,435";
    QTest::newRow("an English locale") << 7.3 << QLocale(QLocale::English) << "7.30";
}

void TestStatementExport::ratesHaveTwoDecimalsAtLeast()
{
    QFETCH(double, rate);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(formatRate(rate, locale), text);
}

void TestStatementExport::lastTotalIsWhatIsOwedOrTheCredit_data()
{
    QTest::addColumn<qint64>("capital");
    QTest::addColumn<qint64>("interest");
    QTest::addColumn<qint64>("credit");
    QTest::addColumn<QStringList>("last");
    QTest::addColumn<QByteArray>("sheetEnd");
    QTest::newRow("owed") << qint64(200000) << qint64(8901) << qint64(0)
                          << QStringList{"Total dû", "2 089,01 €"}
                          << QByteArray("Crédit du débiteur\t0,00\r\nTotal dû\t2089,01\r\n");
    QTest::newRow("all paid") << qint64(0) << qint64(0) << qint64(0)
                              << QStringList{"Total dû", "0,00 €"}
                              << QByteArray("Crédit du débiteur\t0,00\r\nTotal dû\t0,00\r\n");
    QTest::newRow("paid beyond") << qint64(0) << qint64(0) << qint64(49850)
                                 << QStringList{"Crédit du débiteur", "498,50 €"}
                                 << QByteArray("Crédit du débiteur\t498,50\r\nTotal dû\t0,00\r\n");
}

void TestStatementExport::lastTotalIsWhatIsOwedOrTheCredit()
{
    QFETCH(qint64, capital);
    QFETCH(qint64, interest);
    QFETCH(qint64, credit);
    QFETCH(QStringList, last);
    QFETCH(QByteArray, sheetEnd);
    StatementDocument doc;
    doc.statement.capital = capital;
    doc.statement.interest = interest;
    doc.statement.credit = credit;
    const QList<QStringList> rows = StatementTotalRows(doc.statement, french);
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.at(2), (QStringList{"Capital restant dû", formatCents(capital, french) + " €"}));
    QCOMPARE(rows.last(), last);
    const QByteArray tsv = StatementTsv(doc, french);
    QVERIFY2(tsv.contains("\r\n" + sheetEnd + "\r\n"), tsv.constData());
}

void TestStatementExport::untrustedCaseTextStaysInItsCell_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("csv") << "csv"
                         << QByteArray("\r\nCréancier;\"'=1+1; \"\"A\"\"  B C D\"\r\n"
                                       "Débiteur; M. \u00C9 [31m\r\n");
    QTest::newRow("tsv") << "tsv"
                         << QByteArray("\r\nCréancier\t'=1+1; \"A\"  B C D\r\n"
                                       "Débiteur\t M. \u00C9 [31m\r\n");
    QTest::newRow("terminal") << "txt"
                              << QByteArray("\nCréancier  =1+1; \"A\"  B C D\n"
                                            "Débiteur    M. \u00C9 [31m\n");
    QTest::newRow("json") << "json"
                          << QByteArray("\"creancier\": \"=1+1; \\\"A\\\"\\r\\nB\\tC\u2028D\",\n"
                                        "    \"debiteur\": \"\\u0007M. \u00C9\\u001b[31m\",\n");
}

void TestStatementExport::untrustedCaseTextStaysInItsCell()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, expected);
    std::optional<StatementDocument> doc = document(Credit);
    QVERIFY(doc);
    // A formula, quotes, line and cell breaks, a bell and a terminal's
    // escape sequence.
    doc->caseFields.creancier = QString::fromUtf8("=1+1; \"A\"\r\nB\tC\u2028D");
    doc->caseFields.debiteur = QString::fromUtf8("\aM. \u00C9\x1b[31m");
    const QByteArray bytes = output(*doc, format, french);
    QVERIFY2(bytes.contains(expected), bytes.constData());
}

void TestStatementExport::scheduleJsonKeepsSumsUnrounded()
{
    auto state = fixtures::syntheticState(3, 3, {{0, 1020.0000000000001}, {1, 1010.5}, {3, 1000}});
    QCOMPARE(ScheduleJson(*state),
             QByteArray("{\n  \"lignes\": [\n"
                        "    {\"mois\": \"2015-06\", \"libelle\": \"Juin 2015\", \"taux\": "
                        "\"0.93\", \"somme\": \"1020.0000000000001\"},\n"
                        "    {\"mois\": \"2015-05\", \"libelle\": \"Mai 2015\", \"taux\": "
                        "\"4.06\", \"somme\": \"1010.5\"},\n"
                        "    {\"mois\": \"2015-04\", \"libelle\": \"Avril 2015\", \"taux\": "
                        "\"0.93\", \"somme\": null},\n"
                        "    {\"mois\": \"2014-12\", \"libelle\": \"Décembre 2014\", "
                        "\"taux\": null, \"somme\": \"1000\"}\n"
                        "  ]\n}\n"));
    QCOMPARE(ScheduleJson(*fixtures::syntheticState(3)), QByteArray("{\n  \"lignes\": []\n}\n"));
}

void TestStatementExport::scheduleTextTable()
{
    auto state = fixtures::syntheticState(3, 3, {{0, 1234567.891}, {1, 1010.5}, {3, 1000}});
    QCOMPARE(ScheduleTextTable(*state, french),
             QStringLiteral("Mois           Taux annuel        Somme\n"
                            "Juin 2015             0,93  1234 567,89\n"
                            "Mai 2015              4,06     1 010,50\n"
                            "Avril 2015            0,93\n"
                            "Décembre 2014                  1 000,00\n"));
}

namespace {

QString pdfText(const QString &path, int firstPage = 0, int lastPage = 0)
{
    QStringList args{QStringLiteral("-layout")};
    if (firstPage > 0)
        args << QStringLiteral("-f") << QString::number(firstPage) << QStringLiteral("-l")
             << QString::number(lastPage);
    poppler::Process process;
    process.start(QStringLiteral("pdftotext"), args << path << QStringLiteral("-"));
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString squeezed(QString text)
{
    return text.replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

} // namespace

void TestStatementExport::pdfReadsBack()
{
    if (!poppler::available(QStringLiteral("pdftotext")))
        QFAIL("pdftotext (poppler-utils) is needed, see scripts/setup.sh");
    const std::optional<StatementDocument> doc = document(PaymentAndCapitalisation);
    QVERIFY(doc);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("décompte.pdf"));
    QString error;
    QVERIFY2(WriteStatementPdf(path, *doc, french, &error), qPrintable(error));
    QVERIFY(readFile(path).startsWith("%PDF-"));

    const QString text = squeezed(pdfText(path));
    for (const char *expected :
         {"Décompte des intérêts au taux légal", "Capital 1 000,00 €",
          "Intérêts à compter du 01/01/2019", "Jusqu'au (non compris) 11/02/2020",
          "Capitalisation annuelle à compter du 01/02/2019",
          "01/01/2019 31/01/2019 31 1 000,00 3,65 3,10",
          "Acompte du 01/03/2019 : 4,00 (4,00 sur les intérêts, 0,00 sur le capital)",
          "Capitalisation du 01/02/2020 : 35,60 d'intérêts ajoutés au capital",
          "01/02/2020 10/02/2020 10 1 035,60 3,65 1,04", "Total dû 1 036,64 €",
          "Taux connus jusqu'au premier semestre 2026", "Décompte établi le 08/12/2026",
          "Page 1 / 1"}) {
        QVERIFY2(text.contains(QString::fromUtf8(expected)), qPrintable(expected + text));
    }
    QVERIFY2(!text.contains(QStringLiteral("/srv/taux")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("Créancier")), qPrintable(text));

    // A credit, the case fields and the rates' note.
    for (const int which : {int(Credit), int(Fiche)}) {
        QVERIFY2(WriteStatementPdf(path, *document(which), french, &error), qPrintable(error));
        const QString page = squeezed(pdfText(path));
        const char *const expectedOf[2][4] = {
            {"Crédit du débiteur 498,50 €", "01/01/2019 10/01/2019 10 1 000,00 5,475 1,50",
             "Intérêts restant dus 0,00 €", "Coefficient 1,5"},
            {"Créancier Mme Anne Martin\nDébiteur SARL Exemple\nRéférence du dossier "
             "2026/0042\nTitre exécutoire Jugement du tribunal judiciaire de Lyon du 01/09/2015, "
             "RG 15/01234\n",
             "Origine des taux Taux ajoutés le 08/12/2026 depuis https://www.example.com/taux "
             "(publication du 01/07/2026)",
             "18/11/2015 31/12/2015 44 2 000,00 9,29 22,40", "Total dû 2 089,01 €"}};
        for (const char *expected : expectedOf[which == Fiche ? 1 : 0])
            QVERIFY2(page.contains(QString::fromUtf8(expected)), qPrintable(expected + page));
        QCOMPARE(page.contains(QStringLiteral("Total dû")), which == Fiche);
    }
}

void TestStatementExport::caseTextKeepsItsTypedOrder_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pdf") << u"pdf"_s << u"Référence du dossier RG 43210/51"_s;
    QTest::newRow("terminal") << u"txt"_s << u"Référence du dossier  RG 43210/51\n"_s;
    QTest::newRow("tsv") << u"tsv"_s << u"Référence du dossier\tRG 43210/51\r\n"_s;
    QTest::newRow("csv") << u"csv"_s << u"Référence du dossier;RG 43210/51\r\n"_s;
    QTest::newRow("json") << u"json"_s << u"\"reference\": \"RG 43210/51\","_s;
}

void TestStatementExport::caseTextKeepsItsTypedOrder()
{
    // Saved as "RG 43210/51"; with the override, a page would show it
    // "RG 15/01234".
    QFETCH(QString, format);
    QFETCH(QString, expected);
    std::optional<StatementDocument> doc = document(Fiche);
    QVERIFY(doc);
    doc->caseFields.reference = QStringLiteral("RG \u202E43210/51\u202C");
    QString text;
    if (format == u"pdf") {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("inverse.pdf"));
        QString error;
        QVERIFY2(WriteStatementPdf(path, *doc, french, &error), qPrintable(error));
        text = squeezed(pdfText(path));
    } else {
        text = QString::fromUtf8(output(*doc, format, french));
    }
    QVERIFY2(text.contains(expected), qPrintable(text));
    QVERIFY(!text.contains(QChar(0x202E)));
    QVERIFY(!text.contains(QChar(0x202C)));
}

void TestStatementExport::pdfFontsTellThePartsApart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("font"); // regular, bold or italic

    QTest::newRow("title") << u"Décompte des intérêts au taux légal"_s << u"bold"_s;
    QTest::newRow("case field caption") << u"Créancier"_s << u"bold"_s;
    QTest::newRow("case field value") << u"Mme Anne Martin"_s << u"regular"_s;
    QTest::newRow("input caption") << u"Capital"_s << u"regular"_s;
    QTest::newRow("table heading") << u"Du"_s << u"bold"_s;
    QTest::newRow("interest line") << u"31/01/2019"_s << u"regular"_s;
    QTest::newRow("payment sentence") << u"Acompte du 01/03/2019 :"_s << u"italic"_s;
}

// Which font each part is set in, read back from the page: the captions of
// the case fields, the title and the heading stand out in bold, the
// payments' sentences in italics.
void TestStatementExport::pdfFontsTellThePartsApart()
{
    QFETCH(QString, text);
    QFETCH(QString, font);
    if (!poppler::available(QStringLiteral("pdftohtml")))
        QFAIL("pdftohtml (poppler-utils) is needed, see scripts/setup.sh");
    std::optional<StatementDocument> doc = document(PaymentAndCapitalisation);
    QVERIFY(doc);
    doc->caseFields.creancier = QStringLiteral("Mme Anne Martin");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("polices.pdf"));
    QString error;
    QVERIFY2(WriteStatementPdf(path, *doc, french, &error), qPrintable(error));
    poppler::Process process;
    process.start(QStringLiteral("pdftohtml"),
                  {QStringLiteral("-xml"), QStringLiteral("-i"), QStringLiteral("-stdout"), path});
    QVERIFY(process.waitForFinished(60000) && process.exitCode() == 0);
    // pdftohtml marks a bold or italic face with <b> or <i> inside each text.
    QXmlStreamReader xml(process.readAllStandardOutput());
    QString found;
    while (!xml.atEnd() && found.isEmpty()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"text")
            continue;
        QString words;
        QString style = QStringLiteral("regular");
        while (!(xml.readNext() == QXmlStreamReader::EndElement && xml.name() == u"text") &&
               !xml.atEnd()) {
            if (xml.isStartElement())
                style = xml.name() == u"b" ? QStringLiteral("bold") : QStringLiteral("italic");
            else if (xml.isCharacters())
                words += xml.text();
        }
        // A sentence may come in pieces: its first one counts.
        if (words.trimmed() == text || words.startsWith(text + u' '))
            found = style;
    }
    QCOMPARE(found, font);
}

void TestStatementExport::pdfRepeatsTheHeadingOnEveryPage()
{
    // Ten years with a payment every month: well over one page of lines.
    StatementInput in;
    in.principal = 10000000;
    in.from = QDate(2016, 1, 1);
    in.to = QDate(2026, 1, 1);
    in.capitalise = true;
    for (QDate d(2016, 1, 15); d < in.to; d = d.addMonths(1))
        in.payments.append({d, 12345});
    const RateTable table = bundledTable();
    const StatementResult result = ComputeStatement(table, in);
    QVERIFY(result.ok());
    const StatementDocument doc = MakeStatementDocument(table, RateCategory::Autres, in,
                                                        *result.statement, QDate(2026, 1, 2));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    QString error;
    QVERIFY2(WriteStatementPdf(path, doc, french, &error), qPrintable(error));
    const QString all = squeezed(pdfText(path));
    const QRegularExpression pageOf(QStringLiteral("Page 1 / (\\d+)"));
    const QRegularExpressionMatch match = pageOf.match(all);
    QVERIFY2(match.hasMatch(), qPrintable(all));
    const int pages = match.captured(1).toInt();
    QVERIFY2(pages >= 3, qPrintable(all));
    for (int page = 1; page <= pages; ++page) {
        const QString text = squeezed(pdfText(path, page, page));
        QVERIFY2(text.contains(QStringLiteral("Du Au Jours Capital Taux annuel Intérêts")),
                 qPrintable(QString::number(page) + text));
        QVERIFY2(text.contains(QStringLiteral("Page %1 / %2").arg(page).arg(pages)),
                 qPrintable(text));
    }
    const QString last = squeezed(pdfText(path, pages, pages));
    QVERIFY(last.contains(QStringLiteral("Total dû")));
    QVERIFY(last.contains(QStringLiteral("Décompte établi le 02/01/2026")));
}

void TestStatementExport::pdfWrapsLongCaseFieldsOnThePage()
{
    std::optional<StatementDocument> doc = document(Fiche);
    QVERIFY(doc);
    doc->caseFields.creancier = QString(300, u'X');
    doc->caseFields.titre.clear();
    for (int i = 0; i < 6; ++i)
        doc->caseFields.titre += QStringLiteral("Jugement du tribunal judiciaire de Lyon ");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    QString error;
    QVERIFY2(WriteStatementPdf(path, *doc, french, &error), qPrintable(error));

    poppler::Process process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(60000));
    const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
    // Every word inside the page less its 18 mm margin (A4: 595,28 points).
    const QRegularExpression word(
        QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)<"));
    int xs = 0;
    int judiciaire = 0;
    QMap<QString, double> tops; // the last top of each word
    QList<double> xTops;
    for (const QRegularExpressionMatch &m : word.globalMatch(boxes)) {
        QVERIFY2(m.captured(1).toDouble() >= 50.9, qPrintable(m.captured(0)));
        QVERIFY2(m.captured(3).toDouble() <= 544.4, qPrintable(m.captured(0)));
        xs += int(m.captured(4).count(u'X'));
        judiciaire += m.captured(4) == u"judiciaire" ? 1 : 0;
        tops[m.captured(4)] = m.captured(2).toDouble();
        if (m.captured(4).startsWith(u'X'))
            xTops.append(m.captured(2).toDouble());
    }
    QCOMPARE(xs, 300); // the word too long for a line, cut but whole
    // The lines of one field follow each other; 0,8 mm (2,27 points) more
    // stand between two fields.
    QVERIFY(xTops.size() >= 2);
    const double gap =
        (tops[QStringLiteral("Titre")] - tops[QStringLiteral("Référence")]) - (xTops[1] - xTops[0]);
    QVERIFY2(qAbs(gap - 2.27) < 0.2, qPrintable(QString::number(gap)));
    QCOMPARE(judiciaire, 6); // the others broken between words
}

void TestStatementExport::pdfIsTheSameBytesEveryTime()
{
    std::optional<StatementDocument> doc = document(PaymentAndCapitalisation);
    QVERIFY(doc);
    const std::optional<QByteArray> first = StatementPdf(*doc, french);
    const std::optional<QByteArray> second = StatementPdf(*doc, french);
    QVERIFY(first && second);
    QCOMPARE(*second, *first);
    QVERIFY(first->contains("/CreationDate (D:20261208000000Z)"));

    doc->madeOn = QDate(2027, 1, 15);
    const std::optional<QByteArray> later = StatementPdf(*doc, french);
    QVERIFY(later);
    QVERIFY(later->contains("/CreationDate (D:20270115000000Z)"));
}

void TestStatementExport::pdfFailureIsSaidInFrench()
{
    const std::optional<StatementDocument> doc = document(Fiche);
    QVERIFY(doc);
    QTemporaryDir dir;
    QString error;
    QVERIFY(!WriteStatementPdf(dir.filePath(QStringLiteral("absent/x.pdf")), *doc, french, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Impossible d'écrire le fichier ")),
             qPrintable(error));

    // A folder where the file should be: nothing may replace it.
    const QString taken = dir.filePath(QStringLiteral("pris.pdf"));
    QVERIFY(QDir().mkdir(taken));
    QVERIFY(!WriteStatementPdf(taken, *doc, french, &error));
    QVERIFY(QFileInfo(taken).isDir());
}

// Dates line up on the left of their columns; days, capital, rate and
// interest on the right, whatever their width, under the heading's words.
void TestStatementExport::pdfColumnsLineUp_data()
{
    QTest::addColumn<Cents>("principal");
    QTest::newRow("a thousand euros") << Cents(100000);
    QTest::newRow("a thousand billion euros, the most a statement takes") << Cents(99999999999999);
}

void TestStatementExport::pdfColumnsLineUp()
{
    QFETCH(Cents, principal);
    StatementInput in;
    in.principal = principal;
    in.from = QDate(2019, 1, 1);
    in.to = QDate(2020, 2, 11);
    in.capitalise = true;
    in.payments = {{QDate(2019, 3, 1), 400}};
    const RateTable table = simpleTable();
    const StatementResult result = ComputeStatement(table, in);
    QVERIFY(result.ok());
    const std::optional<StatementDocument> doc = MakeStatementDocument(
        table, RateCategory::Autres, in, *result.statement, QDate(2026, 12, 8));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("colonnes.pdf"));
    QString error;
    QVERIFY2(WriteStatementPdf(path, *doc, french, &error), qPrintable(error));
    poppler::Process process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    QVERIFY(process.waitForFinished(60000) && process.exitCode() == 0);
    struct Word
    {
        double left, right;
        QString text;
    };
    QMap<int, QList<Word>> lines; // by top, in hundredths of a point
    const QRegularExpression word(
        QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)<"));
    for (const QRegularExpressionMatch &m :
         word.globalMatch(QString::fromUtf8(process.readAllStandardOutput()))) {
        lines[qRound(m.captured(2).toDouble() * 100)].append(
            {m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(4)});
        // Within the page less its 18 mm margins (A4: 595,28 points).
        QVERIFY2(m.captured(3).toDouble() <= 544.4, qPrintable(m.captured(0)));
    }
    const QRegularExpression day(QStringLiteral("^\\d\\d/\\d\\d/\\d{4}$"));
    QList<Word> heading;
    QList<QList<Word>> rows;
    for (QList<Word> &line : lines) {
        std::sort(line.begin(), line.end(),
                  [](const Word &a, const Word &b) { return a.left < b.left; });
        if (line.size() == 7 && line[2].text == u"Jours")
            heading = line; // Du Au Jours Capital Taux annuel Intérêts
        else if (line.size() >= 6 && day.match(line[0].text).hasMatch() &&
                 day.match(line[1].text).hasMatch())
            rows.append(line);
    }
    QCOMPARE(heading.size(), 7);
    QVERIFY(rows.size() >= 3);
    QSet<int> dayWidths;
    for (const QList<Word> &row : std::as_const(rows)) {
        const QString seen = row[0].text + u' ' + row[2].text;
        QVERIFY2(qAbs(row[0].left - heading[0].left) < 0.5, qPrintable(seen));
        QVERIFY2(qAbs(row[1].left - heading[1].left) < 0.5, qPrintable(seen));
        QVERIFY2(qAbs(row[2].right - heading[2].right) < 0.5, qPrintable(seen));
        QVERIFY2(qAbs(row.last().right - heading.last().right) < 0.5, qPrintable(seen));
        dayWidths.insert(qRound(row[2].right - row[2].left));
    }
    QVERIFY2(dayWidths.size() >= 2, "the day counts should not all be as wide");
}

namespace {
// A printer that cannot start a second sheet.
class OnePageWriter : public QPdfWriter
{
public:
    using QPdfWriter::QPdfWriter;
    bool newPage() override { return false; }
};
} // namespace

void TestStatementExport::pdfPaintingFailureIsNoPdf()
{
    std::optional<StatementDocument> doc = document(PaymentAndCapitalisation);
    QVERIFY(doc);
    QBuffer shortOne;
    QVERIFY(shortOne.open(QIODevice::WriteOnly));
    OnePageWriter fits(&shortOne);
    QVERIFY(PaintStatement(fits, *doc, french));

    // A payment a month for ten years: several pages.
    StatementInput in;
    in.principal = 10000000;
    in.from = QDate(2016, 1, 1);
    in.to = QDate(2026, 1, 1);
    for (QDate d(2016, 1, 15); d < in.to; d = d.addMonths(1))
        in.payments.append({d, 12345});
    const RateTable table = bundledTable();
    const StatementResult result = ComputeStatement(table, in);
    QVERIFY(result.ok());
    QBuffer longOne;
    QVERIFY(longOne.open(QIODevice::WriteOnly));
    OnePageWriter cut(&longOne);
    QVERIFY(!PaintStatement(cut,
                            MakeStatementDocument(table, RateCategory::Autres, in,
                                                  *result.statement, QDate(2026, 1, 2)),
                            french));
}

QTEST_MAIN(TestStatementExport)
#include "tst_statementexport.moc"
