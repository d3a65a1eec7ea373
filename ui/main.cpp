#include "ui/icons.h"
#include "ui/tauxapp.h"
#include "update/locations.h"
#include "update/windowhooks.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setDesktopFileName(ApplicationId());
    InitIcons();

    // Qt's own buttons and context menus in French whatever the desktop's
    // language, as every text of the program is. Without the translation
    // package they stay in English.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    TauxApp::Hooks hooks;
    hooks.update = WindowUpdateHooks();
    // The command line, whole, is the folder of the rates file.
    TauxApp taux(LocateSettingsFile(QCoreApplication::applicationDirPath()),
                 LocateRatesFile(QCoreApplication::arguments().mid(1).join(u' ')), hooks);
    if (!taux.start(QDate::currentDate()))
        return 1;
    return app.exec();
}
