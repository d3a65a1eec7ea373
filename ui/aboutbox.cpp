#include "aboutbox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QScreen>

namespace {

const QSize kClientSize(176, 160);
const QColor kTextColour(255, 255, 128);

} // namespace

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmTOLMEN"));
    setWindowTitle(QStringLiteral("TOLMEN"));
    setFixedSize(kClientSize);

    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image3"));
    logo->setPixmap(QPixmap(QStringLiteral(":/icons/logo.png")));
    logo->setGeometry(12, 8, 145, 50);

    auto *label = new QLabel(tolmenText(), this);
    label->setObjectName(QStringLiteral("LabelTolmen"));
    label->setGeometry(16, 64, 141, 85);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QPalette yellow = label->palette();
    yellow.setColor(QPalette::WindowText, kTextColour);
    label->setPalette(yellow);
    // Six lines must fit the label's 85 pixels whatever the desktop's
    // default size, as they did with the small dialog font of old.
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
