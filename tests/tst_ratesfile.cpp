#include "rates/codepage.h"
#include "rates/ratetable.h"
#include "rates/startmonth.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

std::unique_ptr<RateTable> parsed(const QByteArray &bytes, RateCategory category, bool *ok)
{
    auto table = std::make_unique<RateTable>();
    *ok = parseRates(bytes, category, *table);
    return table;
}

QDateTime at(int y, int m, int d, int h = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0));
}

} // namespace

class TestRatesFile : public QObject
{
    Q_OBJECT
private slots:
    void windowsCodePage_data();
    void windowsCodePage();
    void unknownCharactersWriteAsQuestionMarks_data();
    void unknownCharactersWriteAsQuestionMarks();
    void parsing_data();
    void parsing();
    void corruptFiles_data();
    void corruptFiles();
    void specExample();
    void sourceNote_data();
    void sourceNote();
    void categories_data();
    void categories();
    void yearWindow_data();
    void yearWindow();
    void slotsAboveCountAreCleared();
    void bundledFile_data();
    void bundledFile();
    void missingFile();
    void corruptFileMessage();
    void sizeBound_data();
    void sizeBound();
    void loadKeepsSumsAndResetsView();
    void reloadOnAnyTimeStampChange();
    void startRow_data();
    void startRow();
    void firstRowFollowsStartRow_data();
    void firstRowFollowsStartRow();
};

// A file that loads: how many months, and what the first and extra rows say.
void TestRatesFile::parsing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("firstLabel");
    QTest::addColumn<double>("firstRate");
    QTest::addColumn<QString>("extraLabel");

    QTest::newRow("whole year gives twelve months")
        << QByteArray("2015\t0.93\r\n") << 12 << "Décembre 2015" << 0.93 << "Décembre 2014";
    QTest::newRow("first half June to January")
        << QByteArray("1S2015\t0.93\t4.06\r\n") << 6 << "Juin 2015" << 0.93 << "Décembre 2014";
    QTest::newRow("second half December to July")
        << QByteArray("2S2015\t0.99\t4.29\r\n") << 6 << "Décembre 2015" << 0.99 << "Décembre 2014";
    QTest::newRow("decimal comma splits the line")
        << QByteArray("2016\t0,93\t4.06\r\n") << 24 << "Décembre 2016" << 0.0 << "Décembre 92";
    QTest::newRow("comments only")
        << QByteArray("' nothing here\r\n'more\r\n") << 0 << "Décembre-1" << -1.0 << "Décembre-1";
    QTest::newRow("empty file") << QByteArray() << 0 << "Décembre-1" << -1.0 << "Décembre-1";
    QTest::newRow("empty items skipped")
        << QByteArray(",,\r\n\r\n2015\t1\r\n,") << 12 << "Décembre 2015" << 1.0 << "Décembre 2014";
    QTest::newRow("quoted item may hold a comma")
        << QByteArray("\"2015\t1,5\"\r\n") << 12 << "Décembre 2015" << 1.0 << "Décembre 2014";
    QTest::newRow("quoted item runs over line ends")
        << QByteArray("\"' a comment, with a comma\r\nstill comment\"\r\n2015\t2\r\n") << 12
        << "Décembre 2015" << 2.0 << "Décembre 2014";
    QTest::newRow("spaces before an item skipped")
        << QByteArray("   2015\t3\r\n") << 12 << "Décembre 2015" << 3.0 << "Décembre 2014";
    QTest::newRow("LF alone ends a line")
        << QByteArray("1S2016\t1\n2S2015\t2\n") << 12 << "Juin 2016" << 1.0 << "Décembre 2014";
    QTest::newRow("CR alone ends a line")
        << QByteArray("1S2016\t1\r2S2015\t2\r") << 12 << "Juin 2016" << 1.0 << "Décembre 2014";
    QTest::newRow("spaces at the very end")
        << QByteArray("2015\t1\r\n   ") << 12 << "Décembre 2015" << 1.0 << "Décembre 2014";
    QTest::newRow("empty first rate reads 0, not the second")
        << QByteArray("2015\t\t4.06\r\n") << 12 << "Décembre 2015" << 0.0 << "Décembre 2014";
    QTest::newRow("no final line end")
        << QByteArray("2015\t1") << 12 << "Décembre 2015" << 1.0 << "Décembre 2014";
    QTest::newRow("rate that is no number reads 0")
        << QByteArray("2015\tn/a\r\n") << 12 << "Décembre 2015" << 0.0 << "Décembre 2014";
    QTest::newRow("label keeps the year as written")
        << QByteArray("2015.4\t1\r\n") << 12 << "Décembre 2015.4" << 1.0 << "Décembre 2014";
    QTest::newRow("lower-case prefix is a plain year")
        << QByteArray("1s2015\t1\r\n") << 12 << "Décembre 1s2015" << 1.0 << "Décembre 0";
    QTest::newRow("600 months load")
        << yearLines(2049, 50) << 600 << "Décembre 2049" << 1.0 << "Décembre 1999";
    QTest::newRow("1200 months load")
        << yearLines(2099, 100) << 1200 << "Décembre 2099" << 1.0 << "Décembre 1999";
    QTest::newRow("Windows-1252 comment") << QByteArray("' \xe9t\xe9 \x80\r\n2015\t1\r\n") << 12
                                          << "Décembre 2015" << 1.0 << "Décembre 2014";
}

