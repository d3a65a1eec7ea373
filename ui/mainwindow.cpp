#include "mainwindow.h"

#include "rates/leadingnumber.h"
#include "rates/startmonth.h"
#include "schedule/formats.h"
#include "schedule/tauxstate.h"
#include "ui/cellcolumn.h"
#include "ui/dateinput.h"
#include "ui/icons.h"
#include "ui/mainwindowparts.h"
#include "ui/wrapbutton.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace mainwindow;

namespace {

QString indexedName(const char *base, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(base)).arg(index);
}

bool isWindowSwitch(const QEvent *event)
{
    // The window losing activation (another application, one of our own
    // message boxes) is not the user leaving the field.
    const auto reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

} // namespace

MainWindow::MainWindow(TauxState &state, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_state(state)
{
    m_hooks.endProgram = [](int code) { QCoreApplication::exit(code); };
    m_hooks.beep = [] { QApplication::beep(); };

    setObjectName(QStringLiteral("taux"));
    setWindowTitle(QStringLiteral("Taux légal"));
    setWindowIcon(LoadIcon(QStringLiteral(":/icons/app.png")));
    setFont(windowFont());
    setFixedSize(twips(0, 0, 5790, 6345).size());
    // Black on the window's own light colours whatever the desktop's theme:
    // a dark theme's light text would not read on them.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 192));
    pal.setColor(QPalette::Base, Qt::white);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(role, Qt::black);
    setPalette(pal);
    buildInstructions();
    buildOptions();
    buildTable();
    buildButtons();
    placeControls();
    setKeyboardOrder();
    connectControls();
    buildStatementAction();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::setHooks(Hooks hooks)
{
    if (hooks.endProgram)
        m_hooks.endProgram = std::move(hooks.endProgram);
    if (hooks.beep)
        m_hooks.beep = std::move(hooks.beep);
    if (hooks.mayEnd)
        m_hooks.mayEnd = std::move(hooks.mayEnd);
}

void MainWindow::buildInstructions()
{
    auto *instructions = new QLabel(
        QStringLiteral("Saisissez ci-dessous la date de départ du calcul d'intérêt, ou indiquez "
                       "directement le montant dans la case correspondante du tableau "
                       "ci-contre."),
        this);
    instructions->setObjectName(QStringLiteral("Label7"));
    instructions->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    instructions->setWordWrap(true);

    m_date = new CellEdit(this);
    setFieldColour(m_date, QColor(192, 255, 255));
    m_date->setObjectName(QStringLiteral("datedelacte"));
    m_date->setAccessibleName(QStringLiteral("Date de départ du calcul"));
}

void MainWindow::buildOptions()
{
    auto frame = [this](const char *name, const QString &title) {
        auto *box = new OptionFrame(title, this);
        box->setObjectName(QLatin1String(name));
        colourWith(box, kYellow); // the frame paints it itself
        m_frames << box;
        return box;
    };
    QGroupBox *frame3 = frame("Frame3", QString());
    m_perso[0] = new WrapButton<QRadioButton>(
        QStringLiteral("Personnes physiques hors besoins professionnel"), frame3);
    m_perso[1] = new WrapButton<QRadioButton>(QStringLiteral("Autres"), frame3);
    for (int k = 0; k < 2; ++k)
        m_perso[k]->setObjectName(indexedName("Perso", k));
    m_perso[1]->setChecked(true);

    QGroupBox *frame1 = frame("Frame1", QStringLiteral("Coefficient"));
    const char *const coeffCaptions[] = {"x 1", "x 1,5", "x 2", "x 3"};
    for (int k = 0; k < 4; ++k) {
        m_coeff[k] = new QRadioButton(QString::fromLatin1(coeffCaptions[k]), frame1);
        m_coeff[k]->setObjectName(indexedName("coeff", k));
    }
    m_coeff[0]->setChecked(true);

    QGroupBox *frame20 = frame("Frame2(0)", QStringLiteral("Taux majoré"));
    m_majore = new QCheckBox(QStringLiteral("+5"), frame20);
    m_majore->setObjectName(QStringLiteral("majore"));

    QGroupBox *frame21 = frame("Frame2(1)", QStringLiteral("Anatocisme"));
    m_anatocisme =
        new WrapButton<QCheckBox>(QStringLiteral("Capitalisation des intérêts"), frame21);
    m_anatocisme->setObjectName(QStringLiteral("Anatocisme"));
    m_anatocisme->setChecked(true);
    auto *label3 = new QLabel(QStringLiteral("Mois de capitalisation  :"), frame21);
    label3->setObjectName(QStringLiteral("Label3"));
    label3->setWordWrap(true);
    label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Its text wraps before the month field that stands over its right end.
    label3->setContentsMargins(0, 0, 21, 0);
    m_capitalMonth = new QLineEdit(frame21);
    m_capitalMonth->setObjectName(QStringLiteral("Moiscapital"));
    m_capitalMonth->setAccessibleName(QStringLiteral("Mois de capitalisation"));
    m_capitalMonth->setMaxLength(2);
    m_capitalMonth->setAlignment(Qt::AlignCenter);
}

void MainWindow::buildTable()
{
    auto heading = [this](const char *name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QLatin1String(name));
        QFont bold = font();
        bold.setPointSizeF(8.25);
        bold.setBold(true);
        label->setFont(bold);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, kHeading);
        label->setPalette(pal);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    m_monthHeading = heading("Label1(0)", QStringLiteral("Mois"));
    m_monthHeading->installEventFilter(this);
    heading("Label2", QStringLiteral("Taux"));
    heading("Label5", QStringLiteral("Montant"));

    // A line every 270 twips, each cell 285 high: a cell's bottom border
    // is the next one's top.
    const int step = 270 / kTwipsPerPixel;
    const int cellHeight = 285 / kTwipsPerPixel;
    m_months = new CellColumn(kYellow, kVisibleLines, step, cellHeight, this);
    m_months->setObjectName(QStringLiteral("textind"));
    m_months->setAccessibleName(QStringLiteral("Mois"));
    m_months->setGeometry(twips(1740, 240, 1275, 270 * (kVisibleLines - 1) + 285));
    m_months->installEventFilter(this);
    m_rates = new CellColumn(kGreen, kVisibleLines, step, cellHeight, this);
    m_rates->setObjectName(QStringLiteral("indice"));
    m_rates->setAccessibleName(QStringLiteral("Taux"));
    m_rates->setGeometry(twips(3000, 240, 1095, 270 * (kVisibleLines - 1) + 285));
    m_rates->installEventFilter(this);

    for (int i = 0; i < kVisibleLines; ++i) {
        const int top = (240 + 270 * i);
        m_sums[i] = new CellEdit(this);
        m_sums[i]->setObjectName(indexedName("loyer", i));
        m_sums[i]->setAccessibleName(QStringLiteral("Montant, ligne %1").arg(i + 1));
        m_sums[i]->setGeometry(twips(4080, top, 1335, 285));
        m_sums[i]->setAlignment(Qt::AlignCenter);
        m_sums[i]->installEventFilter(this);
    }

    m_bar = new QScrollBar(Qt::Vertical, this);
    m_bar->setObjectName(QStringLiteral("barretaux"));
    m_bar->setAccessibleName(QStringLiteral("Défilement du tableau"));
    m_bar->setSingleStep(1);
    m_bar->setPageStep(kVisibleLines);
    m_bar->setTracking(false); // the table follows the thumb once it is released
    // Keyboard users reach every month through the bar too.
    m_bar->setFocusPolicy(Qt::StrongFocus);
}

void MainWindow::buildButtons()
{
    auto pictureButton = [this](const char *name, const QString &text, const QString &icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setIcon(LoadIcon(icon));
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly
                                             : Qt::ToolButtonTextUnderIcon);
        b->setCursor(Qt::UpArrowCursor);
        return b;
    };
    m_print =
        pictureButton("imprimer", QStringLiteral("&Imprimer"), QStringLiteral(":/icons/print.png"));
    fillWith(m_print, kButtonGrey);
    m_copy =
        pictureButton("Command2", QStringLiteral("&Copier"), QStringLiteral(":/icons/copy.png"));
    m_copy->setToolTip(QStringLiteral("Copier"));
    fillWith(m_copy, kButtonGrey);
    m_calculator =
        pictureButton("calculatrice", QString(), QStringLiteral(":/icons/calculator.png"));
    m_calculator->setIconSize(QSize(18, 18));
    m_calculator->setToolTip(QStringLiteral("Calculatrice"));
    m_calculator->setAccessibleName(QStringLiteral("Calculatrice"));

    m_update = new QPushButton(QStringLiteral("Mise à jour"), this);
    m_update->setObjectName(QStringLiteral("Command1"));
    m_update->setToolTip(QStringLiteral("Mise à jour des indices"));
    m_update->setCursor(Qt::UpArrowCursor);
    m_update->setAutoDefault(false);

    m_copyright = new QLabel(QStringLiteral("© 2016 TOLMEN"), this);
    m_copyright->setObjectName(QStringLiteral("Label1(1)"));
    QFont underlined = font();
    underlined.setUnderline(true);
    m_copyright->setFont(underlined);
    QPalette blue = m_copyright->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 64));
    m_copyright->setPalette(blue);
    m_copyright->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_copyright->setCursor(Qt::UpArrowCursor);
    m_copyright->installEventFilter(this);

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("nover"));
    QPalette versionPal = m_version->palette();
    versionPal.setColor(QPalette::WindowText, QColor(0, 0, 192));
    m_version->setPalette(versionPal);
    m_version->setAlignment(Qt::AlignCenter);
}

