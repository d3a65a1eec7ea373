#include "rates/leadingnumber.h"

#include <QTest>

class TestLeadingNumber : public QObject
{
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
};

void TestLeadingNumber::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("overflow");

    QTest::newRow("plain integer") << "10000" << 10000.0 << false;
    QTest::newRow("decimals with full stop") << "4.06" << 4.06 << false;
    QTest::newRow("blanks anywhere are ignored") << " 1 500.75 " << 1500.75 << false;
    QTest::newRow("tab and line feed ignored") << "\t1\n2" << 12.0 << false;
    QTest::newRow("comma ends the number") << "1500,75" << 1500.0 << false;
    QTest::newRow("no leading number is 0") << "abc" << 0.0 << false;
    QTest::newRow("empty is 0") << "" << 0.0 << false;
    QTest::newRow("trailing text ignored") << "9a" << 9.0 << false;
    QTest::newRow("negative") << "-2.5" << -2.5 << false;
    QTest::newRow("explicit plus") << "+5" << 5.0 << false;
    QTest::newRow("two signs read nothing") << "--5" << 0.0 << false;
    QTest::newRow("leading point") << ".5" << 0.5 << false;
    QTest::newRow("trailing point") << "5." << 5.0 << false;
    QTest::newRow("lone point") << "." << 0.0 << false;
    QTest::newRow("exponent") << "1e3" << 1000.0 << false;
    QTest::newRow("negative exponent") << "25E-1" << 2.5 << false;
    QTest::newRow("bare exponent ignored") << "7e" << 7.0 << false;
    QTest::newRow("exponent sign without digits") << "7e+x" << 7.0 << false;
    QTest::newRow("exponent needs a mantissa") << "e5" << 0.0 << false;
    QTest::newRow("second point stops") << "1.2.3" << 1.2 << false;
    QTest::newRow("year text") << "2015" << 2015.0 << false;
    QTest::newRow("overflow by exponent") << "1e400" << 0.0 << true;
    QTest::newRow("negative overflow") << "-1e400" << 0.0 << true;
    QTest::newRow("overflow by digits") << QString(400, u'9') << 0.0 << true;
    QTest::newRow("huge exponent text") << "1e99999999999999999999" << 0.0 << true;
    QTest::newRow("underflow reads as 0") << "1e-400" << 0.0 << false;
    QTest::newRow("tiny mantissa with big exponent") << "0.000001e310" << 1e304 << false;
    QTest::newRow("largest double") << "1.7976931348623157e308" << 1.7976931348623157e308 << false;
    QTest::newRow("leading zeros") << "007" << 7.0 << false;
    QTest::newRow("non-ASCII digit stops") << QString::fromUtf8("1٣") << 1.0 << false;
}

void TestLeadingNumber::reads()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(bool, overflow);
    const LeadingNumber n = readLeadingNumber(text);
    QCOMPARE(n.overflow, overflow);
    QCOMPARE(n.value, value);
}

QTEST_GUILESS_MAIN(TestLeadingNumber)
#include "tst_leadingnumber.moc"
