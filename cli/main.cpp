// taux-legal-cli: the schedule and the statement of interest for scripts,
// spreadsheets and other programs.
#include "cli/commands.h"
#include "cli/usage.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>

namespace {

void printTo(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int finish(const QString &command, const Outcome &outcome)
{
    // Every line of the message names the program, as grep and editors
    // expect of a tool's diagnostics.
    QString text;
    for (const QString &line : outcome.message.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(QStringLiteral("Aide : ")))
            text += QStringLiteral("taux-legal-cli ") + command + QStringLiteral(" : ");
        text += line + u'\n';
    }
    printTo(stderr, text);
    return outcome.status;
}

// Qt's own notes (a missing runtime folder, a font it substitutes) are not
// the program's messages: a script reading standard error must see only
// those, and what goes wrong is said there in French.
void keepQtQuiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printTo(stderr, message + u'\n');
}

} // namespace

int main(int argc, char *argv[])
{
    // A reader that goes away (| head) ends the output, not the program.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    qInstallMessageHandler(keepQtQuiet);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    const Invocation invocation = ParseInvocation(arguments);
    if (invocation.kind == Invocation::Print) {
        printTo(stdout, invocation.text);
        return kDone;
    }
    if (invocation.kind == Invocation::Refused) {
        printTo(stderr, invocation.text);
        return kUsage;
    }

    if (invocation.needsPainting) {
        // Painting a PDF needs fonts, not a display: the offscreen platform
        // works on a server and in a terminal without one.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return finish(invocation.command, invocation.run());
    }
    QCoreApplication app(argc, argv);
    return finish(invocation.command, invocation.run());
}
