#include "schedule/formats.h"

#include <QTest>

namespace {
const QLocale french(QLocale::French, QLocale::France);
const QLocale english(QLocale::English, QLocale::UnitedStates);
} // namespace

class TestFormats : public QObject
{
    Q_OBJECT
private slots:
    void general_data();
    void general();
    void amount_data();
    void amount();
    void otherLocale();
    void emptyValues();
};

void TestFormats::general_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("4.06") << 4.06 << "4,06";
    QTest::newRow("below one keeps its zero") << 0.5 << "0,5";
    QTest::newRow("whole number has no decimals") << 12.0 << "12";
    QTest::newRow("no grouping") << 1500.5 << "1500,5";
    QTest::newRow("no grouping for millions") << 1234567.0 << "1234567";
    QTest::newRow("all decimals kept") << 4.125 << "4,125";
    QTest::newRow("15 significant digits") << 0.1 + 0.2 << "0,3";
    QTest::newRow("long value cut at 15 digits") << 1.0 / 3 << "0,333333333333333";
    QTest::newRow("negative") << -2.5 << "-2,5";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("zero") << 0.0 << "0";
}

void TestFormats::general()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatGeneral(value, french), text);
}

void TestFormats::amount_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0 << " 0,00";
    QTest::newRow("12.5") << 12.5 << " 12,50";
    QTest::newRow("three digits") << 512.3 << " 512,30";
    QTest::newRow("1234.5") << 1234.5 << "1 234,50";
    QTest::newRow("six digits") << 123456.0 << "123 456,00";
    QTest::newRow("9.883333") << 9.883333 << " 9,88";
    QTest::newRow("beyond six digits unseparated") << 1234567.891 << "1234 567,89";
    QTest::newRow("rounds up into a new group") << 999.999 << "1 000,00";
    QTest::newRow("tiny rounds to zero") << 0.004 << " 0,00";
    QTest::newRow("half rounds away from zero") << 0.125 << " 0,13";
    QTest::newRow("1.005 as written") << 1.005 << " 1,01";
    QTest::newRow("2.675 as written") << 2.675 << " 2,68";
    QTest::newRow("10000") << 10000.0 << "10 000,00";
    QTest::newRow("below a cent") << 0.0049999 << " 0,00";
    QTest::newRow("half a cent") << 0.005 << " 0,01";
    QTest::newRow("large") << 1e15 << "1000000000000 000,00";
    QTest::newRow("very large") << 1.5e20 << "150000000000000000 000,00";
    QTest::newRow("negative") << -12.5 << "- 12,50";
    QTest::newRow("negative thousands") << -1234.5 << "-1 234,50";
    QTest::newRow("negative half away from zero") << -0.125 << "- 0,13";
    QTest::newRow("negative that shows zero has no sign") << -0.004 << " 0,00";
    QTest::newRow("negative zero") << -0.0 << " 0,00";
}

void TestFormats::amount()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(formatAmount(value, french), text);
}

void TestFormats::otherLocale()
{
    QCOMPARE(formatAmount(1234.5, english), QStringLiteral("1 234.50"));
    QCOMPARE(formatGeneral(4.06, english), QStringLiteral("4.06"));
    QCOMPARE(formatGeneral(1234567.5, english), QStringLiteral("1234567.5"));
}

void TestFormats::emptyValues()
{
    QCOMPARE(formatAmount(std::optional<double>(), french), QString());
    QCOMPARE(formatGeneral(std::optional<double>(), french), QString());
    QCOMPARE(formatAmount(std::optional<double>(3.0), french), QStringLiteral(" 3,00"));
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