void MainWindow::placeControls()
{
    for (const Placement &p : kPlacements) {
        if (auto *w = findChild<QWidget *>(QLatin1String(p.name)))
            w->setGeometry(twips(p.left, p.top, p.width, p.height));
    }
    // Each frame overlaps the one above it by its caption's height: the
    // later frame is drawn on top, as in the original layout.
    for (QGroupBox *box : std::as_const(m_frames))
        box->raise();
    m_capitalMonth->raise();
}

void MainWindow::setKeyboardOrder()
{
    // The start date first, then the options, the table, and the buttons.
    QList<QWidget *> order{m_date, m_perso[0], m_perso[1]};
    for (QRadioButton *b : m_coeff)
        order << b;
    order << m_majore << m_anatocisme << m_capitalMonth;
    for (QLineEdit *cell : m_sums)
        order << cell;
    order << m_bar << m_print << m_copy << m_update << m_calculator;
    for (qsizetype k = 1; k < order.size(); ++k)
        setTabOrder(order[k - 1], order[k]);
    m_date->setFocus();
}

void MainWindow::connectControls()
{
    m_date->installEventFilter(this);
    m_capitalMonth->installEventFilter(this);
    connect(m_date, &QLineEdit::returnPressed, this, &MainWindow::ConfirmStartDate);
    connect(m_capitalMonth, &QLineEdit::returnPressed, this, &MainWindow::ConfirmCapitalMonth);
    for (int i = 0; i < kVisibleLines; ++i)
        connect(m_sums[i], &QLineEdit::returnPressed, this, [this, i] { EnterAmount(i); });

    for (int k = 0; k < 4; ++k) {
        connect(m_coeff[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (!on || m_ended)
                return;
            m_state.SetCoefficient(k);
            RefreshTable();
        });
    }
    connect(m_majore, &QCheckBox::clicked, this, [this](bool on) {
        if (m_ended)
            return;
        m_state.SetMajoration(on);
        RefreshTable();
    });
    connect(m_anatocisme, &QCheckBox::clicked, this, [this](bool on) {
        if (m_ended)
            return;
        m_state.SetCapitalise(on);
        RefreshTable();
    });
    connect(m_perso[0], &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ChangeCategory(RateCategory::PersonnesPhysiques);
    });
    connect(m_perso[1], &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ChangeCategory(RateCategory::Autres);
    });
    connect(m_bar, &QScrollBar::valueChanged, this, &MainWindow::Scroll);

    connect(m_print, &QToolButton::clicked, this, &MainWindow::printRequested);
    connect(m_copy, &QToolButton::clicked, this, &MainWindow::copyRequested);
    connect(m_update, &QPushButton::clicked, this, &MainWindow::updateRequested);
    connect(m_calculator, &QToolButton::clicked, this, &MainWindow::calculatorRequested);
}

