#include "mainwindow.h"

#include "rates/leadingnumber.h"
#include "schedule/formats.h"
#include "schedule/tauxstate.h"
#include "ui/dateinput.h"
#include "ui/wrapbutton.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace {

// The window was laid out in twips; at 96 dpi 15 twips make a pixel.
constexpr int kTwipsPerPixel = 15;

QRect twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// Where each control sits, relative to its frame when it has one.
struct Placement
{
    const char *name;
    int left, top, width, height;
};

const Placement kPlacements[] = {
    {"Label7", 60, 120, 1575, 1455},     {"datedelacte", 240, 1560, 1215, 285},
    {"Frame3", 60, 2040, 1635, 1395},    {"Perso(0)", 120, 120, 1455, 855},
    {"Perso(1)", 120, 960, 1335, 315},   {"Frame1", 60, 3300, 1635, 855},
    {"coeff(0)", 120, 210, 735, 255},    {"coeff(1)", 780, 210, 735, 255},
    {"coeff(2)", 120, 450, 735, 255},    {"coeff(3)", 780, 450, 735, 255},
    {"Frame2(0)", 60, 4020, 1635, 615},  {"majore", 120, 210, 615, 255},
    {"Frame2(1)", 60, 4500, 1635, 1095}, {"Anatocisme", 120, 180, 1455, 435},
    {"Label3", 120, 600, 1455, 435},     {"Moiscapital", 1260, 720, 315, 285},
    {"Label1(0)", 1740, 0, 1275, 255},   {"Label2", 3000, 0, 1095, 255},
    {"Label5", 4080, 0, 1335, 255},      {"barretaux", 5415, 240, 255, 5685},
    {"imprimer", 60, 5640, 795, 675},    {"Command2", 900, 5640, 795, 675},
    {"Command1", 1770, 6030, 975, 255},  {"Label1(1)", 2700, 6060, 1695, 225},
    {"nover", 4440, 6060, 795, 225},     {"calculatrice", 5220, 5970, 495, 340},
};

const QColor kYellow(255, 255, 128);
const QColor kGreen(128, 255, 128);
const QColor kCyan(128, 255, 255);
const QColor kButtonGrey(192, 192, 192);
const QColor kHeading(128, 0, 0);

QString cellStyle(const QColor &background)
{
    return QStringLiteral("background-color: %1; border: 1px solid black; color: black;")
        .arg(background.name());
}

QString indexedName(const char *base, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(base)).arg(index);
}

void fillWith(QWidget *w, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Button, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QFont windowFont()
{
    // Close to the width of the original dialog font, so every caption fits.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(7.5);
    return f;
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
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    setFont(windowFont());
    setFixedSize(twips(0, 0, 5790, 6345).size());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 192));
    setPalette(pal);
    buildControls();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void MainWindow::setHooks(Hooks hooks)
{
    if (hooks.endProgram)
        m_hooks.endProgram = std::move(hooks.endProgram);
    if (hooks.beep)
        m_hooks.beep = std::move(hooks.beep);
}

