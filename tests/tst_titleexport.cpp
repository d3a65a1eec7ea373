#include "output/titleexport.h"
#include "titlefixtures.h"

#include <QFile>
#include <QTest>

using namespace titlefixtures;

class TestTitleExport : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void unlabelledCost();
};

// The figures of the judgment are worked out line by line in tst_title. The
// second title, by hand: the legal-rate claim earns 1 000 x 15 x 3,65 % /
// 365 = 1,50 to 15 May and, majorated from 16 May (served 15 March), 1 000
// x 31 x 8,65 % / 365 = 7,3466 -> 7,35; the fixed 4,5 % earns 1 000 x 46 x
// 4,5 % / 365 = 5,6712 -> 5,67; total 2 014,52. The provision to 16 July:
// 15 days of June and 15 of July at June's 8,65 %, 3,5548 -> 3,55 twice,
// and 30 days at 4,5 %, 3,6986 -> 3,70: 10,80, with 2 025,32.
void TestTitleExport::formats_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("format");
    for (const char *format : {"txt", "tsv", "csv", "json"}) {
        QTest::addRow("judgment, %s", format) << 0 << format;
        QTest::addRow("served, fixed rate, provision, %s", format) << 1 << format;
    }
}

void TestTitleExport::formats()
{
    QFETCH(int, which);
    QFETCH(QString, format);
    const RateTable table = flatTable();
    const TitleInput input = judgment(which);
    const TitleResult result = ComputeTitle(table, input);
    QVERIFY(result.ok());
    const TitleDocument doc =
        MakeTitleDocument(table, input, *result.statement, QDate(2026, 12, 8));
    const QByteArray out = format == u"txt"   ? TitleTextTable(doc, french).toUtf8()
                           : format == u"tsv" ? TitleTsv(doc, french)
                           : format == u"csv" ? TitleCsv(doc)
                                              : TitleJson(doc);
    QFile golden(QStringLiteral(TESTS_DATA_DIR "title-%1.%2")
                     .arg(which == 0 ? "judgment" : "served", format));
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QCOMPARE(out, golden.readAll());
}

void TestTitleExport::unlabelledCost()
{
    // A cost without a label is named by its number alone: the judgment's
    // first payment pays it first.
    TitleInput input = judgment();
    input.costs[0].label.clear();
    const TitleResult result = ComputeTitle(flatTable(), input);
    QVERIFY(result.ok());
    const TitleDocument doc =
        MakeTitleDocument(flatTable(), input, *result.statement, QDate(2026, 12, 8));
    QVERIFY(PaymentApplicationText(doc, result.statement->payments[0], french)
                .startsWith(QStringLiteral("Acompte du 01/04/2019 : 2 000,00 € (120,00 sur les "
                                           "frais n° 1, ")));
}

QTEST_GUILESS_MAIN(TestTitleExport)
#include "tst_titleexport.moc"