void TestRatesFile::parsing()
{
    QFETCH(QByteArray, file);
    QFETCH(int, count);
    QFETCH(QString, firstLabel);
    QFETCH(double, firstRate);
    QFETCH(QString, extraLabel);

    bool ok = false;
    const auto table = parsed(file, RateCategory::Autres, &ok);
    QVERIFY(ok);
    QCOMPARE(int(table->count), count);
    QCOMPARE(table->rows[0].label, firstLabel);
    if (count > 0)
        QCOMPARE(*table->rows[0].rate, firstRate);
    QCOMPARE(table->rows[count].label, extraLabel);
    QVERIFY(!table->rows[count].rate.has_value());
    QVERIFY(!table->rows[count].monthStart.isValid());
}

void TestRatesFile::corruptFiles_data()
{
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("comment with a comma") << QByteArray("' rates, by year\r\n2015\t1\r\n");
    QTest::newRow("line without TAB") << QByteArray("2015 0.93\r\n");
    QTest::newRow("1201 months") << yearLines(2099, 100) + "1S1999\t1\r\n" + "' x\r\n";
    QTest::newRow("far more months") << yearLines(2100, 120);
    QTest::newRow("year beyond 16 bits") << QByteArray("40000\t1\r\n");
    QTest::newRow("year below 16 bits") << QByteArray("-40000\t1\r\n");
    QTest::newRow("year above 9999") << QByteArray("10000\t1\r\n");
    QTest::newRow("negative year") << QByteArray("-5\t1\r\n");
    QTest::newRow("year that overflows") << QByteArray("1e400\t1\r\n");
    QTest::newRow("rate that overflows") << QByteArray("2015\t1e400\r\n");
    QTest::newRow("quoted item without TAB") << QByteArray("\"2015 1\"\r\n");
}

void TestRatesFile::corruptFiles()
{
    QFETCH(QByteArray, file);
    bool ok = true;
    parsed(file, RateCategory::Autres, &ok);
    QVERIFY(!ok);
}