void MainWindow::buildStatementAction()
{
    // Reached without a control of its own, so the fixed layout stays as it
    // is: the context menu anywhere on the window, and Ctrl+D.
    m_statementAction = new QAction(QStringLiteral("Décompte au jour près…"), this);
    m_statementAction->setObjectName(QStringLiteral("decompteAuJourPres"));
    m_statementAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    m_statementAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_statementAction);
    // The scroll bar's own menu would hide it there.
    m_bar->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_statementAction, &QAction::triggered, this, &MainWindow::statementRequested);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(m_statementAction);
    menu.exec(event->globalPos());
}

QString MainWindow::typedStartDate() const
{
    return m_date->text();
}

bool MainWindow::LoadMainWindow(const QString &ratesPath)
{
    fondjauneclair();
    m_version->setText(QStringLiteral("v. %1.%2.%3")
                           .arg(TAUX_VERSION_MAJOR)
                           .arg(TAUX_VERSION_MINOR)
                           .arg(TAUX_VERSION_PATCH));
    m_state.setRatesFile(ratesPath);
    return LoadRatesFile();
}

void MainWindow::fondjauneclair()
{
    m_gradient = true;
    update();
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    if (!m_gradient)
        return;
    // 256 bands from light yellow at the top to white at the bottom. Each
    // is a plain fill: a stretched picture would make the painter spread
    // the work over helper threads at the first paint.
    QPainter p(this);
    const QRect area = event->rect();
    const double unit = height() / 512.0;
    for (int k = 0; k < 256; ++k) {
        const QRect band = QRectF(0, 2 * k * unit, width(), 2 * unit).toAlignedRect();
        if (!band.intersects(area))
            continue;
        const int blue = std::min(255, int(std::nearbyint(192 + k / 4.0)));
        p.fillRect(band & area, QColor(255, 255, blue));
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_hooks.mayEnd && !m_hooks.mayEnd()) {
        event->ignore();
        return;
    }
    event->accept();
    m_ended = true;
    m_hooks.endProgram(0);
}

