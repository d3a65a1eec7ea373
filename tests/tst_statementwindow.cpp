#include "modalguard.h"
#include "output/statementexport.h"
#include "output/statementpdf.h"
#include "outputfixtures.h"
#include "poppler.h"
#include "savedgolden.h"
#include "schedule/statementfile.h"
#include "schedule/titlefile.h"
#include "testfiles.h"
#include "titlefixtures.h"
#include "ui/mainwindow.h"
#include "ui/statementwindow.h"
#include "ui/statementwindowparts.h"
#include "ui/tauxapp.h"
#include "update/majdialog.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGridLayout>
#include <QInputMethodEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <memory>

namespace {

const QLocale french(QLocale::French, QLocale::France);
const QDate kToday(2016, 4, 10);
const QString kQuestion =
    QStringLiteral("Décompte au jour près | Enregistrer les modifications du décompte ?");

// The fiche's second example: 2 000 EUR owed to a natural person from
// 18/09/2015, the five points from 18/11/2015, to 10/04/2016.
StatementInput ficheInput()
{
    StatementInput input;
    input.principal = 200000;
    input.from = QDate(2015, 9, 18);
    input.to = QDate(2016, 4, 10);
    input.majorationFrom = QDate(2015, 11, 18);
    return input;
}

// Clicks where the style says the control takes a click: a check box or a
// radio button reacts on its indicator and caption only, whose width
// follows the font, not on the whole of a row stretched by its layout.
void click(QWidget *widget)
{
    QVERIFY(widget);
    QVERIFY(widget->isEnabled());
    QRect area = widget->rect();
    if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        area = box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box);
    } else if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
        QStyleOptionButton option;
        option.initFrom(radio);
        option.text = radio->text();
        area = radio->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, radio);
    }
    QTest::mouseClick(widget, Qt::LeftButton, {}, (area & widget->rect()).center());
}

} // namespace

class TestStatementWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fichesExample();
    void editsRecompute_data();
    void editsRecompute();
    void errorsShownAndCleared_data();
    void errorsShownAndCleared();
    void missingRateOffersTheUpdate();
    void updateNowReadsTheNewRates_data();
    void updateNowReadsTheNewRates();
    void paymentsAddedAndRemoved();
    void shownAmounts();
    void exportsAreTheFunctionsBytes();
    void savedFileGivesTheGoldenDocument_data();
    void savedFileGivesTheGoldenDocument();
    void exportsLiteralValues();
    void pdfExport();
    void exportFailureIsSaid();
    void printShowsThePreview();
    void savedInputsReopen();
    void everyCoefficientReopens_data();
    void everyCoefficientReopens();
    void savingNeedsReadableInputs();
    void everyInputIsNamed();
    void corruptSavedFileRefused_data();
    void corruptSavedFileRefused();
    void typedCapital_data();
    void typedCapital();
    void missingRatesFile();
    void wheelScrollsWithoutChangingFields();
    void prefillFromTheMainWindow_data();
    void prefillFromTheMainWindow();
    void contextMenuOpensTheStatement();
    void updateDialogFromTheStatement();
    void closingAsksAboutUnsavedWork_data();
    void closingAsksAboutUnsavedWork();
    void savesToItsFileAndListsRecentOnes();
    void failedSaveIsSaidAndKeepsTheWork_data();
    void failedSaveIsSaidAndKeepsTheWork();
    void secondStatementCascades();
    void keyboardOnly();
    void creditOfTheDebtor_data();
    void creditOfTheDebtor();
    void caseFieldsSavedAndExported();
    void caseFieldsTakeNoDirectionControls_data();
    void caseFieldsTakeNoDirectionControls();
    void accessibleNamesAndErrors_data();
    void accessibleNamesAndErrors();
    void calendarPicksTheDate_data();
    void calendarPicksTheDate();
    void fitsAtEveryWidth_data();
    void fitsAtEveryWidth();
    void nothingScrollsSidewaysAtAnyWidth();
    void titleOfSeveralClaims();
    void oneCapitalBecomesATitle();
    void serviceDateGivesTheMajoration_data();
    void serviceDateGivesTheMajoration();
    void invoiceOnTheEcbRate();
    void threeRatesAContractMayStipulate_data();
    void threeRatesAContractMayStipulate();
    void missingEcbHalfYearUpdatesTheTable_data();
    void missingEcbHalfYearUpdatesTheTable();
    void titleWithoutRates();
    void slowTitleWaitsForAPause();
    void titleExports_data();
    void titleExports();

private:
    template <typename T> T *find(const QString &name) const
    {
        T *child = m_window->findChild<T *>(name);
        if (!child)
            qWarning("no child %s", qPrintable(name));
        return child;
    }
    // Types the fiche's example into the window, as a user would.
    void typeFiche();
    // Replaces the text of a date field as typed.
    void typeDate(const QString &name, const QString &text)
    {
        auto *field = find<QLineEdit>(name);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    QString dateText(const QString &name) const { return find<QLineEdit>(name)->text(); }
    // "Ajouter un acompte", its date typed, Tab, its amount typed, Enter.
    void addPaymentByKeyboard(const QString &date, const QString &amount)
    {
        click(find<QPushButton>(QStringLiteral("ajouterAcompte")));
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor);
        QCOMPARE(editor->objectName(), QStringLiteral("dateAcompte"));
        QTest::keyClicks(editor, date);
        QTest::keyClick(editor, Qt::Key_Tab);
        editor = QApplication::focusWidget();
        QCOMPARE(editor->objectName(), QStringLiteral("montantAcompte"));
        QTest::keyClicks(editor, amount);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits what Enter closes a moment later.
        QCoreApplication::processEvents();
    }
    Cents total(const QString &name) const
    {
        return find<QLabel>(name)->property("cents").toLongLong();
    }
    Cents cellCents(int row, int column) const
    {
        return find<QTableWidget>(QStringLiteral("lignes"))
            ->item(row, column)
            ->data(Qt::UserRole)
            .toLongLong();
    }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // The whole program on the test's rates file, started on 31/03/2026;
    // its statement windows take `today` as theirs.
    std::unique_ptr<TauxApp> startProgram(const QDate &today)
    {
        m_window.reset();
        TauxApp::Hooks hooks;
        m_ends = 0;
        m_editedByHand = 0;
        hooks.endProgram = [this](int) { ++m_ends; };
        hooks.editByHand = [this](const QString &) { return ++m_editedByHand > 0; };
        hooks.statement.today = [today] { return today; };
        hooks.statement.saveFileName = [this](QWidget *, const QString &, const QString &,
                                              const QString &) { return m_savePath; };
        auto app =
            std::make_unique<TauxApp>(path(QStringLiteral("Querdan.ini")), m_ratesPath, hooks);
        if (!app->start(QDate(2026, 3, 31)))
            return nullptr;
        return app;
    }
    RateTable bundledTable(RateCategory category) const
    {
        RateTable table;
        table.filePath = m_ratesPath;
        LoadRatesFile(table, category);
        return table;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MessageBoxGuard> m_boxes;
    std::unique_ptr<StatementWindow> m_window;
    QString m_ratesPath;
    QString m_savePath;
    QString m_openPath;
    int m_ends = 0;
    int m_editedByHand = 0;
};

void TestStatementWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_ratesPath = path(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(QFile::copy(QStringLiteral(BUNDLED_RATES), m_ratesPath));
    QVERIFY(QFile::setPermissions(m_ratesPath, QFile::ReadOwner | QFile::WriteOwner));
    m_boxes = std::make_unique<MessageBoxGuard>();
    m_window = std::make_unique<StatementWindow>(m_ratesPath, french);
    m_savePath = path(QStringLiteral("sortie"));
    m_openPath.clear();
    m_window->setHooks({[this](QWidget *, const QString &, const QString &, const QString &) {
                            return m_savePath;
                        },
                        [this](QWidget *, const QString &, const QString &) { return m_openPath; },
                        [] { return kToday; },
                        {},
                        {},
                        {}});
    QVERIFY(m_window->LoadRates().ok());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestStatementWindow::cleanup()
{
    m_window.reset();
    QCOMPARE(m_boxes->take(), QStringList());
    m_boxes.reset();
    m_dir.reset();
}

void TestStatementWindow::typeFiche()
{
    auto *principal = find<QLineEdit>(QStringLiteral("capital"));
    principal->setFocus();
    QTest::keyClicks(principal, QStringLiteral("2 000"));
    find<QComboBox>(QStringLiteral("categorie"))->setCurrentIndex(1);
    typeDate(QStringLiteral("du"), QStringLiteral("18/09/2015"));
    typeDate(QStringLiteral("au"), QStringLiteral("10/04/2016"));
    click(find<QCheckBox>(QStringLiteral("majorationActive")));
    typeDate(QStringLiteral("majorationDu"), QStringLiteral("18/11/2015"));
}

void TestStatementWindow::fichesExample()
{
    // A new statement runs from 1 January of the year to today (10/04/2016).
    QCOMPARE(find<QLineEdit>(QStringLiteral("du"))->text(), QStringLiteral("01/01/2016"));
    QCOMPARE(find<QLineEdit>(QStringLiteral("au"))->text(), QStringLiteral("10/04/2016"));
    // The optional dates wait for their boxes.
    QVERIFY(!find<QLineEdit>(QStringLiteral("majorationDu"))->isEnabled());
    QVERIFY(!find<QLineEdit>(QStringLiteral("capitalisationDu"))->isEnabled());
    typeFiche();
    QVERIFY(find<QLineEdit>(QStringLiteral("majorationDu"))->isEnabled());
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->rowCount(), 3);
    const QList<int> days{61, 44, 100};
    const QList<Cents> interest{1434, 2240, 5227};
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(lines->item(row, 2)->text(), QString::number(days[row]));
        QCOMPARE(cellCents(row, 5), interest[row]);
        QCOMPARE(cellCents(row, 3), Cents(200000));
    }
    QCOMPARE(lines->item(0, 0)->text(), QStringLiteral("18/09/2015"));
    QCOMPARE(lines->item(0, 1)->text(), QStringLiteral("17/11/2015"));
    QCOMPARE(lines->item(1, 4)->text(), QStringLiteral("9,29 %"));
    QCOMPARE(lines->item(2, 1)->text(), QStringLiteral("09/04/2016"));
    QCOMPARE(total(QStringLiteral("totalInterets")), Cents(8901));
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
    QVERIFY(find<QLabel>(QStringLiteral("message"))->isHidden());
    QVERIFY(find<QPushButton>(QStringLiteral("exporterCsv"))->isEnabled());
    QVERIFY(find<QLabel>(QStringLiteral("ecartTableau"))->isVisible());
}

void TestStatementWindow::editsRecompute_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<Cents>("interest");
    QTest::addColumn<int>("lines");

    // Worked by hand: capital x days x rate / 36 500, each line rounded.
    QTest::newRow("coefficient x 2 doubles every applied rate")
        << "coefficient" << Cents(17803) << 3;
    QTest::newRow("+5 off leaves the two half-years") << "majoration" << Cents(4956) << 2;
    QTest::newRow("Autres takes the other rate column") << "categorie" << Cents(5068) << 3;
    QTest::newRow("a later end date counts one more day") << "au" << Cents(8954) << 3;
    QTest::newRow("half the capital") << "capital" << Cents(4451) << 3;
    QTest::newRow("the year's length counts 2016 in 366ths") << "base" << Cents(8887) << 3;
}

void TestStatementWindow::editsRecompute()
{
    QFETCH(QString, edit);
    QFETCH(Cents, interest);
    QFETCH(int, lines);
    typeFiche();
    QCOMPARE(total(QStringLiteral("totalInterets")), Cents(8901));

    if (edit == QLatin1String("coefficient"))
        find<QComboBox>(edit)->setCurrentIndex(2);
    else if (edit == QLatin1String("majoration"))
        click(find<QCheckBox>(QStringLiteral("majorationActive")));
    else if (edit == QLatin1String("categorie"))
        find<QComboBox>(edit)->setCurrentIndex(0);
    else if (edit == QLatin1String("au"))
        typeDate(edit, QStringLiteral("11/04/2016"));
    else if (edit == QLatin1String("base"))
        find<QComboBox>(edit)->setCurrentIndex(1);
    else if (edit == QLatin1String("capital")) {
        auto *principal = find<QLineEdit>(edit);
        principal->selectAll();
        QTest::keyClicks(principal, QStringLiteral("1000,00"));
    }

    QCOMPARE(total(QStringLiteral("totalInterets")), interest);
    QCOMPARE(find<QTableWidget>(QStringLiteral("lignes"))->rowCount(), lines);
}

