#include "modalguard.h"
#include "schedule/formats.h"
#include "schedule/tauxstate.h"
#include "testfiles.h"
#include "ui/mainwindow.h"

#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

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
    void options();
    void categorySwitch();
    void scrolling();
    void touchedFileReloadsOnActivation();
    void corruptFileAtCategoryChangeEnds();
    void missingFileAtStartUp();
    void closingEndsTheProgram();

private:
    QLineEdit *cell(int line) const
    {
        return m_window->findChild<QLineEdit *>(QStringLiteral("loyer(%1)").arg(line));
    }
    QLineEdit *date() const { return m_window->findChild<QLineEdit *>("datedelacte"); }
    void enterDate(const QString &text);
    void enterAmount(int line, const QString &text);
    // Expected sums from the computation itself, for the window's options.
    SumColumn expected(double amount, double coefficient, double majoration, bool capitalise,
                       const QString &month = QString()) const;

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
    m_window->setHooks({[this](int code) { m_ended << code; }, [this] { ++m_beeps; }});
    QVERIFY(m_window->LoadMainWindow(m_dir.filePath(QStringLiteral("QUERDAN.TXT"))));
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

SumColumn TestMainWindow::expected(double amount, double coefficient, double majoration,
                                   bool capitalise, const QString &month) const
{
    SumColumn sums;
    sums[m_state->startRow] = amount;
    ScheduleOptions o;
    o.coefficient = coefficient;
    o.majoration = majoration;
    o.capitalise = capitalise;
    o.capitalMonth = month;
    ComputeSchedule(m_state->startRow, m_state->table, o, sums);
    return sums;
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
    QCOMPARE(m_state->coefficient, 1.0);
    QCOMPARE(int(m_state->startRow), -1);
    QCOMPARE(m_window->findChild<QLabel *>("textind(0)")->text(), QStringLiteral("Juin 2026"));
    QCOMPARE(m_window->findChild<QLabel *>("indice(0)")->text(), QStringLiteral("2,62"));
    for (int i = 0; i < kVisibleLines; ++i)
        QCOMPARE(cell(i)->text(), QString());
}

