// The command-line program end to end: the real executable, run on rates
// files the test writes, its bytes and its exit status checked.
#include "outputfixtures.h"
#include "poppler.h"
#include "savedgolden.h"
#include "testfiles.h"
#include "titlefixtures.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Half-years with rates of their own in each category, so that a wrong
// category or a wrong month shows in the figures. The fiche's example
// needs 4.29 for the second half of 2015 and 4.54 for the first of 2016.
const QByteArray kRates = "' Taux de l'essai\r\n"
                          "2S2016\t0.93\t4.35\r\n"
                          "1S2016\t1.01\t4.54\r\n"
                          "2S2015\t0.99\t4.29\r\n"
                          "1S2015\t0.99\t4.06\r\n"
                          "2014\t0.04\t0.04\r\n";

// The text of a PDF file as pdftotext reads it, blanks run together.
QString pdfText(const QString &pdf)
{
    poppler::Process text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!text.waitForFinished(60000))
        return QStringLiteral("pdftotext did not finish");
    return QString::fromUtf8(text.readAllStandardOutput()).simplified();
}

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void help_data();
    void help();
    void version();
    void usageErrors_data();
    void usageErrors();
    void amountsAccepted_data();
    void amountsAccepted();

    void scheduleTsvIsTheClipboardText();
    void scheduleFigures();
    void scheduleGolden_data();
    void scheduleGolden();
    void schedulePdf();

    void statementGolden_data();
    void statementGolden();
    void savedStatementOptionsGiveTheGolden_data();
    void savedStatementOptionsGiveTheGolden();
    void statementPdf();
    void caseFieldsReadAsTyped_data();
    void caseFieldsReadAsTyped();
    void pdfWriterLoadedOnlyForAPdf();

    void ratesFailures_data();
    void ratesFailures();
    void computationErrors_data();
    void computationErrors();
    void failedRunLeavesOutputFileAlone();
    void unwritableOutput();
    void defaultRatesLookup();
    void ratesFileNotRegular_data();
    void ratesFileNotRegular();
    void ratesSourceNoteIsOneLine();
    void ratesCommandOnOddFiles_data();
    void ratesCommandOnOddFiles();

    void batchGolden_data();
    void batchGolden();
    void batchReportsBadLines();
    void batchRateColumn();
    void batchFileErrors_data();
    void batchFileErrors();
    void batchFromStandardInput_data();
    void batchFromStandardInput();
    void batchReferencesShownSafely_data();
    void batchReferencesShownSafely();
    void readerGoingAway();

    void severalClaims_data();
    void severalClaims();
    void savedFile_data();
    void savedFile();

private:
    Run run(const QStringList &arguments, const QString &workingDir = QString(),
            int timeoutMs = 60000);
    QString ratesDir() const { return m_dir.filePath(QStringLiteral("taux")); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The rates folder right after the command, so that an option left
    // without its value in a test row is not given the folder as one.
    QStringList withRates(QStringList arguments) const
    {
        if (!arguments.isEmpty())
            arguments.insert(1, QStringLiteral("--taux=") + ratesDir());
        return arguments;
    }

    // 3,65 % every half-year from 2019 to the first of 2026: a day's
    // interest on 10 000 is 1,00.
    QString flatRates() const
    {
        // The ECB's table beside it, as an install has it.
        if (!QDir(m_dir.path()).mkpath(QStringLiteral("plat")) ||
            !writeFile(path(QStringLiteral("plat/QUERDAN.TXT")), titlefixtures::flatRatesFile()) ||
            !writeFile(path(QStringLiteral("plat/TAUXBCE.TXT")),
                       readFile(QStringLiteral(BUNDLED_ECB))))
            return QString();
        return path(QStringLiteral("plat"));
    }

    QTemporaryDir m_dir;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("taux")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("donnees")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("vide")));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("corrompu")));
    QVERIFY(writeFile(ratesDir() + QStringLiteral("/QUERDAN.TXT"), kRates));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("figes")));
    QVERIFY(QFile::copy(savedgolden::ratesFile(), path(QStringLiteral("figes/QUERDAN.TXT"))));
    QVERIFY(writeFile(path(QStringLiteral("corrompu/QUERDAN.TXT")), "2S2016 sans tabulation\r\n"));
    QVERIFY(writeFile(path(QStringLiteral("lot-court.csv")),
                      "montant;depuis;au\n2000;18/09/2015;10/04/2016\n"));
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("absurde")));
    QVERIFY(writeFile(path(QStringLiteral("absurde/QUERDAN.TXT")),
                      "1S2016\t371\r\n2S2015\t4.29\r\n1S2015\t4.06\r\n"));
}

Run TestCli::run(const QStringList &arguments, const QString &workingDir, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // French figures whatever the machine's language, and per-user folders
    // of the test's own, so that the lookup of the rates file sees no copy
    // of the machine's and seeds none.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("vide")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("donnees")));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), path(QStringLiteral("vide")));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workingDir.isEmpty() ? path(QStringLiteral("vide")) : workingDir);
    process.start(QStringLiteral(TAUX_CLI), arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void TestCli::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("the general help lists the commands")
        << QStringList{"--help"} << QByteArray("lot FICHIER.csv   un décompte par ligne");
    QTest::newRow("no command but aide is the general help")
        << QStringList{"aide"} << QByteArray("Commandes :");
    QTest::newRow("echeancier has its own help")
        << QStringList{"echeancier", "--help"} << QByteArray("--mois-capitalisation N");
    QTest::newRow("decompte has its own help")
        << QStringList{"decompte", "-h"} << QByteArray("--acompte DATE=MONTANT");
    QTest::newRow("lot has its own help")
        << QStringList{"lot", "--help"} << QByteArray("majoration-depuis");
    QTest::newRow("help wins over a missing amount")
        << QStringList{"decompte", "--depuis", "18/09/2015", "--help"}
        << QByteArray("Codes de sortie :");
}

void TestCli::help()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    const Run r = run(arguments);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(expected), r.out.constData());
    QCOMPARE(r.err, QByteArray());
}

void TestCli::version()
{
    const Run r = run({QStringLiteral("--version")});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("taux-legal-cli 1.0.0\n"));
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");

    const QStringList statement = {"decompte",   "--montant", "2000",      "--depuis",
                                   "18/09/2015", "--au",      "10/04/2016"};
    const QStringList schedule = {"echeancier", "--depuis", "15/03/2015", "--montant", "10000"};

    QTest::newRow("no command") << QStringList{}
                                << QByteArray("commande manquante ; attendu echeancier, decompte, "
                                              "lot ou taux");
    QTest::newRow("unknown command")
        << QStringList{"calcule"} << QByteArray("commande inconnue : calcule");
    QTest::newRow("unknown option") << (statement + QStringList{"--taux-fixe", "3"})
                                    << QByteArray("option inconnue : --taux-fixe");
    QTest::newRow("option without its value")
        << (statement + QStringList{"--base"}) << QByteArray("l'option --base attend une valeur");
    QTest::newRow("switch given a value")
        << (schedule + QStringList{"--majoration=oui"})
        << QByteArray("l'option --majoration ne prend pas de valeur");
    QTest::newRow("three decimals")
        << QStringList{"decompte",   "--montant", "1500,505",  "--depuis",
                       "18/09/2015", "--au",      "10/04/2016"}
        << QByteArray("--montant : « 1500,505 » a plus de deux décimales");
    QTest::newRow("two decimal marks")
        << QStringList{"echeancier", "--mois", "06/2016", "--montant", "1.500,50"}
        << QByteArray("--montant : « 1.500,50 » n'est pas un montant");
    QTest::newRow("seventeen digits")
        << QStringList{"echeancier", "--mois", "06/2016", "--montant", "12345678901234567"}
        << QByteArray("« 12345678901234567 » est trop grand ; attendu au plus "
                      "9 999 999 999 999,99 € (treize chiffres avant la virgule)");
    QTest::newRow("sixteen digits and a letter is not too large")
        << QStringList{"echeancier", "--mois", "06/2016", "--montant", "1234567890123456a"}
        << QByteArray("« 1234567890123456a » n'est pas un montant ; attendu un montant en euros");
    QTest::newRow("a word for an amount")
        << QStringList{"echeancier", "--mois", "06/2016", "--montant", "mille"}
        << QByteArray("« mille » n'est pas un montant ; attendu un montant en euros");
    QTest::newRow("coefficient not offered")
        << (statement + QStringList{"--coefficient", "2,5"})
        << QByteArray("--coefficient : « 2,5 » n'est pas un coefficient ; attendu 1, 1,5, 2 ou 3");
    QTest::newRow("unknown category") << (statement + QStringList{"--categorie", "entreprise"})
                                      << QByteArray("attendu autres ou particulier");
    QTest::newRow("unknown base") << (statement + QStringList{"--base", "360"})
                                  << QByteArray("--base : « 360 » n'est pas une base de calcul");
    QTest::newRow("impossible date")
        << QStringList{"decompte",   "--montant", "2000",      "--depuis",
                       "31/02/2016", "--au",      "10/04/2016"}
        << QByteArray("--depuis : « 31/02/2016 » n'est pas une date");
    QTest::newRow("unknown format") << (statement + QStringList{"--format", "xlsx"})
                                    << QByteArray("attendu texte, tsv, csv, json ou pdf");
    QTest::newRow("pdf needs a file") << (statement + QStringList{"--format", "pdf"})
                                      << QByteArray("--format pdf demande -o FICHIER");
    QTest::newRow("missing end date")
        << QStringList{"decompte", "--montant", "2000", "--depuis", "18/09/2015"}
        << QByteArray("--au manque : attendu la date de fin");
    QTest::newRow("amount given twice") << (statement + QStringList{"--montant", "3000"})
                                        << QByteArray("--montant est donnée plusieurs fois");
    QTest::newRow("payment without its amount")
        << (statement + QStringList{"--acompte", "15/01/2016:500"})
        << QByteArray("--acompte : « 15/01/2016:500 » n'est pas un acompte ; attendu "
                      "DATE=MONTANT");
    QTest::newRow("payment with three decimals")
        << (statement + QStringList{"--acompte", "15/01/2016=10,001"})
        << QByteArray("« 10,001 » a plus de deux décimales");
    QTest::newRow("capitalisation both ways")
        << (statement +
            QStringList{"--sans-capitalisation", "--capitalisation-depuis", "18/09/2015"})
        << QByteArray("--capitalisation-depuis et --sans-capitalisation s'excluent");
    QTest::newRow("start date and month both") << (schedule + QStringList{"--mois", "03/2015"})
                                               << QByteArray("--depuis et --mois s'excluent");
    QTest::newRow("no start") << QStringList{"echeancier", "--montant", "10000"}
                              << QByteArray("--depuis DATE ou --mois MOIS manque");
    QTest::newRow("month 13") << (schedule + QStringList{"--mois-capitalisation", "13"})
                              << QByteArray(
                                     "« 13 » n'est pas un mois ; attendu un nombre de 1 à 12");
    QTest::newRow("unreadable month")
        << QStringList{"echeancier", "--mois", "13/2015", "--montant", "10"}
        << QByteArray("--mois : « 13/2015 » n'est pas un mois");
    QTest::newRow("stray argument")
        << (statement + QStringList{"2089,01"}) << QByteArray("argument inattendu : 2089,01");
    QTest::newRow("negative amount")
        << QStringList{"decompte",   "--montant", "-2000",     "--depuis",
                       "18/09/2015", "--au",      "10/04/2016"}
        << QByteArray("--montant : « -2000 » est négatif ; attendu un montant positif ou nul");
    QTest::newRow("negative payment") << (statement + QStringList{"--acompte", "15/01/2016=-5"})
                                      << QByteArray("--acompte : « -5 » est négatif");
