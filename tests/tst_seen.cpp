// Faults that once went unnoticed: the command line's words and bounds,
// the readers of typed values, the code page's edge, the exports' quoting,
// a PDF's offsets in a zone other than UTC, and an update with nothing new.
#include "cli/values.h"
#include "output/reportpdf.h"
#include "output/statementexport.h"
#include "output/statementpdf.h"
#include "outputfixtures.h"
#include "publicationserver.h"
#include "rates/codepage.h"
#include "testfiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

const QLocale french(QLocale::French, QLocale::France);

// Whole years before 2015, then half-years with rates of their own.
const QByteArray kRates = "' Taux de l'essai\r\n"
                          "2S2016\t0.93\t4.35\r\n"
                          "1S2016\t1.01\t4.54\r\n"
                          "2S2015\t0.99\t4.29\r\n"
                          "1S2015\t0.99\t4.06\r\n"
                          "2014\t0.04\t0.04\r\n";

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run runCli(const QStringList &arguments, const QString &ratesDir, const QString &home)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_DIRS"), home);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home);
    process.start(QStringLiteral(TAUX_CLI),
                  QStringList{arguments.first(), QStringLiteral("--taux=") + ratesDir} +
                      arguments.mid(1));
    Run result;
    // Not waitForFinished: a test's server answers from this thread's loop.
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000) ||
        process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void useZone(const QByteArray &zone)
{
    if (zone.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

// Every object the cross-reference table lists starts where it says, and
// the table itself where startxref says: what a reader trusts before it
// shows anything.
QString xrefFault(const QByteArray &pdf)
{
    static const QRegularExpression start(QStringLiteral("startxref\\s+(\\d+)\\s+%%EOF\\s*$"));
    const QRegularExpressionMatch m = start.match(QString::fromLatin1(pdf.right(64)));
    if (!m.hasMatch())
        return QStringLiteral("no startxref at the end");
    const qsizetype xref = m.captured(1).toLongLong();
    if (pdf.mid(xref, 5) != "xref\n")
        return QStringLiteral("startxref %1 is not the table").arg(xref);
    const QList<QByteArray> lines = pdf.mid(xref).split('\n');
    const QList<QByteArray> section = lines.value(1).split(' ');
    const int first = section.value(0).toInt();
    const int count = section.value(1).toInt();
    if (count < 2)
        return QStringLiteral("an empty table");
    for (int i = 0; i < count; ++i) {
        const QByteArray entry = lines.value(2 + i).trimmed();
        if (!entry.endsWith(" n"))
            continue;
        const qsizetype offset = entry.left(10).toLongLong();
        const QByteArray expected = QByteArray::number(first + i) + " 0 obj";
        if (pdf.mid(offset, expected.size()) != expected)
            return QStringLiteral("object %1 is not at %2").arg(first + i).arg(offset);
    }
    return QString();
}

// A statement with nothing but its capital, made on 10/04/2016.
StatementDocument plainDocument(Cents principal, const QDate &from, const QDate &to)
{
    StatementDocument doc;
    doc.input.principal = principal;
    doc.input.from = from;
    doc.input.to = to;
    doc.madeOn = QDate(2016, 4, 10);
    doc.statement.capital = principal;
    return doc;
}

} // namespace

class TestSeen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void batchCapitalisationWords_data();
    void batchCapitalisationWords();
    void capitalMonthBounds_data();
    void capitalMonthBounds();
    void typedValues_data();
    void typedValues();
    void codePage_data();
    void codePage();
    void csvCells_data();
    void csvCells();
    void pdfOffsetsHoldInEveryZone_data();
    void pdfOffsetsHoldInEveryZone();
    void updateWithNothingNewSucceeds_data();
    void updateWithNothingNewSucceeds();

private:
    QString ratesDir() const { return m_dir.filePath(QStringLiteral("taux")); }
    QString home() const { return m_dir.filePath(QStringLiteral("maison")); }

    QTemporaryDir m_dir;
    QByteArray m_savedTz;
};

void TestSeen::initTestCase()
{
    m_savedTz = qgetenv("TZ");
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("taux")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("maison")));
    QVERIFY(writeFile(ratesDir() + QStringLiteral("/QUERDAN.TXT"), kRates));
}

void TestSeen::cleanupTestCase()
{
    useZone(m_savedTz);
}