void TestMainWindow::layoutAndCaptions()
{
    QCOMPARE(cell(0)->geometry(), QRect(272, 16, 89, 19));
    QCOMPARE(cell(20)->geometry(), QRect(272, 376, 89, 19));
    QCOMPARE(m_window->findChild<QLabel *>("textind(20)")->geometry(), QRect(116, 376, 85, 19));
    QCOMPARE(m_window->findChild<QScrollBar *>("barretaux")->geometry(), QRect(361, 16, 17, 379));
    QCOMPARE(date()->geometry(), QRect(16, 104, 81, 19));
    QCOMPARE(m_window->findChild<QRadioButton *>("coeff(3)")->geometry(), QRect(52, 30, 49, 17));
    for (const char *name : {"imprimer", "Command2", "Command1", "calculatrice", "Label1(1)"})
        QCOMPARE(m_window->findChild<QWidget *>(name)->cursor().shape(), Qt::UpArrowCursor);

    // Every caption fits its box in the font in use.
    const QList<MainWindow::Caption> captions = m_window->captions();
    QVERIFY(captions.size() >= 15);
    for (const MainWindow::Caption &c : captions) {
        const QRect needed = QFontMetrics(c.font).boundingRect(c.box, c.flags, c.text);
        QVERIFY2(c.box.contains(needed), qPrintable(QStringLiteral("%1: needs %2x%3, has %4x%5")
                                                        .arg(c.name)
                                                        .arg(needed.width())
                                                        .arg(needed.height())
                                                        .arg(c.box.width())
                                                        .arg(c.box.height())));
    }
    // A month label and a sum as wide as they come fit their cells too.
    const QLabel *month = m_window->findChild<QLabel *>("textind(0)");
    QVERIFY(QFontMetrics(month->font()).horizontalAdvance(QStringLiteral("Septembre 2026")) <
            month->contentsRect().width());
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

void TestMainWindow::typicalUse()
{
    enterDate(QStringLiteral("15/03/2015"));
    const int start = m_state->startRow;
    QCOMPARE(m_state->table.rows[start].label, QStringLiteral("Mars 2015"));
    QCOMPARE(int(m_state->firstRow), start - 20);
    QCOMPARE(m_window->findChild<QScrollBar *>("barretaux")->value(), start - 20);
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QCOMPARE(m_window->findChild<QLabel *>("textind(20)")->text(), QStringLiteral("Mars 2015"));
    QVERIFY(cell(20)->styleSheet().contains(QColor(128, 255, 255).name()));
    QVERIFY(!cell(19)->styleSheet().contains(QColor(128, 255, 255).name()));

    QTest::keyClicks(cell(20), QStringLiteral("10000"));
    QTest::keyClick(cell(20), Qt::Key_Return);
    QCoreApplication::processEvents();
    SumColumn want = expected(10000, 1, 0, true);
    for (int r = 0; r <= start; ++r)
        QCOMPARE(m_state->sums[r], want[r]);
    QCOMPARE(cell(20)->text(), QStringLiteral("10 000,00"));
    for (int i = 0; i < kVisibleLines; ++i)
        QCOMPARE(cell(i)->text(), formatAmount(want[m_state->firstRow + i], french));

    // "+5": recomputed at once from the same row.
    QTest::mouseClick(m_window->findChild<QCheckBox *>("majore"), Qt::LeftButton);
    QCOMPARE(m_state->majoration, 5.0);
    want = expected(10000, 1, 5, true);
    for (int r = 0; r <= start; ++r)
        QCOMPARE(m_state->sums[r], want[r]);
    // April 2015: 10000 at 0.93 + 5 points for one month.
    QCOMPARE(cell(19)->text(), formatAmount(10000 + 10000 * (5.93 / 1200), french));
}

void TestMainWindow::invalidDateKeepsFocus()
{
    enterDate(QStringLiteral("31/02/2015"));
    QCOMPARE(m_beeps, 1);
    QCOMPARE(QApplication::focusWidget(), date());
    QCOMPARE(date()->selectedText(), QStringLiteral("31/02/2015"));
    QCOMPARE(int(m_state->startRow), -1);

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
    QCOMPARE(int(m_state->startRow), -1);
}

void TestMainWindow::leavingTheDateConfirmsIt()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    QVERIFY(m_state->sums[0].has_value());
    // Into the date field and out again: the sums go, the focus returns to
    // the start row's cell.
    date()->setFocus(Qt::MouseFocusReason);
    m_window->findChild<QCheckBox *>("majore")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QVERIFY(!m_state->sums[0].has_value());
    QVERIFY(!m_state->sums[m_state->startRow].has_value());
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
    QVERIFY(m_state->sums[0].has_value());
    QCOMPARE(m_beeps, 0);
}

void TestMainWindow::dateTooEarly()
{
    enterDate(QStringLiteral("15/03/2015"));
    const int start = m_state->startRow;
    enterDate(QStringLiteral("01/01/1800"));
    QTRY_COMPARE(m_guard->seen.size(), 1);
    QCOMPARE(m_guard->icons.value(0), QMessageBox::Critical);
    QCOMPARE(m_guard->take(), QStringList{QStringLiteral(
                                  "Calcul impossible | Pas de taux inférieur au 30/12/1899")});
    QCOMPARE(int(m_state->startRow), start);
    // The box closing does not re-trigger it.
    QCoreApplication::processEvents();
    QTest::qWait(60);
    QCOMPARE(m_guard->seen.size(), 0);

    // A date before the table but after the zero date starts at the extra row.
    enterDate(QStringLiteral("01/01/1950"));
    QCOMPARE(int(m_state->startRow), m_state->table.count);
    QCOMPARE(m_window->findChild<QLabel *>("textind(20)")->text(), QStringLiteral("Décembre 1976"));
    QCOMPARE(m_window->findChild<QLabel *>("indice(20)")->text(), QString());
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
    QCOMPARE(m_state->sums[m_state->startRow], std::optional<double>(amount));
    QCOMPARE(cell(20)->text(), formatAmount(amount, french));
}