void TestRatesFile::specExample()
{
    const QByteArray file = "' exemple\r\n"
                            "1S2016\t1.50\t4.25\r\n"
                            "2S2015\t1.40\t4.10\r\n"
                            "1S2015\t1.30\t4.00\r\n"
                            "2014\t0.50\r\n";
    bool ok = false;
    const auto t = parsed(file, RateCategory::PersonnesPhysiques, &ok);
    QVERIFY(ok);
    QCOMPARE(int(t->count), 30);
    QCOMPARE(t->rows[0].label, QStringLiteral("Juin 2016"));
    QCOMPARE(t->rows[0].monthStart, QDate(2016, 6, 1));
    QCOMPARE(*t->rows[0].rate, 4.25);
    QCOMPARE(t->rows[5].label, QStringLiteral("Janvier 2016"));
    QCOMPARE(t->rows[6].label, QStringLiteral("Décembre 2015"));
    QCOMPARE(*t->rows[11].rate, 4.10);
    QCOMPARE(t->rows[11].label, QStringLiteral("Juillet 2015"));
    QCOMPARE(t->rows[17].label, QStringLiteral("Janvier 2015"));
    QCOMPARE(t->rows[18].label, QStringLiteral("Décembre 2014"));
    QCOMPARE(*t->rows[29].rate, 0.5);
    QCOMPARE(t->rows[29].monthStart, QDate(2014, 1, 1));
    QCOMPARE(t->rows[30].label, QStringLiteral("Décembre 2013"));
}

void TestRatesFile::sourceNote_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("note");

    const QByteArray added = "'Taux ajout\xe9s le 08/12/2026 depuis https://x/F20688.xml "
                             "(publication du 01/07/2026)";
    QTest::newRow("the line above the first period")
        << "' taux\r\n" + added + "  \r\n2S2026\t2.94\t6.31\r\n"
        << "Taux ajoutés le 08/12/2026 depuis https://x/F20688.xml (publication du 01/07/2026)";
    QTest::newRow("added by hand, blank after the apostrophe")
        << QByteArray("' Taux ajout\xe9s \xe0 la main le 08/12/2026\r\n2S2026\t2.94\r\n")
        << "Taux ajoutés à la main le 08/12/2026";
    QTest::newRow("another comment between") << added + "\r\n' x\r\n2S2026\t2.94\r\n"
                                             << "";
    QTest::newRow("a blank line between") << added + "\r\n\r\n2S2026\t2.94\r\n"
                                          << "";
    QTest::newRow("only above a later period")
        << "2S2026\t2.94\r\n" + added + "\r\n1S2026\t2.94\r\n"
        << "";
    QTest::newRow("a comment of other words") << QByteArray("' Taux\r\n2026\t1\r\n") << "";
    QTest::newRow("no period line") << added + "\r\n"
                                    << "";
}

void TestRatesFile::sourceNote()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, note);
    auto table = std::make_unique<RateTable>();
    table->sourceNote = QStringLiteral("left from a previous load");
    QVERIFY(parseRates(file, RateCategory::Autres, *table));
    QCOMPARE(table->sourceNote, note);
}

void TestRatesFile::categories_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("autres");
    QTest::addColumn<double>("personnes");

    QTest::newRow("two fields") << QByteArray("1S2015\t0.93\t4.06") << 0.93 << 4.06;
    QTest::newRow("one field serves both") << QByteArray("2015\t0.93") << 0.93 << 0.93;
    // The TAB inside the second field is a blank to the number reader.
    QTest::newRow("third TAB stays in the second field")
        << QByteArray("2015\t1\t2\t3") << 1.0 << 23.0;
    QTest::newRow("blanks in fields ignored") << QByteArray("2015\t 1.5 \t 2 5") << 1.5 << 25.0;
    QTest::newRow("empty second field is 0") << QByteArray("2015\t1\t") << 1.0 << 0.0;
}

void TestRatesFile::categories()
{
    QFETCH(QByteArray, line);
    QFETCH(double, autres);
    QFETCH(double, personnes);
    bool ok = false;
    const auto a = parsed(line, RateCategory::Autres, &ok);
    QVERIFY(ok);
    QCOMPARE(*a->rows[0].rate, autres);
    const auto p = parsed(line, RateCategory::PersonnesPhysiques, &ok);
    QVERIFY(ok);
    QCOMPARE(*p->rows[0].rate, personnes);
    QCOMPARE(a->rows[a->count - 1].monthStart, p->rows[p->count - 1].monthStart);
}

