#include "windowhooks.h"

#include <QCursor>
#include <QGuiApplication>

UpdateHooks WindowUpdateHooks()
{
    UpdateHooks hooks;
    hooks.setBusy = [](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    };
    return hooks;
}
