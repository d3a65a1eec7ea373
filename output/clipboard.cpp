#include "clipboard.h"

#include "output/busycursor.h"
#include "output/clipboardtext.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>

bool CopySchedule(QWidget *parent, const TauxState &state)
{
    BusyCursor busy;
    const QString text = ClipboardText(state, QLocale());
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    // The platform gives no result for setText: reading back is the only
    // way to know the copy reached the clipboard.
    if (clipboard->text() == text)
        return true;
    busy.restore();
    QMessageBox::warning(parent, QStringLiteral("Copier"),
                         QStringLiteral("Le tableau n'a pas pu être copié dans le presse-papiers. "
                                        "Réessayez dans un instant."));
    return false;
}
