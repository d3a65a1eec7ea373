#include "schedule/tauxstate.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    TauxState state;
    MainWindow window(state);
    // The command line, whole, is the folder of the rates file.
    if (!window.LoadMainWindow(app.arguments().mid(1).join(u' ')))
        return 1;
    window.show();
    window.ActivateMainWindow();
    return app.exec();
}
