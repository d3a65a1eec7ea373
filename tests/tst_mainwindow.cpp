#include "captions.h"
#include "modalguard.h"
#include "output/clipboardtext.h"
#include "schedule/formats.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"
#include "ui/cellcolumn.h"
#include "ui/mainwindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <memory>

namespace {

const QLocale french(QLocale::French, QLocale::France);

bool copyBundled(const QString &to)
{
    QFile::remove(to);
    return QFile::copy(QStringLiteral(BUNDLED_RATES), to) &&
           QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUpState();
    void layoutAndCaptions();
    void backgroundGradient();
    void darkDesktopTheme();
    void typicalUse();
    void invalidDateKeepsFocus();
    void emptyDateDoesNothing();
    void leavingTheDateConfirmsIt();
    void windowSwitchIsNotLeaving();
    void dateTooEarly();
    void amountForms_data();
    void amountForms();
    void overflowingAmount();
    void amountWithoutEnterIsDropped();
    void amountInAnotherLine();
    void capitalisationMonth_data();
    void capitalisationMonth();
    void options_data();
    void options();
    void optionKeepsTheView();
    void clickAfterTypedDate_data();
    void clickAfterTypedDate();
    void keyboardReachesEveryMonth();
    void wheelOverTheTable_data();
    void wheelOverTheTable();
    void extraRowAndTheLinesBelow();
    void categoryAfterTheFileShrank();
    void categorySwitch();
    void scrolling();
    void touchedFileReloadsOnActivation();
    void corruptFileAtCategoryChangeEnds();
    void missingFileAtStartUp_data();
    void missingFileAtStartUp();
    void closingEndsTheProgram();

private:
    QLineEdit *cell(int line) const
    {
        return m_window->findChild<QLineEdit *>(QStringLiteral("loyer(%1)").arg(line));
    }
    QLineEdit *date() const { return m_window->findChild<QLineEdit *>("datedelacte"); }
    CellColumn *months() const { return m_window->findChild<CellColumn *>("textind"); }
    CellColumn *rates() const { return m_window->findChild<CellColumn *>("indice"); }
    QString monthText(int line) const { return months()->text(line); }
    QString rateText(int line) const { return rates()->text(line); }
    // Whether the start row's cyan shows in a cell's corner, as drawn.
    bool marked(int line) const
    {
        return cell(line)->grab().toImage().pixelColor(3, 3) == QColor(128, 255, 255);
    }
    void enterDate(const QString &text);
    void enterAmount(int line, const QString &text);
    void useTwelvePercent();

    QTemporaryDir m_dir;
    QString m_rates;
    std::unique_ptr<TauxState> m_state;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<MessageBoxGuard> m_guard;
    QList<int> m_ended;
    int m_beeps = 0;
};

void TestMainWindow::initTestCase()
{
    QLocale::setDefault(french);
    QApplication::setStyle(QStringLiteral("Fusion"));
    m_rates = m_dir.filePath(QStringLiteral("QUERDAN.TXT"));
}

void TestMainWindow::init()
{
    QVERIFY(copyBundled(m_rates));
    m_ended.clear();
    m_beeps = 0;
    m_guard = std::make_unique<MessageBoxGuard>();
    m_state = std::make_unique<TauxState>();
    m_window = std::make_unique<MainWindow>(*m_state);
    m_window->setHooks({[this](int code) { m_ended << code; }, [this] { ++m_beeps; }, {}});
    QVERIFY(m_window->LoadMainWindow(m_rates));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_window->ActivateMainWindow();
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    QCOMPARE(m_guard->take(), QStringList());
    m_guard.reset();
}

void TestMainWindow::enterDate(const QString &text)
{
    date()->setFocus();
    date()->setText(text);
    QTest::keyClick(date(), Qt::Key_Return);
    QCoreApplication::processEvents();
}

void TestMainWindow::enterAmount(int line, const QString &text)
{
    QLineEdit *c = cell(line);
    c->setFocus();
    c->setText(text);
    QTest::keyClick(c, Qt::Key_Return);
    QCoreApplication::processEvents();
}

void TestMainWindow::startUpState()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Taux légal"));
    QCOMPARE(m_window->size(), QSize(386, 423));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_window->findChild<QRadioButton *>("coeff(0)")->isChecked());
    QVERIFY(m_window->findChild<QRadioButton *>("Perso(1)")->isChecked());
    QVERIFY(!m_window->findChild<QCheckBox *>("majore")->isChecked());
    QVERIFY(m_window->findChild<QCheckBox *>("Anatocisme")->isChecked());
    QCOMPARE(m_window->findChild<QLineEdit *>("Moiscapital")->text(), QString());
    QCOMPARE(m_window->findChild<QLineEdit *>("Moiscapital")->maxLength(), 2);
    QCOMPARE(QApplication::focusWidget(), date());
    QCOMPARE(m_window->findChild<QLabel *>("nover")->text(), QStringLiteral("v. %1.%2.%3")
                                                                 .arg(TAUX_VERSION_MAJOR)
                                                                 .arg(TAUX_VERSION_MINOR)
                                                                 .arg(TAUX_VERSION_PATCH));
    QCOMPARE(m_state->coefficient(), 1.0);
    QCOMPARE(m_state->startRow(), -1);
    QCOMPARE(monthText(0), QStringLiteral("Juin 2026"));
    QCOMPARE(rateText(0), QStringLiteral("2,62"));
    for (int i = 0; i < kVisibleLines; ++i)
        QCOMPARE(cell(i)->text(), QString());
}