void TestStatementWindow::errorsShownAndCleared_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("message");

    QTest::newRow("an unreadable capital") << "capital"
                                           << "erreurCapital"
                                           << "« 2 000,00 euros » n'est pas un montant ; attendu "
                                              "un montant en euros comme 1500, 1500,50 ou "
                                              "1 500,50 (une seule marque décimale, des espaces "
                                              "pour les milliers).";
    QTest::newRow("an end before the start")
        << "au"
        << "erreurAu"
        << "La date de fin doit suivre la date de début des intérêts";
    QTest::newRow("the five points before the start")
        << "majorationDu"
        << "erreurMajoration"
        << "La majoration de cinq points ne peut pas commencer";
    QTest::newRow("capitalisation before the start")
        << "capitalisationDu"
        << "erreurCapitalisation"
        << "La capitalisation ne peut pas commencer avant le";
    QTest::newRow("a payment after the end") << "acompte apres la fin"
                                             << "erreurAcomptes"
                                             << "Acompte n° 1 : le 01/05/2016 est hors de la "
                                                "période des intérêts";
    QTest::newRow("a payment after the end, under a row being filled in")
        << "acompte apres une ligne vide"
        << "erreurAcomptes"
        << "Acompte n° 2 : le 01/05/2016 est hors de la période des intérêts";
    QTest::newRow("an unreadable payment") << "acompte illisible"
                                           << "erreurAcomptes"
                                           << "Acompte n° 1 : « cinq cents » n'est pas un "
                                              "montant ; attendu un montant en euros comme 1500, "
                                              "1500,50 ou 1 500,50 (une seule marque décimale, des "
                                              "espaces pour les milliers).";
    QTest::newRow("a start before the oldest rate")
        << "du"
        << "erreurDu"
        << "Pas de taux pour décembre 1976 : mettez à jour le fichier des taux";
}

void TestStatementWindow::errorsShownAndCleared()
{
    QFETCH(QString, edit);
    QFETCH(QString, label);
    QFETCH(QString, message);
    typeFiche();
    auto *error = find<QLabel>(label);
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QVERIFY(error->isHidden());

    std::function<void()> undo;
    if (edit == QLatin1String("capital")) {
        auto *principal = find<QLineEdit>(edit);
        QTest::keyClicks(principal, QStringLiteral(" euros"));
        undo = [principal] { principal->setText(QStringLiteral("2000")); };
    } else if (edit == QLatin1String("au") || edit == QLatin1String("du") ||
               edit == QLatin1String("majorationDu") || edit == QLatin1String("capitalisationDu")) {
        if (edit == QLatin1String("capitalisationDu"))
            click(find<QCheckBox>(QStringLiteral("capitalisationActive")));
        const QString before = dateText(edit);
        typeDate(edit, edit == QLatin1String("du") ? QStringLiteral("01/12/1976")
                                                   : QStringLiteral("01/09/2015"));
        undo = [this, edit, before] { typeDate(edit, before); };
    } else {
        auto *payments = find<QTableWidget>(QStringLiteral("acomptes"));
        if (edit == QLatin1String("acompte apres une ligne vide")) {
            click(find<QPushButton>(QStringLiteral("ajouterAcompte")));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        }
        if (edit.startsWith(QLatin1String("acompte apres")))
            addPaymentByKeyboard(QStringLiteral("01/05/2016"), QStringLiteral("500"));
        else
            addPaymentByKeyboard(QStringLiteral("15/01/2016"), QStringLiteral("cinq cents"));
        if (edit.startsWith(QLatin1String("acompte apres"))) {
            const QModelIndexList selected = payments->selectionModel()->selectedRows();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected.first().row(), payments->rowCount() - 1);
        }
        undo = [this, payments] {
            payments->selectAll();
            click(find<QPushButton>(QStringLiteral("supprimerAcompte")));
        };
    }

    QVERIFY(error->isVisible());
    QVERIFY2(error->text().startsWith(message), qPrintable(error->text()));
    if (!edit.startsWith(QLatin1String("acompte"))) {
        // Right under its field, before the next input.
        QCoreApplication::processEvents();
        const QWidget *field = find<QWidget>(edit);
        const QPoint fieldAt = field->mapTo(m_window.get(), QPoint(0, field->height()));
        const QPoint errorAt = error->mapTo(m_window.get(), QPoint());
        QCOMPARE(errorAt.x(), fieldAt.x());
        QVERIFY2(errorAt.y() >= fieldAt.y() && errorAt.y() - fieldAt.y() <= 12,
                 qPrintable(QStringLiteral("%1 below").arg(errorAt.y() - fieldAt.y())));
    }
    QCOMPARE(lines->rowCount(), 0);
    QVERIFY(find<QLabel>(QStringLiteral("message"))->isVisible());
    QVERIFY(!find<QPushButton>(QStringLiteral("exporterCsv"))->isEnabled());
    QVERIFY(!find<QPushButton>(QStringLiteral("majTaux"))->isVisible());

    undo();
    QVERIFY(error->isHidden());
    QCOMPARE(lines->rowCount(), 3);
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
}

void TestStatementWindow::updateNowReadsTheNewRates_data()
{
    QTest::addColumn<bool>("downloaded");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("computed");
    QTest::newRow("the download brings the half-year")
        << true << false << false << QStringList{QStringLiteral("update")} << true;
    QTest::newRow("nothing new: the half-year is typed")
        << false << true << true
        << QStringList{QStringLiteral("update"), QStringLiteral("offer Rien de neuf"),
                       QStringLiteral("form")}
        << true;
    QTest::newRow("nothing new: the form is declined")
        << false << false << false
        << QStringList{QStringLiteral("update"), QStringLiteral("offer Rien de neuf")} << false;
    QTest::newRow("nothing new: the form is cancelled")
        << false << true << false
        << QStringList{QStringLiteral("update"), QStringLiteral("offer Rien de neuf"),
                       QStringLiteral("form")}
        << false;
}

void TestStatementWindow::updateNowReadsTheNewRates()
{
    QFETCH(bool, downloaded);
    QFETCH(bool, accepted);
    QFETCH(bool, typed);
    QFETCH(QStringList, calls);
    QFETCH(bool, computed);
    QStringList seen;
    const auto addHalfYear = [this] {
        QByteArray rates = readFile(m_ratesPath);
        rates.prepend("2S2026\t2.50\t6.50\r\n");
        return writeFile(m_ratesPath, rates, QDateTime::currentDateTime().addSecs(60));
    };
    StatementWindow::Hooks hooks;
    hooks.updateRates = [&](QWidget *, const QString &rates) {
        seen << (rates == m_ratesPath ? QStringLiteral("update") : rates);
        if (downloaded)
            addHalfYear();
        return RatesUpdateOutcome{downloaded, QStringLiteral("Rien de neuf")};
    };
    hooks.offerHandEntry = [&](QWidget *, const QString &message) {
        seen << QStringLiteral("offer ") + message;
        return accepted;
    };
    hooks.addHalfYear = [&](QWidget *, const QString &) {
        seen << QStringLiteral("form");
        return typed && addHalfYear();
    };
    m_window->setHooks(hooks);
    typeFiche();
    typeDate(QStringLiteral("au"), QStringLiteral("01/10/2026"));
    auto *error = find<QLabel>(QStringLiteral("erreurAu"));
    QVERIFY(error->isVisible());
    click(find<QPushButton>(QStringLiteral("majTauxMaintenant")));
    QCOMPARE(seen, calls);
    QCOMPARE(error->isHidden(), computed);
    // Up to 30/09/2026 the lines reach the new half-year.
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->rowCount() > 0 &&
                 lines->item(lines->rowCount() - 1, 1)->text() == QStringLiteral("30/09/2026"),
             computed);
}

void TestStatementWindow::missingRateOffersTheUpdate()
{
    typeFiche();
    QSignalSpy update(m_window.get(), &StatementWindow::updateRequested);
    typeDate(QStringLiteral("au"), QStringLiteral("01/10/2026"));
    auto *error = find<QLabel>(QStringLiteral("erreurAu"));
    QVERIFY(error->isVisible());
    QCOMPARE(error->text(),
             QStringLiteral("Pas de taux pour juillet 2026 : mettez à jour le fichier des taux"));
    click(find<QPushButton>(QStringLiteral("majTaux")));
    QCOMPARE(update.count(), 1);
    // Or the statement stops where the rates do, the end day not counted.
    auto *stop = find<QPushButton>(QStringLiteral("arreterAu"));
    QCOMPARE(stop->text(), QStringLiteral("Arrêter au 01/07/2026"));
    click(stop);
    QCOMPARE(dateText(QStringLiteral("au")), QStringLiteral("01/07/2026"));
    QVERIFY(error->isHidden());
    QVERIFY(!stop->isVisible());
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->item(lines->rowCount() - 1, 1)->text(), QStringLiteral("30/06/2026"));
    typeDate(QStringLiteral("au"), QStringLiteral("01/10/2026"));

    // A newer rates file, as the update would leave it, is read when the
    // window comes back.
    QByteArray rates = readFile(m_ratesPath);
    rates.prepend("2S2026\t2.50\t6.50\r\n");
    QVERIFY(writeFile(m_ratesPath, rates, QDateTime::currentDateTime().addSecs(60)));
    m_window->ReloadRatesIfChanged();
    QVERIFY(error->isHidden());
    QVERIFY(!find<QPushButton>(QStringLiteral("majTaux"))->isVisible());
    QVERIFY(find<QTableWidget>(QStringLiteral("lignes"))->rowCount() > 3);
}

void TestStatementWindow::paymentsAddedAndRemoved()
{
    typeFiche();
    auto *payments = find<QTableWidget>(QStringLiteral("acomptes"));
    addPaymentByKeyboard(QStringLiteral("18 novembre 2015"), QStringLiteral("500"));
    QCOMPARE(payments->rowCount(), 1);
    QCOMPARE(payments->item(0, 0)->text(), QStringLiteral("18/11/2015"));
    QTRY_COMPARE(payments->item(0, 1)->text(), QStringLiteral("500,00"));

    // The payment goes to the 14,34 of interest first, the rest to capital.
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->rowCount(), 4);
    QCOMPARE(lines->item(1, 0)->text(), QStringLiteral("Acompte du 18/11/2015 : 500,00 (14,34 sur "
                                                       "les intérêts, 485,66 sur le capital)"));
    QCOMPARE(lines->item(1, 0)->data(Qt::UserRole).toLongLong(), Cents(50000));
    QCOMPARE(lines->columnSpan(1, 0), 6);
    QVERIFY(lines->item(1, 0)->font().italic());
    QCOMPARE(cellCents(2, 3), Cents(151434));
    QCOMPARE(cellCents(2, 5), Cents(1696));
    QCOMPARE(cellCents(3, 5), Cents(3958));
    QCOMPARE(total(QStringLiteral("totalCourus")), Cents(7088));
    QCOMPARE(total(QStringLiteral("totalAcomptes")), Cents(50000));
    QCOMPARE(total(QStringLiteral("totalCapital")), Cents(151434));
    QCOMPARE(total(QStringLiteral("total")), Cents(157088));

    payments->selectRow(0);
    click(find<QPushButton>(QStringLiteral("supprimerAcompte")));
    QCOMPARE(payments->rowCount(), 0);
    QCOMPARE(lines->rowCount(), 3);
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));

    // Filled again with the payment: nothing is left of the interest line
    // it takes the place of.
    StatementInput input = ficheInput();
    input.payments = {{QDate(2015, 11, 18), 50000}};
    m_window->setInputs(input, RateCategory::PersonnesPhysiques);
    QCOMPARE(lines->rowCount(), 4);
    QCOMPARE(lines->item(1, 1), nullptr);
}

void TestStatementWindow::shownAmounts()
{
    typeFiche();
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->item(0, 3)->text(), QStringLiteral("2 000,00"));
    QCOMPARE(lines->item(0, 5)->text(), QStringLiteral("14,34"));
    QCOMPARE(find<QLabel>(QStringLiteral("totalInterets"))->text(), QStringLiteral("89,01 €"));
    QCOMPARE(find<QLabel>(QStringLiteral("total"))->text(), QStringLiteral("2 089,01 €"));
}

