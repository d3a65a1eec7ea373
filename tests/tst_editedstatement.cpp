#include "schedule/editedstatement.h"
#include "testfiles.h"
#include "update/recentstatements.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// 2 000,00 EUR from 18/09/2015 to 10/04/2016, the five points from
// 18/11/2015.
SavedStatement example()
{
    SavedStatement saved;
    saved.category = RateCategory::PersonnesPhysiques;
    saved.input.principal = 200000;
    saved.input.from = QDate(2015, 9, 18);
    saved.input.to = QDate(2016, 4, 10);
    saved.input.majorationFrom = QDate(2015, 11, 18);
    return saved;
}

const QByteArray kVersion1 = R"({"format": "taux-legal-decompte", "version": 1,
 "categorie": "autres", "capital": "2000.5", "du": "2015-09-18", "au": "2016-04-10",
 "coefficient": "1.5", "majoration_du": null, "capitalisation_du": "2015-12-01",
 "base": "reelle", "acomptes": [{"date": "2016-01-15", "montant": "500"}]})";

// The list of `count` payments of 0,01 on 15/01/2016, as a file gives it.
QByteArray paymentList(int count)
{
    QByteArray list;
    for (int i = 0; i < count; ++i)
        list += QByteArray(i ? "," : "") + "{\"date\": \"2016-01-15\", \"montant\": \"1\"}";
    return "\"acomptes\": [" + list + "]";
}

} // namespace

class TestEditedStatement : public QObject
{
    Q_OBJECT
private slots:
    void savedFileReadsEveryField_data();
    void savedFileReadsEveryField();
    void savedFileWritesEveryField_data();
    void savedFileWritesEveryField();
    void refusedFiles_data();
    void refusedFiles();
    void tenThousandPaymentsAreRead();
    void optionalDatesMayBeAbsent();
    void changesAndClosing_data();
    void changesAndClosing();
    void fileFollowsSaveAndOpen();
    void recentStatements();
    void onlyFilesAreOpened_data();
    void onlyFilesAreOpened();
    void isoDates_data();
    void isoDates();
};

void TestEditedStatement::savedFileReadsEveryField_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("creancier");
    QTest::addColumn<QString>("titre");

    QTest::newRow("version 1, without case fields") << kVersion1 << QString() << QString();
    QByteArray v2 = kVersion1;
    v2.replace("\"version\": 1", "\"version\": 2, \"creancier\": \"Mme Durand\", "
                                 "\"debiteur\": null, \"titre_executoire\": \"Jugement du "
                                 "01/09/2015, RG 15/01234\"");
    QTest::newRow("version 2, some case fields") << v2 << "Mme Durand"
                                                 << "Jugement du 01/09/2015, RG 15/01234";
    QByteArray reversed = kVersion1;
    reversed.replace("\"version\": 1", "\"version\": 2, \"creancier\": \"Mme \\u202eDurand\", "
                                       "\"titre_executoire\": \"RG \xE2\x80\xAE"
                                       "43210/51\xE2\x80\xAC\"");
    QTest::newRow("direction controls dropped, escaped or not") << reversed << "Mme Durand"
                                                                << "RG 43210/51";
}

void TestEditedStatement::savedFileReadsEveryField()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, creancier);
    QFETCH(QString, titre);
    const SavedStatementRead read = ReadSavedStatement(bytes);
    QVERIFY2(read.saved, qPrintable(read.error));
    const StatementInput &in = read.saved->input;
    QCOMPARE(read.saved->category, RateCategory::Autres);
    QCOMPARE(in.principal, Cents(200050));
    QCOMPARE(in.coefficient, 1.5);
    QVERIFY(!in.majorationFrom);
    QVERIFY(in.capitalise);
    QCOMPARE(in.capitalisationFrom, std::optional<QDate>(QDate(2015, 12, 1)));
    QCOMPARE(in.dayBase, DayBase::ActualYear);
    QCOMPARE(in.payments.size(), 1);
    QCOMPARE(in.payments[0].amount, Cents(50000));
    QCOMPARE(read.saved->caseFields.creancier, creancier);
    QCOMPARE(read.saved->caseFields.debiteur, QString());
    QCOMPARE(read.saved->caseFields.titre, titre);
}