void TestMainWindow::layoutAndCaptions()
{
    QCOMPARE(cell(0)->geometry(), QRect(272, 16, 89, 19));
    QCOMPARE(cell(20)->geometry(), QRect(272, 376, 89, 19));
    QCOMPARE(months()->cellRect(20).translated(months()->pos()), QRect(116, 376, 85, 19));
    QCOMPARE(rates()->cellRect(0).translated(rates()->pos()), QRect(200, 16, 73, 19));
    QCOMPARE(m_window->findChild<QScrollBar *>("barretaux")->geometry(), QRect(361, 16, 17, 379));
    QCOMPARE(date()->geometry(), QRect(16, 104, 81, 19));
    QCOMPARE(m_window->findChild<QRadioButton *>("coeff(3)")->geometry(), QRect(52, 30, 49, 17));
    for (const char *name : {"imprimer", "Command2", "Command1", "calculatrice", "Label1(1)"})
        QCOMPARE(m_window->findChild<QWidget *>(name)->cursor().shape(), Qt::UpArrowCursor);

    // Every caption fits its box in the font in use.
    const QList<Caption> captions = windowCaptions(m_window.get());
    QVERIFY(captions.size() >= 15);
    for (const Caption &c : captions) {
        const QRect needed = QFontMetrics(c.font).boundingRect(c.box, c.flags, c.text);
        QVERIFY2(c.box.contains(needed), qPrintable(QStringLiteral("%1: needs %2x%3, has %4x%5")
                                                        .arg(c.name)
                                                        .arg(needed.width())
                                                        .arg(needed.height())
                                                        .arg(c.box.width())
                                                        .arg(c.box.height())));
    }
    // A month label and a sum as wide as they come fit their cells too.
    QVERIFY(QFontMetrics(months()->font()).horizontalAdvance(QStringLiteral("Septembre 2026")) <
            months()->cellRect(0).width() - 2);
    QVERIFY(QFontMetrics(cell(0)->font()).horizontalAdvance(formatAmount(123456789.99, french)) <
            cell(0)->contentsRect().width());
}

void TestMainWindow::backgroundGradient()
{
    const QImage shot = m_window->grab().toImage();
    QCOMPARE(QColor(shot.pixel(1, 1)), QColor(255, 255, 192));
    QCOMPARE(QColor(shot.pixel(1, 421)), QColor(255, 255, 255));
    QCOMPARE(QColor(shot.pixel(1, 211)), QColor(255, 255, 224));
}