void TestRatesFile::yearWindow_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("year");

    QTest::newRow("00 is 2000") << QByteArray("00") << 2000;
    QTest::newRow("29 is 2029") << QByteArray("29") << 2029;
    QTest::newRow("30 is 1930") << QByteArray("30") << 1930;
    QTest::newRow("99 is 1999") << QByteArray("2S99") << 1999;
    QTest::newRow("100 stays") << QByteArray("100") << 100;
    QTest::newRow("9999 stays") << QByteArray("9999") << 9999;
    QTest::newRow("rounded up") << QByteArray("2014.6") << 2015;
    QTest::newRow("empty year is 2000") << QByteArray("1S") << 2000;
}

void TestRatesFile::yearWindow()
{
    QFETCH(QByteArray, key);
    QFETCH(int, year);
    bool ok = false;
    const auto t = parsed(key + "\t1\r\n", RateCategory::Autres, &ok);
    QVERIFY(ok);
    QCOMPARE(t->rows[0].monthStart.year(), year);
}

void TestRatesFile::slotsAboveCountAreCleared()
{
    RateTable table;
    QVERIFY(parseRates(yearLines(2049, 50), RateCategory::Autres, table));
    QVERIFY(parseRates("2015\t1\r\n", RateCategory::Autres, table));
    QCOMPARE(int(table.count), 12);
    QCOMPARE(table.rows[12].label, QStringLiteral("Décembre 2014"));
    QVERIFY(!table.rows[12].monthStart.isValid());
    QVERIFY(table.rows[13].label.isEmpty());
    QVERIFY(!table.rows[600].rate.has_value());
}

void TestRatesFile::bundledFile_data()
{
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("label");
    QTest::addColumn<double>("rate");

    const int autres = int(RateCategory::Autres);
    const int personnes = int(RateCategory::PersonnesPhysiques);
    QTest::newRow("Juin 2015 autres") << autres << "Juin 2015" << 0.93;
    QTest::newRow("Juin 2015 personnes") << personnes << "Juin 2015" << 4.06;
    QTest::newRow("Juillet 2015 personnes") << personnes << "Juillet 2015" << 4.29;
    QTest::newRow("Juin 2026 autres") << autres << "Juin 2026" << 2.62;
    QTest::newRow("Juin 2026 personnes") << personnes << "Juin 2026" << 6.67;
    QTest::newRow("Décembre 2014 both") << personnes << "Décembre 2014" << 0.04;
    QTest::newRow("Décembre 1989") << autres << "Décembre 1989" << 7.82;
    QTest::newRow("Juin 1989") << autres << "Juin 1989" << 9.5;
    QTest::newRow("Janvier 1977") << autres << "Janvier 1977" << 10.5;
}

void TestRatesFile::bundledFile()
{
    QFETCH(int, category);
    QFETCH(QString, label);
    QFETCH(double, rate);

    TauxState state;
    state.setRatesFile(QStringLiteral(BUNDLED_RATES));
    const LoadResult result = state.ChangeCategory(RateCategory(category));
    QVERIFY(result.ok());
    // 1S2026 back to 1977, as the bundled file holds them.
    QCOMPARE(int(state.table().count), 594);
    QCOMPARE(state.table().rows[0].label, QStringLiteral("Juin 2026"));
    QCOMPARE(state.table().rows[594].label, QStringLiteral("Décembre 1976"));
    const auto &rows = state.table().rows;
    const auto it =
        std::find_if(rows.begin(), rows.end(), [&](const RateRow &r) { return r.label == label; });
    QVERIFY(it != rows.end());
    QCOMPARE(*it->rate, rate);
    // Months follow one another without gap.
    for (int i = 1; i < state.table().count; ++i)
        QCOMPARE(rows[i].monthStart.addMonths(1), rows[i - 1].monthStart);
}