#ifdef Q_OS_WIN
    // Windows holds at most 32 767 characters in a command line.
    const QString longValue(30000, u'9');
    const QByteArray length = "30000";
#else
    const QString longValue(100000, u'9');
    const QByteArray length = "100000";
#endif
    QTest::newRow("a long value is cut") << (statement + QStringList{"--base", longValue})
                                         << "--base : « " + QByteArray(60, '9') + "… (" + length +
                                                " caractères) » n'est pas une base";
    QTest::newRow("a long command is cut")
        << QStringList{longValue}
        << "commande inconnue : " + QByteArray(60, '9') + "… (" + length + " caractères) ; attendu";
    QTest::newRow("invisible characters are named")
        << (statement + QStringList{"--base", "36\t5\u200B"})
        << QByteArray("--base : « 36<TAB>5<U+200B> » (<U+200B> : caractère de contrôle "
                      "invisible) n'est pas une base");
    QTest::newRow("batch without its file")
        << QStringList{"lot"} << QByteArray("FICHIER.csv manque");
    QTest::newRow("batch as pdf") << QStringList{"lot", "x.csv", "--format", "pdf", "-o", "x.pdf"}
                                  << QByteArray("un lot ne s'écrit pas en pdf");
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
    const Run r = run(withRates(arguments));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(expected), r.err.constData());
    QVERIFY2(r.err.size() < 1000, r.err.left(1000).constData());
    // Each message says where the help is.
    QVERIFY2(r.err.contains("--help"), r.err.constData());
    QCOMPARE(r.out, QByteArray());
}

void TestCli::amountsAccepted_data()
{
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QByteArray>("line");

    // The newest month is the start row: its sum is the amount itself.
    QTest::newRow("whole euros") << "1500" << QByteArray("Décembre 2016\t0,93\t1 500,00\r\n");
    QTest::newRow("full stop") << "1500.50" << QByteArray("Décembre 2016\t0,93\t1 500,50\r\n");
    QTest::newRow("decimal comma") << "1500,50" << QByteArray("Décembre 2016\t0,93\t1 500,50\r\n");
    QTest::newRow("grouped with a space")
        << "1 500,50" << QByteArray("Décembre 2016\t0,93\t1 500,50\r\n");
    QTest::newRow("grouped with a no-break space")
        << "1\u00A0500,5" << QByteArray("Décembre 2016\t0,93\t1 500,50\r\n");
    QTest::newRow("one cent") << "0,01" << QByteArray("Décembre 2016\t0,93\t 0,01\r\n");
}

void TestCli::amountsAccepted()
{
    QFETCH(QString, amount);
    QFETCH(QByteArray, line);
    const Run r =
        run(withRates({"echeancier", "--mois", "12/2016", "--montant", amount, "--format", "tsv"}));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, "Mois\tTaux annuel\tSomme\r\n" + line);
}

void TestCli::scheduleTsvIsTheClipboardText()
{
    // The same inputs as the window's golden clipboard copy, on the same
    // bundled rates file.
    const QString bundledDir = QFileInfo(QStringLiteral(BUNDLED_RATES)).absolutePath();
    const Run r = run({"echeancier", "--taux", bundledDir, "--categorie", "particulier", "--depuis",
                       "15/03/2015", "--montant", "10000", "--coefficient", "1,5", "--majoration",
                       "--mois-capitalisation", "1", "--format", "tsv"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, fixtures::readGolden(QStringLiteral("clipboard-full.golden")));
}

void TestCli::scheduleFigures()
{
    // 10 000 from March 2015: nine months at 0,99 and three at 1,01 make
    // 99,50 by March 2016; April adds a month at 1,01 on the capitalised
    // 10 099,50, that is 8,5004...
    const Run r = run(withRates(
        {"echeancier", "--depuis", "15/03/2015", "--montant", "10000", "--format", "tsv"}));
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains("\r\nMars 2015\t0,99\t10 000,00\r\n"));
    QVERIFY(r.out.contains("\r\nAvril 2015\t0,99\t10 008,25\r\n"));
    QVERIFY(r.out.contains("\r\nMars 2016\t1,01\t10 099,50\r\n"));
    QVERIFY(r.out.contains("\r\nAvril 2016\t1,01\t10 108,00\r\n"));
    QVERIFY(r.out.endsWith("\r\nMars 2015\t0,99\t10 000,00\r\n"));

    // Without capitalisation April 2016 adds 1/1200 of 1,01 % of 10 000.
    const Run simple = run(withRates({"echeancier", "--depuis", "15/03/2015", "--montant", "10000",
                                      "--format", "tsv", "--sans-capitalisation"}));
    QCOMPARE(simple.status, 0);
    QVERIFY(simple.out.contains("\r\nAvril 2016\t1,01\t10 107,92\r\n"));

    // A start date on the first of a month starts from the month before,
    // as the window does.
    const Run first = run(
        withRates({"echeancier", "--depuis", "01/04/2015", "--montant", "100", "--format", "tsv"}));
    QVERIFY(first.out.endsWith("\r\nMars 2015\t0,99\t 100,00\r\n"));
}

void TestCli::scheduleGolden_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("golden");
    QTest::newRow("tsv") << "tsv"
                         << "cli-echeancier.tsv";
    QTest::newRow("csv") << "csv"
                         << "cli-echeancier.csv";
    QTest::newRow("json") << "json"
                          << "cli-echeancier.json";
    QTest::newRow("text") << "texte"
                          << "cli-echeancier.txt";
}

void TestCli::scheduleGolden()
{
    QFETCH(QString, format);
    QFETCH(QString, golden);
    const Run r = run(withRates({"echeancier", "--mois", "02/2016", "--montant", "1 234,56",
                                 "--coefficient", "2", "--majoration", "--format", format}));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    fixtures::maybeWriteGolden(golden, r.out);
    QCOMPARE(r.out, fixtures::readGolden(golden));

    // The same bytes into a file.
    const QString file = path(QStringLiteral("echeancier.") + format);
    const Run toFile =
        run(withRates({"echeancier", "--mois", "02/2016", "--montant", "1 234,56", "--coefficient",
                       "2", "--majoration", "--format", format, "-o", file}));
    QCOMPARE(toFile.status, 0);
    QCOMPARE(toFile.out, QByteArray());
    QCOMPARE(readFile(file), r.out);
}

