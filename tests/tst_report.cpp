#include "output/report.h"
#include "outputfixtures.h"

#include <QTest>

namespace {

const QLocale french(QLocale::French, QLocale::France);

// Writes each call down as one line, and can be told to fail at a given
// call so the report's way out can be watched.
class RecordingSink : public ReportSink
{
public:
    explicit RecordingSink(int failAtCall = -1) : m_failAt(failAtCall) {}

    bool setX(double cm) override { return record("x " + QString::number(cm, 'g', 6)); }
    bool print(const QString &text) override { return record("text \"" + text + '"'); }
    bool printLine(const QString &text) override { return record("line \"" + text + '"'); }
    bool endDocument() override { return record(QStringLiteral("end")); }

    QStringList calls;

private:
    bool record(const QString &call)
    {
        calls << call;
        return calls.size() - 1 != m_failAt;
    }
    int m_failAt;
};

} // namespace

class TestReport : public QObject
{
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void stopsAtFirstFailure_data();
    void stopsAtFirstFailure();
    void face_data();
    void face();
};

void TestReport::golden_data()
{
    QTest::addColumn<QString>("golden");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<double>("width");

    QTest::newRow("no start row: heading and empty lines") << "report-nostart.golden" << -1 << 20.0;
    QTest::newRow("down to the extra row on a 20 cm page") << "report-rows.golden" << 4 << 20.0;
    QTest::newRow("odd width keeps single-precision columns")
        << "report-narrow.golden" << 1 << 19.0;
}

void TestReport::golden()
{
    QFETCH(QString, golden);
    QFETCH(int, startRow);
    QFETCH(double, width);

    // Row 3 empty: a start date with no amount leaves the column blank. Row
    // 5 lies beyond the start row: never printed.
    auto state = fixtures::syntheticState(
        4, startRow, {{0, 1234567.891}, {1, 1234.5}, {2, 12.5}, {4, 999.999}, {5, 77.0}});

    RecordingSink sink;
    QVERIFY(BuildReport(*state, french, width, sink));
    const QByteArray bytes = sink.calls.join(u'\n').append(u'\n').toUtf8();
    fixtures::maybeWriteGolden(golden, bytes);
    QCOMPARE(bytes, fixtures::readGolden(golden));
}

void TestReport::stopsAtFirstFailure_data()
{
    QTest::addColumn<int>("failAt");

    // With startRow 1 the calls are: 6 for the heading, 1 empty line,
    // 5 per row, 1 closing line, the end of the document: 19.
    QTest::newRow("first x") << 0;
    QTest::newRow("heading text") << 3;
    QTest::newRow("empty line after the heading") << 6;
    QTest::newRow("inside the first row") << 9;
    QTest::newRow("last row's sum") << 16;
    QTest::newRow("closing empty line") << 17;
    QTest::newRow("end of document") << 18;
}

void TestReport::stopsAtFirstFailure()
{
    QFETCH(int, failAt);
    auto state = fixtures::syntheticState(4, 1);

    RecordingSink complete;
    QVERIFY(BuildReport(*state, french, 20.0, complete));
    QCOMPARE(complete.calls.size(), 19);

    RecordingSink failing(failAt);
    QVERIFY(!BuildReport(*state, french, 20.0, failing));
    QCOMPARE(failing.calls.size(), failAt + 1);
}

void TestReport::face_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<QString>("face");

    QTest::newRow("Arial first") << QStringList{"Courier", "Helv", "Arial"} << "Arial";
    QTest::newRow("Helv before Times New Roman, whatever the list order")
        << QStringList{"Times New Roman", "Courier", "Helv"} << "Helv";
    QTest::newRow("Times New Roman before Ms Sans Serif and Courier")
        << QStringList{"Ms Sans Serif", "Courier", "Times New Roman"} << "Times New Roman";
    QTest::newRow("Times New Roman when Arial and Helv are missing")
        << QStringList{"Courier", "Times New Roman", "Wingdings"} << "Times New Roman";
    QTest::newRow("MS Sans Serif does not match Ms Sans Serif")
        << QStringList{"MS Sans Serif", "arial", "COURIER"} << "Current Face";
    QTest::newRow("exact Ms Sans Serif matches")
        << QStringList{"MS Sans Serif", "Ms Sans Serif"} << "Ms Sans Serif";
    QTest::newRow("last entry of the list is found")
        << QStringList{"DejaVu Sans", "Liberation Serif", "Courier"} << "Courier";
    QTest::newRow("a prefix is not the face")
        << QStringList{"Arial Black", "Helvetica"} << "Current Face";
    QTest::newRow("empty list keeps the current face") << QStringList{} << "Current Face";
}

void TestReport::face()
{
    QFETCH(QStringList, families);
    QFETCH(QString, face);
    QCOMPARE(chooseReportFace(families, QStringLiteral("Current Face")), face);
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