void TestEditedStatement::savedFileWritesEveryField_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");

    QTest::newRow("version") << u""_s << u"version"_s << QJsonValue(2);
    QTest::newRow("the official day base") << u""_s << u"base"_s << QJsonValue("365");
    QTest::newRow("the year's own length") << u"reelle"_s << u"base"_s << QJsonValue("reelle");
    QTest::newRow("no capitalisation") << u""_s << u"capitalisation_du"_s << QJsonValue();
    QTest::newRow("capitalisation from a day of its own")
        << u"capitalisation"_s << u"capitalisation_du"_s << QJsonValue("2015-12-01");
    QTest::newRow("capitalisation from the start")
        << u"capitalisation du debut"_s << u"capitalisation_du"_s << QJsonValue("2015-09-18");
    QTest::newRow("an empty case field") << u""_s << u"reference"_s << QJsonValue();
    QTest::newRow("a case field") << u"dossier"_s << u"reference"_s << QJsonValue("2015/118 B");
    QTest::newRow("the debtor") << u"dossier"_s << u"debiteur"_s << QJsonValue("SARL Martin");
    QTest::newRow("a case field without its direction controls")
        << u"inverse"_s << u"reference"_s << QJsonValue("RG 43210/51");
    QTest::newRow("coefficient x 1,5") << u"x1.5"_s << u"coefficient"_s << QJsonValue("1.5");
    QTest::newRow("coefficient x 2") << u"x2"_s << u"coefficient"_s << QJsonValue("2");
    QTest::newRow("coefficient x 3") << u"x3"_s << u"coefficient"_s << QJsonValue("3");
}

void TestEditedStatement::savedFileWritesEveryField()
{
    QFETCH(QString, change);
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    SavedStatement saved = example();
    if (change == QLatin1String("reelle"))
        saved.input.dayBase = DayBase::ActualYear;
    if (change.startsWith(QLatin1String("capitalisation")))
        saved.input.capitalise = true;
    if (change == QLatin1String("capitalisation"))
        saved.input.capitalisationFrom = QDate(2015, 12, 1);
    if (change == QLatin1String("dossier"))
        saved.caseFields = {{}, QStringLiteral("SARL Martin"), QStringLiteral("2015/118 B"), {}};
    if (change == QLatin1String("inverse"))
        saved.caseFields.reference = QStringLiteral("RG \u202E43210/51\u202C");
    if (change.startsWith(u'x'))
        saved.input.coefficient = change.mid(1).toDouble();
    const QByteArray bytes = SavedStatementJson(saved);
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    QVERIFY(object.contains(key));
    QCOMPARE(object.value(key), value);
    // What is written reads back as it was.
    const SavedStatementRead read = ReadSavedStatement(bytes);
    QVERIFY(read.saved);
    QCOMPARE(read.saved->input.coefficient, saved.input.coefficient);
    QCOMPARE(SavedStatementJson(*read.saved), bytes);
}

void TestEditedStatement::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("why");

    QTest::newRow("no capital") << QByteArray("\"capital\": \"2000.5\",") << QByteArray()
                                << "le champ « capital » manque";
    QTest::newRow("no day base") << QByteArray("\"base\": \"reelle\",") << QByteArray()
                                 << "le champ « base » manque";
    QTest::newRow("version 0") << QByteArray("\"version\": 1") << QByteArray("\"version\": 0")
                               << "« version » doit valoir 1 ou 2";
    QTest::newRow("a case field as a number")
        << QByteArray("\"version\": 1") << QByteArray("\"version\": 2, \"debiteur\": 12")
        << "« debiteur » doit être un texte ou null";
    const QByteArray payments = "\"acomptes\": [{\"date\": \"2016-01-15\", \"montant\": \"500\"}]";
    QTest::newRow("payments as one object, not a list")
        << payments << QByteArray("\"acomptes\": {\"date\": \"2016-01-15\", \"montant\": \"500\"}")
        << "« acomptes » doit être une liste";
    QTest::newRow("payments as text")
        << payments << QByteArray("\"acomptes\": \"500\"") << "« acomptes » doit être une liste";
    QTest::newRow("a payment without its amount")
        << payments << QByteArray("\"acomptes\": [{\"date\": \"2016-01-15\"}]")
        << "l'acompte n° 1 doit avoir une « date » AAAA-MM-JJ et un « montant » comme \"500.00\"";
    QTest::newRow("10 001 payments, one more than a file holds")
        << payments << paymentList(10001) << "il contient plus de 10000 acomptes";
    QTest::newRow("a capitalisation day in French")
        << QByteArray("\"2015-12-01\"") << QByteArray("\"01/12/2015\"")
        << "« capitalisation_du » doit être une date au format AAAA-MM-JJ ou null";
}

