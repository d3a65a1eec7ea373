#pragma once

#include "schedule/tauxstate.h"
#include "ui/calculator.h"
#include "ui/statementwindow.h"
#include "update/autoupdate.h"
#include "update/settings.h"

#include <QDate>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class MainWindow;
class MajDialog;

// The running program: the state, the update settings, the hidden update
// dialog and the main window, started in the documented order and wired
// together.
class TauxApp : public QObject
{
    Q_OBJECT
public:
    // What the program does outside itself; tests replace these.
    struct Hooks
    {
        std::function<void(int exitCode)> endProgram;
        std::function<bool(const QString &ratesPath)> editByHand;
        UpdateHooks update;
        QStringList calculators; // desktop calculators to try; empty for the usual ones
        StatementWindow::Hooks statement;
    };

    // Both files are already located (see update/locations.h).
    TauxApp(const QString &iniPath, const QString &ratesPath, Hooks hooks);
    ~TauxApp() override;

    // Settings, the window's loading, the window shown and activated, then
    // the automatic update when switched on, away from the window's thread
    // (automaticUpdateFinished says when it is over). False when the rates
    // file could not be loaded: the user has been told and the program must
    // end with a failure code.
    bool start(const QDate &today);
    // Whether the automatic update is still at work.
    bool updating() const { return m_update && m_update->isRunning(); }

    TauxState &state() { return m_state; }
    UpdateSettings &settings() { return m_settings; }
    MainWindow &window() { return *m_window; }
    // Built the first time it is needed, from the settings read at start,
    // so that the window does not wait for a dialog it may never show.
    MajDialog &updateDialog();
    QString settingsPath() const { return m_iniPath; }

    void OpenUpdateDialog();
    void OpenAboutBox();
    // A statement window of its own, filled from what the main window shows:
    // the start date typed (else the start row's month), the start row's
    // amount, the category and the options. It never writes back.
    StatementWindow *OpenStatementWindow();
    // Closes every statement window, each asking about its unsaved work.
    // False when the user kept one open ("Annuler").
    bool CloseStatementWindows();

signals:
    // The automatic update is over; the window shows what it wrote.
    void automaticUpdateFinished(UpdateOutcome outcome);

private:
    void endProgram(int code);

    Hooks m_hooks;
    QString m_ratesPath;
    QString m_iniPath;
    TauxState m_state;
    UpdateSettings m_settings;
    std::unique_ptr<MajDialog> m_maj;
    std::unique_ptr<MainWindow> m_window;
    Calculator m_calculator;
    QList<QPointer<StatementWindow>> m_statements;
    // Last, so that it ends first: its thread must not outlive the rest.
    std::unique_ptr<BackgroundUpdate> m_update;
};
