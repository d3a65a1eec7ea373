#include "output/clipboardtext.h"
#include "outputfixtures.h"

#include <QTest>

namespace {
const QLocale french(QLocale::French, QLocale::France);
} // namespace

class TestClipboardText : public QObject
{
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void emptyStartCellLeavesThirdFieldEmpty();
};

void TestClipboardText::golden_data()
{
    QTest::addColumn<QString>("golden");
    QTest::addColumn<int>("category");
    QTest::addColumn<QDate>("startDate"); // invalid: none
    QTest::addColumn<int>("amountRow");   // -1: no amount typed
    QTest::addColumn<double>("amount");
    QTest::addColumn<double>("coefficient");
    QTest::addColumn<double>("majoration");
    QTest::addColumn<bool>("capitalise");
    QTest::addColumn<QString>("capitalMonth");

    QTest::newRow("no start row gives the heading alone")
        << "clipboard-nostart.golden" << int(RateCategory::Autres) << QDate() << -1 << 0.0 << 1.0
        << 0.0 << true << QString();
    QTest::newRow("start row 0 gives one line")
        << "clipboard-row0.golden" << int(RateCategory::Autres) << QDate() << 0 << 512.3 << 1.0
        << 0.0 << true << QString();
    QTest::newRow("start date without an amount has empty sums")
        << "clipboard-noamount.golden" << int(RateCategory::Autres) << QDate(2025, 3, 15) << -1
        << 0.0 << 1.0 << 0.0 << true << QString();
    QTest::newRow("every option over eleven years")
        << "clipboard-full.golden" << int(RateCategory::PersonnesPhysiques) << QDate(2015, 3, 15)
        << -2 << 10000.0 << 1.5 << 5.0 << true << QStringLiteral("1");
}

void TestClipboardText::golden()
{
    QFETCH(QString, golden);
    QFETCH(int, category);
    QFETCH(QDate, startDate);
    QFETCH(int, amountRow);
    QFETCH(double, amount);
    QFETCH(double, coefficient);
    QFETCH(double, majoration);
    QFETCH(bool, capitalise);
    QFETCH(QString, capitalMonth);

    auto state = fixtures::bundledState(RateCategory(category));
    QVERIFY(state);
    if (startDate.isValid())
        QVERIFY(state->ConfirmStartDate(QDateTime(startDate, QTime(0, 0), Qt::UTC)));
    state->SetCoefficient(QList<double>{1.0, 1.5, 2.0, 3.0}.indexOf(coefficient));
    state->SetMajoration(majoration == 5.0);
    state->SetCapitalise(capitalise);
    state->SetCapitalMonth(capitalMonth);
    // -2 puts the amount on the row the start date found.
    if (amountRow != -1) {
        const int row = amountRow == -2 ? state->startRow() : amountRow;
        QCOMPARE(state->EnterAmount(row, QString::number(amount)),
                 TauxState::AmountOutcome::Computed);
    }

    const QByteArray bytes = ClipboardText(*state, french).toUtf8();
    fixtures::maybeWriteGolden(golden, bytes);
    QCOMPARE(bytes, fixtures::readGolden(golden));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), state->startRow() + 2);
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
}

void TestClipboardText::emptyStartCellLeavesThirdFieldEmpty()
{
    // Row 3 is the extra row: no rate either.
    auto state = fixtures::syntheticState(3, 3, {{1, 12.5}});
    const QStringList lines = ClipboardText(*state, french).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 6); // heading, four rows, and nothing after the last CR LF
    QCOMPARE(lines[1], QStringLiteral("Juin 2015\t0,93\t"));
    QCOMPARE(lines[2], QStringLiteral("Mai 2015\t4,06\t 12,50"));
    QCOMPARE(lines[4], QStringLiteral("Décembre 2014\t\t"));
    QCOMPARE(lines[5], QString());
}

QTEST_GUILESS_MAIN(TestClipboardText)
#include "tst_clipboardtext.moc"
