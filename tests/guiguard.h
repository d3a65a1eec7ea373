#pragma once

// Closes every message box that opens while a window test runs, and keeps
// its title and text, so a test checks the boxes it expects and fails on
// the others instead of hanging on a modal loop.
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

class MessageBoxGuard : public QObject
{
public:
    MessageBoxGuard()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (box && box->isVisible()) {
                    seen << box->windowTitle() + QStringLiteral(" | ") + box->text();
                    icons << box->icon();
                    box->done(QMessageBox::Ok);
                }
            }
        });
        m_timer.start();
    }

    // Takes what was seen so far.
    QStringList take()
    {
        QStringList out = seen;
        seen.clear();
        icons.clear();
        return out;
    }

    QStringList seen;
    QList<QMessageBox::Icon> icons;

private:
    QTimer m_timer;
};