void TestSeen::batchCapitalisationWords_data()
{
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<QByteArray>("line");
    // 1 000 from 01/01/2015 to 01/07/2016: 365 days at 0,99 % make 9,90,
    // then 182 days at 1,01 % make 5,04 on 1 000,00 or 5,09 on 1 009,90
    // once the first year is capitalised on 01/01/2016.
    const QByteArray simple = "2;;01/01/2015;01/07/2016;1000,00;14,94;0,00;1000,00;14,94;0,00;"
                              "1014,94\r\n";
    const QByteArray compound = "2;;01/01/2015;01/07/2016;1000,00;14,99;0,00;1009,90;5,09;0,00;"
                                "1014,99\r\n";
    QTest::newRow("non") << "non"_ba << simple;
    QTest::newRow("NON, as a spreadsheet capitalises it") << "NON"_ba << simple;
    QTest::newRow("sans") << "sans"_ba << simple;
    QTest::newRow("oui") << "oui"_ba << compound;
    QTest::newRow("empty: the command's default, capitalised") << QByteArray() << compound;
    QTest::newRow("a date") << "01/01/2015"_ba << compound;
}

void TestSeen::batchCapitalisationWords()
{
    QFETCH(QByteArray, cell);
    QFETCH(QByteArray, line);
    const QString csv = m_dir.filePath(QStringLiteral("lot.csv"));
    QVERIFY(writeFile(csv, "montant;depuis;au;capitalisation-depuis\n1000;01/01/2015;01/07/2016;" +
                               cell + "\n"));
    const Run r = runCli({"lot", csv, "--format", "csv", "--date-du-decompte", "08/12/2026"},
                         ratesDir(), home());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains("\r\n" + line), r.out.constData());
}

void TestSeen::capitalMonthBounds_data()
{
    QTest::addColumn<QString>("month");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("said"); // the first line of the schedule, or the error

    // 10 000 from October 2014. In December: 13 months of interest by the
    // start of December 2015 (2 at 0,04 %, 11 at 0,99 %: 91,42) join the
    // capital then, twelve more in December 2016. In January: 14 months
    // (99,67) join it in January 2016, and 2016 adds 10 099,67 x 11,64 / 1200.
    QTest::newRow("12, December") << "12" << 0 << QByteArray("Décembre 2016\t0,93\t10 197,71\r\n");
    QTest::newRow("1, January") << "1" << 0 << QByteArray("Décembre 2016\t0,93\t10 197,63\r\n");
    const QByteArray refused = " n'est pas un mois ; attendu un nombre de 1 à 12\n";
    QTest::newRow("13") << "13" << 2 << "« 13 »" + refused;
    QTest::newRow("0") << "0" << 2 << "« 0 »" + refused;
}

void TestSeen::capitalMonthBounds()
{
    QFETCH(QString, month);
    QFETCH(int, status);
    QFETCH(QByteArray, said);
    const Run r = runCli({"echeancier", "--mois", "10/2014", "--montant", "10000",
                          "--mois-capitalisation", month, "--format", "tsv"},
                         ratesDir(), home());
    QCOMPARE(r.status, status);
    QVERIFY2((status == 0 ? r.out : r.err).contains(said), (r.out + r.err).constData());
    // The readers both commands share, at their bounds.
    QCOMPARE(readCapitalMonth(month).value.has_value(), status == 0);
}

