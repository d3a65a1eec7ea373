#include "outputfixtures.h"
#include "savedgolden.h"
#include "schedule/editedstatement.h"

#include <QTest>

class TestSavedGolden : public QObject
{
    Q_OBJECT
private slots:
    void savedFileGivesTheSameBytes_data();
    void savedFileGivesTheSameBytes();
};

void TestSavedGolden::savedFileGivesTheSameBytes_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("format");
    for (const char *saved : savedgolden::kFiles) {
        for (const char *format : savedgolden::kFormats)
            QTest::addRow("%s.%s", saved, format)
                << QString::fromLatin1(saved) << QString::fromLatin1(format);
    }
}

void TestSavedGolden::savedFileGivesTheSameBytes()
{
    QFETCH(QString, saved);
    QFETCH(QString, format);

    // Opened as the window opens it, computed as it computes.
    EditedStatement edited;
    const QString error = edited.open(savedgolden::dir() + saved + QStringLiteral(".json"));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const SavedStatement &s = edited.current();
    RateTable table;
    table.filePath = savedgolden::ratesFile();
    QVERIFY(LoadRatesFile(table, s.category).ok());
    table.filePath = savedgolden::kShownRatesPath;
    const StatementResult result = ComputeStatement(table, s.input);
    QVERIFY2(result.ok(), qPrintable(result.error ? result.error->message : QString()));
    const StatementDocument document = MakeStatementDocument(
        table, s.category, s.input, *result.statement, savedgolden::kMadeOn, s.caseFields);

    const QByteArray bytes = savedgolden::output(document, format);
    const QString golden = savedgolden::goldenName(saved, format);
    fixtures::maybeWriteGolden(golden, bytes);
    QCOMPARE(fixtures::comparable(bytes, golden),
             fixtures::comparable(fixtures::readGolden(golden), golden));
}

QTEST_MAIN(TestSavedGolden)
#include "tst_savedgolden.moc"