void TestCli::schedulePdf()
{
    const QString pdf = path(QStringLiteral("echeancier.pdf"));
    const Run r = run(withRates({"echeancier", "--depuis", "15/03/2015", "--montant", "10000",
                                 "--format", "pdf", "-o", pdf}));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    QVERIFY(readFile(pdf).startsWith("%PDF-"));

    const QString page = pdfText(pdf);
    QVERIFY2(page.contains(QStringLiteral("Mois Taux annuel Somme")), qPrintable(page));
    QVERIFY2(page.contains(QStringLiteral("Avril 2016 1,01 10 108,00")), qPrintable(page));
    QVERIFY2(page.contains(QStringLiteral("Mars 2015 0,99 10 000,00")), qPrintable(page));
}

void TestCli::statementGolden_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("golden");

    // The fiche's example: 2 000 for a natural person from 18/09/2015,
    // five points more from 18/11/2015, to 10/04/2016.
    const QStringList fiche = {
        "decompte",   "--montant",          "2000",        "--depuis",    "18/09/2015",
        "--au",       "10/04/2016",         "--categorie", "particulier", "--majoration-depuis",
        "18/11/2015", "--date-du-decompte", "08/12/2026"};
    // With the case fields, which every format carries.
    const QStringList caseFields = {"--creancier",
                                    "Mme Anne Martin",
                                    "--debiteur=SARL Exemple",
                                    "--reference-dossier",
                                    "2026/0042",
                                    "--titre-executoire",
                                    "Jugement du 01/09/2015, RG 15/01234"};
    for (const char *format : {"tsv", "csv", "json", "texte"}) {
        const QString ext = QString::fromLatin1(format) == u"texte" ? QStringLiteral("txt")
                                                                    : QString::fromLatin1(format);
        QTest::newRow(qPrintable(QStringLiteral("fiche ") + ext))
            << (fiche + caseFields + QStringList{"--format", format})
            << (QStringLiteral("cli-fiche.") + ext);
    }
    // A payment beyond the interest, one capitalisation, the other base.
    const QStringList payments = {"decompte",   "--montant",          "1 000",
                                  "--depuis",   "01/01/2015",         "--au",
                                  "01/10/2016", "--acompte",          "01/03/2015=500",
                                  "--acompte",  "01/07/2016=20,50",   "--base",
                                  "annee",      "--date-du-decompte", "2026-12-08"};
    for (const char *format : {"tsv", "csv", "json"}) {
        QTest::newRow(qPrintable(QStringLiteral("payments ") + QString::fromLatin1(format)))
            << (payments + QStringList{"--format", format})
            << (QStringLiteral("cli-acomptes.") + QString::fromLatin1(format));
    }
}

void TestCli::statementGolden()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, golden);
    // A folder relative to the working folder: JSON, for programs, still
    // names the file by its whole path, which the golden file writes as
    // @DOSSIER@; the others never disclose the user's folders.
    arguments.insert(1, QStringLiteral("--taux=taux"));
    const Run r = run(arguments, m_dir.path());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.out.contains(QDir(m_dir.path()).canonicalPath().toUtf8() + "/taux/QUERDAN.TXT"),
             golden.endsWith(u".json"));
    QByteArray out = r.out;
    out.replace(QDir(m_dir.path()).canonicalPath().toUtf8(), "@DOSSIER@");
    fixtures::maybeWriteGolden(golden, out);
    QCOMPARE(out, fixtures::readGolden(golden));
}

void TestCli::savedStatementOptionsGiveTheGolden_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("golden");

    // The inputs of each saved statement the window's golden documents come
    // from, as options: the same statement, the same bytes.
    const QStringList files[] = {
        {"--montant", "15000.00", "--depuis", "01/03/2019", "--au", "01/07/2021",
         "--sans-capitalisation", "--acompte", "15/01/2020=2000.00", "--acompte",
         "30/09/2020=1500.00"},
        {"--montant",
         "8000.00",
         "--depuis",
         "12/06/2017",
         "--au",
         "15/03/2024",
         "--categorie",
         "particulier",
         "--majoration-depuis",
         "12/10/2017",
         "--capitalisation-depuis",
         "01/01/2018",
         "--acompte",
         "20/05/2021=2500.00",
         "--acompte",
         "01/02/2019=1000.00",
         "--acompte",
         "30/11/2023=13000.00",
         "--creancier",
         "M. Paul Lefèvre",
         "--debiteur",
         "Mme Claire Dubois",
         "--reference-dossier",
         "2024/0117",
         "--titre-executoire",
         "Jugement du tribunal judiciaire de Nantes du 12/06/2017, RG 17/00345"},
        {"--montant",
         "2500.50",
         "--depuis",
         "05/11/2019",
         "--au",
         "20/02/2025",
         "--coefficient",
         "1,5",
         "--majoration-depuis",
         "06/01/2020",
         "--capitalisation-depuis",
         "05/11/2019",
         "--base",
         "annee",
         "--acompte",
         "29/02/2020=300.00",
         "--acompte",
         "01/07/2022=450.25",
         "--acompte",
         "31/12/2024=600.00",
         "--debiteur",
         "SAS \"Les Ateliers\"",
         "--reference-dossier",
         "=2025/0003",
         "--titre-executoire",
         "Ordonnance d'injonction de payer du 04/10/2019 ; RG 19/05678"},
    };
    static_assert(std::size(files) == std::size(savedgolden::kFiles));
    for (size_t k = 0; k < std::size(files); ++k) {
        for (const char *format : savedgolden::kFormats) {
            const QString ext = QString::fromLatin1(format);
            const QStringList common = {"decompte", "--date-du-decompte", "08/12/2026", "--format",
                                        ext == u"txt" ? QStringLiteral("texte") : ext};
            const QString golden =
                savedgolden::goldenName(QString::fromLatin1(savedgolden::kFiles[k]), ext);
            QTest::addRow("%s.%s", savedgolden::kFiles[k], format) << (common + files[k]) << golden;
            // The file itself, as a script brings it up to date.
            QTest::addRow("%s.%s from --fichier", savedgolden::kFiles[k], format)
                << (common +
                    QStringList{"--fichier", savedgolden::dir() +
                                                 QString::fromLatin1(savedgolden::kFiles[k]) +
                                                 QStringLiteral(".json")})
                << golden;
        }
    }
}

void TestCli::savedStatementOptionsGiveTheGolden()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, golden);
    arguments.insert(1, QStringLiteral("--taux=") + path(QStringLiteral("figes")));
    const QString pdf = path(QStringLiteral("decompte-fige.pdf"));
    const bool toPdf = golden.endsWith(u".pdf");
    if (toPdf)
        arguments << QStringLiteral("-o") << pdf;
    const Run r = run(arguments);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.status, 0);
    QByteArray out = toPdf ? readFile(pdf) : r.out;
    // JSON names the rates file read, here the test's own.
    out.replace(QDir(path(QStringLiteral("figes"))).canonicalPath().toUtf8() + "/QUERDAN.TXT",
                savedgolden::kShownRatesPath.toUtf8());
    QCOMPARE(fixtures::comparable(out, golden),
             fixtures::comparable(fixtures::readGolden(golden), golden));
}

void TestCli::statementPdf()
{
    // Two runs of the program give the same bytes.
    QByteArray bytes[2];
    for (int i = 0; i < 2; ++i) {
        const QString pdf = path(QStringLiteral("decompte%1.pdf").arg(i));
        const Run r = run(withRates({"decompte",
                                     "--montant",
                                     "2000",
                                     "--depuis",
                                     "18/09/2015",
                                     "--au",
                                     "10/04/2016",
                                     "--categorie",
                                     "particulier",
                                     "--majoration-depuis",
                                     "18/11/2015",
                                     "--date-du-decompte",
                                     "08/12/2026",
                                     "--format",
                                     "pdf",
                                     "-o",
                                     pdf,
                                     "--creancier",
                                     "Mme Anne Martin",
                                     "--titre-executoire",
                                     "Jugement du 01/09/2015, RG 15/01234"}));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QByteArray());
        bytes[i] = readFile(pdf);
    }
    QVERIFY(bytes[0].startsWith("%PDF-"));
    QVERIFY(bytes[0] == bytes[1]);

    const QString page = pdfText(path(QStringLiteral("decompte0.pdf")));
    for (const char *expected :
         {"Décompte des intérêts au taux légal", "Créancier Mme Anne Martin",
          "Titre exécutoire Jugement du 01/09/2015, RG 15/01234", "Capital 2 000,00 €",
          "18/11/2015 31/12/2015 44 2 000,00 9,29 22,40", "9,54 52,27", "Total dû 2 089,01 €",
          "Taux connus jusqu'au second semestre 2016", "Décompte établi le 08/12/2026",
          "Page 1 / 1"})
        QVERIFY2(page.contains(QString::fromUtf8(expected)), qPrintable(page));
    QVERIFY2(!page.contains(QStringLiteral("Débiteur")), qPrintable(page));
    QVERIFY2(!page.contains(QStringLiteral("QUERDAN")), qPrintable(page));
}

