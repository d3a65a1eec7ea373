#include "ui/appsetup.h"
#include "ui/tauxapp.h"
#include "update/locations.h"
#include "update/windowhooks.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SetUpApplication(app);

    TauxApp::Hooks hooks;
    hooks.update = WindowUpdateHooks();
    // The command line, whole, is the folder of the rates file.
    TauxApp taux(
        LocateSettingsFile(QCoreApplication::applicationDirPath()),
        LocateRatesFile(QCoreApplication::arguments().mid(1).join(u' '), QDate::currentDate()),
        hooks);
    if (!taux.start(QDate::currentDate()))
        return 1;
    return app.exec();
}