void MainWindow::buildControls()
{
    auto *instructions = new QLabel(
        QStringLiteral("Saisissez ci-dessous la date de départ du calcul d'intérêt, ou indiquez "
                       "directement le montant dans la case correspondante du tableau "
                       "ci-contre."),
        this);
    instructions->setObjectName(QStringLiteral("Label7"));
    instructions->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    instructions->setWordWrap(true);

    m_date = new QLineEdit(this);
    m_date->setObjectName(QStringLiteral("datedelacte"));
    m_date->setStyleSheet(cellStyle(QColor(192, 255, 255)));

    auto frame = [this](const char *name, const QString &title) {
        auto *box = new QGroupBox(title, this);
        box->setObjectName(QLatin1String(name));
        fillWith(box, kYellow);
        // The caption sits on the frame's line, and the whole box, above the
        // line too, is painted: it covers the bottom of the frame above.
        box->setStyleSheet(
            QStringLiteral("QGroupBox { background-color: %1; background-clip: margin;"
                           " border: 1px solid #808080; margin-top: 6px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 6px;"
                           " padding: 0 2px; background-color: %1; }")
                .arg(kYellow.name()));
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
    m_capitalMonth->setMaxLength(2);
    m_capitalMonth->setAlignment(Qt::AlignCenter);

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

    for (int i = 0; i < kVisibleLines; ++i) {
        const int top = (240 + 270 * i);
        m_months[i] = new QLabel(this);
        m_months[i]->setObjectName(indexedName("textind", i));
        m_months[i]->setGeometry(twips(1740, top, 1275, 285));
        m_months[i]->setAlignment(Qt::AlignCenter);
        m_months[i]->setStyleSheet(cellStyle(kYellow));

        m_rates[i] = new QLabel(this);
        m_rates[i]->setObjectName(indexedName("indice", i));
        m_rates[i]->setGeometry(twips(3000, top, 1095, 285));
        m_rates[i]->setAlignment(Qt::AlignCenter);
        m_rates[i]->setStyleSheet(cellStyle(kGreen));

        m_sums[i] = new QLineEdit(this);
        m_sums[i]->setObjectName(indexedName("loyer", i));
        m_sums[i]->setGeometry(twips(4080, top, 1335, 285));
        m_sums[i]->setAlignment(Qt::AlignCenter);
        m_sums[i]->setStyleSheet(cellStyle(Qt::white));
        m_sums[i]->installEventFilter(this);
        connect(m_sums[i], &QLineEdit::returnPressed, this, [this, i] { EnterAmount(i); });
    }

    m_bar = new QScrollBar(Qt::Vertical, this);
    m_bar->setObjectName(QStringLiteral("barretaux"));
    m_bar->setSingleStep(1);
    m_bar->setPageStep(kVisibleLines);
    m_bar->setTracking(false); // the table follows the thumb once it is released

    auto pictureButton = [this](const char *name, const QString &text, const QString &icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setIcon(QIcon(icon));
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(text.isEmpty() ? Qt::ToolButtonIconOnly
                                             : Qt::ToolButtonTextUnderIcon);
        b->setCursor(Qt::UpArrowCursor);
        return b;
    };
    QToolButton *print =
        pictureButton("imprimer", QStringLiteral("&Imprimer"), QStringLiteral(":/icons/print.png"));
    fillWith(print, kButtonGrey);
    QToolButton *copy =
        pictureButton("Command2", QStringLiteral("&Copier"), QStringLiteral(":/icons/copy.png"));
    copy->setToolTip(QStringLiteral("Copier"));
    fillWith(copy, kButtonGrey);
    QToolButton *calculator =
        pictureButton("calculatrice", QString(), QStringLiteral(":/icons/calculator.png"));
    calculator->setIconSize(QSize(18, 18));
    calculator->setToolTip(QStringLiteral("Calculatrice"));

    auto *update = new QPushButton(QStringLiteral("Mise à jour"), this);
    update->setObjectName(QStringLiteral("Command1"));
    update->setToolTip(QStringLiteral("Mise à jour des indices"));
    update->setCursor(Qt::UpArrowCursor);
    update->setAutoDefault(false);

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

    for (const Placement &p : kPlacements) {
        if (auto *w = findChild<QWidget *>(QLatin1String(p.name)))
            w->setGeometry(twips(p.left, p.top, p.width, p.height));
    }
    // A style sheet on a frame stops the window's font from reaching the
    // frame's children, so hand it to every control that has none of its own.
    for (QWidget *w : findChildren<QWidget *>()) {
        if (!w->testAttribute(Qt::WA_SetFont))
            w->setFont(font());
    }
    // Each frame overlaps the one above it by its caption's height: the
    // later frame is drawn on top, as in the original layout.
    for (QGroupBox *box : {frame3, frame1, frame20, frame21})
        box->raise();
    m_capitalMonth->raise();

    // Keyboard order: the start date first, then the options, the table,
    // and the buttons.
    QList<QWidget *> order{m_date, m_perso[0], m_perso[1]};
    for (QRadioButton *b : m_coeff)
        order << b;
    order << m_majore << m_anatocisme << m_capitalMonth;
    for (QLineEdit *cell : m_sums)
        order << cell;
    order << m_bar << print << copy << update << calculator;
    for (qsizetype k = 1; k < order.size(); ++k)
        setTabOrder(order[k - 1], order[k]);
    m_date->setFocus();

    m_date->installEventFilter(this);
    m_capitalMonth->installEventFilter(this);
    connect(m_date, &QLineEdit::returnPressed, this, &MainWindow::ConfirmStartDate);
    connect(m_capitalMonth, &QLineEdit::returnPressed, this, &MainWindow::Recompute);

    static const double coefficients[] = {1.0, 1.5, 2.0, 3.0};
    for (int k = 0; k < 4; ++k) {
        connect(m_coeff[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (!on)
                return;
            m_state.coefficient = coefficients[k];
            Recompute();
        });
    }
    connect(m_majore, &QCheckBox::clicked, this, [this] {
        m_state.majoration = m_majore->isChecked() ? 5.0 : 0.0;
        Recompute();
    });
    connect(m_anatocisme, &QCheckBox::clicked, this, &MainWindow::Recompute);
    for (QRadioButton *b : m_perso) {
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                ChangeCategory();
        });
    }
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
        m_state.setFirstRow(value);
        RefreshTable();
    });

    connect(print, &QToolButton::clicked, this, &MainWindow::printRequested);
    connect(copy, &QToolButton::clicked, this, &MainWindow::copyRequested);
    connect(update, &QPushButton::clicked, this, &MainWindow::updateRequested);
    connect(calculator, &QToolButton::clicked, this, &MainWindow::calculatorRequested);
}