void TestCli::caseFieldsReadAsTyped_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("pdf") << "pdf"
                         << "Référence du dossier RG 43210/51";
    QTest::newRow("json") << "json"
                          << "\"reference\": \"RG 43210/51\"";
    QTest::newRow("text") << "texte"
                          << "Référence du dossier  RG 43210/51\n";
    QTest::newRow("tsv") << "tsv"
                         << "Référence du dossier\tRG 43210/51\r\n";
    QTest::newRow("csv") << "csv"
                         << "Référence du dossier;RG 43210/51\r\n";
}

void TestCli::caseFieldsReadAsTyped()
{
    // A right-to-left override would print the reference reversed, "RG
    // 15/01234": a document showing other than what was typed.
    QFETCH(QString, format);
    QFETCH(QString, expected);
    const QString pdf = path(QStringLiteral("inverse.pdf"));
    QStringList arguments{"decompte",
                          "--montant",
                          "2000",
                          "--depuis",
                          "18/09/2015",
                          "--au",
                          "10/04/2016",
                          "--format",
                          format,
                          "--reference-dossier",
                          QStringLiteral("RG \u202E43210/51\u202C")};
    if (format == u"pdf")
        arguments << "-o" << pdf;
    const Run r = run(withRates(arguments));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    const QString out = format == u"pdf" ? pdfText(pdf) : QString::fromUtf8(r.out);
    QVERIFY2(out.contains(expected), qPrintable(out));
    QVERIFY(!out.contains(QChar(0x202E)));
    QVERIFY(!out.contains(QChar(0x202C)));
}

void TestCli::pdfWriterLoadedOnlyForAPdf()
{
    // Qt Gui comes with the PDF module only: a script calling the program
    // a thousand times pays for Qt Core.
#ifdef Q_OS_WIN
    QSKIP("ldd is a Linux program");
#endif
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(TAUX_CLI)});
    QVERIFY(ldd.waitForFinished(60000));
    const QByteArray libraries = ldd.readAllStandardOutput();
    QVERIFY2(libraries.contains("libQt6Core"), libraries.constData());
    QVERIFY2(!libraries.contains("libQt6Gui"), libraries.constData());

    // A copy without its module still computes, and says what it cannot do.
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("seul")));
    const QString alone = path(QStringLiteral("seul/taux-legal-cli"));
    QFile::remove(alone);
    QVERIFY(QFile::copy(QStringLiteral(TAUX_CLI), alone));
    const QStringList statement = withRates(
        {"decompte", "--montant", "2000", "--depuis", "18/09/2015", "--au", "10/04/2016"});
    poppler::Process text;
    text.start(alone, statement);
    QVERIFY(text.waitForFinished(60000));
    QCOMPARE(text.exitCode(), 0);
    QVERIFY(text.readAllStandardOutput().contains("Total dû"));
    QProcess pdf;
    pdf.start(alone, statement + QStringList{"--format", "pdf", "-o", path("seul.pdf")});
    QVERIFY(pdf.waitForFinished(60000));
    QCOMPARE(pdf.exitCode(), 1);
    QCOMPARE(pdf.readAllStandardError(),
             QByteArray("taux-legal-cli decompte : impossible d'écrire un PDF : le module qui les "
                        "écrit est introuvable ; réinstallez le programme\n"));
    QVERIFY(!QFile::exists(path("seul.pdf")));
}

void TestCli::ratesFailures_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("missing file")
        << "vide"
        << QByteArray("Installation incomplète, ou mauvais paramètres : Fichier des taux "
                      "introuvable. (Contrôler avant réinstallation la présence du fichier "
                      "QUERDAN.TXT).");
    QTest::newRow("a rate out of bounds")
        << "absurde"
        << QByteArray("Fichier des taux à corriger : Le taux de juin 2016 (371) n'est pas entre "
                      "0 et 100 %.");
    QTest::newRow("corrupt file") << "corrompu"
                                  << QByteArray(
                                         "Réinstallation nécessaire : Fichier des taux corrompu");
}

void TestCli::ratesFailures()
{
    QFETCH(QString, folder);
    QFETCH(QByteArray, expected);
    const QString dir = path(folder);
    const QString csv = path(QStringLiteral("lot-court.csv"));
    for (const QStringList &command :
         {QStringList{"echeancier", "--mois", "03/2015", "--montant", "10"},
          QStringList{"decompte", "--montant", "2000", "--depuis", "18/09/2015", "--au",
                      "10/04/2016"},
          QStringList{"lot", csv}}) {
        const Run r = run(command + QStringList{"--taux", dir});
        QCOMPARE(r.status, 3);
        QVERIFY2(r.err.contains(expected), r.err.constData());
        QVERIFY2(r.err.contains(QDir::toNativeSeparators(dir + "/QUERDAN.TXT").toUtf8()),
                 r.err.constData());
        QCOMPARE(r.out, QByteArray());
    }
}

void TestCli::computationErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("statement past the newest month")
        << QStringList{"decompte",   "--montant", "2000",      "--depuis",
                       "18/09/2015", "--au",      "10/04/2017"}
        << QByteArray("Pas de taux pour janvier 2017 : mettez à jour le fichier des taux");
    QTest::newRow("statement before the oldest month")
        << QStringList{"decompte",   "--montant", "2000",      "--depuis",
                       "15/12/2013", "--au",      "10/04/2014"}
        << QByteArray("Pas de taux pour décembre 2013 : mettez à jour le fichier des taux");
    QStringList payments{"decompte",   "--montant", "2000",      "--depuis",
                         "18/09/2015", "--au",      "10/04/2016"};
    for (int i = 0; i < 9300; ++i)
        payments << "--acompte"
                 << "01/10/2015=9999999999999,99";
    QTest::newRow("9 300 payments of 9 999 999 999 999,99 euros")
        << payments
        << QByteArray("Acompte n° 9224 : le total des acomptes devient trop grand pour être "
                      "calculé");
    QTest::newRow("schedule from a month the file lacks")
        << QStringList{"echeancier", "--mois", "01/2017", "--montant", "10"}
        << QByteArray("le fichier des taux n'a pas de ligne pour janvier 2017");
    QTest::newRow("schedule before the extra row")
        << QStringList{"echeancier", "--depuis", "01/01/1899", "--montant", "10"}
        << QByteArray("Calcul impossible : Pas de taux inférieur au 30/12/1899");
}

void TestCli::computationErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, expected);
#ifdef Q_OS_WIN
    if (arguments.join(u' ').size() > 32000)
        QSKIP("Windows holds at most 32 767 characters in a command line");
#endif
    const Run r = run(withRates(arguments));
    QCOMPARE(r.status, 4);
    QVERIFY2(r.err.contains(expected), r.err.constData());
    QCOMPARE(r.out, QByteArray());
}

void TestCli::failedRunLeavesOutputFileAlone()
{
    const QString file = path(QStringLiteral("ancien.json"));
    QVERIFY(writeFile(file, "ancien contenu"));
    const Run r = run(withRates({"decompte", "--montant", "2000", "--depuis", "18/09/2015", "--au",
                                 "10/04/2017", "--format", "json", "-o", file}));
    QCOMPARE(r.status, 4);
    QCOMPARE(readFile(file), QByteArray("ancien contenu"));
}

void TestCli::unwritableOutput()
{
    const QString file = path(QStringLiteral("absent/sortie.tsv"));
    const Run r = run(withRates(
        {"echeancier", "--mois", "03/2015", "--montant", "10", "--format", "tsv", "-o", file}));
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("impossible d'écrire le fichier"), r.err.constData());
    QVERIFY(!QFileInfo::exists(file));

    // A full disk behind standard output is a failure, said in French.
    for (const QStringList &command :
         {QStringList{"echeancier", "--mois", "03/2015", "--montant", "10"},
          QStringList{"lot", "-"}}) {
        QProcess full;
        full.setStandardInputFile(path(QStringLiteral("lot-court.csv")));
        full.setStandardOutputFile(QStringLiteral("/dev/full"));
        full.start(QStringLiteral(TAUX_CLI), withRates(command));
        QVERIFY(full.waitForFinished(60000));
        QCOMPARE(full.exitCode(), 1);
        QVERIFY(full.readAllStandardError().endsWith(
            " : impossible d'écrire sur la sortie standard : disque plein\n"));
    }

    // This run ends as soon as Qt Gui has started, and LeakSanitizer's
    // tracer can crash on a thread Qt is still starting then: its leak
    // check is left to the runs that write a PDF.
    const QString pdf = path(QStringLiteral("absent/sortie.pdf"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TAUX_CLI), withRates({"echeancier", "--mois", "03/2015", "--montant",
                                                 "10", "--format", "pdf", "-o", pdf}));
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("dossier absent"));
    QVERIFY(!QFileInfo::exists(pdf));
}