// The window keeps its own light colours, so its text must stay black when
// the desktop's theme asks for light text on dark.
void TestMainWindow::darkDesktopTheme()
{
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(30, 30, 30));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    enterAmount(5, QStringLiteral("1000")); // lines 0 to 4 show sums, unselected
    const auto darkest = [](QWidget *w, QRect area) {
        const QImage shot = w->grab().toImage();
        int least = 3 * 255;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                least = std::min(least, c.red() + c.green() + c.blue());
            }
        return least;
    };
    const auto inside = [](QWidget *w) { return w->rect().adjusted(3, 3, -3, -3); };
    QWidget *plus5 = m_window->findChild<QWidget *>("majore");
    QWidget *instructions = m_window->findChild<QWidget *>("Label7");
    // Black text inside the cells' border, on their own colours.
    const int emptyCell = darkest(cell(6), inside(cell(6)));
    const int sum = darkest(cell(0), inside(cell(0)));
    const int month = darkest(months(), months()->cellRect(0).adjusted(3, 3, -3, -3));
    const int caption = darkest(plus5, plus5->rect().adjusted(plus5->width() / 2, 0, 0, 0));
    const int text = darkest(instructions, inside(instructions));
    QApplication::setPalette(before);
    QVERIFY(emptyCell >= 3 * 250);
    QVERIFY(sum < 100);
    QVERIFY(month < 100);
    QVERIFY(caption < 100);
    QVERIFY(text < 100);
}

void TestMainWindow::typicalUse()
{
    enterDate(QStringLiteral("15/03/2015"));
    const int start = m_state->startRow();
    QCOMPARE(m_state->table().rows[start].label, QStringLiteral("Mars 2015"));
    QCOMPARE(m_state->firstRow(), start - 20);
    QCOMPARE(m_window->findChild<QScrollBar *>("barretaux")->value(), start - 20);
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QCOMPARE(monthText(20), QStringLiteral("Mars 2015"));
    QCOMPARE(cell(20)->accessibleDescription(), QStringLiteral("Mars 2015, taux 0,93"));
    QVERIFY(marked(20));
    QVERIFY(!marked(19));

    QTest::keyClicks(cell(20), QStringLiteral("10000"));
    QTest::keyClick(cell(20), Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(cell(20)->text(), QStringLiteral("10 000,00"));
    // April 2015: one month at 0.93 %.
    QCOMPARE(cell(19)->text(), QStringLiteral("10 007,75"));
    QVERIFY(!m_state->sums()[start + 1].has_value());

    // "+5": recomputed at once from the same row.
    QTest::mouseClick(m_window->findChild<QCheckBox *>("majore"), Qt::LeftButton);
    QCOMPARE(m_state->majoration(), 5.0);
    // April 2015: 10000 at 0.93 + 5 points for one month.
    QCOMPARE(*m_state->sums()[start - 1], 10000 + 10000 * (5.93 / 1200));
    QCOMPARE(cell(19)->text(), QStringLiteral("10 049,42"));
}

void TestMainWindow::invalidDateKeepsFocus()
{
    enterDate(QStringLiteral("31/02/2015"));
    QCOMPARE(m_beeps, 1);
    QCOMPARE(QApplication::focusWidget(), date());
    QCOMPARE(date()->selectedText(), QStringLiteral("31/02/2015"));
    QCOMPARE(m_state->startRow(), -1);

    // Tabbing away brings the focus back.
    QTest::keyClick(date(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(m_beeps, 2);
    QCOMPARE(QApplication::focusWidget(), date());
    QCOMPARE(date()->selectedText(), QStringLiteral("31/02/2015"));
}

void TestMainWindow::emptyDateDoesNothing()
{
    enterDate(QString());
    QTest::keyClick(date(), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(m_beeps, 0);
    QVERIFY(QApplication::focusWidget() != date());
    QCOMPARE(m_state->startRow(), -1);
}

void TestMainWindow::leavingTheDateConfirmsIt()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    QVERIFY(m_state->sums()[0].has_value());
    // Into the date field and out again: the sums go, the focus returns to
    // the start row's cell.
    date()->setFocus(Qt::MouseFocusReason);
    m_window->findChild<QCheckBox *>("majore")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QVERIFY(!m_state->sums()[0].has_value());
    QVERIFY(!m_state->sums()[m_state->startRow()].has_value());
    QCOMPARE(QApplication::focusWidget(), cell(20));
}

void TestMainWindow::windowSwitchIsNotLeaving()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    date()->setFocus();
    QCoreApplication::processEvents();
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(date(), &out);
    QCoreApplication::processEvents();
    QVERIFY(m_state->sums()[0].has_value());
    QCOMPARE(m_beeps, 0);
}

void TestMainWindow::dateTooEarly()
{
    enterDate(QStringLiteral("15/03/2015"));
    const int start = m_state->startRow();
    enterDate(QStringLiteral("01/01/1800"));
    QTRY_COMPARE(m_guard->seen.size(), 1);
    QCOMPARE(m_guard->icons.value(0), QMessageBox::Critical);
    QCOMPARE(m_guard->take(), QStringList{QStringLiteral(
                                  "Calcul impossible | Pas de taux inférieur au 30/12/1899")});
    QCOMPARE(m_state->startRow(), start);
    // The box closing does not re-trigger it.
    QCoreApplication::processEvents();
    QTest::qWait(60);
    QCOMPARE(m_guard->seen.size(), 0);

    // A date before the table but after the zero date starts at the extra row.
    enterDate(QStringLiteral("01/01/1950"));
    QCOMPARE(m_state->startRow(), m_state->table().count);
    QCOMPARE(monthText(20), QStringLiteral("Décembre 1976"));
    QCOMPARE(rateText(20), QString());
}

void TestMainWindow::amountForms_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("amount");
    QTest::newRow("blank ignored") << "1 500.75" << 1500.75;
    QTest::newRow("comma ends the number") << "1500,75" << 1500.0;
    QTest::newRow("letters give 0") << "abc" << 0.0;
    QTest::newRow("negative") << "-200" << -200.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
}

void TestMainWindow::amountForms()
{
    QFETCH(QString, typed);
    QFETCH(double, amount);
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, typed);
    QCOMPARE(m_state->sums()[m_state->startRow()], std::optional<double>(amount));
    QCOMPARE(cell(20)->text(), formatAmount(amount, french));
}