void TestRatesFile::missingFile()
{
    QTemporaryDir dir;
    RateTable table;
    table.filePath = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    LoadResult r = LoadRatesFile(table, RateCategory::Autres);
    QCOMPARE(r.status, LoadResult::MissingFile);
    QCOMPARE(r.message, QStringLiteral("Fichier des taux introuvable. (Contrôler avant "
                                       "réinstallation la présence du fichier QUERDAN.TXT)."));
    QCOMPARE(r.title, QStringLiteral("Installation incomplète, ou mauvais paramètres"));

    table.filePath = dir.path(); // a folder is no file
    QCOMPARE(LoadRatesFile(table, RateCategory::Autres).status, LoadResult::MissingFile);
}

void TestRatesFile::corruptFileMessage()
{
    QTemporaryDir dir;
    RateTable table;
    table.filePath = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(table.filePath, "2015 0.93\r\n"));
    const LoadResult r = LoadRatesFile(table, RateCategory::Autres);
    QCOMPARE(r.status, LoadResult::CorruptFile);
    QCOMPARE(r.message, QStringLiteral("Fichier des taux corrompu"));
    QCOMPARE(r.title, QStringLiteral("Réinstallation nécessaire"));
}

void TestRatesFile::sizeBound_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("message"); // empty: it loads
    QTest::newRow("1 MiB loads") << 1048576 << "";
    QTest::newRow("a byte more is refused unread")
        << 1048577
        << "Fichier des taux corrompu : il dépasse 1 Mio, ce n'est pas un fichier des "
           "taux";
}

void TestRatesFile::sizeBound()
{
    QFETCH(int, size);
    QFETCH(QString, message);
    QTemporaryDir dir;
    RateTable table;
    table.filePath = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    const QByteArray line = "2015\t1\r\n'";
    QVERIFY(writeFile(table.filePath, line + QByteArray(size - line.size(), 'x')));
    const LoadResult result = LoadRatesFile(table, RateCategory::Autres);
    QCOMPARE(result.message, message);
    QCOMPARE(result.title,
             message.isEmpty() ? QString() : QStringLiteral("Réinstallation nécessaire"));
    QCOMPARE(int(table.count), message.isEmpty() ? 12 : 0);
}

void TestRatesFile::loadKeepsSumsAndResetsView()
{
    TauxState state;
    state.setRatesFile(QStringLiteral(BUNDLED_RATES));
    QVERIFY(state.LoadRatesFile().ok());
    QCOMPARE(state.EnterAmount(40, u"1000"), TauxState::AmountOutcome::Computed);
    state.setFirstRow(20);
    QVERIFY(state.LoadRatesFile().ok());
    QCOMPARE(state.startRow(), -1);
    QCOMPARE(state.firstRow(), 0);
    QCOMPARE(*state.sums()[40], 1000.0);
}

void TestRatesFile::reloadOnAnyTimeStampChange()
{
    QTemporaryDir dir;
    TauxState state;
    const QString path = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    state.setRatesFile(path);
    QVERIFY(writeFile(path, "2015\t1\r\n"));
    QFile file(path);
    const QDateTime stamp(QDate(2020, 5, 5), QTime(12, 0));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(state.LoadRatesFile().ok());
    QVERIFY(!state.ReloadIfChanged().has_value());

    // An older time stamp counts as a change too: a file restored from a copy.
    QVERIFY(writeFile(path, "2016\t1\r\n2015\t1\r\n"));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(stamp.addDays(-1), QFileDevice::FileModificationTime));
    file.close();
    const auto reloaded = state.ReloadIfChanged();
    QVERIFY(reloaded.has_value());
    QVERIFY(reloaded->ok());
    QCOMPARE(int(state.table().count), 24);
    QVERIFY(!state.ReloadIfChanged().has_value());

    // A file that vanished is reloaded, which reports it missing.
    QVERIFY(QFile::remove(path));
    const auto gone = state.ReloadIfChanged();
    QVERIFY(gone.has_value());
    QCOMPARE(gone->status, LoadResult::MissingFile);
}