void TestStatementWindow::exportsAreTheFunctionsBytes()
{
    typeFiche();
    const RateTable table = bundledTable(RateCategory::PersonnesPhysiques);
    const StatementInput input = ficheInput();
    const StatementResult result = ComputeStatement(table, input);
    QVERIFY(result.ok());
    const StatementDocument document = MakeStatementDocument(
        table, RateCategory::PersonnesPhysiques, input, *result.statement, kToday);

    m_savePath = path(QStringLiteral("decompte.csv"));
    click(find<QPushButton>(QStringLiteral("exporterCsv")));
    QCOMPARE(readFile(m_savePath), StatementCsv(document));

    QGuiApplication::clipboard()->clear();
    click(find<QPushButton>(QStringLiteral("copier")));
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromUtf8(StatementTsv(document, french)));
}

void TestStatementWindow::savedFileGivesTheGoldenDocument_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("format");
    for (const char *saved : savedgolden::kFiles) {
        for (const char *format : savedgolden::kFormats)
            QTest::addRow("%s.%s", saved, format)
                << QString::fromLatin1(saved) << QString::fromLatin1(format);
    }
}

void TestStatementWindow::savedFileGivesTheGoldenDocument()
{
    QFETCH(QString, saved);
    QFETCH(QString, format);
    // The form filled from the file, read back and exported as the user
    // exports it.
    const QString rates = path(QStringLiteral("taux.txt"));
    QVERIFY(QFile::copy(savedgolden::ratesFile(), rates));
    m_window = std::make_unique<StatementWindow>(rates, french);
    m_window->setHooks({[this](QWidget *, const QString &, const QString &, const QString &) {
                            return m_savePath;
                        },
                        {},
                        [] { return savedgolden::kMadeOn; },
                        {},
                        {},
                        {}});
    QVERIFY(m_window->LoadRates().ok());
    m_window->show();
    QVERIFY(m_window->OpenFile(savedgolden::dir() + saved + QStringLiteral(".json")));

    QByteArray bytes;
    if (format == u"csv" || format == u"pdf") {
        m_savePath = path(QStringLiteral("decompte.") + format);
        click(find<QPushButton>(format == u"csv" ? QStringLiteral("exporterCsv")
                                                 : QStringLiteral("exporterPdf")));
        bytes = readFile(m_savePath);
    } else if (format == u"tsv") {
        click(find<QPushButton>(QStringLiteral("copier")));
        bytes = QGuiApplication::clipboard()->text().toUtf8();
    } else {
        StatementDocument document = m_window->document();
        document.ratesPath = savedgolden::kShownRatesPath;
        bytes = savedgolden::output(document, format);
    }
    const QString golden = savedgolden::goldenName(saved, format);
    QCOMPARE(fixtures::comparable(bytes, golden),
             fixtures::comparable(fixtures::readGolden(golden), golden));
}

void TestStatementWindow::exportsLiteralValues()
{
    typeFiche();
    m_savePath = path(QStringLiteral("decompte.csv"));
    click(find<QPushButton>(QStringLiteral("exporterCsv")));
    const QByteArray csv = readFile(m_savePath);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    for (const char *value : {"14,34", "22,40", "52,27", "89,01", "2089,01", "18/09/2015"})
        QVERIFY2(csv.contains(value), value);
}

void TestStatementWindow::pdfExport()
{
    typeFiche();
    m_savePath = path(QStringLiteral("decompte.pdf"));
    click(find<QPushButton>(QStringLiteral("exporterPdf")));
    QVERIFY(readFile(m_savePath).startsWith("%PDF"));
    poppler::Process text;
    text.start(QStringLiteral("pdftotext"), {m_savePath, QStringLiteral("-")});
    QVERIFY(text.waitForFinished());
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    for (const char *value : {"14,34", "22,40", "52,27", "89,01", "2 089,01", "18/09/2015"})
        QVERIFY2(page.contains(QString::fromUtf8(value)), value);
}

void TestStatementWindow::exportFailureIsSaid()
{
    typeFiche();
    m_savePath = path(QStringLiteral("pas/de/dossier/decompte.csv"));
    click(find<QPushButton>(QStringLiteral("exporterCsv")));
    const QStringList boxes = m_boxes->take();
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].contains(QStringLiteral("n'a pas pu être écrit")), qPrintable(boxes[0]));
    QVERIFY(!QFile::exists(m_savePath));
}

void TestStatementWindow::printShowsThePreview()
{
    typeFiche();
    QStringList titles;
    ModalGuard guard([&](QDialog *dialog) { titles << dialog->windowTitle(); },
                     [](QDialog *dialog) { return qobject_cast<QPrintPreviewDialog *>(dialog); });
    click(find<QPushButton>(QStringLiteral("imprimer")));
    QCOMPARE(titles, QStringList{QStringLiteral("Aperçu avant impression")});
}

void TestStatementWindow::savedInputsReopen()
{
    typeFiche();
    addPaymentByKeyboard(QStringLiteral("15/01/2016"), QStringLiteral("500,5"));
    find<QComboBox>(QStringLiteral("coefficient"))->setCurrentIndex(1);
    const Cents expected = total(QStringLiteral("total"));

    m_savePath = path(QStringLiteral("decompte.json"));
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    const QJsonObject saved = QJsonDocument::fromJson(readFile(m_savePath)).object();
    QCOMPARE(saved.value(QStringLiteral("format")).toString(),
             QStringLiteral("taux-legal-decompte"));
    QCOMPARE(saved.value(QStringLiteral("version")).toInt(), 2);
    QCOMPARE(saved.value(QStringLiteral("capital")).toString(), QStringLiteral("2000.00"));
    QCOMPARE(saved.value(QStringLiteral("du")).toString(), QStringLiteral("2015-09-18"));
    QCOMPARE(saved.value(QStringLiteral("au")).toString(), QStringLiteral("2016-04-10"));
    QCOMPARE(saved.value(QStringLiteral("majoration_du")).toString(), QStringLiteral("2015-11-18"));
    QVERIFY(saved.value(QStringLiteral("capitalisation_du")).isNull());
    QCOMPARE(saved.value(QStringLiteral("coefficient")).toString(), QStringLiteral("1.5"));
    QCOMPARE(saved.value(QStringLiteral("categorie")).toString(),
             QStringLiteral("personnes_physiques"));
    QCOMPARE(saved.value(QStringLiteral("acomptes")).toArray().at(0).toObject(),
             (QJsonObject{{QStringLiteral("date"), QStringLiteral("2016-01-15")},
                          {QStringLiteral("montant"), QStringLiteral("500.50")}}));

    // A fresh window, opened on the file, shows the same statement.
    m_window = std::make_unique<StatementWindow>(m_ratesPath, french);
    m_openPath = m_savePath;
    m_window->setHooks({{},
                        [this](QWidget *, const QString &, const QString &) { return m_openPath; },
                        [] { return QDate(2020, 1, 1); },
                        {},
                        {},
                        {}});
    QVERIFY(m_window->LoadRates().ok());
    m_window->show();
    click(find<QToolButton>(QStringLiteral("ouvrir")));
    QCOMPARE(find<QComboBox>(QStringLiteral("categorie"))->currentIndex(), 1);
    QCOMPARE(find<QComboBox>(QStringLiteral("coefficient"))->currentIndex(), 1);
    QCOMPARE(dateText(QStringLiteral("au")), QStringLiteral("10/04/2016"));
    QCOMPARE(find<QTableWidget>(QStringLiteral("acomptes"))->rowCount(), 1);
    QCOMPARE(total(QStringLiteral("total")), expected);
    QCOMPARE(total(QStringLiteral("totalAcomptes")), Cents(50050));
}

void TestStatementWindow::everyCoefficientReopens_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<qint64>("total");
    // The fiche's 89,01 of interest, times the coefficient.
    QTest::newRow("x 1") << 0 << "1" << qint64(208901);
    QTest::newRow("x 1,5") << 1 << "1.5" << qint64(213352);
    QTest::newRow("x 2") << 2 << "2" << qint64(217803);
    QTest::newRow("x 3") << 3 << "3" << qint64(226703);
}

void TestStatementWindow::everyCoefficientReopens()
{
    QFETCH(int, index);
    QFETCH(QString, saved);
    QFETCH(qint64, total);
    typeFiche();
    find<QComboBox>(QStringLiteral("coefficient"))->setCurrentIndex(index);
    QCOMPARE(this->total(QStringLiteral("total")), Cents(total));
    m_savePath = path(QStringLiteral("coefficient.json"));
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    QCOMPARE(QJsonDocument::fromJson(readFile(m_savePath))
                 .object()
                 .value(QStringLiteral("coefficient"))
                 .toString(),
             saved);

    m_window = std::make_unique<StatementWindow>(m_ratesPath, french);
    m_openPath = m_savePath;
    m_window->setHooks({{},
                        [this](QWidget *, const QString &, const QString &) { return m_openPath; },
                        [] { return QDate(2020, 1, 1); },
                        {},
                        {},
                        {}});
    QVERIFY(m_window->LoadRates().ok());
    m_window->show();
    click(find<QToolButton>(QStringLiteral("ouvrir")));
    QCOMPARE(find<QComboBox>(QStringLiteral("coefficient"))->currentIndex(), index);
    QCOMPARE(this->total(QStringLiteral("total")), Cents(total));
}

void TestStatementWindow::savingNeedsReadableInputs()
{
    typeFiche();
    // A statement the rates do not reach yet is what one saves to finish
    // later.
    typeDate(QStringLiteral("au"), QStringLiteral("01/10/2026"));
    QVERIFY(!m_window->result().ok());
    m_savePath = path(QStringLiteral("plus-tard.json"));
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    QCOMPARE(QJsonDocument::fromJson(readFile(m_savePath))
                 .object()
                 .value(QStringLiteral("au"))
                 .toString(),
             QStringLiteral("2026-10-01"));

    // An amount that does not read is not saved as anything.
    find<QLineEdit>(QStringLiteral("capital"))->setText(QStringLiteral("deux mille"));
    m_savePath = path(QStringLiteral("illisible.json"));
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    QCOMPARE(m_boxes->take(),
             QStringList{QStringLiteral("Enregistrer | Le décompte ne peut pas être enregistré "
                                        "tant que le capital ou un acompte est illisible ou "
                                        "manquant.")});
    QVERIFY(!QFile::exists(m_savePath));
}

void TestStatementWindow::everyInputIsNamed()
{
    click(find<QPushButton>(QStringLiteral("ajouterAcompte")));
    int inputs = 0;
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        const bool input = qobject_cast<QLineEdit *>(widget) ||
                           qobject_cast<QAbstractSpinBox *>(widget) ||
                           qobject_cast<QComboBox *>(widget) || qobject_cast<QCheckBox *>(widget) ||
                           qobject_cast<QTableWidget *>(widget);
        // Qt's own parts of a field (the text of a date edit) speak for it.
        if (!input || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        ++inputs;
        QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
    }
    QVERIFY(inputs >= 12);
}

void TestStatementWindow::corruptSavedFileRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");

    const QByteArray good =
        SavedStatementJson({ficheInput(), RateCategory::PersonnesPhysiques, {}});
    auto with = [&](const char *from, const char *to) {
        QByteArray bytes = good;
        return bytes.replace(from, to);
    };
    QTest::newRow("not JSON") << QByteArray("{\"format\": ") << "le texte JSON est mal formé";
    QTest::newRow("an array") << QByteArray("[1, 2]") << "il ne contient pas d'objet JSON";
    QTest::newRow("another program's file")
        << with("taux-legal-decompte", "tableur") << "« format » doit valoir";
    QTest::newRow("a later version")
        << with("\"version\": 2", "\"version\": 4") << "il vient d'une version plus récente";
    QTest::newRow("a comma in the capital")
        << with("\"2000.00\"", "\"2000,00\"") << "« capital » doit être un montant";
    QTest::newRow("a negative capital")
        << with("\"2000.00\"", "\"-2000.00\"") << "« capital » doit être un montant";
    QTest::newRow("31 February") << with("2016-04-10", "2016-02-31") << "« au » doit être une date";
    QTest::newRow("a French date")
        << with("\"2015-09-18\"", "\"18/09/2015\"") << "« du » doit être une date";
    QTest::newRow("coefficient 4") << with("\"coefficient\": \"1\"", "\"coefficient\": \"4\"")
                                   << "« coefficient » doit valoir";
    QTest::newRow("an unknown category")
        << with("personnes_physiques", "societes") << "« categorie » doit valoir";
    QTest::newRow("a payment without amount")
        << with("\"acomptes\": [\n    ]", "\"acomptes\": [{\"date\": \"2016-01-15\"}]")
        << "l'acompte n° 1 doit avoir";
    QTest::newRow("more than 1 MiB") << QByteArray(1024 * 1024 + 1, ' ') << "il dépasse 1 Mio";
}

