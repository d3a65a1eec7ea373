#include "appsetup.h"

#include "ui/icons.h"
#include "update/locations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void SetUpApplication(QApplication &app)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setDesktopFileName(ApplicationId());
    InitIcons();

    // Qt's own buttons and context menus in French whatever the desktop's
    // language, as every text of the program is. Without the translation
    // package they stay in English.
    auto *qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                           QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);
}
