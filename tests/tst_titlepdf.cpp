#include "output/titlepdf.h"
#include "poppler.h"
#include "titlefixtures.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace titlefixtures;

namespace {

TitleDocument computed(const TitleInput &input)
{
    const RateTable table = flatTable();
    const TitleResult result = ComputeTitle(table, input);
    if (!result.ok())
        qFatal("%s", qPrintable(result.error ? result.error->message : QString()));
    return MakeTitleDocument(table, input, *result.statement, QDate(2026, 12, 8));
}

// The text of pages `first` to `last` (all when 0), runs of spaces as one.
QString pdfText(const QString &path, int first = 0, int last = 0, const char *mode = "-layout")
{
    QStringList args{QLatin1String(mode)};
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l")
             << QString::number(last);
    poppler::Process process;
    process.start(QStringLiteral("pdftotext"), args << path << QStringLiteral("-"));
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput())
        .replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

QString written(const QTemporaryDir &dir, const TitleDocument &doc)
{
    const QString path = dir.filePath(QStringLiteral("titre.pdf"));
    QString error;
    if (!WriteTitlePdf(path, doc, french, &error))
        return QStringLiteral("<%1>").arg(error);
    return path;
}

} // namespace

class TestTitlePdf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readsBack_data();
    void readsBack();
    void longTitleRepeatsItsHeadings();
    void fiftyLargeClaimsStayOnThePage();

private:
    QTemporaryDir m_dir;
    QString m_judgment; // the judgment's text, read back once
};

void TestTitlePdf::initTestCase()
{
    if (!poppler::available(QStringLiteral("pdftotext")))
        QFAIL("pdftotext (poppler-utils) is needed, see scripts/setup.sh");
    m_judgment = pdfText(written(m_dir, computed(judgment())));
}

// The figures of tests/data/title-judgment.txt, as each section shows them.
void TestTitlePdf::readsBack_data()
{
    QTest::addColumn<QString>("expected");
    const char *const rows[][2] = {
        {"title", "Décompte des sommes dues"},
        {"terms", "Imputation des acomptes Frais, puis intérêts, puis capital"},
        {"first claim's heading", "Créance n° 1 « Principal »"},
        {"first claim's amount", "Montant 10 000,00 €"},
        {"interest table's heading", "Du Au Jours Capital Taux annuel Intérêts"},
        {"a line after a payment", "01/04/2019 31/05/2019 61 8 214,65 3,65 50,11"},
        {"second claim", "Créance n° 2 « Article 700 »"},
        {"its first line", "01/03/2019 31/03/2019 31 1 500,00 3,65 4,65"},
        {"a claim without interest", "Créance n° 3 « Dépens »\nMontant 800,00 €"},
        {"costs", "Frais\nN° Date Libellé Montant Payé Restant dû\n1 01/04/2019 Commandement "
                  "120,00 120,00 0,00"},
        {"payments", "Acomptes\nAcompte du 01/04/2019 : 2 000,00 € (120,00 sur les frais n° 1"},
        {"summary", "Récapitulatif"},
        {"summary of claim 1", "1 10 000,00 161,93 140,11 2 726,09 7 273,91 21,82"},
        {"interest due", "Intérêts restant dus 26,32 €"},
        {"total", "Total dû 9 600,23 €"},
        {"date", "Décompte établi le 08/12/2026"},
        {"pages numbered", "Page 2 / 2"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]);
}

void TestTitlePdf::readsBack()
{
    QFETCH(QString, expected);
    QVERIFY2(m_judgment.contains(expected), qPrintable(m_judgment));
}

void TestTitlePdf::longTitleRepeatsItsHeadings()
{
    // Ten years paid every month: the claim's table and the payments run
    // over several pages.
    TitleInput input = judgment();
    input.to = QDate(2026, 1, 1);
    input.payments.clear();
    for (QDate d(2019, 2, 15); d < input.to; d = d.addMonths(1))
        input.payments.append({d, 5000, -1});
    const TitleDocument doc = computed(input);
    const QString path = written(m_dir, doc);
    const QRegularExpressionMatch count =
        QRegularExpression(QStringLiteral("Page 1 / (\\d+)")).match(pdfText(path));
    QVERIFY(count.hasMatch());
    const int pages = count.captured(1).toInt();
    QVERIFY2(pages >= 4, qPrintable(count.captured(0)));
    const QRegularExpression interestLine(
        QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d/\\d\\d/\\d{4} \\d+ "));
    const QRegularExpression paymentsBegin(QStringLiteral("^Acomptes$"),
                                           QRegularExpression::MultilineOption);
    int continued = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = pdfText(path, page, page);
        QVERIFY2(text.contains(QStringLiteral("Page %1 / %2").arg(page).arg(pages)),
                 qPrintable(text));
        if (text.contains(interestLine))
            QVERIFY2(text.contains(QStringLiteral("Du Au Jours Capital Taux annuel Intérêts")),
                     qPrintable(text));
        if (text.contains(QStringLiteral("Acompte du")) && !text.contains(paymentsBegin))
            QVERIFY2(text.contains(QStringLiteral("Acomptes (suite)")), qPrintable(text));
        continued += text.contains(QStringLiteral(" (suite)\n")) ? 1 : 0;
    }
    QVERIFY2(continued >= 2, qPrintable(QString::number(continued)));

    const std::optional<QByteArray> first = TitlePdf(doc, french);
    QVERIFY(first && first->startsWith("%PDF-"));
    QVERIFY(first->contains("/CreationDate (D:20261208000000Z)"));
    QCOMPARE(TitlePdf(doc, french), first);
}

void TestTitlePdf::fiftyLargeClaimsStayOnThePage()
{
    TitleInput input = judgment();
    input.claims.clear();
    for (int i = 0; i < 50; ++i)
        input.claims.append(claim(i == 0 ? QString(200, u'X') : QStringLiteral("Dommages"),
                                  99999999999, QDate(2019, 1, 1)));
    input.costs[0].label = QString(200, u'Y');
    const QString boxes = pdfText(written(m_dir, computed(input)), 0, 0, "-bbox");
    // Every word inside the page less its 18 mm margins (A4: 595,28 points).
    const QRegularExpression word(
        QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)<"));
    int words = 0;
    for (const QRegularExpressionMatch &m : word.globalMatch(boxes)) {
        QVERIFY2(m.captured(1).toDouble() >= 50.9, qPrintable(m.captured(0)));
        QVERIFY2(m.captured(2).toDouble() <= 544.4, qPrintable(m.captured(0)));
        ++words;
    }
    QVERIFY2(words > 1000, qPrintable(boxes.left(2000)));
}

QTEST_MAIN(TestTitlePdf)
#include "tst_titlepdf.moc"
