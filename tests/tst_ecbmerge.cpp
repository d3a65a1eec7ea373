#include "rates/ecbmerge.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The ECB's answer read by its columns' names, and merged into the table
// without changing what it has.
class TestEcbMerge : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void merges_data();
    void merges();
};

void TestEcbMerge::answers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("changes"); // "date=thousandths" a change, or the error
    const QByteArray header = "KEY,FREQ,REF_AREA,CURRENCY,PROVIDER_FM,INSTRUMENT_FM,"
                              "PROVIDER_FM_ID,DATA_TYPE_FM,TIME_PERIOD,OBS_VALUE\r\n";
    const QByteArray key = "FM.B.U2.EUR.4F.KR.MRR_FR.LEV,B,U2,EUR,4F,KR,MRR_FR,LEV,";
    QTest::newRow("the portal's layout")
        << header + key + "2025-04-23,2.4\r\n" + key + "2025-06-11,2.15\r\n"
        << "2025-04-23=2400 2025-06-11=2150";
    QTest::newRow("columns in another order, quoted, and more of them")
        << QByteArray("\"OBS_VALUE\",\"UNIT\",\"TIME_PERIOD\"\n\"2.15\",\"PC\",\"2025-06-11\"\n")
        << "2025-06-11=2150";
    QTest::newRow("a row a day keeps the changes")
        << QByteArray("TIME_PERIOD,OBS_VALUE\n2025-06-09,2.40\n2025-06-10,2.40\n2025-06-11,"
                      "2.15\n2025-06-12,2.15\n")
        << "2025-06-09=2400 2025-06-11=2150";
    QTest::newRow("no OBS_VALUE")
        << QByteArray("TIME_PERIOD,VALUE\n2025-06-11,2.15\n")
        << "la réponse de la BCE n'a pas les colonnes TIME_PERIOD et OBS_VALUE";
    QTest::newRow("30 February")
        << QByteArray("TIME_PERIOD,OBS_VALUE\n2026-02-30,2.00\n")
        << "la ligne 2 de la réponse de la BCE est illisible (« 2026-02-30,2.00 »)";
    QTest::newRow("a body cut in a line")
        << QByteArray("TIME_PERIOD,OBS_VALUE\n2025-06-11,2.15\n2026-0")
        << "la ligne 3 de la réponse de la BCE est illisible (« 2026-0 »)";
    QTest::newRow("dates going back")
        << QByteArray("TIME_PERIOD,OBS_VALUE\n2025-06-11,2.15\n2025-04-23,2.40\n")
        << "les dates de la réponse de la BCE ne vont pas du plus ancien au plus récent (ligne 3)";
    QTest::newRow("nothing") << QByteArray() << "la BCE a répondu sans rien envoyer";
    QTest::newRow("a header alone")
        << QByteArray("TIME_PERIOD,OBS_VALUE\n") << "la réponse de la BCE ne contient aucun taux";
}

void TestEcbMerge::answers()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, changes);
    const EcbCsvRead read = ParseEcbCsv(body);
    QStringList got;
    for (const EcbChange &c : read.changes)
        got << c.from.toString(Qt::ISODate) + u'=' + QString::number(c.thousandths);
    QCOMPARE(read.error.isEmpty() ? got.join(u' ') : read.error, changes);
}

void TestEcbMerge::merges_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("fromEcb");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("disagreement");

    const QByteArray table = "# BCE\nconfirme-jusqu-au\t2026-01-01\n2025-04-23\t2.40\n"
                             "2025-06-11\t2.15\n";
    QTest::newRow("a new change")
        << table << "2025-04-23=2400 2025-06-11=2150 2026-02-04=1900" << QDate(2026, 3, 2)
        << QByteArray("# BCE\nconfirme-jusqu-au\t2026-03-02\n2025-04-23\t2.40\n2025-06-11\t2.15\n"
                      "2026-02-04\t1.90\n")
        << QString();
    QTest::newRow("nothing new: only the day it is confirmed to")
        << table << "2025-06-11=2150" << QDate(2026, 3, 2)
        << QByteArray("# BCE\nconfirme-jusqu-au\t2026-03-02\n2025-04-23\t2.40\n2025-06-11\t2.15\n")
        << QString();
    QTest::newRow("nothing at all")
        << table << "2025-06-11=2150" << QDate(2026, 1, 1) << table << QString();
    QTest::newRow("the same rate again is no change")
        << table << "2025-06-11=2150 2025-12-17=2150" << QDate(2026, 1, 1) << table << QString();
    QTest::newRow("a rate given otherwise is kept")
        << table << "2025-04-23=2400 2025-06-11=2000" << QDate(2026, 1, 1) << table
        << u"la BCE donne 2,00 % au 11/06/2025 où le tableau a 2,15 % ; le tableau garde le sien"_s;
    QTest::newRow("a change the ECB lacks is kept")
        << table << "2025-04-23=2400 2026-02-04=1900" << QDate(2026, 3, 2)
        << QByteArray("# BCE\nconfirme-jusqu-au\t2026-03-02\n2025-04-23\t2.40\n2025-06-11\t2.15\n"
                      "2026-02-04\t1.90\n")
        << u"la BCE ne donne pas le changement du 11/06/2025 (2,15 %) que le tableau contient ; "
           "le tableau le garde"_s;
    QTest::newRow("one the table lacks")
        << table << "2025-04-23=2400 2025-05-01=2300 2025-06-11=2150" << QDate(2026, 1, 1) << table
        << u"la BCE donne un changement au 01/05/2025 (2,30 %) que le tableau n'a pas ; le "
           "tableau reste tel qu'il est"_s;
    QTest::newRow("a table in CR LF, without its last line's end")
        << QByteArray("confirme-jusqu-au\t2026-01-01\r\n2025-06-11\t2.15") << "2026-02-04=-125"
        << QDate(2026, 2, 4)
        << QByteArray("confirme-jusqu-au\t2026-02-04\r\n2025-06-11\t2.15\r\n2026-02-04\t-0.125\r\n")
        << QString();
    // An empty result: refused, with the reason.
    QTest::newRow("a change still to come")
        << table << "2025-06-11=2150 2026-02-04=1900" << QDate(2026, 2, 3) << QByteArray()
        << u"la BCE donne un taux à compter du 04/02/2026, après aujourd'hui ; le tableau n'est "
           "pas changé"_s;
}

void TestEcbMerge::merges()
{
    QFETCH(QByteArray, table);
    QFETCH(QString, fromEcb);
    QFETCH(QDate, today);
    QFETCH(QByteArray, after);
    QFETCH(QString, disagreement);
    QList<EcbChange> changes;
    for (const QString &c : fromEcb.split(u' ')) {
        const QStringList parts = c.split(u'=');
        changes.append({QDate::fromString(parts[0], Qt::ISODate), parts[1].toInt()});
    }
    const EcbMerge merge = MergeEcbChanges(table, changes, today);
    if (after.isEmpty()) {
        QVERIFY(!merge.ok);
        QCOMPARE(merge.error, disagreement);
        return;
    }
    QVERIFY2(merge.ok, qPrintable(merge.error));
    QCOMPARE(merge.bytes, after);
    QCOMPARE(merge.changed, after != table);
    QCOMPARE(merge.disagreement, disagreement);
    // What is written reads back.
    QVERIFY(ParseEcbTable(merge.bytes).table);
}

QTEST_GUILESS_MAIN(TestEcbMerge)
#include "tst_ecbmerge.moc"
