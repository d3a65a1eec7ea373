#include "calculator.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <csignal>
#include <sys/types.h>
#endif

QStringList Calculator::defaultPrograms()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("CALC.EXE")};
#else
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
            QStringLiteral("galculator"),       QStringLiteral("mate-calc"),
            QStringLiteral("qalculate-gtk"),    QStringLiteral("xcalc")};
#endif
}

Calculator::Calculator(QStringList programs) : m_programs(std::move(programs)) {}

Calculator::Outcome Calculator::OpenCalculator()
{
#ifdef Q_OS_WIN
    // The system calculator is found by its window class whoever started it.
    if (HWND window = FindWindowA("SciCalc", nullptr)) {
        BringWindowToTop(window);
        return Outcome::BroughtForward;
    }
#else
    if (stillRunning()) {
        bringForward();
        return Outcome::BroughtForward;
    }
#endif
    for (const QString &program : std::as_const(m_programs)) {
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            continue;
        qint64 pid = 0;
        // No shell between us and the calculator: the path goes to exec as is.
        if (QProcess::startDetached(path, {}, QString(), &pid)) {
            m_pid = pid;
            return Outcome::Started;
        }
    }
    m_pid = 0;
    return Outcome::NoneStarted;
}

bool Calculator::stillRunning() const
{
#ifdef Q_OS_WIN
    return false;
#else
    if (m_pid <= 0 || ::kill(static_cast<pid_t>(m_pid), 0) != 0)
        return false;
    // A calculator that has quit can linger as a zombie when nothing reaps
    // it (a container's first process, for one); it is no longer open.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close < 0 || line.size() < close + 3 || line.at(close + 2) != 'Z';
#endif
}

void Calculator::bringForward() const
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        return;
    QProcess::startDetached(xdotool, {QStringLiteral("search"), QStringLiteral("--pid"),
                                      QString::number(m_pid), QStringLiteral("windowactivate")});
}