void TestStatementWindow::corruptSavedFileRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    typeFiche();
    m_openPath = path(QStringLiteral("abime.json"));
    QVERIFY(writeFile(m_openPath, bytes));
    click(find<QToolButton>(QStringLiteral("ouvrir")));
    const QStringList boxes = m_boxes->take();
    QCOMPARE(boxes.size(), 1);
    const QString start = QStringLiteral("Ouvrir | « abime.json » : Ce fichier n'est pas un "
                                         "décompte enregistré lisible : ");
    QVERIFY2(boxes[0].startsWith(start + why), qPrintable(boxes[0]));
    // What the window held stays.
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
}

void TestStatementWindow::typedCapital_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Cents>("capital"); // -1 when refused
    QTest::addColumn<QString>("error");

    QTest::newRow("grouped with a narrow no-break space") << "2\u202F000,5" << Cents(200050) << "";
    QTest::newRow("the euro sign after it") << "2 000,00 €" << Cents(200000) << "";
    QTest::newRow("a full stop") << "2000.25" << Cents(200025) << "";
    QTest::newRow("a minus sign")
        << "-5" << Cents(-1)
        << "« -5 » est négatif ; attendu un montant positif ou nul, comme 1500,50.";
    QTest::newRow("three decimals")
        << "1,234" << Cents(-1)
        << "« 1,234 » a plus de deux décimales ; attendu un montant au centime, comme 1500,50.";
    QTest::newRow("fourteen digits")
        << "12345678901234" << Cents(-1)
        << "« 12345678901234 » est trop grand ; attendu au plus 9 999 999 999 999,99 € (treize "
           "chiffres avant la virgule).";
    QTest::newRow("seventeen digits, the same message")
        << "12345678901234567" << Cents(-1)
        << "« 12345678901234567 » est trop grand ; attendu au plus 9 999 999 999 999,99 € "
           "(treize chiffres avant la virgule).";
    QTest::newRow("thirteen digits") << "9999999999999,99" << Cents(999999999999999) << "";
}

void TestStatementWindow::typedCapital()
{
    QFETCH(QString, text);
    QFETCH(Cents, capital);
    QFETCH(QString, error);
    typeFiche();
    auto *principal = find<QLineEdit>(QStringLiteral("capital"));
    // As pasted: the test keyboard has no € and no narrow space.
    principal->selectAll();
    principal->insert(text);
    QCOMPARE(find<QLabel>(QStringLiteral("erreurCapital"))->text(), error);
    if (capital >= 0)
        QCOMPARE(cellCents(0, 3), capital);
    else
        QCOMPARE(find<QTableWidget>(QStringLiteral("lignes"))->rowCount(), 0);
}

void TestStatementWindow::missingRatesFile()
{
    m_window =
        std::make_unique<StatementWindow>(path(QStringLiteral("ailleurs/QUERDAN.TXT")), french);
    const LoadResult load = m_window->LoadRates();
    QVERIFY(!load.ok());
    m_window->show();
    auto *error = find<QLabel>(QStringLiteral("erreurCategorie"));
    QVERIFY(error->isVisible());
    QCOMPARE(error->text(), load.message);
    find<QLineEdit>(QStringLiteral("capital"))->setText(QStringLiteral("100"));
    QCOMPARE(find<QTableWidget>(QStringLiteral("lignes"))->rowCount(), 0);
    QVERIFY(find<QLabel>(QStringLiteral("message"))->isVisible());
}

void TestStatementWindow::wheelScrollsWithoutChangingFields()
{
    typeFiche();
    m_window->resize(480, 400);
    find<QLineEdit>(QStringLiteral("capital"))->setFocus();
    auto *to = find<QLineEdit>(QStringLiteral("au"));
    auto *category = find<QComboBox>(QStringLiteral("categorie"));
    for (QWidget *field : std::initializer_list<QWidget *>{to, category}) {
        const QPointF at = field->rect().center();
        QWheelEvent wheel(at, field->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(field, &wheel);
    }
    QCOMPARE(to->text(), QStringLiteral("10/04/2016"));
    QCOMPARE(category->currentIndex(), 1);
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
}

void TestStatementWindow::prefillFromTheMainWindow_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("amountLine");
    QTest::addColumn<bool>("options");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("principal");
    QTest::addColumn<QString>("month");          // the main window's capitalisation month
    QTest::addColumn<QString>("capitalisation"); // the statement's first capitalisation day

    QTest::newRow("the typed start date and the defaults")
        << "18/09/2015" << -1 << false << "18/09/2015"
        << "2 000,00"
        << ""
        << "18/09/2015";
    QTest::newRow("the typed date with x 1,5, +5, natural persons, no capitalisation")
        << "18 septembre 2015" << -1 << true << "18/09/2015"
        << "2 000,00"
        << "3"
        << "18/09/2015";
    // Row 5 of the bundled table is January 2026.
    QTest::newRow("no date typed: the start row's month") << "" << 5 << false << "01/01/2026"
                                                          << "1 500,25"
                                                          << ""
                                                          << "01/01/2026";
    QTest::newRow("capitalised in March: the first 1 March after the start")
        << "18/09/2015" << -1 << false << "18/09/2015"
        << "2 000,00"
        << "3"
        << "01/03/2016";
    QTest::newRow("capitalised in September: 1 September comes before the start")
        << "18/09/2015" << -1 << false << "18/09/2015"
        << "2 000,00"
        << "9"
        << "01/09/2016";
    QTest::newRow("capitalised in January, from 1 January itself")
        << "" << 5 << false << "01/01/2026"
        << "1 500,25"
        << "1"
        << "01/01/2026";
}

void TestStatementWindow::prefillFromTheMainWindow()
{
    QFETCH(QString, typed);
    QFETCH(int, amountLine);
    QFETCH(bool, options);
    QFETCH(QString, from);
    QFETCH(QString, principal);
    QFETCH(QString, month);
    QFETCH(QString, capitalisation);
    const std::unique_ptr<TauxApp> program = startProgram(QDate(2026, 3, 31));
    QVERIFY(program);
    TauxApp &app = *program;
    MainWindow &main = app.window();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    if (!typed.isEmpty()) {
        auto *date = main.findChild<QLineEdit *>(QStringLiteral("datedelacte"));
        QTest::keyClicks(date, typed);
        QTest::keyClick(date, Qt::Key_Return);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2000"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else {
        auto *cell = main.findChild<QLineEdit *>(QStringLiteral("loyer(%1)").arg(amountLine));
        click(cell);
        QTest::keyClicks(cell, QStringLiteral("1500.25"));
        QTest::keyClick(cell, Qt::Key_Return);
    }
    if (!month.isEmpty()) {
        auto *field = main.findChild<QLineEdit *>(QStringLiteral("Moiscapital"));
        field->setFocus();
        QTest::keyClicks(field, month);
        QTest::keyClick(field, Qt::Key_Return);
    }
    if (options) {
        click(main.findChild<QRadioButton *>(QStringLiteral("coeff(1)")));
        click(main.findChild<QCheckBox *>(QStringLiteral("majore")));
        click(main.findChild<QCheckBox *>(QStringLiteral("Anatocisme")));
        click(main.findChild<QRadioButton *>(QStringLiteral("Perso(0)")));
    }
    const int startRow = app.state().startRow();
    const SumColumn sums = app.state().sums();
    const QString typedText = main.typedStartDate();

    QSignalSpy opened(&main, &MainWindow::statementRequested);
    QTest::keyClick(&main, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(opened.count(), 1);
    StatementWindow *statement = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *w = qobject_cast<StatementWindow *>(top); w && w->isVisible())
            statement = w;
    }
    QVERIFY(statement);
    auto child = [statement](const char *name) {
        return statement->findChild<QWidget *>(QString::fromLatin1(name));
    };
    QCOMPARE(static_cast<QLineEdit *>(child("capital"))->text(), principal);
    QCOMPARE(static_cast<QLineEdit *>(child("du"))->text(), from);
    QCOMPARE(static_cast<QLineEdit *>(child("capitalisationDu"))->text(), capitalisation);
    QCOMPARE(static_cast<QLineEdit *>(child("au"))->text(), QStringLiteral("31/03/2026"));
    QCOMPARE(static_cast<QComboBox *>(child("categorie"))->currentIndex(), options ? 1 : 0);
    QCOMPARE(static_cast<QComboBox *>(child("coefficient"))->currentIndex(), options ? 1 : 0);
    QCOMPARE(static_cast<QCheckBox *>(child("majorationActive"))->isChecked(), options);
    if (options)
        QCOMPARE(static_cast<QLineEdit *>(child("majorationDu"))->text(), from);
    QCOMPARE(static_cast<QCheckBox *>(child("capitalisationActive"))->isChecked(), !options);
    QVERIFY(statement->result().ok());

    // Nothing done in the statement reaches the main window.
    static_cast<QLineEdit *>(child("capital"))->setText(QStringLiteral("5"));
    static_cast<QComboBox *>(child("categorie"))->setCurrentIndex(options ? 0 : 1);
    static_cast<QComboBox *>(child("coefficient"))->setCurrentIndex(3);
    QCOMPARE(app.state().startRow(), startRow);
    QVERIFY(app.state().sums() == sums);
    QCOMPARE(app.state().category(),
             options ? RateCategory::PersonnesPhysiques : RateCategory::Autres);
    QCOMPARE(main.typedStartDate(), typedText);
    // Changed since it opened, it asks before it goes; cancelled, it stays.
    QVERIFY(!statement->close());
    QCOMPARE(m_boxes->take(), QStringList{kQuestion});
    QVERIFY(statement->isVisible());
}

void TestStatementWindow::contextMenuOpensTheStatement()
{
    const std::unique_ptr<TauxApp> program = startProgram(QDate(2026, 3, 31));
    QVERIFY(program);
    MainWindow &main = program->window();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QSignalSpy opened(&main, &MainWindow::statementRequested);

    // Over a label, an option, the scroll bar and in a text field, whose own
    // menu keeps its entries. The X server's Menu key reaches the focused control as a
    // keyboard context-menu event; the offscreen platform has no such key.
    const QList<QPair<QString, QContextMenuEvent::Reason>> places{
        {QStringLiteral("Label7"), QContextMenuEvent::Mouse},
        {QStringLiteral("coeff(2)"), QContextMenuEvent::Keyboard},
        {QStringLiteral("barretaux"), QContextMenuEvent::Keyboard},
        {QStringLiteral("datedelacte"), QContextMenuEvent::Mouse}};
    for (const auto &[name, reason] : places) {
        auto *widget = main.findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(name));
        QStringList entries;
        QTimer::singleShot(50, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            QAction *statement = nullptr;
            for (QAction *action : menu->actions()) {
                entries << action->text();
                if (action->text() == QStringLiteral("Décompte au jour près…"))
                    statement = action;
            }
            if (statement)
                QTest::mouseClick(menu, Qt::LeftButton, {},
                                  menu->actionGeometry(statement).center());
            else
                menu->close();
        });
        if (reason == QContextMenuEvent::Keyboard)
            widget->setFocus();
        const QPoint at = widget->rect().center();
        QContextMenuEvent event(reason, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &event);
        QVERIFY2(entries.contains(QStringLiteral("Décompte au jour près…")), qPrintable(name));
        if (name == QLatin1String("datedelacte"))
            QVERIFY(entries.size() > 3);
    }
    QCOMPARE(opened.count(), places.size());
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<StatementWindow *>(top))
            top->close();
    }
}

void TestStatementWindow::updateDialogFromTheStatement()
{
    const std::unique_ptr<TauxApp> program = startProgram(QDate(2026, 9, 1));
    QVERIFY(program);
    StatementWindow *statement = program->OpenStatementWindow();
    statement->findChild<QLineEdit *>(QStringLiteral("capital"))->setText(QStringLiteral("100"));
    auto *error = statement->findChild<QLabel *>(QStringLiteral("erreurAu"));
    QVERIFY(error->isVisible());

    // While the dialog is open the rates file gains the months it lacked.
    int dialogs = 0;
    ModalGuard guard(
        [&](QDialog *) {
            ++dialogs;
            QByteArray rates = readFile(m_ratesPath);
            rates.prepend("2S2026\t2.50\t6.50\r\n");
            QVERIFY(writeFile(m_ratesPath, rates, QDateTime::currentDateTime().addSecs(60)));
        },
        [](QDialog *dialog) { return qobject_cast<MajDialog *>(dialog); });
    click(statement->findChild<QPushButton *>(QStringLiteral("majTaux")));
    QCOMPARE(dialogs, 1);
    QVERIFY(error->isHidden());
    QVERIFY(statement->result().ok());
}