void TestSeen::typedValues_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("read"); // the value, or the refusal

    const QString notAnAmount = u" n'est pas un montant ; attendu un montant en euros comme 1500, "
                                u"1500,50 ou 1 500,50 (une seule marque décimale, des espaces pour "
                                u"les milliers)"_s;
    QTest::newRow("grouped thousands") << u"montant"_s << u"1 500,50"_s << u"150050"_s;
    QTest::newRow("no-break space between thousands")
        << u"montant"_s << u"1\u00A0500,5"_s << u"150050"_s;
    QTest::newRow("a space between the decimals")
        << u"montant"_s << u"1 500,5 0"_s << u"« 1 500,5 0 »"_s + notAnAmount;
    QTest::newRow("a no-break space between the decimals")
        << u"montant"_s << u"12,3\u00A04"_s << u"« 12,3\u00A04 »"_s + notAnAmount;
    QTest::newRow("a narrow space after the only decimal")
        << u"montant"_s << u"12.3\u202F"_s << u"1230"_s;
    QTest::newRow("a space before the mark")
        << u"montant"_s << u"12 ,50"_s << u"« 12 ,50 »"_s + notAnAmount;
    QTest::newRow("a month, year first") << u"mois"_s << u"2015-3"_s << u"2015-03-01"_s;
    QTest::newRow("a month by its name") << u"mois"_s << u"févr. 2016"_s << u"2016-02-01"_s;
    QTest::newRow("month 13") << u"mois"_s << u"13/2015"_s
                              << u"« 13/2015 » n'est pas un mois ; attendu un mois comme 03/2015, "
                                 u"2015-03 ou mars 2015"_s;
    QTest::newRow("coefficient 1") << u"coefficient"_s << u"1"_s << u"1"_s;
    QTest::newRow("coefficient 3") << u"coefficient"_s << u" 3 "_s << u"3"_s;
    QTest::newRow("coefficient 2,5")
        << u"coefficient"_s << u"2,5"_s
        << u"« 2,5 » n'est pas un coefficient ; attendu 1, 1,5, 2 ou 3"_s;
    QTest::newRow("category in capitals") << u"categorie"_s << u"AUTRES"_s << u"autres"_s;
    QTest::newRow("the official day base") << u"base"_s << u"365"_s << u"365"_s;
    QTest::newRow("a payment on a day that is not")
        << u"acompte"_s << u"31/02/2016=500"_s
        << u"« 31/02/2016 » n'est pas une date ; attendu une date comme 15/03/2015, 15 mars 2015 "
           u"ou 2015-03-15"_s;
    QTest::newRow("a payment's amount with three decimals")
        << u"acompte"_s << u"15/01/2016=1,005"_s
        << u"« 1,005 » a plus de deux décimales ; attendu un montant au centime, comme 1500,50"_s;
    QTest::newRow("line breaks named") << u"visible"_s << u"a\nb\rc\td"_s << u"a<LF>b<CR>c<TAB>d"_s;
}

void TestSeen::typedValues()
{
    QFETCH(QString, reader);
    QFETCH(QString, typed);
    QFETCH(QString, read);
    QString got;
    // A value read comes without an error beside it.
    const auto either = [&](const auto &r, const auto &shown) {
        got = r.value ? shown(*r.value) + r.error : r.error;
    };
    if (reader == u"montant")
        either(readAmount(typed), [](Cents c) { return QString::number(c); });
    else if (reader == u"mois")
        either(readMonth(typed), [](const QDate &d) { return d.toString(Qt::ISODate); });
    else if (reader == u"coefficient")
        either(readCoefficientIndex(typed),
               [](int i) { return QString::number(coefficientOfIndex(i)); });
    else if (reader == u"categorie")
        either(readCategory(typed), [](RateCategory c) { return categoryName(c); });
    else if (reader == u"base")
        either(readDayBase(typed), [](DayBase b) {
            return b == DayBase::Fixed365 ? QStringLiteral("365") : QStringLiteral("annee");
        });
    else if (reader == u"acompte")
        either(readPayment(typed), [](const Payment &p) {
            return p.date.toString(Qt::ISODate) + u'=' + QString::number(p.amount);
        });
    else
        got = visibleValue(typed);
    QCOMPARE(got, read);
}

void TestSeen::codePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("both"); // the bytes also decode to the text

    QTest::newRow("0x7F, the last ASCII byte") << u"\u007F"_s << "\x7F"_ba << true;
    QTest::newRow("0x80, the euro sign") << u"\u20AC"_s << "\x80"_ba << true;
    QTest::newRow("0x81, undefined, its control character") << u"\u0081"_s << "\x81"_ba << true;
    QTest::newRow("0x9F, the last of the table") << u"\u0178"_s << "\x9F"_ba << true;
    QTest::newRow("0xA0, the first byte past it: a no-break space")
        << u"\u00A0"_s << "\xA0"_ba << true;
    QTest::newRow("0xE9 and 0xFF, Latin-1 again") << u"\u00E9\u00FF"_s << "\xE9\xFF"_ba << true;
    QTest::newRow("Cyrillic") << u"Жa"_s << "?a"_ba << false;
    QTest::newRow("outside the basic plane: one question mark") << u"😀a"_s << "?a"_ba << false;
    QTest::newRow("a high surrogate alone at the end") << QString(QChar(0xD83D)) << "?"_ba << false;
    QTest::newRow("a high surrogate before a letter")
        << QString(QChar(0xD83D)) + u'a' << "?a"_ba << false;
    QTest::newRow("a low surrogate alone") << QString(QChar(0xDE00)) + u'a' << "?a"_ba << false;
}

