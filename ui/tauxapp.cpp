#include "tauxapp.h"

#include "output/clipboard.h"
#include "output/printing.h"
#include "ui/aboutbox.h"
#include "ui/dateinput.h"
#include "ui/mainwindow.h"
#include "update/majdialog.h"
#include "update/manualedit.h"

#include <QApplication>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>

#include <cmath>

namespace {

// The main window's sums are floating point; the statement counts cents.
std::optional<Cents> toCents(const std::optional<double> &amount)
{
    if (!amount || !std::isfinite(*amount) || *amount < 0 || *amount >= 1e13)
        return std::nullopt;
    return std::llround(*amount * 100.0);
}

} // namespace

TauxApp::TauxApp(const QString &iniPath, const QString &ratesPath, Hooks hooks)
    : m_hooks(std::move(hooks)), m_ratesPath(ratesPath), m_iniPath(iniPath),
      m_calculator(m_hooks.calculators.isEmpty() ? Calculator::defaultPrograms()
                                                 : m_hooks.calculators)
{
    if (!m_hooks.endProgram)
        m_hooks.endProgram = [](int code) { QCoreApplication::exit(code); };
    if (!m_hooks.editByHand)
        m_hooks.editByHand = EditRatesFileByHand;
    // The desktop session ending: each statement with unsaved work asks, and
    // "Annuler" keeps the session from ending where the session allows it.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
            if (manager.allowsInteraction()) {
                const bool closed = CloseStatementWindows();
                manager.release();
                if (!closed)
                    manager.cancel();
            }
        });
    }
}

TauxApp::~TauxApp()
{
    for (const QPointer<StatementWindow> &statement : m_statements)
        delete statement.data();
}

bool TauxApp::start(const QDate &today)
{
    m_settings = LoadUpdateSettings(m_iniPath);

    m_window = std::make_unique<MainWindow>(m_state);
    m_window->setHooks(
        {[this](int code) { endProgram(code); }, {}, [this] { return CloseStatementWindows(); }});
    connect(m_window.get(), &MainWindow::updateRequested, this, &TauxApp::OpenUpdateDialog);
    connect(m_window.get(), &MainWindow::aboutRequested, this, &TauxApp::OpenAboutBox);
    connect(m_window.get(), &MainWindow::printRequested, this,
            [this] { PrintSchedule(m_window.get(), m_state); });
    connect(m_window.get(), &MainWindow::copyRequested, this,
            [this] { CopySchedule(m_window.get(), m_state); });
    connect(m_window.get(), &MainWindow::calculatorRequested, this,
            [this] { m_calculator.OpenCalculator(); });
    connect(m_window.get(), &MainWindow::statementRequested, this, &TauxApp::OpenStatementWindow);

    if (!m_window->LoadMainWindow(m_ratesPath))
        return false;
    m_window->show();
    m_window->ActivateMainWindow();
    // The window answers while the update downloads and reads; the rates it
    // brings show once it has written them.
    m_update = std::make_unique<BackgroundUpdate>(m_state.table().filePath, m_state.category(),
                                                  m_settings, today, m_hooks.update);
    connect(m_update.get(), &BackgroundUpdate::finished, this, [this](UpdateOutcome outcome) {
        if (outcome == UpdateOutcome::Updated)
            m_window->LoadRatesFile();
        emit automaticUpdateFinished(outcome);
    });
    m_update->start();
    return true;
}

MajDialog &TauxApp::updateDialog()
{
    if (!m_maj) {
        m_maj = std::make_unique<MajDialog>(m_settings, m_iniPath);
        m_maj->setRatesFile(m_state.table().filePath);
        // Half-years added from the dialog show in the window behind it at once.
        connect(m_maj.get(), &MajDialog::ratesFileChanged, this,
                [this] { m_window->ActivateMainWindow(); });
        connect(m_maj.get(), &MajDialog::manualUpdateRequested, this, [this] {
            // The user edits the file by hand; the edited rates are read at
            // the next start. A statement kept open ("Annuler") keeps the
            // program running.
            if (!CloseStatementWindows())
                return;
            m_hooks.editByHand(m_state.table().filePath);
            endProgram(0);
        });
    }
    return *m_maj;
}

void TauxApp::OpenUpdateDialog()
{
    updateDialog().exec();
    m_window->ActivateMainWindow();
}

void TauxApp::OpenAboutBox()
{
    ShowAboutBox(m_window.get());
    m_window->ActivateMainWindow();
}

bool TauxApp::CloseStatementWindows()
{
    for (const QPointer<StatementWindow> &statement : std::as_const(m_statements)) {
        if (statement && statement->isVisible() && !statement->close())
            return false;
    }
    return true;
}

StatementWindow *TauxApp::OpenStatementWindow()
{
    // A second statement stands below and to the right of the newest one
    // still open, not exactly over it.
    QPointer<StatementWindow> previous;
    for (const QPointer<StatementWindow> &open : std::as_const(m_statements)) {
        if (open && open->isVisible())
            previous = open;
    }
    auto *statement = new StatementWindow(m_state.table().filePath);
    statement->setAttribute(Qt::WA_DeleteOnClose);
    statement->setHooks(m_hooks.statement);
    statement->setSettingsFile(m_iniPath);
    if (previous) {
        const int step = statement->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
        QPoint at = previous->pos() + QPoint(step, step);
        if (const QScreen *screen = previous->screen()) {
            // Back to the top left corner when the next step would leave
            // the screen.
            const QRect available = screen->availableGeometry();
            if (!available.contains(QRect(at, statement->size())))
                at = available.topLeft() + QPoint(step, step) * int(m_statements.size() % 4);
        }
        statement->move(at);
    }
    connect(statement, &StatementWindow::updateRequested, this, [this, statement] {
        OpenUpdateDialog();
        if (m_statements.contains(statement))
            statement->ReloadRatesIfChanged();
    });
    m_statements.removeAll(nullptr);
    m_statements << statement;

    StatementInput input;
    const QLocale french(QLocale::French, QLocale::France);
    const int row = m_state.startRow();
    if (const auto typed = parseStartDate(m_window->typedStartDate(), french))
        input.from = typed->date();
    else if (row >= 0 && row < m_state.table().count)
        input.from = m_state.table().rows[row].monthStart;
    else if (m_state.table().count > 0)
        input.from = m_state.table().rows[0].monthStart;
    if (row >= 0)
        input.principal = toCents(m_state.sums()[row]).value_or(0);
    input.to = statement->today();
    input.coefficient = m_state.coefficient();
    if (m_state.majoration() > 0)
        input.majorationFrom = input.from;
    input.capitalise = m_state.capitalise();
    // The table capitalises in the month typed in the main window: the
    // statement's anniversaries fall in the same month, from its first
    // day on or after the start.
    bool isMonth = false;
    const int month = m_state.capitalMonth().toInt(&isMonth);
    if (input.capitalise && isMonth && month >= 1 && month <= 12 && input.from.isValid()) {
        QDate first(input.from.year(), month, 1);
        if (first < input.from)
            first = first.addYears(1);
        input.capitalisationFrom = first;
    }
    statement->setInputs(input, m_state.category());
    statement->show();
    statement->raise();
    statement->activateWindow();
    return statement;
}

void TauxApp::endProgram(int code)
{
    // The windows were asked before a close or a manual update; after a
    // rates-file failure each still offers to save before the program ends.
    CloseStatementWindows();
    for (const QPointer<StatementWindow> &statement : std::as_const(m_statements))
        delete statement.data();
    if (m_maj)
        m_maj->hide();
    if (m_window)
        m_window->hide();
    m_hooks.endProgram(code);
}