void TestCli::defaultRatesLookup()
{
    // Without --taux, the window's lookup: the file in the current folder
    // comes first.
    const Run r =
        run({"echeancier", "--mois", "12/2016", "--montant", "1", "--format", "tsv"}, ratesDir());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("Mois\tTaux annuel\tSomme\r\nDécembre 2016\t0,93\t 1,00\r\n"));

    // With nothing anywhere the window's missing-file message follows.
    const Run none = run({"echeancier", "--mois", "12/2016", "--montant", "1"});
    QCOMPARE(none.status, 3);
    QVERIFY(none.err.contains("Fichier des taux introuvable"));
}

void TestCli::ratesFileNotRegular_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a pipe, which would block the read") << "pipe";
    QTest::newRow("a link to a device without end") << "zero";
}

void TestCli::ratesFileNotRegular()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString rates = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    MAKE_UNENDING_FILE(kind, rates);
    for (const QStringList &command :
         {QStringList{"taux"},
          QStringList{"taux", "--ajouter", "1S2017", "--autres", "1", "--particuliers", "2"},
          QStringList{"decompte", "--montant", "2000", "--depuis", "18/09/2015", "--au",
                      "10/04/2016"}}) {
        // Should the fault return, the run ends at its time limit, not never.
        const Run r = run(command + QStringList{"--taux", dir.path()}, QString(), 15000);
        QCOMPARE(r.status, 3);
        QCOMPARE(r.err, "taux-legal-cli " + command.first().toUtf8() +
                            " : Réinstallation nécessaire : Fichier des taux corrompu : ce n'est "
                            "pas un fichier ordinaire (un tube, un périphérique…), il n'a pas été "
                            "lu\ntaux-legal-cli " +
                            command.first().toUtf8() +
                            " : Fichier des taux lu : " + rates.toUtf8() + "\n");
        QCOMPARE(r.out, QByteArray());
    }
}

void TestCli::ratesSourceNoteIsOneLine()
{
    // The note of a file someone else wrote: its controls must not reach
    // the terminal, nor a line end start a line of its own.
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("QUERDAN.TXT")),
                      "'Taux ajout\xe9s \x1b]0;titre\x07 ici\r\n1S2016\t1.01\t4.54\r\n"));
    const Run r = run({"taux", "--taux", dir.path()});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.endsWith("Source : Taux ajoutés  ]0;titre  ici\n"), r.out.constData());

    // A note of any length is one line of 300 characters at most.
    QVERIFY(writeFile(dir.filePath(QStringLiteral("QUERDAN.TXT")),
                      "'Taux ajout\xe9s " + QByteArray(400, 'x') + "\r\n1S2016\t1.01\t4.54\r\n"));
    const Run longNote = run({"taux", "--taux", dir.path()});
    QVERIFY2(longNote.out.endsWith("Source : Taux ajoutés " + QByteArray(286, 'x') + "…\n"),
             longNote.out.constData());
}

void TestCli::ratesCommandOnOddFiles_data()
{
    // "@" stands for the rates file's path.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("an empty file has no half-year")
        << QByteArray() << QStringList() << 0
        << QByteArray("Fichier des taux : @\nDernier semestre : aucun (le fichier ne donne aucun "
                      "taux)\n")
        << QByteArray();
    QTest::newRow("a corrupt file is refused before an addition")
        << QByteArray("2S2016 sans tabulation\r\n")
        << QStringList{"--ajouter", "1S2017", "--autres", "1", "--particuliers", "2"} << 3
        << QByteArray()
        << QByteArray("taux-legal-cli taux : Réinstallation nécessaire : Fichier des taux "
                      "corrompu\ntaux-legal-cli taux : Fichier des taux lu : @\n");
}

void TestCli::ratesCommandOnOddFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    const QString rates = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(rates, content));
    const Run r = run(QStringList{"taux", "--taux", dir.path()} + options);
    QCOMPARE(r.status, status);
    // Windows names files with its own separators.
    const QByteArray shown = QDir::toNativeSeparators(rates).toUtf8();
    QCOMPARE(r.out, out.replace('@', shown));
    QCOMPARE(r.err, err.replace('@', shown));
    QFile file(rates);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
}

void TestCli::batchGolden_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("golden");
    QTest::newRow("tsv") << "tsv"
                         << "cli-lot.tsv";
    QTest::newRow("csv") << "csv"
                         << "cli-lot.csv";
    QTest::newRow("json") << "json"
                          << "cli-lot.json";
    QTest::newRow("text") << "texte"
                          << "cli-lot.txt";
}

void TestCli::batchGolden()
{
    QFETCH(QString, format);
    QFETCH(QString, golden);
    // As a French spreadsheet saves it: a BOM, ";", CR LF, a quoted
    // reference holding the separator, columns in an order of their own.
    const QString csv = path(QStringLiteral("lot-bon.csv"));
    QVERIFY(writeFile(csv, "\xEF\xBB\xBFR\xC3\xA9"
                           "f\xC3\xA9rence;Montant;Depuis;Au;Categorie;"
                           "Majoration_depuis;Acomptes\r\n"
                           "\"Dossier 1; fiche\";2000;18/09/2015;10/04/2016;particulier;"
                           "18/11/2015;\r\n"
                           "Dossier 2;2000;18/09/2015;18/10/2015;;;\r\n"
                           "\r\n"
                           "Dossier 3;1 000,00;01/01/2015;01/01/2016;;;01/03/2015=500|"
                           "01/07/2015=100\r\n"));
    const Run r =
        run(withRates({"lot", csv, "--format", format, "--date-du-decompte", "08/12/2026"}));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QByteArray());
    fixtures::maybeWriteGolden(golden, r.out);
    QCOMPARE(r.out, fixtures::readGolden(golden));

    const QString file = path(QStringLiteral("lot.") + format);
    const Run toFile = run(withRates(
        {"lot", csv, "--format", format, "--date-du-decompte", "08/12/2026", "-o", file}));
    QCOMPARE(toFile.status, 0);
    QCOMPARE(toFile.out, QByteArray());
    QCOMPARE(readFile(file), r.out);
}

// The "taux" column: the worked invoice at the ECB's rate plus 10 and 12
// points (838,91; 483,70 + 471,92), the public buyer's (315,07), 12 %
// fixed (700,27), the legal rate (213 days at 3,65 %); half the invoice
// paid on 01/07/2024 takes the 425,07 of interest first, and the 5 425,07
// left bear 106 days at 14,25 %: 224,51.
void TestCli::batchRateColumn()
{
    const QString folder = flatRates();
    QVERIFY(!folder.isEmpty());
    const QString csv = path(QStringLiteral("lot-taux.csv"));
    QVERIFY(writeFile(csv, "reference;montant;depuis;au;taux;acomptes;coefficient\n"
                           "a;10000;16/03/2024;15/10/2024;bce+10;;\n"
                           "b;10000;16/03/2024;15/10/2024;BCE+12;;\n"
                           "c;10000;20/05/2024;20/08/2024;commande-publique;;\n"
                           "d;10000;16/03/2024;15/10/2024;12 %;;\n"
                           "e;10000;16/03/2024;15/10/2024;legal;;\n"
                           "f;10000;16/03/2024;15/10/2024;bce;01/07/2024=5000;\n"
                           "g;10000;16/03/2024;15/10/2024;bce+0;;\n"
                           "h;10000;16/03/2024;15/10/2024;bce;;2\n"
                           "i;10000;16/03/2024;15/10/2024;abc;;\n"));
    const Run r = run({"lot", "--taux=" + folder, csv, "--format", "json"});
    QCOMPARE(r.status, 4);
    for (
        const char *line :
        {R"("reference": "a", "categorie": "autres", "taux": "bce+10", )",
         R"("interets_courus": "838.91", "acomptes": "0.00", "capital": "10000.00", "interets": "838.91", "credit": "0.00", "total": "10838.91"})",
         R"("reference": "b", "categorie": "autres", "taux": "bce+12", )",
         R"("total": "10955.62"})", R"("taux": "commande-publique", )", R"("total": "10315.07"})",
         R"("taux": "12", )", R"("total": "10700.27"})",
         R"("reference": "e", "categorie": "autres", "du": )", R"("total": "10213.00"})",
         R"("interets_courus": "649.58", "acomptes": "5000.00", "capital": "5425.07", "interets": "224.51", "credit": "0.00", "total": "5649.58"})"})
        QVERIFY2(r.out.contains(line), line);
    QCOMPARE(r.err, QByteArray("taux-legal-cli lot : ligne 8 : taux : « 0 » n'est pas une marge ; "
                               "attendu plus de 0 et au plus 100 points, quatre décimales au plus, "
                               "comme bce+12,5\n"
                               "taux-legal-cli lot : ligne 9 : coefficient : pour le taux légal "
                               "seulement, pas pour le taux « bce »\n"
                               "taux-legal-cli lot : ligne 10 : taux : « abc » : attendu legal, "
                               "bce+10, bce+MARGE, commande-publique ou un taux fixe en pour cent, "
                               "comme 4,5\n"));
}

