// Not a target, a reference for the start: the bare window with a single
// empty text field. A text field lays its text out as it is made, so Qt
// reads the system's font configuration before the window is shown; any
// window with a field to type in pays that much over the bare one.
#include <QApplication>
#include <QLineEdit>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Taux légal"));
    window.setFixedSize(386, 423);
    auto *field = new QLineEdit(&window);
    field->setGeometry(16, 104, 81, 19);
    window.show();
    return app.exec();
}
