#include "tauxapp.h"

#include "output/clipboard.h"
#include "output/printing.h"
#include "ui/aboutbox.h"
#include "ui/mainwindow.h"
#include "update/majdialog.h"
#include "update/manualedit.h"

#include <QCoreApplication>

TauxApp::TauxApp(const QString &iniPath, const QString &ratesPath, Hooks hooks)
    : m_hooks(std::move(hooks)), m_ratesPath(ratesPath), m_iniPath(iniPath),
      m_calculator(m_hooks.calculators.isEmpty() ? Calculator::defaultPrograms()
                                                 : m_hooks.calculators)
{
    if (!m_hooks.endProgram)
        m_hooks.endProgram = [](int code) { QCoreApplication::exit(code); };
    if (!m_hooks.editByHand)
        m_hooks.editByHand = EditRatesFileByHand;
}

TauxApp::~TauxApp() = default;

bool TauxApp::start(const QDate &today)
{
    m_settings = LoadUpdateSettings(m_iniPath);

    m_window = std::make_unique<MainWindow>(m_state);
    m_window->setHooks({[this](int code) { endProgram(code); }, {}});
    connect(m_window.get(), &MainWindow::updateRequested, this, &TauxApp::OpenUpdateDialog);
    connect(m_window.get(), &MainWindow::aboutRequested, this, &TauxApp::OpenAboutBox);
    connect(m_window.get(), &MainWindow::printRequested, this,
            [this] { PrintSchedule(m_window.get(), m_state); });
    connect(m_window.get(), &MainWindow::copyRequested, this,
            [this] { CopySchedule(m_window.get(), m_state); });
    connect(m_window.get(), &MainWindow::calculatorRequested, this,
            [this] { m_calculator.OpenCalculator(); });

    if (!m_window->LoadMainWindow(m_ratesPath))
        return false;
    if (const auto update = MaybeRunAutomaticUpdate(m_state, m_settings, today, m_hooks.update)) {
        if (update->outcome == UpdateOutcome::Updated && !m_window->ShowLoadResult(update->load))
            return false;
    }
    m_window->show();
    m_window->ActivateMainWindow();
    return true;
}

MajDialog &TauxApp::updateDialog()
{
    if (!m_maj) {
        m_maj = std::make_unique<MajDialog>(m_settings, m_iniPath);
        connect(m_maj.get(), &MajDialog::manualUpdateRequested, this, [this] {
            // The user edits the file by hand; the edited rates are read at
            // the next start.
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

void TauxApp::endProgram(int code)
{
    if (m_maj)
        m_maj->hide();
    if (m_window)
        m_window->hide();
    m_hooks.endProgram(code);
}