void TestStatementWindow::closingAsksAboutUnsavedWork_data()
{
    QTest::addColumn<QString>("from");   // what closes the statement
    QTest::addColumn<bool>("changed");   // the capital typed after it opened
    QTest::addColumn<QString>("answer"); // the button pressed in the question
    QTest::addColumn<bool>("stays");
    QTest::addColumn<bool>("saved");

    QTest::newRow("its own close, nothing changed") << "own" << false << "" << false << false;
    QTest::newRow("its own close, Annuler") << "own" << true << "Annuler" << true << false;
    QTest::newRow("its own close, Ne pas enregistrer")
        << "own" << true << "Ne pas enregistrer" << false << false;
    QTest::newRow("its own close, Enregistrer") << "own" << true << "Enregistrer" << false << true;
    // Enter, as a user answers a question without reading it, keeps the work.
    QTest::newRow("its own close, Enter saves")
        << "own" << true << QString::fromUtf16(MessageBoxGuard::kEnter) << false << true;
    QTest::newRow("the main window's close, nothing changed: at once")
        << "main" << false << "" << false << false;
    QTest::newRow("the main window's close, Annuler")
        << "main" << true << "Annuler" << true << false;
    QTest::newRow("the main window's close, Enregistrer")
        << "main" << true << "Enregistrer" << false << true;
    QTest::newRow("the manual update, Annuler") << "manual" << true << "Annuler" << true << false;
    QTest::newRow("the manual update, Ne pas enregistrer")
        << "manual" << true << "Ne pas enregistrer" << false << false;
}

void TestStatementWindow::closingAsksAboutUnsavedWork()
{
    QFETCH(QString, from);
    QFETCH(bool, changed);
    QFETCH(QString, answer);
    QFETCH(bool, stays);
    QFETCH(bool, saved);
    const std::unique_ptr<TauxApp> program = startProgram(QDate(2026, 3, 31));
    QVERIFY(program);
    QPointer<StatementWindow> statement = program->OpenStatementWindow();
    if (changed)
        QTest::keyClicks(statement->findChild<QLineEdit *>(QStringLiteral("capital")),
                         QStringLiteral("2000"));
    QCOMPARE(statement->isWindowModified(), changed);
    m_savePath = path(QStringLiteral("ferme.json"));
    m_boxes->answer = answer;

    if (from == QLatin1String("own"))
        QCOMPARE(statement->close(), !stays);
    else if (from == QLatin1String("main"))
        QCOMPARE(program->window().close(), !stays);
    else
        emit program->updateDialog().manualUpdateRequested();

    QCOMPARE(m_boxes->take(), changed ? QStringList{kQuestion} : QStringList());
    QCOMPARE(bool(statement) && statement->isVisible(), stays);
    QCOMPARE(m_ends, from != QLatin1String("own") && !stays ? 1 : 0);
    QCOMPARE(m_editedByHand, from == QLatin1String("manual") && !stays ? 1 : 0);
    QCOMPARE(QFile::exists(m_savePath), saved);
    if (saved)
        QCOMPARE(QJsonDocument::fromJson(readFile(m_savePath))
                     .object()
                     .value(QStringLiteral("capital"))
                     .toString(),
                 QStringLiteral("2000.00"));
    if (stays) {
        // Annuler kept everything as typed.
        QCOMPARE(statement->findChild<QLineEdit *>(QStringLiteral("capital"))->text(),
                 QStringLiteral("2 000,00"));
        QVERIFY(statement->isWindowModified());
        delete statement.data();
    }
}

void TestStatementWindow::savesToItsFileAndListsRecentOnes()
{
    m_window->setSettingsFile(path(QStringLiteral("Querdan.ini")));
    typeFiche();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Décompte au jour près[*]"));
    QVERIFY(m_window->isWindowModified());

    m_savePath = path(QStringLiteral("a.json"));
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("a.json[*] – Décompte au jour près"));
    QCOMPARE(m_window->windowFilePath(), m_savePath);
    QVERIFY(!m_window->isWindowModified());

    // Enregistrer writes to the file it belongs to without asking.
    auto *coefficient = find<QComboBox>(QStringLiteral("coefficient"));
    coefficient->setCurrentIndex(1);
    QVERIFY(m_window->isWindowModified());
    m_savePath = path(QStringLiteral("ailleurs.json"));
    QTest::keySequence(m_window.get(), QKeySequence::Save);
    QVERIFY(!QFile::exists(m_savePath));
    QCOMPARE(QJsonDocument::fromJson(readFile(path(QStringLiteral("a.json"))))
                 .object()
                 .value(QStringLiteral("coefficient"))
                 .toString(),
             QStringLiteral("1.5"));
    // Back to what was saved, nothing is left to save.
    coefficient->setCurrentIndex(2);
    QVERIFY(m_window->isWindowModified());
    coefficient->setCurrentIndex(1);
    QVERIFY(!m_window->isWindowModified());

    m_savePath = path(QStringLiteral("b.json"));
    click(find<QPushButton>(QStringLiteral("enregistrerSous")));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("b.json[*] – Décompte au jour près"));

    auto *recent = find<QMenu>(QStringLiteral("recents"));
    emit recent->aboutToShow();
    QStringList entries;
    for (QAction *action : recent->actions())
        entries << action->text();
    const QString folder = QDir::toNativeSeparators(m_dir->path());
    QCOMPARE(entries, (QStringList{QStringLiteral("&1 b.json — ") + folder,
                                   QStringLiteral("&2 a.json — ") + folder}));
    recent->actions().at(1)->trigger();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("a.json[*] – Décompte au jour près"));
    QCOMPARE(m_boxes->take(), QStringList());
}

void TestStatementWindow::failedSaveIsSaidAndKeepsTheWork_data()
{
    QTest::addColumn<bool>("savedBefore"); // to a folder removed since
    QTest::newRow("a first save into a missing folder") << false;
    QTest::newRow("a save to its file, its folder gone") << true;
}

void TestStatementWindow::failedSaveIsSaidAndKeepsTheWork()
{
    QFETCH(bool, savedBefore);
    typeFiche();
    const QString folder = path(QStringLiteral("dossier"));
    m_savePath = folder + QStringLiteral("/a.json");
    if (savedBefore) {
        QVERIFY(QDir().mkpath(folder));
        click(find<QPushButton>(QStringLiteral("enregistrer")));
        QVERIFY(!m_window->isWindowModified());
        QVERIFY(QDir(folder).removeRecursively());
        typeDate(QStringLiteral("au"), QStringLiteral("11/04/2016"));
    }
    const QString title = m_window->windowTitle();
    QVERIFY(m_window->isWindowModified());
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    QCOMPARE(m_boxes->busy, QList<bool>{false});
    QCOMPARE(m_boxes->take(),
             QStringList{QStringLiteral("Décompte au jour près | Le fichier « ") + m_savePath +
                         QStringLiteral(" » n'a pas pu être écrit. Vérifiez que le dossier "
                                        "existe et que vous pouvez y écrire.")});
    QVERIFY(m_window->isWindowModified());
    QCOMPARE(m_window->windowTitle(), title);
    QVERIFY(!QFile::exists(m_savePath));
}

void TestStatementWindow::secondStatementCascades()
{
    const std::unique_ptr<TauxApp> program = startProgram(QDate(2026, 3, 31));
    QVERIFY(program);
    MainWindow &main = program->window();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QList<StatementWindow *> opened;
    for (int k = 0; k < 2; ++k) {
        main.activateWindow();
        QTest::keyClick(&main, Qt::Key_D, Qt::ControlModifier);
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *w = qobject_cast<StatementWindow *>(top);
            if (w && w->isVisible() && !opened.contains(w))
                opened << w;
        }
    }
    QCOMPARE(opened.size(), 2);
    const QPoint step = opened[1]->pos() - opened[0]->pos();
    QVERIFY2(step.x() > 0 && step.y() > 0,
             qPrintable(QStringLiteral("%1, %2").arg(step.x()).arg(step.y())));
}

