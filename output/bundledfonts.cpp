#include "bundledfonts.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#endif

void AddBundledFonts()
{
#ifdef Q_OS_WIN
    // The program's folder is known once the application object exists.
    static bool added = false;
    if (added || !QCoreApplication::instance())
        return;
    added = true;
    const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    for (const QString &name : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files))
        QFontDatabase::addApplicationFont(fonts.filePath(name));
#endif
}