void TestMainWindow::overflowingAmount()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    const SumColumn before = m_state->sums();
    enterAmount(20, QStringLiteral("1e400"));
    QVERIFY(m_state->sums() == before);
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QCOMPARE(cell(20)->text(), QStringLiteral("1e400"));
    QCOMPARE(cell(20)->selectedText(), QStringLiteral("1e400"));
    // Leaving does not let it go either.
    QTest::keyClick(cell(20), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QVERIFY(m_state->sums() == before);
}

void TestMainWindow::amountWithoutEnterIsDropped()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    cell(20)->setText(QStringLiteral("5000"));
    m_window->findChild<QLineEdit *>("Moiscapital")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(*m_state->sums()[m_state->startRow()], 1000.0);
    QCOMPARE(cell(20)->text(), QStringLiteral("5000"));
    QTest::mouseClick(m_window->findChild<QRadioButton *>("coeff(2)"), Qt::LeftButton);
    QCOMPARE(cell(20)->text(), QStringLiteral("1 000,00"));
}

void TestMainWindow::amountInAnotherLine()
{
    enterAmount(5, QStringLiteral("1000"));
    QCOMPARE(m_state->startRow(), 5);
    // Row 5 is Janvier 2026; Février 2026 earns its first month at 2.62.
    QCOMPARE(*m_state->sums()[4], 1000 + 1000 * (2.62 / 1200));
    QVERIFY(!m_state->sums()[6].has_value());
    QVERIFY(marked(5));
}

// Two years at 12 % (1 % a month) make sums one can check by hand: 1000
// in Novembre 2015 earns 13 months, down to Décembre 2016 on row 0.
void TestMainWindow::useTwelvePercent()
{
    QVERIFY(writeFile(m_rates, "2016\t12\t6\r\n2015\t12\t6\r\n",
                      QDateTime::currentDateTime().addSecs(-7200)));
    m_window->ActivateMainWindow();
    QCOMPARE(m_state->table().count, 24);
    enterAmount(13, QStringLiteral("1000"));
    QCOMPARE(monthText(13), QStringLiteral("Novembre 2015"));
    QCOMPARE(m_state->startRow(), 13);
}