void TestStatementWindow::keyboardOnly()
{
    // The fiche's example from the keyboard alone, from where the focus
    // starts.
    auto focused = [] {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    };
    QCOMPARE(focused(), QStringLiteral("capital"));
    auto type = [&](const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); };
    auto tab = [&](const QString &to) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(focused(), to);
    };
    type(QStringLiteral("2000"));
    tab(QStringLiteral("du"));
    // Typed over the date shown, whole: no sections to step through.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("18/09/2015"));
    QCOMPARE(find<QLineEdit>(QStringLiteral("capital"))->text(), QStringLiteral("2 000,00"));
    // The way it bears interest; a fixed rate's field is skipped until chosen.
    tab(QStringLiteral("interets"));
    tab(QStringLiteral("au"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("10 avril 2016"));
    tab(QStringLiteral("categorie"));
    QCOMPARE(dateText(QStringLiteral("au")), QStringLiteral("10/04/2016"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    tab(QStringLiteral("coefficient"));
    tab(QStringLiteral("majorationActive"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    tab(QStringLiteral("majorationDu"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("2015-11-18"));
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
    tab(QStringLiteral("signifie"));
    tab(QStringLiteral("capitalisationActive"));
    tab(QStringLiteral("base"));
    tab(QStringLiteral("acomptes"));

    // Insert opens a new payment's date; Tab goes on to its amount.
    auto *payments = find<QTableWidget>(QStringLiteral("acomptes"));
    QTest::keyClick(payments, Qt::Key_Insert);
    QCOMPARE(focused(), QStringLiteral("dateAcompte"));
    type(QStringLiteral("18/11/2015"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focused(), QStringLiteral("montantAcompte"));
    type(QStringLiteral("500"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(focused(), QStringLiteral("acomptes"));
    QCOMPARE(total(QStringLiteral("total")), Cents(157088));
    // A second row left empty is no payment; Delete removes the selection.
    QTest::keyClick(payments, Qt::Key_Insert);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(payments->rowCount(), 2);
    QCOMPARE(total(QStringLiteral("total")), Cents(157088));
    payments->selectRow(0);
    QTest::keyClick(payments, Qt::Key_Delete);
    QCOMPARE(payments->rowCount(), 1);
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));

    // Tab leaves the table, then every button in reading order.
    tab(QStringLiteral("ajouterAcompte"));
    for (const char *next :
         {"supprimerAcompte", "frais", "ajouterFrais", "imputation", "provision", "creancier",
          "debiteur", "reference", "titreExecutoire", "lignes", "ouvrir", "enregistrer",
          "enregistrerSous", "copier", "exporterCsv", "exporterPdf", "imprimer"}) {
        if (qstrcmp(next, "supprimerAcompte") == 0)
            continue; // nothing selected: disabled
        tab(QString::fromLatin1(next));
        if (qstrcmp(next, "lignes") == 0) {
            QGuiApplication::clipboard()->clear();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
            QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("2089,01")));
        }
    }
}

void TestStatementWindow::creditOfTheDebtor_data()
{
    QTest::addColumn<QString>("paid");
    QTest::addColumn<QString>("caption"); // the total shown
    QTest::addColumn<QString>("total");
    // 2 014,34 on 18/11/2015 pays the 14,34 of interest and the 2 000 of
    // capital; nothing runs after it.
    QTest::newRow("more than owed: the debtor's credit") << "3000"
                                                         << "totalCredit"
                                                         << "985,66 €";
    QTest::newRow("exactly what is owed: no line at nothing after it") << "2014,34"
                                                                       << "total"
                                                                       << "0,00 €";
}

void TestStatementWindow::creditOfTheDebtor()
{
    QFETCH(QString, paid);
    QFETCH(QString, caption);
    QFETCH(QString, total);
    typeFiche();
    addPaymentByKeyboard(QStringLiteral("18/11/2015"), paid);
    for (const QString &name : {QStringLiteral("totalCredit"), QStringLiteral("total")})
        QCOMPARE(find<QLabel>(name)->isVisible(), name == caption);
    QCOMPARE(find<QLabel>(caption)->text(), total);
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->rowCount(), 2);
    QVERIFY(lines->item(1, 0)->text().startsWith(QStringLiteral("Acompte du 18/11/2015")));
    QCOMPARE(lines->rowSpan(1, 0), 1);
    QCOMPARE(lines->columnSpan(1, 0), 6);
    QCOMPARE(this->total(QStringLiteral("totalCourus")), Cents(1434));

    // A capital that does not read clears the result: "Total dû" comes back,
    // with its caption, whatever was shown before.
    find<QLineEdit>(QStringLiteral("capital"))->setText(QStringLiteral("deux mille"));
    for (const char *name : {"total", "libelleTotal"})
        QVERIFY2(find<QLabel>(QLatin1String(name))->isVisible(), name);
    for (const char *name : {"totalCredit", "libelleTotalCredit"})
        QVERIFY2(!find<QLabel>(QLatin1String(name))->isVisible(), name);
}

void TestStatementWindow::caseFieldsSavedAndExported()
{
    typeFiche();
    m_savePath = path(QStringLiteral("dossier.json"));
    click(find<QPushButton>(QStringLiteral("enregistrer")));
    QVERIFY(!m_window->isWindowModified());
    find<QLineEdit>(QStringLiteral("creancier"))->setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Mme Jeanne Durand"));
    QVERIFY(m_window->isWindowModified());
    find<QLineEdit>(QStringLiteral("titreExecutoire"))
        ->setText(QStringLiteral("Jugement du 01/09/2015, RG 15/01234"));
    find<QLineEdit>(QStringLiteral("reference"))->setText(QStringLiteral(" 2015/118 B "));
    QTest::keySequence(m_window.get(), QKeySequence::Save);
    const QJsonObject saved = QJsonDocument::fromJson(readFile(m_savePath)).object();
    QCOMPARE(saved.value(QStringLiteral("creancier")).toString(),
             QStringLiteral("Mme Jeanne Durand"));
    QVERIFY(saved.value(QStringLiteral("debiteur")).isNull());
    QCOMPARE(saved.value(QStringLiteral("reference")).toString(), QStringLiteral("2015/118 B"));
    QCOMPARE(saved.value(QStringLiteral("titre_executoire")).toString(),
             QStringLiteral("Jugement du 01/09/2015, RG 15/01234"));

    m_savePath = path(QStringLiteral("dossier.csv"));
    click(find<QPushButton>(QStringLiteral("exporterCsv")));
    const QString csv = QString::fromUtf8(readFile(m_savePath));
    QVERIFY2(csv.contains(QStringLiteral("Mme Jeanne Durand")), qPrintable(csv));
    QVERIFY2(csv.contains(QStringLiteral("RG 15/01234")), qPrintable(csv));

    // Opened again, in a window that held other case fields.
    find<QLineEdit>(QStringLiteral("creancier"))->setText(QStringLiteral("M. Autre"));
    find<QLineEdit>(QStringLiteral("debiteur"))->setText(QStringLiteral("SARL Martin"));
    m_boxes->answer = QStringLiteral("Ne pas enregistrer");
    QVERIFY(m_window->OpenFile(path(QStringLiteral("dossier.json"))));
    QCOMPARE(m_boxes->take(), QStringList{kQuestion});
    QCOMPARE(find<QLineEdit>(QStringLiteral("creancier"))->text(),
             QStringLiteral("Mme Jeanne Durand"));
    QCOMPARE(find<QLineEdit>(QStringLiteral("debiteur"))->text(), QString());
    QVERIFY(!m_window->isWindowModified());
}

void TestStatementWindow::caseFieldsTakeNoDirectionControls_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("field");
    QTest::newRow("typed") << "typed"
                           << "reference";
    QTest::newRow("pasted") << "pasted"
                            << "titreExecutoire";
    QTest::newRow("set from a file") << "set"
                                     << "creancier";
}

void TestStatementWindow::caseFieldsTakeNoDirectionControls()
{
    // With the override, "RG 43210/51" would print as "RG 15/01234".
    QFETCH(QString, how);
    QFETCH(QString, field);
    auto *edit = find<QLineEdit>(field);
    const QString reversed = QStringLiteral("RG \u202E43210/51\u202C");
    if (how == u"typed") {
        // As an input method or the context menu's "Insert Unicode control
        // character" hand it over: a key press alone never inserts one.
        edit->setFocus();
        QInputMethodEvent typed;
        typed.setCommitString(reversed);
        QApplication::sendEvent(edit, &typed);
    } else if (how == u"pasted") {
        edit->insert(reversed);
    } else {
        edit->setText(reversed);
    }
    QCOMPARE(edit->text(), QStringLiteral("RG 43210/51"));
    QCOMPARE(edit->cursorPosition(), 11);
}

void TestStatementWindow::accessibleNamesAndErrors_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");

    QTest::newRow("the capital") << "capital"
                                 << "Capital dû, en euros";
    QTest::newRow("a list") << "categorie"
                            << "Catégorie de créancier";
    QTest::newRow("an optional date") << "majorationDu"
                                      << "Majoration de cinq points à compter du";
    QTest::newRow("the end date") << "au"
                                  << "Jusqu'au (non compris)";
    QTest::newRow("a case field") << "titreExecutoire"
                                  << "Titre exécutoire";
    QTest::newRow("a total") << "total"
                             << "Total dû";
}

void TestStatementWindow::accessibleNamesAndErrors()
{
    QFETCH(QString, field);
    QFETCH(QString, name);
    typeFiche();
    QAccessibleInterface *input = QAccessible::queryAccessibleInterface(find<QWidget>(field));
    QVERIFY(input);
    // Tied to its visible caption, whose words are its name; a list's name
    // on this desktop is its value, a screen reader takes the caption.
    QStringList captions;
    for (const auto &[other, relation] : input->relations(QAccessible::Label))
        captions << other->text(QAccessible::Name).remove(QStringLiteral(" :"));
    if (field == QLatin1String("categorie"))
        QVERIFY2(captions.contains(QStringLiteral("Catégorie")), qPrintable(captions.join(u'|')));
    else
        QCOMPARE(input->text(QAccessible::Name), name);
    if (field == QLatin1String("total"))
        QVERIFY2(captions.contains(name), qPrintable(captions.join(u'|')));
    // When nothing is wrong, the description is the field's hint.
    const QString hint = input->text(QAccessible::Description);
    QVERIFY(!hint.startsWith(QStringLiteral("Montant")) &&
            !hint.startsWith(QStringLiteral("Date")));
    // An error is the field's description, not only red text.
    if (field == QLatin1String("capital")) {
        typeDate(field, QStringLiteral("1,234"));
        QCOMPARE(input->text(QAccessible::Description),
                 QStringLiteral("« 1,234 » a plus de deux décimales ; attendu un montant au "
                                "centime, comme 1500,50."));
        typeDate(field, QStringLiteral("2000"));
        QCOMPARE(input->text(QAccessible::Description), hint);
    }
    if (field == QLatin1String("au")) {
        typeDate(field, QStringLiteral("31/02/2016"));
        QCOMPARE(input->text(QAccessible::Description),
                 QStringLiteral("Date illisible : écrivez par exemple 18/09/2015 ou 18 septembre "
                                "2015."));
    }
    if (field == QLatin1String("categorie")) {
        // Payment dates are spoken as shown.
        addPaymentByKeyboard(QStringLiteral("18 novembre 2015"), QStringLiteral("500"));
        QAccessibleInterface *table =
            QAccessible::queryAccessibleInterface(find<QTableWidget>(QStringLiteral("acomptes")));
        QVERIFY(table && table->tableInterface());
        QAccessibleInterface *cell = table->tableInterface()->cellAt(0, 0);
        QVERIFY(cell);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("18/11/2015"));
    }
}

void TestStatementWindow::titleOfSeveralClaims()
{
    // The judgment of the command line's tests, opened: principal,
    // article 700, dépens, a cost and two payments; 9 462,29 € due on the
    // bundled rates.
    m_openPath = path(QStringLiteral("jugement.json"));
    QVERIFY(QFile::copy(savedgolden::dir() + QStringLiteral("v3-jugement.json"), m_openPath));
    click(find<QToolButton>(QStringLiteral("ouvrir")));
    QVERIFY(!m_window->isWindowModified());
    QVERIFY(m_window->title());
    QCOMPARE(total(QStringLiteral("total")), Cents(946229));
    auto *claims = find<QComboBox>(QStringLiteral("creances"));
    QCOMPARE(claims->count(), 3);
    QCOMPARE(claims->itemText(1), QStringLiteral("2. Article 700"));
    QCOMPARE(find<QTableWidget>(QStringLiteral("frais"))->rowCount(), 1);
    QVERIFY(!find<QTableWidget>(QStringLiteral("acomptes"))
                 ->isColumnHidden(statementwindow::PaymentClaim));

    // The second claim in the fields, then the third, which bears nothing.
    claims->setFocus();
    QTest::keyClick(claims, Qt::Key_Down);
    QCOMPARE(find<QLineEdit>(QStringLiteral("capital"))->text(), QStringLiteral("1 500,00"));
    QCOMPARE(find<QComboBox>(QStringLiteral("libelle"))->currentText(),
             QStringLiteral("Article 700"));
    QVERIFY(!find<QLineEdit>(QStringLiteral("tauxFixe"))->isEnabled());
    // A wrong amount is said beside it, naming the claim.
    auto *capital = find<QLineEdit>(QStringLiteral("capital"));
    capital->selectAll();
    QTest::keyClicks(capital, QStringLiteral("12,505"));
    QCOMPARE(find<QLabel>(QStringLiteral("erreurCapital"))->text(),
             QStringLiteral("Créance n° 2, montant : « 12,505 » a plus de deux décimales ; "
                            "attendu un montant au centime, comme 1500,50."));
    QVERIFY(m_window->isWindowModified());
    capital->selectAll();
    QTest::keyClicks(capital, QStringLiteral("1 500,00"));
    QCOMPARE(total(QStringLiteral("total")), Cents(946229));
    QVERIFY(!m_window->isWindowModified());

    // Saved whole: the same bytes as the file opened.
    m_savePath = path(QStringLiteral("copie.json"));
    QVERIFY(m_window->SaveAs());
    QCOMPARE(readFile(m_savePath), readFile(m_openPath));

    // The dépens removed: nothing of the payments had reached them.
    QTest::keyClick(claims, Qt::Key_Down);
    QCOMPARE(find<QComboBox>(QStringLiteral("interets"))->currentText(),
             QStringLiteral("Aucun intérêt"));
    click(find<QToolButton>(QStringLiteral("supprimerCreance")));
    QCOMPARE(claims->count(), 2);
    QCOMPARE(total(QStringLiteral("total")), Cents(866229));
    QVERIFY(m_window->isWindowModified());
}