void TestEditedStatement::refusedFiles()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, why);
    QByteArray bytes = kVersion1;
    QVERIFY(bytes.contains(from));
    bytes.replace(from, to);
    const SavedStatementRead read = ReadSavedStatement(bytes);
    QVERIFY(!read.saved);
    QCOMPARE(read.error, QStringLiteral("Ce fichier n'est pas un décompte enregistré lisible : ") +
                             why + QStringLiteral("."));
}

void TestEditedStatement::tenThousandPaymentsAreRead()
{
    QByteArray bytes = kVersion1;
    bytes.replace("\"acomptes\": [{\"date\": \"2016-01-15\", \"montant\": \"500\"}]",
                  paymentList(10000));
    const SavedStatementRead read = ReadSavedStatement(bytes);
    QVERIFY2(read.saved, qPrintable(read.error));
    QCOMPARE(read.saved->input.payments.size(), 10000);
}

void TestEditedStatement::optionalDatesMayBeAbsent()
{
    QByteArray bytes = kVersion1;
    bytes.replace("\"majoration_du\": null, \"capitalisation_du\": \"2015-12-01\",", "");
    bytes.replace(", \"acomptes\": [{\"date\": \"2016-01-15\", \"montant\": \"500\"}]", "");
    QVERIFY(!bytes.contains("_du") && !bytes.contains("acomptes"));
    const SavedStatementRead read = ReadSavedStatement(bytes);
    QVERIFY2(read.saved, qPrintable(read.error));
    QVERIFY(!read.saved->input.majorationFrom);
    QVERIFY(!read.saved->input.capitalisationFrom);
    QVERIFY(!read.saved->input.capitalise);
    QVERIFY(read.saved->input.payments.isEmpty());
    QCOMPARE(read.saved->input.to, QDate(2016, 4, 10));
}

void TestEditedStatement::changesAndClosing_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("onSave"); // CloseStep for Save, Discard, Cancel
    QTest::addColumn<int>("onDiscard");
    QTest::addColumn<int>("onCancel");

    using S = EditedStatement::CloseStep;
    QTest::newRow("as created") << "" << false << int(S::Close) << int(S::Close) << int(S::Close);
    QTest::newRow("the capital changed")
        << "capital" << true << int(S::SaveAs) << int(S::Close) << int(S::Stay);
    QTest::newRow("changed and changed back")
        << "aller-retour" << false << int(S::Close) << int(S::Close) << int(S::Close);
    QTest::newRow("a case field typed")
        << "dossier" << true << int(S::SaveAs) << int(S::Close) << int(S::Stay);
    QTest::newRow("something unreadable typed")
        << "illisible" << true << int(S::SaveAs) << int(S::Close) << int(S::Stay);
}

