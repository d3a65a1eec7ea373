#include "schedule/tauxstate.h"
#include "ui/appsetup.h"
#include "ui/statementwindow.h"
#include "update/autoupdate.h"
#include "update/locations.h"
#include "update/majdialog.h"
#include "update/manualedit.h"
#include "update/settings.h"
#include "update/windowhooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

// The statement window alone, as the desktop entry's action starts it. The
// command line is read as the main program reads it: the whole text is the
// folder of the rates file.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SetUpApplication(app);

    const QString iniPath = LocateSettingsFile(QCoreApplication::applicationDirPath());
    const QString ratesPath = LocateRatesFile(QCoreApplication::arguments().mid(1).join(u' '));
    UpdateSettings settings = LoadUpdateSettings(iniPath);

    // The same automatic update as the main program's start, so that a
    // statement made from the desktop uses the same rates.
    {
        TauxState state;
        state.setRatesFile(ratesPath);
        if (state.LoadRatesFile().ok())
            MaybeRunAutomaticUpdate(state, settings, QDate::currentDate(), WindowUpdateHooks());
    }

    StatementWindow window(ratesPath);
    const LoadResult load = window.LoadRates();
    if (!load.ok()) {
        QMessageBox::critical(nullptr, load.title, load.message);
        return 1;
    }

    window.setSettingsFile(iniPath);
    MajDialog maj(settings, iniPath, &window);
    QObject::connect(&maj, &MajDialog::manualUpdateRequested, &app, [&] {
        // As in the main program: the rates edited by hand are read at the
        // next start; unsaved work is asked about first, and kept on
        // "Annuler".
        if (!window.MayClose())
            return;
        EditRatesFileByHand(ratesPath);
        maj.hide();
        window.hide();
        QCoreApplication::exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&](QSessionManager &manager) {
                         if (!manager.allowsInteraction())
                             return;
                         const bool mayEnd = window.MayClose();
                         manager.release();
                         if (!mayEnd)
                             manager.cancel();
                     });
    QObject::connect(&window, &StatementWindow::updateRequested, &app, [&] {
        maj.exec();
        window.ReloadRatesIfChanged();
    });
    window.show();
    return app.exec();
}
