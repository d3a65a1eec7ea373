#include "statementapp.h"

#include "update/majdialog.h"
#include "update/manualedit.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

StatementApp::StatementApp(const QString &iniPath, const QString &ratesPath, UpdateHooks hooks)
    : m_iniPath(iniPath), m_ratesPath(ratesPath), m_hooks(std::move(hooks)), m_window(ratesPath)
{}

StatementApp::~StatementApp() = default;

bool StatementApp::start(const QDate &today)
{
    m_settings = LoadUpdateSettings(m_iniPath);
    const LoadResult load = m_window.LoadRates();
    if (!load.ok()) {
        QMessageBox::critical(nullptr, load.title, load.message);
        return false;
    }

    m_window.setSettingsFile(m_iniPath);
    m_maj = std::make_unique<MajDialog>(m_settings, m_iniPath, &m_window);
    m_maj->setClock([this] { return m_window.today(); });
    connect(m_maj.get(), &MajDialog::manualUpdateRequested, this, [this] {
        // As in the main program: the rates edited by hand are read at the
        // next start; unsaved work is asked about first, and kept on
        // "Annuler".
        if (!m_window.MayClose())
            return;
        EditRatesFileByHand(m_ratesPath);
        m_maj->hide();
        m_window.hide();
        QCoreApplication::exit(0);
    });
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
            if (!manager.allowsInteraction())
                return;
            const bool mayEnd = m_window.MayClose();
            manager.release();
            if (!mayEnd)
                manager.cancel();
        });
    }
    connect(&m_window, &StatementWindow::updateRequested, this, [this] {
        m_maj->exec();
        m_window.ReloadRatesIfChanged();
    });
    m_window.show();

    // The window answers while the update downloads and reads; the rates it
    // brings show once it has written them.
    m_update = std::make_unique<BackgroundUpdate>(m_ratesPath, m_window.category(), m_settings,
                                                  today, m_hooks);
    connect(m_update.get(), &BackgroundUpdate::finished, this, [this](UpdateOutcome outcome) {
        // The ECB's table may have moved on even when the rates did not.
        m_window.ReloadRatesIfChanged();
        emit automaticUpdateFinished(outcome);
    });
    m_update->start();
    return true;
}
