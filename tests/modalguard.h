#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Watches for modal dialogs while a test calls code that may open one.
// Each dialog is handed to `inspect` and then closed, so a test never hangs
// on a box nobody clicks; a guard that outlives its deadline closes any box
// still open.
class ModalGuard : public QObject
{
public:
    explicit ModalGuard(std::function<void(QDialog *)> inspect = {}) : m_inspect(std::move(inspect))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalGuard::poll);
        m_timer.start(10);
    }

    int seen() const { return m_seen; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog == m_last)
            return;
        m_last = dialog;
        ++m_seen;
        if (m_inspect)
            m_inspect(dialog);
        dialog->reject();
    }

    std::function<void(QDialog *)> m_inspect;
    QTimer m_timer;
    QPointer<QDialog> m_last;
    int m_seen = 0;
};