void TestCli::batchReportsBadLines()
{
    const QString csv = path(QStringLiteral("lot-mauvais.csv"));
    QVERIFY(writeFile(csv, "montant;depuis;au;coefficient\n"
                           "2000;18/09/2015;18/10/2015;\n"
                           "deux mille;18/09/2015;18/10/2015;\n"
                           "2000;18/09/2015;18/10/2017;\n"
                           "2000;18/09/2015;18/10/2015;4\n"
                           "2000;;18/10/2015;\n"
                           "2000;18/09/2015;18/10/2015;;en trop\n"
                           "1000;18/09/2015;18/10/2015;2\n"
                           "2000;\"18/09/2015;18/10/2015;\n"
                           "2000;18/09/2015;18/10/2015;\n"));
    const Run r = run(withRates({"lot", csv, "--format", "tsv"}));
    QCOMPARE(r.status, 4);
    const QList<QByteArray> errors = r.err.split('\n');
    QCOMPARE(errors.size(), 7); // six lines and the empty text after the last line end
    QCOMPARE(errors.at(0), QByteArray("taux-legal-cli lot : ligne 3 : montant : « deux mille » "
                                      "n'est pas un montant ; attendu un montant en euros comme "
                                      "1500, 1500,50 ou 1 500,50 (une seule marque décimale, "
                                      "des espaces pour les milliers)"));
    QCOMPARE(errors.at(1), QByteArray("taux-legal-cli lot : ligne 4 : Pas de taux pour janvier "
                                      "2017 : mettez à jour le fichier des taux"));
    QCOMPARE(errors.at(2), QByteArray("taux-legal-cli lot : ligne 5 : coefficient : « 4 » n'est "
                                      "pas un coefficient ; attendu 1, 1,5, 2 ou 3"));
    QCOMPARE(errors.at(3), QByteArray("taux-legal-cli lot : ligne 6 : depuis : case vide"));
    QCOMPARE(errors.at(4), QByteArray("taux-legal-cli lot : ligne 7 : 5 cases pour 4 colonnes"));
    QCOMPARE(errors.at(5), QByteArray("taux-legal-cli lot : ligne 9 : guillemet ouvert et jamais "
                                      "fermé : la ligne et toutes les suivantes sont lues comme "
                                      "une seule case"));

    // The good lines are still computed and totalled: 2 000 for 30 days at
    // 0,99 % is 1,63; 1 000 at twice that rate is 1,63 too.
    QVERIFY2(r.out.contains("\r\n2\t\t18/09/2015\t18/10/2015\t2000,00\t1,63\t"), r.out.constData());
    QVERIFY2(r.out.contains("\r\n8\t\t18/09/2015\t18/10/2015\t1000,00\t1,63\t"), r.out.constData());
    QVERIFY2(
        r.out.contains("\r\nTotal\t\t\t\t3000,00\t3,26\t0,00\t3000,00\t3,26\t0,00\t3003,26\r\n"),
        r.out.constData());
    QCOMPARE(r.out.count("\r\n"), 4);
}

void TestCli::batchFileErrors_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("unknown column") << QByteArray("montant;depuis;au;interets\n2000;x;y;3\n")
                                    << QByteArray("ligne 1 : colonne inconnue « interets »");
    QTest::newRow("required column missing") << QByteArray("montant;depuis\n2000;18/09/2015\n")
                                             << QByteArray("ligne 1 : la colonne au manque");
    QTest::newRow("column twice") << QByteArray("montant;depuis;au;Montant\n")
                                  << QByteArray("la colonne montant est nommée deux fois");
    QTest::newRow("empty file") << QByteArray("") << QByteArray("fichier vide");
    QTest::newRow("header in an unclosed quote")
        << QByteArray("montant;\"depuis;au\n2000;18/09/2015;10/04/2016\n")
        << QByteArray("ligne 1 : guillemet ouvert et jamais fermé dans l'en-tête");
    QTest::newRow("a second BOM is named")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFmontant;depuis;au\n")
        << QByteArray("colonne inconnue « <BOM>montant » (<BOM> : marque d'ordre des octets "
                      "U+FEFF, invisible) ;");
    QTest::newRow("cut in a character at the end")
        << QByteArray("montant;depuis;au\n2000;18/09/2015;18/10/2015\n\xC3")
        << QByteArray("n'est pas du texte UTF-8");
    QTest::newRow("not UTF-8 far down the file")
        << "montant;depuis;au\n2000;18/09/2015;18/10/2015\n" + QByteArray(70000, '\n') + "\xE9\n"
        << QByteArray("n'est pas du texte UTF-8");
    QTest::newRow("a line of more than a million characters")
        << "montant;depuis;au\n2000;18/09/2015;18/10/2015\n" + QByteArray(1100000, 'x')
        << QByteArray("lot-entete.csv » : ligne 3 : plus d'un million de caractères sans fin "
                      "de ligne ; le fichier n'est pas un CSV, ou un guillemet n'est jamais "
                      "fermé\n");
    QTest::newRow("not UTF-8") << QByteArray("montant;depuis;au;r\xE9"
                                             "f\n")
                               << QByteArray("n'est pas du texte UTF-8");
}

void TestCli::batchFileErrors()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, expected);
    const QString csv = path(QStringLiteral("lot-entete.csv"));
    QVERIFY(writeFile(csv, content));
    const Run r = run(withRates({"lot", csv}));
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(expected), r.err.constData());
    QCOMPARE(r.out, QByteArray());

    const Run missing = run(withRates({"lot", path(QStringLiteral("absent.csv"))}));
    QCOMPARE(missing.status, 2);
    QVERIFY(missing.err.contains("impossible de lire"));
    const Run folder = run(withRates({"lot", ratesDir()}));
    QCOMPARE(folder.status, 2);
    QVERIFY(folder.err.contains("impossible de lire « " + ratesDir().toUtf8() +
                                " » : c'est un dossier"));
#ifndef Q_OS_WIN // where a folder cannot be a program's input
    QProcess fromFolder;
    fromFolder.setStandardInputFile(ratesDir());
    fromFolder.start(QStringLiteral(TAUX_CLI), withRates({"lot", "-"}));
    QVERIFY(fromFolder.waitForFinished(60000));
    QCOMPARE(fromFolder.exitCode(), 2);
    QCOMPARE(fromFolder.readAllStandardError(),
             QByteArray("taux-legal-cli lot : impossible de lire « - » jusqu'au bout\n"));
#endif
}