bool MainWindow::LoadMainWindow(const QString &ratesPath)
{
    fondjauneclair();
    m_version->setText(QStringLiteral("v. %1.%2.%3")
                           .arg(TAUX_VERSION_MAJOR)
                           .arg(TAUX_VERSION_MINOR)
                           .arg(TAUX_VERSION_PATCH));
    m_state.table.filePath = ratesPath;
    m_state.coefficient = 1.0;
    return LoadRatesFile();
}

void MainWindow::fondjauneclair()
{
    // 256 bands from light yellow at the top to white at the bottom, kept
    // in an image so that every repaint shows them.
    m_background = QImage(size(), QImage::Format_RGB32);
    QPainter p(&m_background);
    const double unit = height() / 512.0;
    for (int k = 0; k < 256; ++k) {
        const int blue = std::min(255, int(std::nearbyint(192 + k / 4.0)));
        const QRectF band(0, 2 * k * unit, width(), 2 * unit);
        p.fillRect(band.toAlignedRect(), QColor(255, 255, blue));
    }
    update();
}

void MainWindow::paintEvent(QPaintEvent *)
{
    if (m_background.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, m_background);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
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
    return ShowLoadResult(m_state.loadRates(category()));
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
    if (const auto reloaded = m_state.ReloadIfChanged(category())) {
        if (!ShowLoadResult(*reloaded))
            return;
    }
    RefreshTable();
}

void MainWindow::syncScrollBar()
{
    const QSignalBlocker block(m_bar);
    m_bar->setRange(0, m_state.maxFirstRow());
    m_bar->setValue(m_state.firstRow);
}

void MainWindow::RefreshTable()
{
    const QLocale loc = locale();
    for (int i = 0; i < kVisibleLines; ++i) {
        const int r = m_state.firstRow + i;
        const ScheduleRow row = m_state.scheduleRow(r);
        m_months[i]->setText(row.label);
        m_rates[i]->setText(formatGeneral(row.rate, loc));
        m_sums[i]->setText(formatAmount(row.sum, loc));
        m_sums[i]->setReadOnly(r > m_state.table.count);
        const bool marked = r == m_state.startRow;
        if (marked != m_marked[i]) {
            m_sums[i]->setStyleSheet(cellStyle(marked ? kCyan : QColor(Qt::white)));
            m_marked[i] = marked;
        }
    }
}

void MainWindow::Recompute()
{
    if (m_ended)
        return;
    m_state.compute(capitalise(), capitalMonth());
    RefreshTable();
}

void MainWindow::ChangeCategory()
{
    const qint16 kept = m_state.startRow;
    if (!LoadRatesFile())
        return;
    m_state.startRow = kept;
    Recompute();
}

void MainWindow::ConfirmStartDate()
{
    if (m_ended)
        return;
    const QString text = m_date->text();
    if (const auto date = parseStartDate(text, locale())) {
        m_state.clearSums();
        SelectStartMonth(*date);
    } else if (!text.isEmpty()) {
        m_hooks.beep();
        m_date->selectAll();
        if (!m_date->hasFocus()) {
            const QScopedValueRollback<bool> moving(m_movingFocus, true);
            m_date->setFocus(Qt::OtherFocusReason);
        }
    }
}