void TestEditedStatement::changesAndClosing()
{
    QFETCH(QString, edit);
    QFETCH(bool, modified);
    QFETCH(int, onSave);
    QFETCH(int, onDiscard);
    QFETCH(int, onCancel);
    EditedStatement edited;
    edited.create(example());
    SavedStatement changed = example();
    if (edit == QLatin1String("capital") || edit == QLatin1String("aller-retour")) {
        changed.input.principal = 200001;
        edited.edit(changed);
        QVERIFY(edited.isModified());
    }
    if (edit == QLatin1String("aller-retour"))
        edited.edit(example());
    if (edit == QLatin1String("dossier")) {
        changed.caseFields.creancier = QStringLiteral("Mme Durand");
        edited.edit(changed);
    }
    if (edit == QLatin1String("illisible"))
        edited.editUnreadable();
    QCOMPARE(edited.isModified(), modified);
    QCOMPARE(edited.mustAskBeforeClosing(), modified);
    QCOMPARE(int(edited.closeStep(EditedStatement::Answer::Save)), onSave);
    QCOMPARE(int(edited.closeStep(EditedStatement::Answer::Discard)), onDiscard);
    QCOMPARE(int(edited.closeStep(EditedStatement::Answer::Cancel)), onCancel);
}

void TestEditedStatement::fileFollowsSaveAndOpen()
{
    QTemporaryDir dir;
    EditedStatement edited;
    edited.create(example());
    QCOMPARE(edited.suggestedFileName(), QStringLiteral("decompte.json"));
    // Unreadable, nothing is written.
    edited.editUnreadable();
    QVERIFY(!edited.saveTo(dir.filePath(QStringLiteral("x.json"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.json"))));
    SavedStatement changed = example();
    changed.caseFields.titre = QStringLiteral("Jugement du 01/09/2015");
    edited.edit(changed);
    QVERIFY(!edited.saveTo(dir.filePath(QStringLiteral("absent/x.json"))));
    QVERIFY(edited.isModified());
    QCOMPARE(edited.filePath(), QString());

    const QString first = dir.filePath(QStringLiteral("a.json"));
    QVERIFY(edited.saveTo(first));
    QVERIFY(!edited.isModified());
    QCOMPARE(edited.filePath(), first);
    QCOMPARE(int(edited.closeStep(EditedStatement::Answer::Cancel)),
             int(EditedStatement::CloseStep::Close));
    changed.input.principal = 100;
    edited.edit(changed);
    QCOMPARE(int(edited.closeStep(EditedStatement::Answer::Save)),
             int(EditedStatement::CloseStep::Save));

    // A refused file leaves everything as it was.
    const QString bad = dir.filePath(QStringLiteral("b.json"));
    QVERIFY(writeFile(bad, "{}"));
    QVERIFY(!edited.open(bad).isEmpty());
    QCOMPARE(edited.filePath(), first);
    QCOMPARE(edited.current().input.principal, Cents(100));

    QCOMPARE(edited.open(first), QString());
    QVERIFY(!edited.isModified());
    QCOMPARE(edited.current().input.principal, Cents(200000));
    QCOMPARE(edited.current().caseFields.titre, QStringLiteral("Jugement du 01/09/2015"));
    QCOMPARE(edited.open(dir.filePath(QStringLiteral("c.json"))),
             QStringLiteral("le fichier ne peut pas être lu."));
    // A new statement belongs to no file.
    edited.create(example());
    QCOMPARE(edited.filePath(), QString());
    // One capital again after a title: the title is no longer what is saved.
    edited.edit(SavedTitle{});
    QVERIFY(edited.currentTitle());
    edited.edit(example());
    QVERIFY(!edited.currentTitle());
}

void TestEditedStatement::recentStatements()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Querdan.ini"));
    QVERIFY(writeFile(ini, "[FTP]\r\nADRESS=http://example.com/QUERDAN.TXT\r\n"));
    QStringList recent;
    for (int k = 1; k <= 9; ++k)
        recent = WithRecentStatement(recent, QStringLiteral("/d/%1.json").arg(k));
    recent = WithRecentStatement(recent, QStringLiteral("/d/5.json"));
    QCOMPARE(recent, (QStringList{"/d/5.json", "/d/9.json", "/d/8.json", "/d/7.json", "/d/6.json",
                                  "/d/4.json", "/d/3.json", "/d/2.json"}));

    // Any name survives the settings file's code page.
    const QStringList stored{QStringLiteral("/home/zoë/décompte; 2 €.json"),
                             QStringLiteral("/d/Ж.json")};
    QVERIFY(WriteRecentStatements(stored, ini));
    const QByteArray bytes = readFile(ini);
    QVERIFY2(bytes.contains("[FTP]\r\nADRESS=http://example.com/QUERDAN.TXT\r\n"), bytes);
    QVERIFY2(bytes.contains("RECENT1=/home/zo%C3%AB/d%C3%A9compte%3B%202%20%E2%82%AC.json"), bytes);
    QVERIFY2(bytes.contains("RECENT2=/d/%D0%96.json"), bytes);
    QCOMPARE(ReadRecentStatements(ini), stored);
    QCOMPARE(ReadRecentStatements(dir.filePath(QStringLiteral("absent.ini"))), QStringList());
    // A value of 999 characters is the longest the file keeps.
    const QString longest = QLatin1Char('/') + QString(998, u'a');
    QVERIFY(WriteRecentStatements({longest + QLatin1Char('b'), longest}, ini));
    QCOMPARE(ReadRecentStatements(ini), QStringList{longest});
    // Eight at most, whatever else the file holds.
    QVERIFY(writeFile(ini, "[DECOMPTE]\r\nRECENT8=/d/8.json\r\nRECENT9=/d/9.json\r\n"));
    QCOMPARE(ReadRecentStatements(ini), QStringList{"/d/8.json"});
    // A list that could not be kept is said so, not taken for kept.
    QVERIFY(!WriteRecentStatements(stored, ini + QStringLiteral("/Querdan.ini")));
}

// Opening a pipe would wait for a writer forever, and a link to a device
// would read without end: neither is opened, and what was edited stays.
void TestEditedStatement::onlyFilesAreOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    const QString refused =
        QStringLiteral("Ce fichier n'est pas un décompte enregistré lisible : ");
    const QString notAFile = refused + QStringLiteral("ce n'est pas un fichier ordinaire (un tube, "
                                                      "un périphérique…), il n'a pas été lu.");
    QTest::newRow("a pipe") << "fifo" << notAFile;
    QTest::newRow("a link to a device") << "device" << notAFile;
    QTest::newRow("one byte over 1 Mio")
        << "large" << refused + QStringLiteral("il dépasse 1 Mio.");
}

void TestEditedStatement::onlyFilesAreOpened()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.json"));
    if (kind == u"fifo" || kind == u"device")
        MAKE_UNENDING_FILE(kind, path);
    else
        QVERIFY(writeFile(path, QByteArray(1024 * 1024 + 1, ' ')));
    EditedStatement edited;
    edited.create(example());
    QCOMPARE(edited.open(path), why);
    QCOMPARE(edited.current().input.principal, Cents(200000));
    QCOMPARE(edited.filePath(), QString());
}

QTEST_GUILESS_MAIN(TestEditedStatement)
// The saved file's dates: written as yyyy-MM-dd or null, read back in that
// form only (Qt would take other punctuation, or a time after the day).
void TestEditedStatement::isoDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("read");
    QTest::newRow("the written form") << QStringLiteral("2015-09-18") << QDate(2015, 9, 18);
    QTest::newRow("slashes") << QStringLiteral("2015/09/18") << QDate();
    QTest::newRow("a time after the day") << QStringLiteral("2015-09-18T10:00") << QDate();
    QTest::newRow("a blank after the day") << QStringLiteral("2015-09-18 ") << QDate();
    QTest::newRow("no such day") << QStringLiteral("2015-02-30") << QDate();
}

void TestEditedStatement::isoDates()
{
    QFETCH(QString, text);
    QFETCH(QDate, read);
    QCOMPARE(savedfile::DateFromIso(text).value_or(QDate()), read);
    QCOMPARE(savedfile::IsoDate(std::nullopt), QJsonValue(QJsonValue::Null));
    QCOMPARE(savedfile::IsoDate(QDate()), QJsonValue(QJsonValue::Null));
    QCOMPARE(savedfile::IsoDate(QDate(2015, 9, 18)), QJsonValue(QStringLiteral("2015-09-18")));
}

#include "tst_editedstatement.moc"
