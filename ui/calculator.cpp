#include "calculator.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdlib>
#include <memory>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <csignal>
#include <sys/types.h>
#endif
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#define TAUX_HAS_XCB
#include <xcb/xcb.h>
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
        BringWindowForward(m_pid, m_windowClass);
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
            m_windowClass = QFileInfo(path).fileName();
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
    if (!stat.open(QIODevice::ReadOnly)) // reaped since, or no /proc: ask again
        return ::kill(static_cast<pid_t>(m_pid), 0) == 0 &&
               !QFile::exists(QStringLiteral("/proc/self"));
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close < 0 || line.size() < close + 3 || line.at(close + 2) != 'Z';
#endif
}

#ifdef TAUX_HAS_XCB
namespace {

template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t *x, const char *name)
{
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, uint16_t(qstrlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The property's value as 32-bit items (at most `count` of them).
QList<quint32> property32(xcb_connection_t *x, xcb_window_t window, xcb_atom_t name,
                          xcb_atom_t type, quint32 count)
{
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(x, xcb_get_property(x, 0, window, name, type, 0, count), nullptr),
        &std::free);
    QList<quint32> items;
    if (!reply || reply->format != 32 || reply->type != type)
        return items;
    const auto *values = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
    const int n = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < n; ++i)
        items << values[i];
    return items;
}

// WM_CLASS holds two texts, the instance and the class, each ended by a nul.
QStringList windowClasses(xcb_connection_t *x, xcb_window_t window)
{
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            x, xcb_get_property(x, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr),
        &std::free);
    if (!reply || reply->format != 8)
        return {};
    const QByteArray bytes(static_cast<const char *>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
    QStringList classes;
    for (const QByteArray &part : bytes.split('\0'))
        if (!part.isEmpty())
            classes << QString::fromLatin1(part);
    return classes;
}

xcb_window_t findWindow(xcb_connection_t *x, xcb_window_t root, qint64 pid,
                        const QString &windowClass)
{
    // The window manager's list of managed windows: the top-level windows a
    // user can see, without the frames and helper windows around them.
    const QList<quint32> clients =
        property32(x, root, atom(x, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 4096);
    const xcb_atom_t pidAtom = atom(x, "_NET_WM_PID");
    for (const quint32 window : clients)
        if (property32(x, window, pidAtom, XCB_ATOM_CARDINAL, 1).value(0) == quint64(pid))
            return window;
    if (windowClass.isEmpty())
        return XCB_WINDOW_NONE;
    for (const quint32 window : clients)
        for (const QString &name : windowClasses(x, window))
            if (name.compare(windowClass, Qt::CaseInsensitive) == 0)
                return window;
    return XCB_WINDOW_NONE;
}

} // namespace
#endif

bool BringWindowForward(qint64 pid, const QString &windowClass)
{
#ifdef TAUX_HAS_XCB
    if (pid <= 0 || qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    int screenNumber = 0;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, &screenNumber), &xcb_disconnect);
    xcb_connection_t *x = connection.get();
    if (xcb_connection_has_error(x))
        return false;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return false;
    const xcb_window_t root = screens.data->root;
    const xcb_window_t window = findWindow(x, root, pid, windowClass);
    if (window == XCB_WINDOW_NONE)
        return false;

    // The window manager decides; source 2 says the user asked for it, so
    // focus-stealing prevention lets it through.
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(x, "_NET_ACTIVE_WINDOW");
    message.data.data32[0] = 2;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(x);
    return !xcb_connection_has_error(x);
#else
    Q_UNUSED(pid);
    Q_UNUSED(windowClass);
    return false;
#endif
}
