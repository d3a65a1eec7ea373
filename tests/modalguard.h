#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>

// Watches for modal dialogs while a test calls code that may open one.
// Each dialog that `watches` accepts (all of them by default) is handed to
// `inspect` and then closed, so a test never hangs on a box nobody clicks.
class ModalGuard : public QObject
{
public:
    explicit ModalGuard(std::function<void(QDialog *)> inspect = {},
                        std::function<bool(QDialog *)> watches = {})
        : m_inspect(std::move(inspect)), m_watches(std::move(watches))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalGuard::poll);
        m_timer.start(10);
    }

    int seen() const { return m_seen; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog == m_last || (m_watches && !m_watches(dialog)))
            return;
        m_last = dialog;
        ++m_seen;
        if (m_inspect)
            m_inspect(dialog);
        dialog->reject();
    }

    std::function<void(QDialog *)> m_inspect;
    std::function<bool(QDialog *)> m_watches;
    QTimer m_timer;
    QPointer<QDialog> m_last;
    int m_seen = 0;
};

// Closes every message box that opens while a window test runs and keeps
// its title and text, so a test checks the boxes it expects and fails on
// the others; the program's own dialogs are left to the test.
class MessageBoxGuard
{
public:
    // Takes what was seen so far.
    QStringList take()
    {
        QStringList out = seen;
        seen.clear();
        icons.clear();
        busy.clear();
        return out;
    }

    QStringList seen;
    QList<QMessageBox::Icon> icons;
    QList<bool> busy; // the hourglass was still shown over the box
    // The caption of the button to press in the next boxes, or kEnter for
    // the Enter key; empty, the box is cancelled.
    QString answer;
    static constexpr char16_t kEnter[] = u"<Entrée>";

private:
    ModalGuard m_guard{[this](QDialog *dialog) {
                           auto *box = static_cast<QMessageBox *>(dialog);
                           seen << box->windowTitle() + QStringLiteral(" | ") + box->text();
                           icons << box->icon();
                           busy << bool(QGuiApplication::overrideCursor());
                           if (answer == QStringView(kEnter))
                               QTest::keyClick(box, Qt::Key_Return);
                           for (QAbstractButton *button : box->buttons()) {
                               if (!answer.isEmpty() && button->text() == answer)
                                   button->click();
                           }
                       },
                       [](QDialog *dialog) { return qobject_cast<QMessageBox *>(dialog); }};
};
