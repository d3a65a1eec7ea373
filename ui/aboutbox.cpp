#include "aboutbox.h"

#include "ui/icons.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace {

const QSize kClientSize(176, 160);

} // namespace

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmTOLMEN"));
    setWindowTitle(QStringLiteral("TOLMEN"));
    setFixedSize(kClientSize);

    // A style sheet rather than a palette: the main window's own sheet would
    // otherwise cascade into this box and paint over the black.
    setStyleSheet(QStringLiteral("QDialog#FrmTOLMEN { background-color: black; }"
                                 "QLabel { background: transparent; }"
                                 "QLabel#LabelTolmen { color: rgb(255, 255, 128); }"));

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image3"));
    logo->setPixmap(LoadPicture(QStringLiteral(":/icons/logo.png")));
    logo->setGeometry(12, 8, 145, 50);

    auto *label = new QLabel(tolmenText(), this);
    label->setObjectName(QStringLiteral("LabelTolmen"));
    label->setGeometry(16, 64, 141, 85);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // Six lines must fit the label's 85 pixels whatever the desktop's
    // default font size.
    QFont small = label->font();
    small.setPixelSize(11);
    label->setFont(small);

    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), kClientSize);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QString AboutBox::tolmenText()
{
    return QStringList{
        QStringLiteral("TOLMEN"),
        QStringLiteral("7, quai des Cordiers"),
        QStringLiteral("56410 Port-Kerhoan"),
        QStringLiteral("République de Lanvaric"),
        QString(),
        QStringLiteral("© 2016 TOLMEN"),
    }
        .join(QStringLiteral("\r\n"));
}

void ShowAboutBox(QWidget *parent)
{
    AboutBox box(parent);
    box.exec();
}