void TestCli::batchFromStandardInput_data()
{
    QTest::addColumn<QByteArrayList>("pieces"); // written one after the other, with a pause
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("a pipe is read to its end")
        << QByteArrayList{"montant;depuis;au\n2000;18/09/2015;18/10/2015\n",
                          "3000;18/09/2015;18/10/2015\n"}
        << "csv" << 0 << QByteArray("\r\nTotal;;;;5000,00;4,07;0,00;5000,00;4,07;0,00;5004,07\r\n")
        << QByteArray();
    QTest::newRow("CR alone ends a line")
        << QByteArrayList{"montant;depuis;au\r2000;18/09/2015;18/10/2015\rdeux;18/09/2015;"
                          "18/10/2015\r"}
        << "csv" << 4 << QByteArray("\r\n2;;18/09/2015;18/10/2015;2000,00;1,63;")
        << QByteArray("taux-legal-cli lot : ligne 3 : montant : « deux » n'est pas un montant");
    QTest::newRow("empty header cells at the end are no columns")
        << QByteArrayList{"montant;depuis;au;;\n2000;18/09/2015;18/10/2015;;\n"} << "csv" << 0
        << QByteArray("\r\n2;;18/09/2015;18/10/2015;2000,00;1,63;") << QByteArray();
    QTest::newRow("the last line without its line end")
        << QByteArrayList{"montant;depuis;au;reference\n2000;18/09/2015;18/10/2015;Dossier "
                          "\xE2\x82\xAC"}
        << "csv" << 0
        << QByteArray("\r\n2;Dossier \xE2\x82\xAC;18/09/2015;18/10/2015;2000,00;1,63;")
        << QByteArray();
    QTest::newRow("a cell under no name")
        << QByteArrayList{"montant;;depuis;au\n2000;x;18/09/2015;18/10/2015\n"} << "csv" << 4
        << QByteArray("\r\nTotal;;;;0,00;")
        << QByteArray("ligne 2 : la case 2 est remplie (« x ») mais sa colonne n'a pas de nom\n");
    QTest::newRow("a quoted line break is a line of the file")
        << QByteArrayList{"reference;montant;depuis;au\r\n\"a\r\nb\";2000;18/09/2015;"
                          "18/10/2015\r\nc;deux;18/09/2015;18/10/2015\r\n"}
        << "json" << 4 << QByteArray("{\"ligne\": \"2\", \"reference\": \"a\\nb\", ")
        << QByteArray("lot : ligne 4 : montant : « deux »");
    QTest::newRow("text keeps a reference on its line and lists the refused lines")
        << QByteArrayList{"reference;montant;depuis;au\n\"a\nb\";2000;18/09/2015;18/10/2015\n"
                          "c;x;18/09/2015;18/10/2015\n\"d\";y;18/09/2015;18/10/2015\n"}
        << "texte" << 4
        << QByteArray("\n    2  a b            18/09/2015  18/10/2015         2 000,00  ")
        << QByteArray("ligne 4 : montant : « x »");
    QTest::newRow("a BOM in a cell is named")
        << QByteArrayList{"montant;depuis;au\n\xEF\xBB\xBF"
                          "2000;18/09/2015;18/10/2015\n"}
        << "csv" << 4 << QByteArray("\r\nTotal;;;;0,00;")
        << QByteArray("montant : « <BOM>2000 » (<BOM> : marque d'ordre des octets U+FEFF, "
                      "invisible) n'est pas un montant");
    QTest::newRow("a NUL in a cell is named")
        << QByteArrayList{QByteArray("montant;depuis;au\n20\0"
                                     "00;18/09/2015;18/10/2015\n",
                                     47)}
        << "csv" << 4 << QByteArray("\r\nTotal;;;;0,00;")
        << QByteArray("montant : « 20<NUL>00 » (<NUL> : caractère nul, invisible) n'est pas");
    QTest::newRow("a reference is never run as a formula")
        << QByteArrayList{"reference;montant;depuis;au\n \"=1+1\";2000;18/09/2015;18/10/2015\n"}
        << "csv" << 0 << QByteArray("\r\n2;'=1+1;18/09/2015;") << QByteArray();
    QTest::newRow("backslashes in JSON")
        << QByteArrayList{"reference;montant;depuis;au\nC:\\lots\\1;2000;18/09/2015;18/10/2015\n"}
        << "json" << 0 << QByteArray("\"reference\": \"C:\\\\lots\\\\1\"") << QByteArray();
    // 1 000 from 1 January, 1 500 paid on the 15th: 14 days at 0,99 % make
    // 0,38; the rest beyond the capital is the debtor's credit.
    QTest::newRow("a credit makes the total negative")
        << QByteArrayList{"montant;depuis;au;acomptes\n1000;01/01/2015;01/02/2015;"
                          "15/01/2015=1500\n2000;18/09/2015;18/10/2015;\n"}
        << "tsv" << 0
        << QByteArray("\r\n2\t\t01/01/2015\t01/02/2015\t1000,00\t0,38\t1500,00\t0,00\t0,00\t"
                      "499,62\t-499,62\r\n3\t\t18/09/2015\t18/10/2015\t2000,00\t1,63\t0,00\t"
                      "2000,00\t1,63\t0,00\t2001,63\r\nTotal\t\t\t\t3000,00\t2,01\t1500,00\t"
                      "2000,00\t1,63\t499,62\t1502,01\r\n")
        << QByteArray();
    // Forty payments of 9 999 999 999 999,99 a line: the payments' total
    // holds 230 lines and not one more.
    QByteArray large = "montant;depuis;au;acomptes\n";
    for (int i = 0; i < 232; ++i)
        large += "1;18/09/2015;19/09/2015;" +
                 QByteArrayList(40, "18/09/2015=9999999999999,99").join('|') + '\n';
    // Computed a few thousand lines at a time on every core, taken in order.
    QByteArray many = "montant;depuis;au\n";
    for (int line = 2; line <= 3001; ++line)
        many +=
            (line == 1500 || line == 2500 ? "x" : "2000") + QByteArray(";18/09/2015;18/10/2015\n");
    QTest::newRow("refusals and totals in the file's order")
        << QByteArrayList{many} << "csv" << 4
        << QByteArray("\r\nTotal;;;;5996000,00;4886,74;0,00;5996000,00;4886,74;0,00;6000886,74\r\n")
        << QByteArray("lot : ligne 1500 : montant : « x » n'est pas un montant ; attendu un "
                      "montant en euros comme 1500, 1500,50 ou 1 500,50 (une seule marque "
                      "décimale, des espaces pour les milliers)\ntaux-legal-cli lot : ligne 2500 "
                      ": montant : « x »");
    QTest::newRow("totals beyond what adds up")
        << QByteArrayList{large} << "csv" << 4
        << QByteArray("\r\nTotal;;;;230,00;0,00;91999999999999908,00;0,00;0,00;"
                      "91999999999999678,00;-91999999999999678,00\r\n")
        << QByteArray("lot : ligne 232 : les montants deviennent trop grands pour être "
                      "additionnés au total du lot\ntaux-legal-cli lot : ligne 233 : les");
}

void TestCli::batchFromStandardInput()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(QString, format);
    QFETCH(int, status);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAUX_CLI), withRates({"lot", "-", "--format", format}));
    QVERIFY(process.waitForStarted());
    for (const QByteArray &piece : pieces) {
        process.write(piece);
        QVERIFY(process.waitForBytesWritten(10000));
        QTest::qWait(200);
    }
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    const QByteArray stdOut = process.readAllStandardOutput();
    const QByteArray stdErr = process.readAllStandardError();
    QVERIFY2(stdOut.contains(out), stdOut.constData());
    QVERIFY2(stdErr.contains(err), stdErr.constData());
    QCOMPARE(stdErr.isEmpty(), err.isEmpty());
    if (format == u"texte")
        QCOMPARE(stdOut.contains("\nLignes refusées (voir les messages d'erreur) : 4, 5\n"),
                 status != 0);
    QCOMPARE(process.exitCode(), status);
}

void TestCli::batchReferencesShownSafely_data()
{
    // ESC [2J clears a terminal, BEL rings it, NUL ends a C string, and an
    // override reverses what follows: none reaches an output as such.
    QTest::addColumn<QByteArray>("reference");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray controls("R\x1b[2J\x07\0 1", 9);
    const QByteArray reversed = "RG \xE2\x80\xAE"
                                "43210/51\xE2\x80\xAC";
    QTest::newRow("controls in text") << controls << "texte" << QByteArray("\n    2  R [2J   1  ");
    QTest::newRow("controls in tsv") << controls << "tsv" << QByteArray("\r\n2\tR [2J   1\t");
    QTest::newRow("controls in csv") << controls << "csv" << QByteArray("\r\n2;R [2J   1;");
    QTest::newRow("controls escaped in json")
        << controls << "json" << QByteArray("\"reference\": \"R\\u001b[2J\\u0007\\u0000 1\"");
    QTest::newRow("override in text") << reversed << "texte" << QByteArray("  RG 43210/51  ");
    QTest::newRow("override in tsv") << reversed << "tsv" << QByteArray("\tRG 43210/51\t");
    QTest::newRow("override in csv") << reversed << "csv" << QByteArray(";RG 43210/51;");
    QTest::newRow("override in json")
        << reversed << "json" << QByteArray("\"reference\": \"RG 43210/51\"");
}

void TestCli::batchReferencesShownSafely()
{
    QFETCH(QByteArray, reference);
    QFETCH(QString, format);
    QFETCH(QByteArray, expected);
    const QString csv = path(QStringLiteral("lot-references.csv"));
    QVERIFY(writeFile(csv, "reference;montant;depuis;au\n\"" + reference +
                               "\";2000;18/09/2015;18/10/2015\n"));
    const Run r = run(withRates({"lot", csv, "--format", format}));
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(expected), r.out.constData());
    for (const QByteArray &raw : {QByteArray("\x1b"), QByteArray("\x07"), QByteArray(1, '\0'),
                                  QByteArray("\xE2\x80\xAE"), QByteArray("\xE2\x80\xAC")})
        QVERIFY(!r.out.contains(raw));
}

void TestCli::readerGoingAway()
{
    // More than a pipe holds, to a reader that takes a few bytes and leaves,
    // as | head does: the rest is not wanted, and that is no error.
#ifdef Q_OS_WIN
    QSKIP("head is a Unix program");
#endif
    const QString csv = path(QStringLiteral("lot-long.csv"));
    QByteArray lines = "montant;depuis;au\n";
    for (int i = 0; i < 1000; ++i)
        lines += "2000;18/09/2015;18/10/2015\n";
    QVERIFY(writeFile(csv, lines));
    QProcess head;
    QProcess cli;
    cli.setStandardOutputProcess(&head);
    head.start(QStringLiteral("head"), {QStringLiteral("-c"), QStringLiteral("10")});
    cli.start(QStringLiteral(TAUX_CLI), withRates({"lot", csv}));
    QVERIFY(cli.waitForFinished(60000));
    QVERIFY(head.waitForFinished(10000));
    QCOMPARE(head.readAllStandardOutput(), QByteArray("Ligne  R\xC3\xA9"));
    QCOMPARE(cli.readAllStandardError(), QByteArray());
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 0);
}

