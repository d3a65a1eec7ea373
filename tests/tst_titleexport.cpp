#include "output/titleexport.h"

#include <QFile>
#include <QTest>

namespace {

const QLocale french(QLocale::French, QLocale::France);

// 2019 at 3,65 %: on 365 days a capital earns a ten-thousandth of itself a
// day.
RateTable flatTable()
{
    RateTable table;
    int count = 0;
    for (QDate m(2026, 6, 1); m >= QDate(2019, 1, 1); m = m.addMonths(-1), ++count) {
        table.rows[count].monthStart = m;
        table.rows[count].rate = 3.65;
    }
    table.count = qint16(count);
    table.filePath = QStringLiteral("/srv/taux/QUERDAN.TXT");
    return table;
}

Claim claim(const QString &label, Cents amount, const QDate &from)
{
    Claim c;
    c.label = label;
    c.amount = amount;
    c.from = from;
    return c;
}

// 10 000 euros of principal from 1 January 2019, 1 500 euros under article
// 700 from 1 March, 800 euros of dépens without interest, a commandement of
// 120 euros on 1 April; paid 2 000 euros on 1 April and 1 000 on 1 June.
TitleInput judgment(int which = 0)
{
    TitleInput input;
    input.claims = {claim(QStringLiteral("Principal"), 1000000, QDate(2019, 1, 1)),
                    claim(QStringLiteral("Article 700"), 150000, QDate(2019, 3, 1)),
                    claim(QStringLiteral("Dépens"), 80000, QDate(2019, 3, 1))};
    input.claims[2].interest = ClaimInterest::None;
    input.costs = {{QDate(2019, 4, 1), QStringLiteral("Commandement"), 12000}};
    input.payments = {{QDate(2019, 4, 1), 200000, -1}, {QDate(2019, 6, 1), 100000, -1}};
    input.to = QDate(2019, 7, 1);
    if (which == 0)
        return input;
    // 1 000 euros at the legal rate served on 15/03/2026, 1 000 euros at a
    // fixed 4,5 %, both from 1 May 2026 to 16 June, with the month's
    // provision past the rates file's June.
    input = TitleInput();
    input.claims = {claim(QStringLiteral("Principal"), 100000, QDate(2026, 5, 1)),
                    claim(QStringLiteral("Prêt"), 100000, QDate(2026, 5, 1))};
    input.claims[0].majorated = true;
    input.claims[1].interest = ClaimInterest::Fixed;
    input.claims[1].fixedRate = QStringLiteral("4,5");
    input.majoration = {TitleMajoration::Kind::ServedOn, QDate(2026, 3, 15)};
    input.provision = true;
    input.to = QDate(2026, 6, 16);
    return input;
}

} // namespace

class TestTitleExport : public QObject
{
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
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
    for (const char *format : {"txt", "csv", "json"}) {
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
                           : format == u"csv" ? TitleCsv(doc)
                                              : TitleJson(doc);
    QFile golden(QStringLiteral(TESTS_DATA_DIR "title-%1.%2")
                     .arg(which == 0 ? "judgment" : "served", format));
    QVERIFY(golden.open(QIODevice::ReadOnly));
    QCOMPARE(out, golden.readAll());
}

QTEST_GUILESS_MAIN(TestTitleExport)
#include "tst_titleexport.moc"
