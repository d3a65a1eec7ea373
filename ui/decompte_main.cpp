#include "ui/appsetup.h"
#include "ui/statementapp.h"
#include "update/locations.h"
#include "update/windowhooks.h"

#include <QApplication>

// The statement window alone, as the desktop entry's action starts it. The
// command line is read as the main program reads it: the whole text is the
// folder of the rates file.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SetUpApplication(app);

    StatementApp statement(
        LocateSettingsFile(QCoreApplication::applicationDirPath()),
        LocateRatesFile(QCoreApplication::arguments().mid(1).join(u' '), QDate::currentDate()),
        WindowUpdateHooks());
    if (!statement.start(QDate::currentDate()))
        return 1;
    return app.exec();
}