void TestMainWindow::capitalisationMonth_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("atEnter"); // row 0 after Enter, the text as typed
    QTest::addColumn<QString>("kept");    // the field after leaving it
    QTest::addColumn<QString>("atLeave"); // row 0 after leaving

    // Décembre 2016 comes after 12 months of interest: a capitalisation
    // there gives 1120 + 1 % = 1131,20; none gives 1130,00.
    QTest::newRow("12 stays and capitalises in December") << "12"
                                                          << "1 131,20"
                                                          << "12"
                                                          << "1 131,20";
    QTest::newRow("3 stays: March 2016 comes too early") << "3"
                                                         << "1 130,00"
                                                         << "3"
                                                         << "1 130,00";
    QTest::newRow("01 matches no month until normalised to 1") << "01"
                                                               << "1 130,00"
                                                               << "1"
                                                               << "1 130,00";
    QTest::newRow("13 empties: every twelve months") << "13"
                                                     << "1 130,00"
                                                     << ""
                                                     << "1 131,20";
    QTest::newRow("0 empties") << "0"
                               << "1 130,00"
                               << ""
                               << "1 131,20";
    QTest::newRow("-2 empties") << "-2"
                                << "1 130,00"
                                << ""
                                << "1 131,20";
    QTest::newRow(".5 is floored to 0, not rounded to 1") << ".5"
                                                          << "1 130,00"
                                                          << ""
                                                          << "1 131,20";
    QTest::newRow("9a becomes 9") << "9a"
                                  << "1 130,00"
                                  << "9"
                                  << "1 130,00";
    QTest::newRow("letters empty") << "ab"
                                   << "1 130,00"
                                   << ""
                                   << "1 131,20";
    QTest::newRow("empty stays empty") << ""
                                       << "1 131,20"
                                       << ""
                                       << "1 131,20";
}

void TestMainWindow::capitalisationMonth()
{
    QFETCH(QString, typed);
    QFETCH(QString, atEnter);
    QFETCH(QString, kept);
    QFETCH(QString, atLeave);
    useTwelvePercent();
    auto *month = m_window->findChild<QLineEdit *>("Moiscapital");
    month->setFocus(Qt::MouseFocusReason);
    month->setText(typed);
    QTest::keyClick(month, Qt::Key_Return);
    QCOMPARE(cell(0)->text(), atEnter);
    m_window->findChild<QCheckBox *>("majore")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(month->text(), kept);
    QCOMPARE(cell(0)->text(), atLeave);
}

void TestMainWindow::options_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("row1"); // Décembre 2016's row above: 12 months
    QTest::addColumn<QString>("row0"); // after 13 months
    QTest::addColumn<QString>("undo"); // the button that brings the start values back

    QTest::newRow("x 1,5") << "coeff(1)"
                           << "1 180,00"
                           << "1 197,70"
                           << "coeff(0)";
    QTest::newRow("x 2") << "coeff(2)"
                         << "1 240,00"
                         << "1 264,80"
                         << "coeff(0)";
    QTest::newRow("x 3") << "coeff(3)"
                         << "1 360,00"
                         << "1 400,80"
                         << "coeff(0)";
    QTest::newRow("+5 ticked, then unticked") << "majore"
                                              << "1 170,00"
                                              << "1 186,58"
                                              << "majore";
    QTest::newRow("capitalisation unticked, then ticked again") << "Anatocisme"
                                                                << "1 120,00"
                                                                << "1 130,00"
                                                                << "Anatocisme";
}

void TestMainWindow::options()
{
    QFETCH(QString, button);
    QFETCH(QString, row1);
    QFETCH(QString, row0);
    QFETCH(QString, undo);
    useTwelvePercent();
    QCOMPARE(cell(1)->text(), QStringLiteral("1 120,00"));
    QCOMPARE(cell(0)->text(), QStringLiteral("1 131,20"));

    QTest::mouseClick(m_window->findChild<QAbstractButton *>(button), Qt::LeftButton);
    QCOMPARE(cell(1)->text(), row1);
    QCOMPARE(cell(0)->text(), row0);
    QCOMPARE(m_state->startRow(), 13);

    QTest::mouseClick(m_window->findChild<QAbstractButton *>(undo), Qt::LeftButton);
    QCOMPARE(cell(1)->text(), QStringLiteral("1 120,00"));
    QCOMPARE(cell(0)->text(), QStringLiteral("1 131,20"));
    QCOMPARE(m_state->coefficient(), 1.0);
    QCOMPARE(m_state->majoration(), 0.0);
    QVERIFY(m_state->capitalise());
}