void MainWindow::SelectStartMonth(const QDateTime &startDate)
{
    if (!m_state.selectStartMonth(startDate)) {
        // The prompt names the date the oldest row stands for.
        showStop(QStringLiteral("Calcul impossible"),
                 QStringLiteral("Pas de taux inférieur au ") +
                     locale().toString(QDate(1899, 12, 30), QLocale::ShortFormat));
        RefreshTable();
        return;
    }
    syncScrollBar();
    RefreshTable();
    focusCell(m_sums[m_state.startRow - m_state.firstRow]);
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
    const int row = m_state.firstRow + line;
    if (row > m_state.table.count)
        return; // a line below the extra row shows no month
    QLineEdit *cell = m_sums[line];
    m_state.startRow = static_cast<qint16>(row);
    const LeadingNumber amount = readLeadingNumber(cell->text());
    if (amount.overflow) {
        cell->selectAll();
        return;
    }
    // The redraw that follows shows the amount in the sum format.
    m_state.sums[row] = amount.value;
    Recompute();
}

void MainWindow::CheckAmountOnLeave(int line)
{
    QLineEdit *cell = m_sums[line];
    if (!readLeadingNumber(cell->text()).overflow)
        return;
    focusCell(cell);
}

void MainWindow::NormaliseCapitalisationMonth()
{
    const double month = std::floor(readLeadingNumber(m_capitalMonth->text()).value);
    if (month < 1 || month > 12)
        m_capitalMonth->clear();
    else
        m_capitalMonth->setText(QString::number(int(month)));
    Recompute();
}

RateCategory MainWindow::category() const
{
    return m_perso[0]->isChecked() ? RateCategory::PersonnesPhysiques : RateCategory::Autres;
}

bool MainWindow::capitalise() const
{
    return m_anatocisme->isChecked();
}

QString MainWindow::capitalMonth() const
{
    return m_capitalMonth->text();
}

int MainWindow::lineOf(const QObject *cell) const
{
    for (int i = 0; i < kVisibleLines; ++i) {
        if (m_sums[i] == cell)
            return i;
    }
    return -1;
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease &&
        (watched == m_copyright || watched == m_monthHeading)) {
        emit aboutRequested();
        return true;
    }
    if (type != QEvent::FocusIn && type != QEvent::FocusOut)
        return QWidget::eventFilter(watched, event);

    const int line = lineOf(watched);
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

QList<MainWindow::Caption> MainWindow::captions() const
{
    QList<Caption> out;
    const int wrap = Qt::TextWordWrap;
    for (const QLabel *label : findChildren<QLabel *>()) {
        if (label->text().isEmpty() || label->objectName().startsWith(u"textind") ||
            label->objectName().startsWith(u"indice"))
            continue;
        out.append({label->objectName(), label->text(), label->contentsRect(),
                    int(label->alignment()) | (label->wordWrap() ? wrap : 0), label->font()});
    }
    for (const QRadioButton *b : m_coeff) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        const QRect r = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b);
        out.append({b->objectName(), b->text(), r, Qt::AlignLeft | Qt::AlignVCenter, b->font()});
    }
    {
        QStyleOptionButton opt;
        opt.initFrom(m_majore);
        const QRect r =
            m_majore->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, m_majore);
        out.append({m_majore->objectName(), m_majore->text(), r, Qt::AlignLeft, m_majore->font()});
    }
    for (const QRadioButton *b : m_perso) {
        const auto *w = static_cast<const WrapButton<QRadioButton> *>(b);
        out.append({b->objectName(), b->text(), w->textArea(), wrap, b->font()});
    }
    {
        const auto *w = static_cast<const WrapButton<QCheckBox> *>(m_anatocisme);
        out.append({m_anatocisme->objectName(), m_anatocisme->text(), w->textArea(), wrap,
                    m_anatocisme->font()});
    }
    for (const QGroupBox *box : findChildren<QGroupBox *>()) {
        if (box->title().isEmpty())
            continue;
        QStyleOptionGroupBox opt;
        opt.initFrom(box);
        opt.text = box->title();
        opt.subControls = QStyle::SC_GroupBoxLabel;
        opt.textAlignment = box->alignment();
        // The caption is painted from its place on the frame's line to the
        // frame's right edge.
        const QRect r =
            box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
        out.append({box->objectName(), box->title(),
                    QRect(r.left(), 0, box->width() - r.left() - 1, box->height()),
                    int(Qt::AlignLeft | Qt::AlignTop), box->font()});
    }
    for (const QAbstractButton *b : findChildren<QAbstractButton *>()) {
        if (b->objectName() == u"Command1" || b->objectName() == u"imprimer" ||
            b->objectName() == u"Command2")
            out.append({b->objectName(), QString(b->text()).remove(u'&'),
                        b->rect().adjusted(3, 0, -3, 0), int(Qt::AlignHCenter | Qt::AlignBottom),
                        b->font()});
    }
    return out;
}