void TestRatesFile::startRow_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("label");

    // Table: 1S2016, 2S2015, 1S2015, 2014 (rows 0-29, extra row 30).
    QTest::newRow("after the newest month") << at(2016, 9, 15) << "Juin 2016";
    QTest::newRow("first of a month selects the previous") << at(2015, 3, 1) << "Février 2015";
    QTest::newRow("second of the month selects it") << at(2015, 3, 2) << "Mars 2015";
    QTest::newRow("last of the month") << at(2015, 3, 31) << "Mars 2015";
    QTest::newRow("noon on the first") << at(2015, 3, 1, 12) << "Mars 2015";
    QTest::newRow("first day of the table") << at(2014, 1, 1) << "Décembre 2013";
    QTest::newRow("years before the table") << at(2009, 6, 15) << "Décembre 2013";
    QTest::newRow("in the extra row's December") << at(2013, 12, 15) << "Décembre 2013";
    QTest::newRow("one minute after the zero date")
        << QDateTime(QDate(1899, 12, 30), QTime(0, 1)) << "Décembre 2013";
    QTest::newRow("on the zero date") << at(1899, 12, 30) << "";
    QTest::newRow("1 January 1800") << at(1800, 1, 1) << "";
}

void TestRatesFile::startRow()
{
    QFETCH(QDateTime, start);
    QFETCH(QString, label);
    RateTable table;
    QVERIFY(parseRates("1S2016\t1.5\t4.25\r\n2S2015\t1.4\r\n1S2015\t1.3\r\n2014\t0.5\r\n",
                       RateCategory::Autres, table));
    const int row = findStartRow(table, start);
    if (label.isEmpty()) {
        QCOMPARE(row, -1);
        return;
    }
    QVERIFY(row >= 0);
    QCOMPARE(table.rows[row].label, label);
}

void TestRatesFile::firstRowFollowsStartRow_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("firstRow");
    QTest::newRow("row 25 shows on line 20") << 25 << 5;
    QTest::newRow("row 7 stays at the top") << 7 << 0;
    QTest::newRow("row 20 exactly") << 20 << 0;
    QTest::newRow("row 0") << 0 << 0;
}

void TestRatesFile::firstRowFollowsStartRow()
{
    QFETCH(int, startRow);
    QFETCH(int, firstRow);
    QCOMPARE(firstRowShowing(startRow), firstRow);
}

// Both ways, without the ICU that Qt would need for this code page.
void TestRatesFile::windowsCodePage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("Juin 2015\t0.93") << QStringLiteral("Juin 2015\t0.93");
    QTest::newRow("Latin-1 range")
        << QByteArray("F\xE9vrier \xC0\xFF") << QStringLiteral("Février Àÿ");
    QTest::newRow("euro, quotes, oe")
        << QByteArray("\x80\x93\x94\x9C\x8C") << QStringLiteral("€“”œŒ");
    QTest::newRow("last of the range") << QByteArray("\x9F\x9E") << QStringLiteral("Ÿž");
    QTest::newRow("undefined bytes") << QByteArray("\x81\x8D\x8F\x90\x9D")
                                     << QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D");
}

void TestRatesFile::windowsCodePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeWindows1252(bytes), text);
    QCOMPARE(EncodeWindows1252(text), bytes);
}

void TestRatesFile::unknownCharactersWriteAsQuestionMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("Greek") << QStringLiteral("Ωmega") << QByteArray("?mega");
    QTest::newRow("control in the code page's range")
        << QString::fromUtf16(u"a\u0080b") << QByteArray("a?b");
    QTest::newRow("outside the basic plane is one mark")
        << QStringLiteral("x😀y") << QByteArray("x?y");
    QTest::newRow("lone surrogate") << QString::fromUtf16(u"x\xD800y") << QByteArray("x?y");
}

void TestRatesFile::unknownCharactersWriteAsQuestionMarks()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(EncodeWindows1252(text), bytes);
}

QTEST_GUILESS_MAIN(TestRatesFile)
#include "tst_ratesfile.moc"