void MainWindow::showStop(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::failLoad(const LoadResult &result)
{
    showStop(result.title, result.message);
    m_ended = true;
    hide();
    m_hooks.endProgram(1);
}

bool MainWindow::LoadRatesFile()
{
    return ShowLoadResult(m_state.LoadRatesFile());
}

bool MainWindow::ShowLoadResult(const LoadResult &result)
{
    if (!result.ok()) {
        failLoad(result);
        return false;
    }
    syncScrollBar();
    RefreshTable();
    return true;
}

void MainWindow::ActivateMainWindow()
{
    if (m_ended)
        return;
    if (const auto reloaded = m_state.ReloadIfChanged()) {
        if (!ShowLoadResult(*reloaded))
            return;
    }
    RefreshTable();
}

void MainWindow::syncScrollBar()
{
    const QSignalBlocker block(m_bar);
    m_bar->setRange(0, m_state.maxFirstRow());
    m_bar->setValue(m_state.firstRow());
}

void MainWindow::RefreshTable()
{
    const QLocale loc = locale();
    for (int i = 0; i < kVisibleLines; ++i) {
        const int r = m_state.firstRow() + i;
        const ScheduleRow row = m_state.scheduleRow(r);
        const QString rate = formatGeneral(row.rate, loc);
        m_months->setText(i, row.label);
        m_rates->setText(i, rate);
        // The month and the rate are drawn, not controls of their own: the
        // sum's cell tells them to a screen reader.
        const QString description =
            rate.isEmpty() ? row.label : QStringLiteral("%1, taux %2").arg(row.label, rate);
        if (m_sums[i]->accessibleDescription() != description)
            m_sums[i]->setAccessibleDescription(description);
        m_sums[i]->setText(formatAmount(row.sum, loc));
        m_sums[i]->setReadOnly(!m_state.hasRow(r));
        const bool marked = r == m_state.startRow();
        if (marked != m_marked[i]) {
            if (marked)
                setFieldColour(m_sums[i], kCyan);
            else
                m_sums[i]->setPalette(QPalette()); // the window's again
            m_marked[i] = marked;
        }
    }
}

void MainWindow::ChangeCategory(RateCategory category)
{
    if (m_ended)
        return;
    const LoadResult result = m_state.ChangeCategory(category);
    if (!result.ok()) {
        failLoad(result);
        return;
    }
    syncScrollBar();
    RefreshTable();
}

void MainWindow::Scroll(int firstRow)
{
    m_state.setFirstRow(firstRow);
    RefreshTable();
}

void MainWindow::ConfirmStartDate()
{
    if (m_ended)
        return;
    const QString text = m_date->text();
    const auto date = parseStartDate(text, locale());
    if (!date) {
        if (text.isEmpty())
            return;
        m_hooks.beep();
        m_date->selectAll();
        if (!m_date->hasFocus()) {
            const QScopedValueRollback<bool> moving(m_movingFocus, true);
            m_date->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    if (!m_state.ConfirmStartDate(*date)) {
        // The prompt names the date the oldest row stands for.
        showStop(QStringLiteral("Calcul impossible"),
                 QStringLiteral("Pas de taux inférieur au ") +
                     locale().toString(extraRowDate().date(), QLocale::ShortFormat));
        RefreshTable();
        return;
    }
    syncScrollBar();
    RefreshTable();
    // A button the user is pressing took the focus from the date: taking it
    // away now would make the button drop the click. The click acts on the
    // release, after this confirmation.
    const auto *pressed = qobject_cast<const QAbstractButton *>(QApplication::focusWidget());
    if (pressed && pressed->isDown())
        return;
    focusCell(m_sums[m_state.startRow() - m_state.firstRow()]);
}

void MainWindow::focusCell(QLineEdit *cell)
{
    const QScopedValueRollback<bool> moving(m_movingFocus, true);
    cell->setFocus(Qt::OtherFocusReason);
    cell->selectAll();
}

void MainWindow::EnterAmount(int line)
{
    if (m_ended)
        return;
    QLineEdit *cell = m_sums[line];
    switch (m_state.EnterAmount(m_state.firstRow() + line, cell->text())) {
    case TauxState::AmountOutcome::NoRow:
        return;
    case TauxState::AmountOutcome::Overflow:
        // The text stays as typed so the user can correct it.
        cell->selectAll();
        return;
    case TauxState::AmountOutcome::Computed:
        RefreshTable();
        return;
    }
}

void MainWindow::CheckAmountOnLeave(int line)
{
    QLineEdit *cell = m_sums[line];
    if (!readLeadingNumber(cell->text()).overflow)
        return;
    focusCell(cell);
}

void MainWindow::ConfirmCapitalMonth()
{
    if (m_ended)
        return;
    m_state.SetCapitalMonth(m_capitalMonth->text());
    RefreshTable();
}

void MainWindow::NormaliseCapitalisationMonth()
{
    if (m_ended)
        return;
    m_capitalMonth->setText(m_state.NormaliseCapitalisationMonth(m_capitalMonth->text()));
    RefreshTable();
}

void MainWindow::MoveCellFocus(int line, int rows)
{
    QLineEdit *cell = m_sums[line];
    if (readLeadingNumber(cell->text()).overflow) {
        cell->selectAll();
        return;
    }
    const int last = std::max<int>(0, m_state.table().count);
    const int from = m_state.firstRow() + line;
    const int to = std::clamp(from + rows, 0, last);
    // A page moves the view by a page as well; a single step only when the
    // focus would leave it.
    int first = m_state.firstRow();
    if (std::abs(rows) >= kVisibleLines)
        first += rows;
    first = std::clamp(first, to - (kVisibleLines - 1), to);
    m_state.setFirstRow(first);
    syncScrollBar();
    RefreshTable();
    focusCell(m_sums[to - m_state.firstRow()]);
}

int MainWindow::lineOf(const QObject *cell) const
{
    for (int i = 0; i < kVisibleLines; ++i) {
        if (m_sums[i] == cell)
            return i;
    }
    return -1;
}

bool MainWindow::isTableCell(const QObject *watched) const
{
    for (int i = 0; i < kVisibleLines; ++i) {
        if (m_sums[i] == watched)
            return true;
    }
    return watched == m_months || watched == m_rates;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ContextMenu) {
        // The text fields keep their own menu, with the statement below it.
        if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
            std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
            menu->addSeparator();
            menu->addAction(m_statementAction);
            menu->exec(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        }
    }
    if (type == QEvent::MouseButtonRelease &&
        (watched == m_copyright || watched == m_monthHeading)) {
        emit aboutRequested();
        return true;
    }
    if (type == QEvent::Wheel && isTableCell(watched)) {
        // The wheel anywhere over the table turns the table's bar.
        QCoreApplication::sendEvent(m_bar, event);
        return true;
    }
    const int line = lineOf(watched);
    if (type == QEvent::KeyPress && line >= 0) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return QWidget::eventFilter(watched, event);
        switch (key->key()) {
        case Qt::Key_Up:
            MoveCellFocus(line, -1);
            return true;
        case Qt::Key_Down:
            MoveCellFocus(line, 1);
            return true;
        case Qt::Key_PageUp:
            MoveCellFocus(line, -kVisibleLines);
            return true;
        case Qt::Key_PageDown:
            MoveCellFocus(line, kVisibleLines);
            return true;
        default:
            return QWidget::eventFilter(watched, event);
        }
    }
    if (type != QEvent::FocusIn && type != QEvent::FocusOut)
        return QWidget::eventFilter(watched, event);

    if (type == QEvent::FocusIn) {
        // Select after the click that brought the focus has placed the cursor.
        if (line >= 0)
            QTimer::singleShot(0, m_sums[line], [cell = m_sums[line]] {
                if (cell->hasFocus())
                    cell->selectAll();
            });
        return QWidget::eventFilter(watched, event);
    }

    if (m_movingFocus || m_ended || isWindowSwitch(event))
        return QWidget::eventFilter(watched, event);
    // Leaving a field: act once the focus has settled on the new control,
    // since the reaction may move it again.
    if (watched == m_date)
        QTimer::singleShot(0, this, &MainWindow::ConfirmStartDate);
    else if (watched == m_capitalMonth)
        NormaliseCapitalisationMonth();
    else if (line >= 0)
        QTimer::singleShot(0, this, [this, line] { CheckAmountOnLeave(line); });
    return QWidget::eventFilter(watched, event);
}