void TestMainWindow::overflowingAmount()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    const SumColumn before = m_state->sums;
    enterAmount(20, QStringLiteral("1e400"));
    QVERIFY(m_state->sums == before);
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QCOMPARE(cell(20)->text(), QStringLiteral("1e400"));
    QCOMPARE(cell(20)->selectedText(), QStringLiteral("1e400"));
    // Leaving does not let it go either.
    QTest::keyClick(cell(20), Qt::Key_Tab);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), cell(20));
    QVERIFY(m_state->sums == before);
}

void TestMainWindow::amountWithoutEnterIsDropped()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    cell(20)->setText(QStringLiteral("5000"));
    m_window->findChild<QLineEdit *>("Moiscapital")->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    QCOMPARE(*m_state->sums[m_state->startRow], 1000.0);
    QCOMPARE(cell(20)->text(), QStringLiteral("5000"));
    QTest::mouseClick(m_window->findChild<QRadioButton *>("coeff(2)"), Qt::LeftButton);
    QCOMPARE(cell(20)->text(), QStringLiteral("1 000,00"));
}

void TestMainWindow::amountInAnotherLine()
{
    enterAmount(5, QStringLiteral("1000"));
    QCOMPARE(int(m_state->startRow), 5);
    // Row 5 is Janvier 2026; Février 2026 earns its first month at 2.62.
    QCOMPARE(*m_state->sums[4], 1000 + 1000 * (2.62 / 1200));
    QVERIFY(!m_state->sums[6].has_value());
    QVERIFY(cell(5)->styleSheet().contains(QColor(128, 255, 255).name()));
}

void TestMainWindow::capitalisationMonth_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("3 stays") << "3"
                             << "3";
    QTest::newRow("03 becomes 3") << "03"
                                  << "3";
    QTest::newRow("13 empties") << "13"
                                << "";
    QTest::newRow("0 empties") << "0"
                               << "";
    QTest::newRow("-2 empties") << "-2"
                                << "";
    QTest::newRow("9a becomes 9") << "9a"
                                  << "9";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("letters empty") << "ab"
                                   << "";
    QTest::newRow("12 stays") << "12"
                              << "12";
}

void TestMainWindow::capitalisationMonth()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    auto *month = m_window->findChild<QLineEdit *>("Moiscapital");
    month->setFocus(Qt::MouseFocusReason);
    month->setText(typed);
    // Enter recomputes with the text as it stands.
    QTest::keyClick(month, Qt::Key_Return);
    QVERIFY(*m_state->sums[0] == *expected(1000, 1, 0, true, typed)[0]);
    date()->setFocus(Qt::MouseFocusReason);
    QCOMPARE(month->text(), kept);
}

void TestMainWindow::options()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    const int start = m_state->startRow;
    const double coefficients[] = {1, 1.5, 2, 3};
    for (int k : {1, 2, 3, 0}) {
        QTest::mouseClick(m_window->findChild<QRadioButton *>(QStringLiteral("coeff(%1)").arg(k)),
                          Qt::LeftButton);
        QCOMPARE(m_state->coefficient, coefficients[k]);
        QCOMPARE(*m_state->sums[0], *expected(1000, coefficients[k], 0, true)[0]);
    }
    QTest::mouseClick(m_window->findChild<QCheckBox *>("Anatocisme"), Qt::LeftButton);
    QVERIFY(!m_window->capitalise());
    QCOMPARE(*m_state->sums[0], *expected(1000, 1, 0, false)[0]);
    QTest::mouseClick(m_window->findChild<QCheckBox *>("Anatocisme"), Qt::LeftButton);
    QCOMPARE(*m_state->sums[0], *expected(1000, 1, 0, true)[0]);
    QCOMPARE(int(m_state->startRow), start);

    // Scrolled away from the start row, an option keeps the view.
    m_window->findChild<QScrollBar *>("barretaux")->setValue(3);
    QTest::mouseClick(m_window->findChild<QCheckBox *>("majore"), Qt::LeftButton);
    QCOMPARE(int(m_state->firstRow), 3);
}