void TestStatementWindow::oneCapitalBecomesATitle()
{
    typeFiche();
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
    QVERIFY(!m_window->title());
    QVERIFY(find<QTableWidget>(QStringLiteral("acomptes"))
                ->isColumnHidden(statementwindow::PaymentClaim));
    // A second claim, without interest: 100,00 € more, and the first claim's
    // figures unchanged.
    click(find<QToolButton>(QStringLiteral("ajouterCreance")));
    QCOMPARE(find<QComboBox>(QStringLiteral("creances"))->count(), 2);
    auto *label = find<QComboBox>(QStringLiteral("libelle"));
    QCOMPARE(label->currentText(), QString());
    QStringList suggested;
    for (int i = 0; i < label->count(); ++i)
        suggested << label->itemText(i);
    QCOMPARE(suggested,
             (QStringList{QStringLiteral("Principal"),
                          QStringLiteral("Article 700 du code de procédure civile"),
                          QStringLiteral("Dommages et intérêts"), QStringLiteral("Dépens")}));
    QCOMPARE(find<QLineEdit>(QStringLiteral("du"))->text(), QStringLiteral("18/09/2015"));
    QCOMPARE(find<QLabel>(QStringLiteral("erreurCapital"))->text(),
             QStringLiteral("Créance n° 2, montant : saisissez le montant, par exemple 1500,50."));
    find<QComboBox>(QStringLiteral("libelle"))->setCurrentText(QStringLiteral("Dépens"));
    find<QComboBox>(QStringLiteral("interets"))->setCurrentIndex(5);
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("capital")), QStringLiteral("100"));
    QVERIFY(m_window->title());
    QCOMPARE(total(QStringLiteral("total")), Cents(218901));
    // A cost of 35,00 € on 01/12/2015.
    click(find<QPushButton>(QStringLiteral("ajouterFrais")));
    auto *costs = find<QTableWidget>(QStringLiteral("frais"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    costs->item(0, statementwindow::CostDate)->setText(QStringLiteral("01/12/2015"));
    costs->item(0, statementwindow::CostLabel)->setText(QStringLiteral("Signification"));
    costs->item(0, statementwindow::CostAmount)->setText(QStringLiteral("35"));
    QCOMPARE(total(QStringLiteral("total")), Cents(222401));
    // A cost dated after the end is refused, naming its row.
    costs->item(0, statementwindow::CostDate)->setText(QStringLiteral("01/12/2016"));
    QVERIFY(find<QLabel>(QStringLiteral("erreurFrais"))
                ->text()
                .startsWith(QStringLiteral("Frais n° 1 : le 01/12/2016 est hors de la période")));
    costs->item(0, statementwindow::CostDate)->setText(QStringLiteral("01/12/2015"));
    // Saved as a title, and opened again the same.
    m_savePath = path(QStringLiteral("titre.json"));
    QVERIFY(m_window->SaveAs());
    const SavedFileRead saved = ReadSavedFile(readFile(m_savePath));
    QVERIFY(saved.title);
    QCOMPARE(saved.title->input.claims.size(), 2);
    QCOMPARE(saved.title->input.claims[1].label, QStringLiteral("Dépens"));
    QCOMPARE(saved.title->input.costs.size(), 1);
    // Back to one capital: the dépens and the cost removed.
    find<QComboBox>(QStringLiteral("creances"))->setFocus();
    click(find<QToolButton>(QStringLiteral("supprimerCreance")));
    costs->selectRow(0);
    click(find<QPushButton>(QStringLiteral("supprimerFrais")));
    QVERIFY(!m_window->title());
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
}

void TestStatementWindow::serviceDateGivesTheMajoration_data()
{
    QTest::addColumn<QString>("served");
    QTest::addColumn<QString>("derived");
    QTest::newRow("15 March") << "15/03/2024"
                              << "majoration à compter du 16/05/2024";
    QTest::newRow("31 December, a leap February") << "31/12/2023"
                                                  << "majoration à compter du 01/03/2024";
    QTest::newRow("30 June") << "30/06/2025"
                             << "majoration à compter du 31/08/2025";
    QTest::newRow("not a date") << "demain"
                                << "";
}

void TestStatementWindow::serviceDateGivesTheMajoration()
{
    // The fiche's capital majorated from the service of the judgment: the
    // derived day beside the field, and a title computed from it.
    QFETCH(QString, served);
    QFETCH(QString, derived);
    typeFiche();
    typeDate(QStringLiteral("au"), QStringLiteral("01/01/2026"));
    auto *service = find<QCheckBox>(QStringLiteral("signifie"));
    QVERIFY(service->isEnabled());
    click(service);
    typeDate(QStringLiteral("majorationDu"), served);
    auto *shown = find<QLabel>(QStringLiteral("majorationDerivee"));
    QCOMPARE(shown->text(), derived);
    QCOMPARE(shown->isVisible(), !derived.isEmpty());
    QCOMPARE(bool(m_window->title()), !derived.isEmpty());
    if (!derived.isEmpty())
        QCOMPARE(m_window->title()->majorationFrom,
                 QDate::fromString(derived.right(10), QStringLiteral("dd/MM/yyyy")));
    // Unticked, the day is the first majorated one again.
    click(service);
    QVERIFY(shown->isHidden());
    QVERIFY(!m_window->title());
}

void TestStatementWindow::invoiceOnTheEcbRate()
{
    // The worked invoice of the command line's tests: penalties of 838,91
    // and the 40,00; a margin of 12 points gives 483,70 + 471,92.
    QVERIFY(QFile::copy(QStringLiteral(BUNDLED_ECB), path(QStringLiteral("TAUXBCE.TXT"))));
    QVERIFY(m_window->LoadRates().ok());
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("capital")), QStringLiteral("10000"));
    typeDate(QStringLiteral("du"), QStringLiteral("16/03/2024"));
    typeDate(QStringLiteral("au"), QStringLiteral("15/10/2024"));
    auto *interest = find<QComboBox>(QStringLiteral("interets"));
    auto *margin = find<QLineEdit>(QStringLiteral("marge"));
    auto *indemnity = find<QCheckBox>(QStringLiteral("indemnite"));
    QVERIFY(!margin->isEnabled());
    QVERIFY(!indemnity->isEnabled());
    interest->setCurrentIndex(1);
    QCOMPARE(interest->currentText(), QStringLiteral("Pénalités de retard (BCE + 10 points)"));
    QVERIFY(margin->isEnabled());
    QVERIFY(!find<QComboBox>(QStringLiteral("coefficient"))->isEnabled());
    QCOMPARE(margin->text(), QStringLiteral("10"));
    QVERIFY(m_window->title());
    QCOMPARE(total(QStringLiteral("total")), Cents(1083891));
    click(indemnity);
    QCOMPARE(total(QStringLiteral("total")), Cents(1087891));
    QCOMPARE(m_window->title()->costsAmount, Cents(4000));
    margin->selectAll();
    QTest::keyClicks(margin, QStringLiteral("12"));
    QCOMPARE(total(QStringLiteral("total")), Cents(1000000 + 48370 + 47192 + 4000));
    margin->selectAll();
    QTest::keyClicks(margin, QStringLiteral("0"));
    QCOMPARE(find<QLabel>(QStringLiteral("erreurMarge"))->text(),
             QStringLiteral("Créance n° 1, marge : « 0 » n'est pas une marge : plus de 0, au plus "
                            "100 points, avec au plus quatre décimales, comme 10."));
    // A public buyer's: 8 points on the rate of the half-year it began in.
    typeDate(QStringLiteral("du"), QStringLiteral("20/05/2024"));
    typeDate(QStringLiteral("au"), QStringLiteral("20/08/2024"));
    interest->setCurrentIndex(4);
    QVERIFY(!margin->isEnabled());
    QVERIFY(indemnity->isChecked());
    QCOMPARE(total(QStringLiteral("total")), Cents(1000000 + 31507 + 4000));
    // Before 2013, penalties are refused beside the first day.
    interest->setCurrentIndex(1);
    margin->selectAll();
    QTest::keyClicks(margin, QStringLiteral("10"));
    typeDate(QStringLiteral("du"), QStringLiteral("31/12/2012"));
    QVERIFY(find<QLabel>(QStringLiteral("erreurDu"))
                ->text()
                .startsWith(QStringLiteral("Créance n° 1 : les pénalités au taux de la BCE ne "
                                           "courent selon la règle du semestre qu'à compter du "
                                           "01/01/2013")));
}

// The three rates a contract between businesses may stipulate, next to
// each other in the list, on the worked invoice: 107 days of 2024's first
// half and 106 of its second. Three times the legal rate is 15,21 % then
// 14,76 % (445,88 + 428,65), of businesses whatever the category was; 12 %
// fixed gives 700,27.
void TestStatementWindow::threeRatesAContractMayStipulate_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("coefficient"); // as shown; "-" when greyed
    QTest::addColumn<Cents>("interest");
    QTest::newRow("ECB + 10") << 1 << "Pénalités de retard (BCE + 10 points)"
                              << "-" << Cents(83891);
    QTest::newRow("three times legal") << 2 << "Pénalités à trois fois le taux légal"
                                       << "-x 3" << Cents(44588 + 42865);
    QTest::newRow("fixed") << 3 << "Taux fixe"
                           << "-" << Cents(70027);
}

void TestStatementWindow::threeRatesAContractMayStipulate()
{
    QFETCH(int, choice);
    QFETCH(QString, caption);
    QFETCH(QString, coefficient);
    QFETCH(Cents, interest);
    QVERIFY(QFile::copy(QStringLiteral(BUNDLED_ECB), path(QStringLiteral("TAUXBCE.TXT"))));
    auto *category = find<QComboBox>(QStringLiteral("categorie"));
    category->setCurrentIndex(1);
    QVERIFY(m_window->LoadRates().ok());
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("capital")), QStringLiteral("10000"));
    typeDate(QStringLiteral("du"), QStringLiteral("16/03/2024"));
    typeDate(QStringLiteral("au"), QStringLiteral("15/10/2024"));
    auto *interests = find<QComboBox>(QStringLiteral("interets"));
    interests->setCurrentIndex(choice);
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("tauxFixe")), QStringLiteral("12"));
    QCOMPARE(interests->currentText(), caption);
    auto *coefficients = find<QComboBox>(QStringLiteral("coefficient"));
    QCOMPARE((coefficients->isEnabled() ? "" : "-") +
                 (choice == 2 ? coefficients->currentText() : QString()),
             coefficient);
    QCOMPARE(category->currentIndex(), choice == 2 ? 0 : 1);
    QCOMPARE(total(QStringLiteral("total")), Cents(1000000) + interest);
    // Back to the legal rate, at x 1; and x 3 chosen there is the same
    // choice as three times the legal rate.
    interests->setCurrentIndex(0);
    QVERIFY(coefficients->isEnabled());
    QCOMPARE(coefficients->currentIndex(), 0);
    coefficients->setCurrentIndex(2);
    QCOMPARE(interests->currentIndex(), 0);
    coefficients->setCurrentIndex(3);
    QCOMPARE(interests->currentIndex(), 2);
    QVERIFY(!coefficients->isEnabled());
    category->setCurrentIndex(0);
    QCOMPARE(total(QStringLiteral("total")), Cents(1000000 + 44588 + 42865));
}

// Penalties into a half-year the ECB's table does not know yet: the
// window names it and offers the update, which reads the new table; no
// legal rate is offered to be typed.
void TestStatementWindow::missingEcbHalfYearUpdatesTheTable_data()
{
    QTest::addColumn<bool>("brought");
    QTest::addColumn<QString>("said"); // under the result after the update
    QTest::newRow("the update brings the half-year") << true << QString();
    QTest::newRow("the ECB cannot be reached")
        << false << "\nTaux de la BCE : pas de connexion au serveur (refusée).";
}

void TestStatementWindow::missingEcbHalfYearUpdatesTheTable()
{
    QFETCH(bool, brought);
    QFETCH(QString, said);
    const QString ecbPath = path(QStringLiteral("TAUXBCE.TXT"));
    QVERIFY(writeFile(ecbPath, "confirme-jusqu-au\t2026-01-01\n2025-06-11\t2.15\n"));
    QVERIFY(m_window->LoadRates().ok());
    QStringList seen;
    StatementWindow::Hooks hooks;
    hooks.updateRates = [&](QWidget *, const QString &rates) {
        seen << (rates == m_ratesPath ? QStringLiteral("update") : rates);
        if (brought)
            writeFile(ecbPath, "confirme-jusqu-au\t2026-07-01\n2025-06-11\t2.15\n",
                      QDateTime::currentDateTime().addSecs(60));
        return RatesUpdateOutcome{false,
                                  QStringLiteral("Rien de neuf\nTaux de la BCE : pas de "
                                                 "connexion au serveur (refusée)."),
                                  brought};
    };
    hooks.offerHandEntry = [&](QWidget *, const QString &) {
        seen << QStringLiteral("offer");
        return false;
    };
    m_window->setHooks(hooks);
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("capital")), QStringLiteral("10000"));
    typeDate(QStringLiteral("du"), QStringLiteral("01/06/2026"));
    typeDate(QStringLiteral("au"), QStringLiteral("01/08/2026"));
    find<QComboBox>(QStringLiteral("interets"))->setCurrentIndex(1);
    auto *error = find<QLabel>(QStringLiteral("erreurAu"));
    QCOMPARE(error->text(), QStringLiteral("Pas de taux de la BCE pour le second semestre 2026 : "
                                           "mettez à jour le tableau des taux de la BCE"));
    QCOMPARE(find<QPushButton>(QStringLiteral("arreterAu"))->text(),
             QStringLiteral("Arrêter au 01/07/2026"));
    click(find<QPushButton>(QStringLiteral("majTauxMaintenant")));
    QCOMPARE(seen, QStringList{QStringLiteral("update")});
    QCOMPARE(error->isHidden(), brought);
    // 30 days at 12,15 % then 31 at 12,15 %: 99,86 + 103,19.
    if (brought)
        QCOMPARE(total(QStringLiteral("total")), Cents(1000000 + 9986 + 10319));
    else
        QVERIFY(find<QLabel>(QStringLiteral("message"))->text().endsWith(said));
    QCOMPARE(find<QLabel>(QStringLiteral("total"))->text() == u"—", !brought);
}

