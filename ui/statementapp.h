#pragma once

#include "ui/statementwindow.h"
#include "update/autoupdate.h"
#include "update/settings.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <memory>

class MajDialog;

// The statement window alone, as the desktop entry's action starts it: the
// settings, the window's rates, the update dialog, and the same automatic
// update as the main program's, so that a statement made from the desktop
// uses the same rates.
class StatementApp : public QObject
{
    Q_OBJECT
public:
    // Both files are already located (see update/locations.h).
    StatementApp(const QString &iniPath, const QString &ratesPath, UpdateHooks hooks);
    ~StatementApp() override;

    // The rates read and the window shown, then the automatic update when
    // switched on, away from the window's thread (automaticUpdateFinished
    // says when it is over). False when the rates file could not be loaded:
    // the user has been told and the program must end with a failure code.
    bool start(const QDate &today);
    // Whether the automatic update is still at work.
    bool updating() const { return m_update && m_update->isRunning(); }

    StatementWindow &window() { return m_window; }
    MajDialog &updateDialog() { return *m_maj; }

signals:
    // The automatic update is over; the window shows what it wrote.
    void automaticUpdateFinished(UpdateOutcome outcome);

private:
    QString m_iniPath;
    QString m_ratesPath;
    UpdateHooks m_hooks;
    UpdateSettings m_settings;
    StatementWindow m_window;
    std::unique_ptr<MajDialog> m_maj;
    // Last, so that it ends first: its thread must not outlive the rest.
    std::unique_ptr<BackgroundUpdate> m_update;
};