void TestMainWindow::optionKeepsTheView()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    m_window->findChild<QScrollBar *>("barretaux")->setValue(3);
    QTest::mouseClick(m_window->findChild<QCheckBox *>("majore"), Qt::LeftButton);
    QCOMPARE(m_state->firstRow(), 3);
}

void TestMainWindow::clickAfterTypedDate_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("+5") << "majore";
    QTest::newRow("a coefficient") << "coeff(2)";
    QTest::newRow("a category") << "Perso(0)";
    QTest::newRow("the capitalisation") << "Anatocisme";
    QTest::newRow("Mise à jour") << "Command1";
}

void TestMainWindow::clickAfterTypedDate()
{
    QFETCH(QString, button);
    int updates = 0;
    connect(m_window.get(), &MainWindow::updateRequested, this, [&] { ++updates; });
    auto *b = m_window->findChild<QAbstractButton *>(button);
    QVERIFY(b);
    date()->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(date(), QStringLiteral("15/03/2015"));
    // The press takes the focus from the date; the confirmation that follows
    // runs before the release.
    QTest::mousePress(b, Qt::LeftButton, {}, b->rect().center());
    QCoreApplication::processEvents();
    QCOMPARE(m_state->table().rows[m_state->startRow()].label, QStringLiteral("Mars 2015"));
    QTest::mouseRelease(b, Qt::LeftButton, {}, b->rect().center());
    QCoreApplication::processEvents();

    if (button == u"majore")
        QCOMPARE(m_state->majoration(), 5.0);
    else if (button == u"coeff(2)")
        QCOMPARE(m_state->coefficient(), 2.0);
    else if (button == u"Perso(0)")
        QCOMPARE(m_state->category(), RateCategory::PersonnesPhysiques);
    else if (button == u"Anatocisme")
        QVERIFY(!m_state->capitalise());
    else
        QCOMPARE(updates, 1);
    QVERIFY(m_state->startRow() >= 0);
}

void TestMainWindow::keyboardReachesEveryMonth()
{
    enterDate(QStringLiteral("15/03/2015"));
    const int start = m_state->startRow();
    QCOMPARE(QApplication::focusWidget(), cell(20));
    auto *bar = m_window->findChild<QScrollBar *>("barretaux");

    // Down on the last line scrolls by one and keeps the last line.
    QTest::keyClick(cell(20), Qt::Key_Down);
    QCOMPARE(m_state->firstRow(), start - 19);
    QCOMPARE(bar->value(), start - 19);
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QCOMPARE(monthText(20), QStringLiteral("Février 2015"));
    // Up inside the view only moves the focus.
    QTest::keyClick(cell(20), Qt::Key_Up);
    QCOMPARE(m_state->firstRow(), start - 19);
    QCOMPARE(QApplication::focusWidget(), cell(19));
    // A page moves the view and the focus by 21 rows.
    QTest::keyClick(cell(19), Qt::Key_PageUp);
    QCOMPARE(m_state->firstRow(), start - 40);
    QCOMPARE(QApplication::focusWidget(), cell(19));
    QTest::keyClick(cell(19), Qt::Key_PageDown);
    QCOMPARE(m_state->firstRow(), start - 19);
    // Up on the first line scrolls towards the newest months.
    for (int i = 0; i < 19; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), cell(0));
    QTest::keyClick(cell(0), Qt::Key_Up);
    QCOMPARE(m_state->firstRow(), start - 20);
    QCOMPARE(QApplication::focusWidget(), cell(0));

    // Page Down all the way reaches the extra row and stops there.
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    QCOMPARE(m_state->firstRow(), 594 - 20);
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QCOMPARE(monthText(20), QStringLiteral("Décembre 1976"));
    // Page Up all the way back to the top.
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
    QCOMPARE(m_state->firstRow(), 0);
    QCOMPARE(QApplication::focusWidget(), cell(0));

    // The bar takes the focus from the keyboard, after the last cell.
    QTest::keyClick(cell(20), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QVERIFY(bar->focusPolicy() & Qt::TabFocus);
    cell(20)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cell(20), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), bar);
    QTest::keyClick(bar, Qt::Key_PageDown);
    QCOMPARE(m_state->firstRow(), 21);
}

