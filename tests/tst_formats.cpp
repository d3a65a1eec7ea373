#include "output/safetext.h"
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
    void safeLine_data();
    void safeLine();
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

void TestFormats::safeLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("line");

    QTest::newRow("plain text stays") << "RG 15/01234 é" << 0 << "RG 15/01234 é";
    QTest::newRow("right-to-left override removed")
        << QString::fromUtf16(u"RG \u202E43210/51\u202C") << 0 << "RG 43210/51";
    QTest::newRow("isolates and marks removed")
        << QString::fromUtf16(u"\u2066a\u2069\u2067b\u2068c\u200Ed\u200Fe\u202Af\u202Bg\u061C") << 0
        << "abcdefg";
    QTest::newRow("escape, bell and NUL are spaces")
        << QString::fromUtf16(u"a\u001B[2Jb\u0007c") + QChar(0) << 0 << "a [2Jb c ";
    QTest::newRow("line ends and tab are spaces") << "a\r\nb\tc" << 0 << "a  b c";
    QTest::newRow("DEL and C1 are spaces")
        << QString::fromUtf16(u"a\u007Fb\u009Bc") << 0 << "a b c";
    QTest::newRow("line and paragraph separators")
        << QString::fromUtf16(u"a\u2028b\u2029c") << 0 << "a b c";
    QTest::newRow("no-break spaces stay") << QString::fromUtf16(u"1\u00A0000\u202F€") << 0
                                          << QString::fromUtf16(u"1\u00A0000\u202F€");
    QTest::newRow("at the limit, whole") << "abcde" << 5 << "abcde";
    QTest::newRow("one past the limit, cut") << "abcdef" << 5 << QString::fromUtf16(u"abcd…");
    QTest::newRow("cut never splits a pair")
        << QString::fromUtf16(u"abc\U0001F600z") << 5 << QString::fromUtf16(u"abc…");
}

void TestFormats::safeLine()
{
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    QFETCH(QString, line);
    QCOMPARE(SafeLine(text, maxLength), line);
    // A field of several lines keeps its lines and loses only the controls.
    QCOMPARE(WithoutBidiControls(QString::fromUtf16(u"a\n\u202Eb\u2066\tc")),
             QStringLiteral("a\nb\tc"));
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
