#include "schedule/typedinput.h"

#include <QTest>

// The amounts the statement window and the command line both read: the
// same figures and the same refusals in both.
class TestTypedInput : public QObject
{
    Q_OBJECT
private slots:
    void amountReadOrRefused_data();
    void amountReadOrRefused();
};

void TestTypedInput::amountReadOrRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("cents"); // -1: refused
    QTest::addColumn<QString>("error");

    const QString notAnAmount =
        QStringLiteral(" n'est pas un montant ; attendu un montant en euros comme 1500, 1500,50 "
                       "ou 1 500,50 (une seule marque décimale, des espaces pour les milliers)");
    const QString tooLarge = QStringLiteral(" est trop grand ; attendu au plus 9 999 999 999 "
                                            "999,99 € (treize chiffres avant la virgule)");
    QTest::newRow("the euro sign after it") << "1 500,50 €" << qint64(150050) << "";
    QTest::newRow("the largest a saved statement holds")
        << "9 999 999 999 999,99" << qint64(999999999999999) << "";
    QTest::newRow("zero is owed nothing") << "0" << qint64(0) << "";
    QTest::newRow("fourteen digits are too large")
        << "10000000000000" << qint64(-1) << "« 10000000000000 »" + tooLarge;
    QTest::newRow("seventeen digits, the same words")
        << "12 345 678 901 234 567" << qint64(-1) << "« 12 345 678 901 234 567 »" + tooLarge;
    QTest::newRow("many digits and a letter are no number")
        << "1234567890123456a" << qint64(-1) << "« 1234567890123456a »" + notAnAmount;
    QTest::newRow("three decimals")
        << "12,505" << qint64(-1)
        << "« 12,505 » a plus de deux décimales ; attendu un montant au centime, comme 1500,50";
    QTest::newRow("decimals of no number")
        << "abc,505" << qint64(-1) << "« abc,505 »" + notAnAmount;
    QTest::newRow("negative")
        << "-5" << qint64(-1)
        << "« -5 » est négatif ; attendu un montant positif ou nul, comme 1500,50";
    QTest::newRow("two decimal marks") << "1.500,50" << qint64(-1) << "« 1.500,50 »" + notAnAmount;
    QTest::newRow("the euro sign alone") << "€" << qint64(-1) << "« € »" + notAnAmount;
    QTest::newRow("an invisible soft hyphen named with four digits")
        << "5\u00AD00" << qint64(-1)
        << "« 5<U+00AD>00 » (<U+00AD> : caractère de contrôle invisible)" + notAnAmount;
    QTest::newRow("a space before the mark, neither too large nor too precise")
        << "1234567890123 ,50" << qint64(-1) << "« 1234567890123 ,50 »" + notAnAmount;
}

void TestTypedInput::amountReadOrRefused()
{
    QFETCH(QString, typed);
    QFETCH(qint64, cents);
    QFETCH(QString, error);
    const TypedAmount read = ReadTypedAmount(typed);
    QCOMPARE(read.cents.value_or(-1), cents);
    QCOMPARE(read.error, error);
}

QTEST_GUILESS_MAIN(TestTypedInput)
#include "tst_typedinput.moc"