void TestMainWindow::categorySwitch()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("10000"));
    const int start = m_state->startRow;
    QTest::mouseClick(m_window->findChild<QRadioButton *>("Perso(0)"), Qt::LeftButton);
    QCOMPARE(m_window->category(), RateCategory::PersonnesPhysiques);
    QCOMPARE(int(m_state->startRow), start);
    QCOMPARE(int(m_state->firstRow), 0);
    QCOMPARE(m_window->findChild<QScrollBar *>("barretaux")->value(), 0);
    QCOMPARE(m_window->findChild<QLabel *>("indice(0)")->text(), QStringLiteral("6,67"));
    // April 2015 at 4.06 for natural persons.
    QCOMPARE(*m_state->sums[start - 1], 10000 + 10000 * (4.06 / 1200));
    QCOMPARE(m_state->sums[0], expected(10000, 1, 0, true)[0]);
    QVERIFY(m_ended.isEmpty());
}

void TestMainWindow::scrolling()
{
    auto *bar = m_window->findChild<QScrollBar *>("barretaux");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), m_state->table.count - 20);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), 21);
    QVERIFY(!bar->hasTracking());
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(int(m_state->firstRow), 1);
    QCOMPARE(m_window->findChild<QLabel *>("textind(0)")->text(), QStringLiteral("Mai 2026"));
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(int(m_state->firstRow), 22);
    bar->setValue(bar->maximum());
    QCOMPARE(m_window->findChild<QLabel *>("textind(20)")->text(), QStringLiteral("Décembre 1976"));
    QCOMPARE(m_window->findChild<QLabel *>("indice(20)")->text(), QString());

    // Dragging the thumb does not move the table until it is released.
    bar->setValue(0);
    bar->setSliderDown(true);
    bar->setSliderPosition(40);
    QCOMPARE(int(m_state->firstRow), 0);
    bar->setSliderDown(false);
    QCOMPARE(int(m_state->firstRow), 40);
}

void TestMainWindow::touchedFileReloadsOnActivation()
{
    enterDate(QStringLiteral("15/03/2015"));
    enterAmount(20, QStringLiteral("1000"));
    const std::optional<double> kept = m_state->sums[0];
    // An unchanged file: only a redraw.
    m_window->ActivateMainWindow();
    QCOMPARE(int(m_state->startRow) >= 0, true);

    QFile f(m_rates);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = "2S2026\t3\t7\r\n" + f.readAll();
    f.close();
    QVERIFY(writeFile(m_rates, bytes, QDateTime::currentDateTime().addSecs(-3600)));
    m_window->ActivateMainWindow();
    QCOMPARE(m_window->findChild<QLabel *>("textind(0)")->text(), QStringLiteral("Décembre 2026"));
    QCOMPARE(int(m_state->startRow), -1);
    QCOMPARE(m_state->sums[0], kept);
    QCOMPARE(cell(0)->text(), formatAmount(kept, french));
    for (int i = 0; i < kVisibleLines; ++i)
        QVERIFY(!cell(i)->styleSheet().contains(QColor(128, 255, 255).name()));
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

void TestMainWindow::missingFileAtStartUp()
{
    TauxState state;
    MainWindow window(state);
    QList<int> ended;
    window.setHooks({[&](int code) { ended << code; }, {}});
    // A folder given without its final separator names "...dirQUERDAN.TXT".
    QVERIFY(!window.LoadMainWindow(m_dir.path() + QStringLiteral("QUERDAN.TXT")));
    QCOMPARE(state.table.filePath, m_dir.path() + QStringLiteral("QUERDAN.TXT"));
    QCOMPARE(m_guard->take(),
             QStringList{QStringLiteral("Installation incomplète, ou mauvais paramètres | "
                                        "Fichier des taux introuvable. (Contrôler avant "
                                        "réinstallation la présence du fichier QUERDAN.TXT).")});
    QCOMPARE(ended, QList<int>{1});
}

void TestMainWindow::closingEndsTheProgram()
{
    m_window->close();
    QCOMPARE(m_ended, QList<int>{0});
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