void TestSeen::codePage()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, both);
    QCOMPARE(EncodeWindows1252(text), bytes);
    if (both)
        QCOMPARE(DecodeWindows1252(bytes), text);
}

void TestSeen::csvCells_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QByteArray>("tsv");

    QTest::newRow("a double quote alone is quoted")
        << QStringLiteral("SARL \"Martin\"") << QByteArray("\"SARL \"\"Martin\"\"\"")
        << QByteArray("SARL \"Martin\"");
    QTest::newRow("a formula after a space is defused")
        << QStringLiteral(" =formule") << QByteArray("' =formule") << QByteArray("' =formule");
    QTest::newRow("a formula after a tab is defused")
        << QStringLiteral("\t+1") << QByteArray("' +1") << QByteArray("' +1");
    QTest::newRow("a minus sign") << QStringLiteral("-2+3") << QByteArray("'-2+3")
                                  << QByteArray("'-2+3");
    QTest::newRow("an at sign") << QStringLiteral("@SOMME") << QByteArray("'@SOMME")
                                << QByteArray("'@SOMME");
    QTest::newRow("an equals sign further on stays")
        << QStringLiteral("A=B") << QByteArray("A=B") << QByteArray("A=B");
}

void TestSeen::csvCells()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, tsv);
    StatementDocument doc = plainDocument(100000, QDate(2015, 1, 1), QDate(2015, 2, 1));
    doc.caseFields.creancier = typed;
    const QByteArray csvBytes = StatementCsv(doc);
    QVERIFY2(csvBytes.contains("\r\nCréancier;" + csv + "\r\n"), csvBytes.constData());
    const QByteArray tsvBytes = StatementTsv(doc, french);
    QVERIFY2(tsvBytes.contains("\r\nCréancier\t" + tsv + "\r\n"), tsvBytes.constData());
}

void TestSeen::pdfOffsetsHoldInEveryZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::newRow("UTC") << QByteArray("UTC");
    QTest::newRow("Paris") << QByteArray("Europe/Paris");
    QTest::newRow("St John's, half an hour off") << QByteArray("America/St_Johns");
    QTest::newRow("Kiritimati, fourteen hours ahead") << QByteArray("Pacific/Kiritimati");
}

void TestSeen::pdfOffsetsHoldInEveryZone()
{
    QFETCH(QByteArray, zone);
    useZone(zone);

    const std::optional<QByteArray> statement =
        StatementPdf(plainDocument(200000, QDate(2015, 9, 18), QDate(2015, 10, 18)), french);
    QVERIFY(statement);
    QVERIFY(statement->contains("/CreationDate (D:20160410000000Z)"));
    QCOMPARE(xrefFault(*statement), QString());

    const QString report = m_dir.filePath(QStringLiteral("etat.pdf"));
    auto state = fixtures::syntheticState(3, 3, {{0, 1020.5}, {3, 1000}});
    QString error;
    QVERIFY2(WriteReportPdf(report, *state, french, &error), qPrintable(error));
    QCOMPARE(xrefFault(readFile(report)), QString());
}

void TestSeen::updateWithNothingNewSucceeds_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QByteArray>("said");

    QTest::newRow("the publication has the same half-years")
        << http("200 OK", fiche({"2016 2 0.93 4.35", "2016 1 1.01 4.54", "2015 2 0.99 4.29"}))
        << QByteArray("Les taux sont à jour : le fichier va jusqu'au 2e semestre 2016 et la "
                      "publication n'a rien de plus récent.\n");
    QTest::newRow("a rates file the same as ours") << http("200 OK", kRates) << QByteArray();
}

void TestSeen::updateWithNothingNewSucceeds()
{
    QFETCH(QByteArray, response);
    QFETCH(QByteArray, said);
    const QString dir = m_dir.filePath(QStringLiteral("mise-a-jour"));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(writeFile(dir + QStringLiteral("/QUERDAN.TXT"), kRates));
    Server server(response);
    const Run r = runCli({"taux", "--mettre-a-jour", "--adresse", server.url()}, dir, home());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith(said), r.out.constData());
    QVERIFY2(r.out.contains("Dernier semestre : 2e semestre 2016 : 0,93 % (autres cas), 4,35 % "
                            "(particuliers)\n"),
             r.out.constData());
}

QTEST_MAIN(TestSeen)
#include "tst_seen.moc"
