// The yardstick for the program's start: the least a Qt program does to
// show a window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Taux légal"));
    window.setFixedSize(386, 423);
    window.show();
    return app.exec();
}
