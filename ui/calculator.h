#pragma once

#include <QStringList>

// The calculator button: one calculator per run of this program, brought
// forward when it is still open rather than started a second time.
class Calculator
{
public:
    enum class Outcome { Started, BroughtForward, NoneStarted };

    // Desktop calculators in order of preference, by program name.
    static QStringList defaultPrograms();

    explicit Calculator(QStringList programs = defaultPrograms());

    // Brings forward the calculator this object started when it still
    // runs, else starts the first installed one. Says nothing to the user
    // when none can be started; the outcome is for the caller's benefit.
    Outcome OpenCalculator();

    // The process id of the calculator started last, 0 when none.
    qint64 pid() const { return m_pid; }

private:
    bool stillRunning() const;

    QStringList m_programs;
    qint64 m_pid = 0;
    QString m_windowClass; // of the calculator started last
};

// Asks the window manager of the X display to bring forward the top-level
// window of process `pid`, or, for programs that do not name their process
// on their window, the first whose class is `windowClass` (compared without
// letter case). False when there is no X display or no such window.
bool BringWindowForward(qint64 pid, const QString &windowClass);