void TestMainWindow::wheelOverTheTable_data()
{
    QTest::addColumn<QString>("over");
    QTest::newRow("the months") << "textind";
    QTest::newRow("the rates") << "indice";
    QTest::newRow("a sum") << "loyer(20)";
}

void TestMainWindow::wheelOverTheTable()
{
    QFETCH(QString, over);
    auto *w = m_window->findChild<QWidget *>(over);
    QVERIFY(w);
    const QPointF at = w->rect().center();
    QWheelEvent down(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &down);
    QCOMPARE(m_state->firstRow(), 3);
    QCOMPARE(monthText(0), QStringLiteral("Mars 2026"));
    QWheelEvent up(at, w->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &up);
    QCOMPARE(m_state->firstRow(), 0);
}

void TestMainWindow::extraRowAndTheLinesBelow()
{
    // Twelve months: row 12 is the extra row, lines 13 to 20 show nothing.
    QVERIFY(writeFile(m_rates, "2015\t12\r\n", QDateTime::currentDateTime().addSecs(-7200)));
    m_window->ActivateMainWindow();
    QCOMPARE(monthText(12), QStringLiteral("Décembre 2014"));
    for (int line = 13; line < kVisibleLines; ++line) {
        QVERIFY(cell(line)->isReadOnly());
        QCOMPARE(monthText(line), QString());
    }
    QVERIFY(!cell(12)->isReadOnly());
    QTest::mouseClick(cell(15), Qt::LeftButton);
    QTest::keyClicks(cell(15), QStringLiteral("500"));
    QTest::keyClick(cell(15), Qt::Key_Return);
    QCOMPARE(m_state->startRow(), -1);
    QCOMPARE(cell(15)->text(), QString());

    // An amount in the extra row grows through all twelve months.
    enterAmount(12, QStringLiteral("1000"));
    QCOMPARE(m_state->startRow(), 12);
    QCOMPARE(cell(11)->text(), QStringLiteral("1 010,00"));
    QCOMPARE(cell(0)->text(), QStringLiteral("1 120,00"));

    // A start date that selects the extra row empties it too: an option
    // changed afterwards has no old amount to rebuild from.
    enterDate(QStringLiteral("15/06/1990"));
    QCOMPARE(m_state->startRow(), 12);
    QTest::mouseClick(m_window->findChild<QCheckBox *>("majore"), Qt::LeftButton);
    for (int line = 0; line <= 12; ++line)
        QCOMPARE(cell(line)->text(), QString());
    for (int row = 0; row <= 600; ++row)
        QVERIFY(!m_state->sums()[row].has_value());
}

void TestMainWindow::categoryAfterTheFileShrank()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("10000"));
    QVERIFY(m_state->startRow() > 100);
    // The file loses all but one year while the program runs; the category
    // change is the next load.
    QVERIFY(writeFile(m_rates, "2015\t12\r\n", QDateTime::currentDateTime().addSecs(-7200)));
    QTest::mouseClick(m_window->findChild<QRadioButton *>("Perso(0)"), Qt::LeftButton);
    QCOMPARE(m_state->table().count, 12);
    QCOMPARE(m_state->startRow(), -1);
    QCOMPARE(m_state->lastScheduleRow(), -1);
    QCOMPARE(ClipboardText(*m_state, french), QStringLiteral("Mois\tTaux annuel\tSomme\r\n"));
    QVERIFY(m_ended.isEmpty());
}

void TestMainWindow::categorySwitch()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("10000"));
    const int start = m_state->startRow();
    QTest::mouseClick(m_window->findChild<QRadioButton *>("Perso(0)"), Qt::LeftButton);
    QCOMPARE(m_state->category(), RateCategory::PersonnesPhysiques);
    QCOMPARE(m_state->startRow(), start);
    QCOMPARE(m_state->firstRow(), 0);
    QCOMPARE(m_window->findChild<QScrollBar *>("barretaux")->value(), 0);
    QCOMPARE(rateText(0), QStringLiteral("6,67"));
    // April 2015 at 4.06 for natural persons.
    QCOMPARE(*m_state->sums()[start - 1], 10000 + 10000 * (4.06 / 1200));
    QVERIFY(m_ended.isEmpty());
}

