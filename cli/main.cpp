// taux-legal-cli: the schedule and the statement of interest for scripts,
// spreadsheets and other programs.
#include "cli/commands.h"
#include "cli/usage.h"
#include "output/pdfmodule.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, whose types it uses
#endif

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

// The program's folder before any application object exists: the PDF
// module makes the one it paints with.
QString programFolder(int argc, char *argv[])
{
#ifdef Q_OS_LINUX
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists())
        return QFileInfo(self.symLinkTarget()).absolutePath();
#endif
    const QCoreApplication app(argc, argv);
    return QCoreApplication::applicationDirPath();
}

// The arguments as typed. On Windows `argv` holds them in the ANSI code
// page, which loses what it lacks: they are read again as the system keeps
// them.
QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
#ifdef Q_OS_WIN
    int count = 0;
    if (wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments.append(QString::fromWCharArray(wide[i]));
        LocalFree(wide);
        return arguments;
    }
#endif
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    // A reader that goes away (| head) ends the output, not the program.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef Q_OS_WIN
    // The outputs are bytes, CR LF where a format wants them, never text the
    // C library would turn "\n" into "\r\n" in; a console shows them as UTF-8.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    // A batch's lines are computed on threads Qt did not start; on Windows,
    // PCRE2's just-in-time code read freed memory on such a thread now and
    // then. The patterns are short: they are interpreted instead.
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
#endif
    qInstallMessageHandler(keepQtQuiet);
    const QStringList arguments = argumentsOf(argc, argv);

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
        QString error;
        const PdfFunctions *pdf = LoadPdfModule(programFolder(argc, argv), &error);
        if (!pdf)
            return finish(invocation.command,
                          {kWriteFailed, QStringLiteral("impossible d'écrire un PDF : le module "
                                                        "qui les écrit est introuvable ; "
                                                        "réinstallez le programme")});
        return pdf->withPainting(argc, argv,
                                 [&] { return finish(invocation.command, invocation.run()); });
    }
    QCoreApplication app(argc, argv);
    return finish(invocation.command, invocation.run());
}