// A title typed as options gives the document worked out by hand in
// tst_titleexport; each wrong part is named.
void TestCli::severalClaims_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected"); // standard output, or "!" and standard error

    const QStringList judgment{"decompte",
                               "--creance",
                               "Principal;10000;01/01/2019;legal sans-capitalisation",
                               "--creance",
                               "Article 700;1500;01/03/2019;legal sans-capitalisation",
                               "--creance",
                               "Dépens;800;01/03/2019;aucun",
                               "--frais",
                               "01/04/2019=120:Commandement",
                               "--acompte",
                               "01/04/2019=2000",
                               "--acompte",
                               "01/06/2019=1000",
                               "--au",
                               "01/07/2019",
                               "--date-du-decompte",
                               "08/12/2026"};
    QTest::newRow("the judgment") << judgment << 0 << QByteArray("title-judgment.txt");
    QTest::newRow("a claim's amount in words")
        << QStringList{"decompte", "--creance", "Principal;dix;01/01/2019", "--au", "01/07/2019"}
        << 2 << QByteArray("!--creance : « dix » n'est pas un montant");
    QTest::newRow("one capital's options with claims")
        << (QStringList(judgment) << "--montant"
                                  << "5")
        << 2 << QByteArray("!--montant vaut pour une seule créance");
    QTest::newRow("a payment naming claim 4 of 3") << (QStringList(judgment) << "--acompte"
                                                                             << "01/05/2019=10@4")
                                                   << 4 << QByteArray("!Acompte n° 3 : ");
    QTest::newRow("the judgment in tsv") << (QStringList(judgment) << "--format"
                                                                   << "tsv")
                                         << 0 << QByteArray("title-judgment.tsv");
    QTest::newRow("the judgment in pdf")
        << (QStringList(judgment) << "--format"
                                  << "pdf"
                                  << "-o" << path(QStringLiteral("titre.pdf")))
        << 0 << QByteArray("%PDF-");
    QTest::newRow("served on 15/03/2024, one capital")
        << QStringList{"decompte",   "--montant", "1000",       "--depuis",
                       "01/01/2024", "--au",      "01/07/2024", "--signifie-le",
                       "15/03/2024", "--format",  "json"}
        << 0 << QByteArray("\"majoration_du\": \"2024-05-16\"");
    // Invoices: the worked figures of tst_titleecb, 838,91 and 315,07 of
    // interest, each with its 40,00.
    const QStringList invoice{"decompte",           "--au",       "15/10/2024",
                              "--date-du-decompte", "08/12/2026", "--creance"};
    QTest::newRow("penalties between businesses")
        << (QStringList(invoice) << "Facture 117;10000;16/03/2024;bce indemnite") << 0
        << QByteArray("Total dû              10 878,91 €\n\nTaux connus jusqu'au               "
                      "premier semestre 2026\nTaux de la BCE confirmés jusqu'au  01/01/2026\n");
    QTest::newRow("a public buyer") << QStringList{"decompte",
                                                   "--au",
                                                   "20/08/2024",
                                                   "--date-du-decompte",
                                                   "08/12/2026",
                                                   "--creance",
                                                   "Facture 118;10000;20/05/2024;commande-publique "
                                                   "indemnite"}
                                    << 0 << QByteArray("Total dû              10 355,07 €");
    QTest::newRow("penalties from 2012")
        << (QStringList(invoice) << "Facture 117;10000;31/12/2012;bce+12") << 4
        << QByteArray("!Créance n° 1 : les pénalités au taux de la BCE ne courent selon la règle "
                      "du semestre qu'à compter du 01/01/2013");
    QTest::newRow("a margin in words")
        << (QStringList(invoice) << "Facture 117;10000;16/03/2024;bce+dix") << 2
        << QByteArray("!« dix » n'est pas une marge");
    // Each word of a claim reaches the document.
    const QStringList words{"decompte",
                            "--au",
                            "01/07/2019",
                            "--creance",
                            "Principal;10000;01/01/2019;legal x1,5 "
                            "capitalisation:01/02/2019",
                            "--creance",
                            "Prêt;1000;01/03/2019;fixe:4,5",
                            "--format",
                            "json"};
    QTest::newRow("a coefficient and a capitalisation's day")
        << words << 0
        << QByteArray("\"coefficient\": \"1.5\",\n      \"taux_fixe\": null,\n      "
                      "\"majoree\": false,\n      \"capitalisation_du\": \"2019-02-01\"");
    QTest::newRow("a fixed rate as typed")
        << words << 0 << QByteArray("\"coefficient\": null,\n      \"taux_fixe\": \"4.5\"");
    QTest::newRow("a capitalisation's day in words")
        << QStringList{"decompte", "--au", "01/07/2019", "--creance",
                       "Principal;10000;01/01/2019;legal capitalisation:demain"}
        << 2 << QByteArray("!--creance : « demain » n'est pas une date");
    QTest::newRow("a cost without its label")
        << QStringList{"decompte",
                       "--au",
                       "01/07/2019",
                       "--creance",
                       "Principal;10000;01/01/2019",
                       "--frais",
                       "01/04/2019=120"}
        << 2 << QByteArray("!--frais : « 01/04/2019=120 » n'est pas un frais");
    QTest::newRow("the indemnity on the legal rate")
        << (QStringList(invoice) << "Facture 117;10000;16/03/2024;legal indemnite") << 2
        << QByteArray("!« indemnite » : attendu legal, fixe:TAUX, aucun, bce, bce+MARGE ou "
                      "commande-publique en premier");
}

void TestCli::severalClaims()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
    const Run r = run(arguments << "--taux" << flatRates());
    QCOMPARE(r.status, status);
    if (expected.startsWith('!')) {
        QVERIFY2(r.err.contains(expected.mid(1)), r.err.constData());
    } else if (expected.startsWith("%PDF-")) {
        QFile pdf(arguments.at(arguments.indexOf(QStringLiteral("-o")) + 1));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.readAll().startsWith(expected));
    } else if (expected.endsWith(".txt") || expected.endsWith(".tsv")) {
        QFile golden(QStringLiteral(TESTS_DATA_DIR) + QString::fromLatin1(expected));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QCOMPARE(r.out, golden.readAll());
    } else {
        QVERIFY2(r.out.contains(expected), r.out.constData());
    }
}

void TestCli::savedFile_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected"); // standard output, or "!" and standard error

    // The judgment of severalClaims, saved: the same document.
    const QString judgment = savedgolden::dir() + QStringLiteral("v3-jugement.json");
    const QStringList saved{"decompte", "--date-du-decompte", "08/12/2026", "--fichier", judgment};
    QTest::newRow("a title from its file") << saved << 0 << QByteArray("title-judgment.txt");
    // A month later: the principal's last line runs on, 7 273,91 x 61 days
    // x 3,65 / 36 500 = 44,37.
    QTest::newRow("the end date moved on")
        << (QStringList(saved) << "--au"
                               << "01/08/2019")
        << 0 << QByteArray("01/06/2019  31/07/2019     61   7 273,91         3,65     44,37");
    QTest::newRow("the end date moved back before a payment")
        << (QStringList(saved) << "--au"
                               << "15/05/2019")
        << 4 << QByteArray("!Acompte n° 2 : le 01/06/2019 est hors de la période du décompte");
    QTest::newRow("an option that describes a statement")
        << (QStringList(saved) << "--creancier"
                               << "X")
        << 2 << QByteArray("!--creancier ne va pas avec --fichier");
    QTest::newRow("a title in tsv") << (QStringList(saved) << "--format"
                                                           << "tsv")
                                    << 0 << QByteArray("title-judgment.tsv");
    QTest::newRow("a device")
        << QStringList{"decompte", "--fichier", "/dev/zero"} << 2
        << QByteArray("!--fichier « /dev/zero » : ce n'est pas un fichier ordinaire");
    QTest::newRow("a folder") << QStringList{"decompte", "--fichier", TESTS_DATA_DIR} << 2
                              << QByteArray("!il est introuvable ou ne peut pas être ouvert");
    QTest::newRow("a file that is not JSON")
        << QStringList{"decompte", "--fichier", savedgolden::dir() + QStringLiteral("taux.txt")}
        << 2
        << QByteArray("!Ce fichier n'est pas un décompte enregistré lisible : le texte JSON est "
                      "mal formé");
}

void TestCli::savedFile()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QByteArray, expected);
#ifdef Q_OS_WIN
    if (arguments.contains(u"/dev/zero"))
        QSKIP("no /dev/zero here");
#endif
    const Run r = run(arguments << "--taux" << flatRates());
    QCOMPARE(r.status, status);
    if (expected.startsWith('!')) {
        QVERIFY2(r.err.contains(expected.mid(1)), r.err.constData());
    } else if (expected.startsWith("title-")) {
        QCOMPARE(r.out, readFile(QStringLiteral(TESTS_DATA_DIR) + QString::fromLatin1(expected)));
    } else {
        QVERIFY2(r.out.contains(expected), r.out.constData());
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