void TestMainWindow::scrolling()
{
    auto *bar = m_window->findChild<QScrollBar *>("barretaux");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), m_state->table().count - 20);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), 21);
    QVERIFY(!bar->hasTracking());
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(m_state->firstRow(), 1);
    QCOMPARE(monthText(0), QStringLiteral("Mai 2026"));
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(m_state->firstRow(), 22);
    bar->setValue(bar->maximum());
    QCOMPARE(monthText(20), QStringLiteral("Décembre 1976"));
    QCOMPARE(rateText(20), QString());

    // Dragging the thumb does not move the table until it is released.
    bar->setValue(0);
    bar->setSliderDown(true);
    bar->setSliderPosition(40);
    QCOMPARE(m_state->firstRow(), 0);
    bar->setSliderDown(false);
    QCOMPARE(m_state->firstRow(), 40);
}

void TestMainWindow::touchedFileReloadsOnActivation()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    const std::optional<double> kept = m_state->sums()[0];
    // An unchanged file: only a redraw.
    m_window->ActivateMainWindow();
    QCOMPARE(m_state->startRow() >= 0, true);

    QFile f(m_rates);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = "2S2026\t3\t7\r\n" + f.readAll();
    f.close();
    QVERIFY(writeFile(m_rates, bytes, QDateTime::currentDateTime().addSecs(-3600)));
    m_window->ActivateMainWindow();
    QCOMPARE(monthText(0), QStringLiteral("Décembre 2026"));
    QCOMPARE(m_state->startRow(), -1);
    QCOMPARE(m_state->sums()[0], kept);
    QCOMPARE(cell(0)->text(), formatAmount(kept, french));
    for (int i = 0; i < kVisibleLines; ++i)
        QVERIFY(!marked(i));
}

void TestMainWindow::corruptFileAtCategoryChangeEnds()
{
    QVERIFY(writeFile(m_rates, "' broken, file\r\n", QDateTime::currentDateTime()));
    QTest::mouseClick(m_window->findChild<QRadioButton *>("Perso(0)"), Qt::LeftButton);
    QCOMPARE(m_guard->take(),
             QStringList{QStringLiteral("Réinstallation nécessaire | Fichier des taux corrompu")});
    QCOMPARE(m_ended, QList<int>{1});
    QVERIFY(!m_window->isVisible());
}

void TestMainWindow::missingFileAtStartUp_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file at all
    QTest::addColumn<QString>("box");
    QTest::newRow("no file") << QByteArray()
                             << QStringLiteral("Installation incomplète, ou mauvais paramètres | "
                                               "Fichier des taux introuvable. (Contrôler avant "
                                               "réinstallation la présence du fichier "
                                               "QUERDAN.TXT).");
    // A file that reads but cannot be right stops as a corrupt one does,
    // naming the month to mend rather than computing wrong figures.
    QTest::newRow("a lost decimal point")
        << QByteArray("1S2016\t0.93\t4.54\r\n2S2015\t429\t4.29\r\n")
        << QStringLiteral("Fichier des taux à corriger | Le taux de décembre 2015 (429) n'est pas "
                          "entre 0 et 100 %.");
}

void TestMainWindow::missingFileAtStartUp()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, box);
    QString path = m_dir.filePath(QStringLiteral("absent/QUERDAN.TXT"));
    if (!file.isEmpty()) {
        path = m_dir.filePath(QStringLiteral("faulty.TXT"));
        QVERIFY(writeFile(path, file));
    }
    TauxState state;
    MainWindow window(state);
    QList<int> ended;
    window.setHooks({[&](int code) { ended << code; }, {}, {}});
    QVERIFY(!window.LoadMainWindow(path));
    QCOMPARE(m_guard->take(), QStringList{box});
    QCOMPARE(ended, QList<int>{1});
}

void TestMainWindow::closingEndsTheProgram()
{
    m_window->close();
    QCOMPARE(m_ended, QList<int>{0});
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
