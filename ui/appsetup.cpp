#include "appsetup.h"

#include "output/bundledfonts.h"
#include "ui/icons.h"
#include "update/locations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QThreadPool>
#include <QTranslator>

void SetUpApplication(QApplication &app)
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setDesktopFileName(ApplicationId());
    InitIcons();
    AddBundledFonts();
    // The painter hands large fills to helper threads. For windows this
    // small they gain nothing, and the threads and their memory would last
    // as long as the program.
    QThreadPool::globalInstance()->setMaxThreadCount(1);

    // Qt's own buttons and context menus in French whatever the desktop's
    // language, as every text of the program is. Without the translation
    // package they stay in English.
    auto *qtTranslator = new QTranslator(&app);
    if (qtTranslator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                           QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);
}