void TestStatementWindow::titleWithoutRates()
{
    // A rates file that does not read computes no title: the window says
    // why in place of the result.
    QVERIFY(writeFile(m_ratesPath, "pas un fichier des taux"));
    QVERIFY(!m_window->LoadRates().ok());
    QVERIFY(m_window->OpenFile(savedgolden::dir() + QStringLiteral("v3-jugement.json")));
    QVERIFY(!m_window->title());
    QCOMPARE(find<QLabel>(QStringLiteral("message"))->text(),
             QStringLiteral("Sans fichier des taux, le décompte ne peut pas être calculé."));
    QVERIFY(!find<QPushButton>(QStringLiteral("exporterCsv"))->isEnabled());
}

void TestStatementWindow::slowTitleWaitsForAPause()
{
    // Any title taken as slow: what is typed shows in the document once the
    // typing pauses, and at once when the document is copied or saved.
    m_window->setSlowTitle(-1);
    m_openPath = path(QStringLiteral("jugement.json"));
    QVERIFY(QFile::copy(savedgolden::dir() + QStringLiteral("v3-jugement.json"), m_openPath));
    QVERIFY(m_window->OpenFile(m_openPath));
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    QCOMPARE(lines->item(0, 0)->text(), QStringLiteral("Catégorie : Autres"));
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("creancier")), QStringLiteral("SCI"));
    QCOMPARE(lines->item(0, 0)->text(), QStringLiteral("Catégorie : Autres"));
    QTRY_COMPARE(lines->item(0, 0)->text(), QStringLiteral("Créancier : SCI"));
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("creancier")), QStringLiteral(" Lyon"));
    click(find<QPushButton>(QStringLiteral("copier")));
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(
        QStringLiteral("Décompte des sommes dues\r\n\r\nCréancier\tSCI Lyon\r\n")));
    QCOMPARE(lines->item(0, 0)->text(), QStringLiteral("Créancier : SCI Lyon"));
    // One capital is never kept waiting.
    m_window->setInputs(ficheInput(), RateCategory::PersonnesPhysiques);
    QCOMPARE(total(QStringLiteral("total")), Cents(208901));
    QTest::keyClicks(find<QLineEdit>(QStringLiteral("capital")), QStringLiteral("5"));
    QCOMPARE(find<QLabel>(QStringLiteral("erreurCapital"))->text(),
             QStringLiteral("« 2 000,005 » a plus de deux décimales ; attendu un montant au "
                            "centime, comme 1500,50."));
}

void TestStatementWindow::titleExports_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("csv") << "csv";
    QTest::newRow("tsv") << "tsv";
    QTest::newRow("pdf") << "pdf";
}

void TestStatementWindow::titleExports()
{
    // The judgment saved, exported from the window as the command line
    // gives it from the same file and the same rates.
    QFETCH(QString, format);
    const QString rates = path(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(writeFile(rates, titlefixtures::flatRatesFile()));
    m_window = std::make_unique<StatementWindow>(rates, french);
    m_window->setHooks({[this](QWidget *, const QString &, const QString &, const QString &) {
                            return m_savePath;
                        },
                        {},
                        [] { return savedgolden::kMadeOn; },
                        {},
                        {},
                        {}});
    QVERIFY(m_window->LoadRates().ok());
    m_window->show();
    QVERIFY(m_window->OpenFile(savedgolden::dir() + QStringLiteral("v3-jugement.json")));
    QVERIFY(m_window->title());
    m_savePath = path(QStringLiteral("decompte.") + format);
    if (format == u"tsv") {
        click(find<QPushButton>(QStringLiteral("copier")));
        QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(),
                 fixtures::readGolden(QStringLiteral("title-judgment.tsv")));
    } else if (format == u"csv") {
        click(find<QPushButton>(QStringLiteral("exporterCsv")));
        QCOMPARE(readFile(m_savePath), fixtures::readGolden(QStringLiteral("title-judgment.csv")));
    } else {
        click(find<QPushButton>(QStringLiteral("exporterPdf")));
        poppler::Process text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), m_savePath, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        for (const char *value : {"Créance n° 2 « Article 700 »", "Commandement", "9 600,23"})
            QVERIFY2(page.contains(QString::fromUtf8(value)), value);
    }
}

QTEST_MAIN(TestStatementWindow)
#include "tst_statementwindow.moc"

void TestStatementWindow::calendarPicksTheDate_data()
{
    QTest::addColumn<bool>("byKeyboard");
    QTest::newRow("a day clicked") << false;
    QTest::newRow("Enter on a day") << true;
}

void TestStatementWindow::calendarPicksTheDate()
{
    QFETCH(bool, byKeyboard);
    typeFiche();
    QDate shown;
    bool french = false;
    bool leftOpen = false;
    QTimer::singleShot(0, this, [&] {
        QPointer<QWidget> popup = QApplication::activePopupWidget();
        auto *calendar = popup ? popup->findChild<QCalendarWidget *>() : nullptr;
        if (!calendar)
            return;
        shown = calendar->selectedDate();
        french = calendar->locale().language() == QLocale::French;
        calendar->setSelectedDate(QDate(2016, 2, 29));
        // The day is entered where the focus is: in the calendar.
        if (byKeyboard)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        else
            emit calendar->clicked(QDate(2016, 2, 29));
        QTimer::singleShot(100, this, [popup, &leftOpen] {
            if (popup && popup->isVisible()) {
                leftOpen = true;
                popup->close();
            }
        });
    });
    QCOMPARE(find<QToolButton>(QStringLiteral("auCalendrier"))->accessibleName(),
             QStringLiteral("Calendrier : Jusqu'au (non compris)"));
    click(find<QToolButton>(QStringLiteral("auCalendrier")));
    QCOMPARE(shown, QDate(2016, 4, 10)); // the field's date
    QVERIFY(french);
    QTest::qWait(150);
    QVERIFY(!leftOpen);
    QCOMPARE(dateText(QStringLiteral("au")), QStringLiteral("29/02/2016"));
    QCOMPARE(m_window->focusWidget(), find<QLineEdit>(QStringLiteral("au")));
}

void TestStatementWindow::fitsAtEveryWidth_data()
{
    QTest::addColumn<int>("width"); // 0: the narrowest the window allows
    QTest::addColumn<bool>("rateButtons");
    QTest::addColumn<int>("sideBySide");   // the inputs beside the payments; -1: either
    QTest::addColumn<bool>("opened");      // a new window opened at that width
    QTest::addColumn<bool>("narrowFirst"); // at the narrowest before it widens

    QTest::newRow("the narrowest") << 0 << false << 0 << false << false;
    QTest::newRow("500 wide") << 500 << false << 0 << false << false;
    QTest::newRow("700 wide") << 700 << false << -1 << false << false;
    QTest::newRow("700 wide from the start") << 700 << false << -1 << true << false;
    QTest::newRow("700 wide, the rate buttons shown") << 700 << true << -1 << false << false;
    QTest::newRow("900 wide") << 900 << false << -1 << false << false;
    QTest::newRow("1400 wide") << 1400 << false << 1 << false << false;
    QTest::newRow("1400 wide, the rate buttons shown") << 1400 << true << 1 << false << false;
    QTest::newRow("1400 wide after the narrowest") << 1400 << false << 1 << false << true;
}

void TestStatementWindow::fitsAtEveryWidth()
{
    QFETCH(int, width);
    QFETCH(bool, rateButtons);
    QFETCH(int, sideBySide);
    QFETCH(bool, opened);
    QFETCH(bool, narrowFirst);
    if (narrowFirst) {
        m_window->resize(m_window->minimumWidth(), 600);
        QCoreApplication::processEvents();
    }
    if (opened) {
        // Measured before the window is polished, the parts look narrower
        // than they are.
        m_window = std::make_unique<StatementWindow>(m_ratesPath, french);
        m_window->resize(width, 600);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    typeFiche();
    m_window->resize(width > 0 ? width : m_window->minimumWidth(), 600);
    QCoreApplication::processEvents();
    auto *principal = find<QLineEdit>(QStringLiteral("capital"));
    const QPoint fieldAt = principal->mapTo(m_window.get(), QPoint());
    if (rateButtons) {
        typeDate(QStringLiteral("au"), QStringLiteral("01/01/2040"));
        QVERIFY(find<QWidget>(QStringLiteral("arreterAu"))->isVisible());
    }
    QCoreApplication::processEvents();
    // Nothing scrolls sideways; a message does not move the fields.
    auto *scroll = find<QScrollArea>(QStringLiteral("defilement"));
    QVERIFY2(scroll->widget()->width() <= scroll->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2")
                            .arg(scroll->widget()->width())
                            .arg(scroll->viewport()->width())));
    QCOMPARE(principal->mapTo(m_window.get(), QPoint()).x(), fieldAt.x());
    // The dates line up with the other fields, which start right after the
    // widest caption when the captions stand beside them.
    QCOMPARE(find<QLineEdit>(QStringLiteral("au"))->mapTo(m_window.get(), QPoint()).x(),
             fieldAt.x());
    int captionsEnd = 0;
    for (const char *name :
         {"libelleCapital", "libelleDu", "libelleAu", "libelleCategorie", "libelleCoefficient",
          "majorationActive", "capitalisationActive", "libelleBase"}) {
        const QWidget *caption = find<QWidget>(QString::fromLatin1(name));
        captionsEnd =
            std::max(captionsEnd, caption->mapTo(m_window.get(), caption->rect().topRight()).x());
    }
    if (fieldAt.x() > captionsEnd)
        QVERIFY2(fieldAt.x() - captionsEnd <= 24,
                 qPrintable(QString::number(fieldAt.x() - captionsEnd)));
    // The totals and every button below them in view, whatever the width.
    const QRect window = m_window->rect();
    for (QWidget *widget : find<QWidget>(QStringLiteral("totaux"))->findChildren<QWidget *>()) {
        if (widget->isVisibleTo(m_window.get()) && !widget->inherits("QMenu"))
            QVERIFY2(
                window.contains(QRect(widget->mapTo(m_window.get(), QPoint()), widget->size())),
                qPrintable(widget->objectName()));
    }
    // The payments' columns share the table's width; each total stands
    // by its caption.
    auto *payments = find<QTableWidget>(QStringLiteral("acomptes"));
    QCOMPARE(payments->columnWidth(0) + payments->columnWidth(1), payments->viewport()->width());
    const QRect due = find<QLabel>(QStringLiteral("total"))->geometry();
    const QRect caption = find<QLabel>(QStringLiteral("libelleTotal"))->geometry();
    QVERIFY(due.left() > caption.right());
    QVERIFY(due.right() - caption.right() <=
            2 * find<QLabel>(QStringLiteral("total"))->sizeHint().width());
    // Two columns of totals: the second follows the first, the room left
    // over goes after it.
    const QRect firstColumn = find<QLabel>(QStringLiteral("totalCourus"))->geometry();
    const QRect secondColumn = find<QLabel>(QStringLiteral("libelleTotalInterets"))->geometry();
    if (secondColumn.top() == firstColumn.top()) {
        const int spacing =
            m_window->findChild<QGridLayout *>(QStringLiteral("grilleTotaux"))->horizontalSpacing();
        QVERIFY2(secondColumn.left() - firstColumn.right() <= 24 + 2 * spacing + 2,
                 qPrintable(QString::number(secondColumn.left() - firstColumn.right())));
    }
    if (sideBySide >= 0) {
        auto *inputs = find<QWidget>(QStringLiteral("creance"));
        auto *payments = find<QWidget>(QStringLiteral("boiteAcomptes"));
        QCOMPARE(payments->y() == inputs->y(), bool(sideBySide));
    }
}

void TestStatementWindow::nothingScrollsSidewaysAtAnyWidth()
{
    typeFiche();
    auto *scroll = find<QScrollArea>(QStringLiteral("defilement"));
    auto *lines = find<QTableWidget>(QStringLiteral("lignes"));
    for (int width = m_window->minimumWidth(); width <= 1400; width += 10) {
        m_window->resize(width, 600);
        QCoreApplication::processEvents();
        QVERIFY2(scroll->widget()->width() <= scroll->viewport()->width(),
                 qPrintable(QString::number(width)));
        // The result's columns take the room there is.
        int columns = 0;
        for (int column = 0; column < lines->columnCount(); ++column)
            columns += lines->columnWidth(column);
        QVERIFY2(columns > lines->viewport()->width() - lines->columnCount(),
                 qPrintable(QString::number(width)));
    }
}
