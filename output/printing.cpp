#include "printing.h"

#include "files/modules.h"
#include "output/busycursor.h"
#include "output/reportpdf.h"
#include "schedule/tauxstate.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include <cups/cups.h>
#endif

namespace {

#ifndef Q_OS_WIN
// The print server's library is loaded at the first print rather than at
// start: it brings encryption and authentication libraries along, which the
// window does not need to show.
bool submitToPrintServer(const QString &queue, const QString &pdfPath, QString *error)
{
    static QLibrary cups(QStringLiteral("cups"), 2);
    const auto printFile =
        reinterpret_cast<decltype(&cupsPrintFile)>(cups.resolve("cupsPrintFile"));
    const auto lastError =
        reinterpret_cast<decltype(&cupsLastErrorString)>(cups.resolve("cupsLastErrorString"));
    if (!printFile || !lastError) {
        if (error)
            *error = cups.errorString();
        return false;
    }
    const int job = printFile(queue.toUtf8().constData(), QFile::encodeName(pdfPath).constData(),
                              "Taux légal", 0, nullptr);
    if (job <= 0 && error)
        *error = QString::fromUtf8(lastError());
    return job > 0;
}

// Renders the report to a PDF file on the queue's paper and hands it to
// the queue, so the server's answer is seen: Qt's own print back end
// forgets whether the job was accepted.
bool submitReport(const TauxState &state, const PrintQueue &queue, const PrintHooks &hooks)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString pdf = dir.filePath(QStringLiteral("echeancier.pdf"));
    if (!WriteReportPdf(pdf, queue.layout, queue.resolution, state, QLocale()))
        return false;
    QString error;
    return hooks.submit(queue.name, pdf, &error);
}
#endif

} // namespace

const PrintFunctions *LoadPrintModule(const QString &programDir, QString *error)
{
    return LoadModuleTable<PrintFunctions>(programDir, QStringLiteral("tauxprint"),
                                           "taux_print_functions", kPrintModuleVersion, error);
}

namespace {

const PrintFunctions *printModuleSaid(const QString &programDir)
{
    QString error;
    const PrintFunctions *module = LoadPrintModule(programDir, &error);
    if (!module)
        qWarning("Module d'impression introuvable : %s", qUtf8Printable(error));
    return module;
}

} // namespace

const PrintFunctions *ProgramPrintModule()
{
    return printModuleSaid(QCoreApplication::applicationDirPath());
}

PrintHooks SystemPrintHooks()
{
    return SystemPrintHooks(QCoreApplication::applicationDirPath());
}

PrintHooks SystemPrintHooks(const QString &programDir)
{
    PrintHooks hooks;
    hooks.supportLoads = [programDir] { return printModuleSaid(programDir) != nullptr; };
    hooks.defaultPrinter = [programDir]() -> std::optional<PrintQueue> {
        const PrintFunctions *module = printModuleSaid(programDir);
        return module ? module->defaultQueue() : std::nullopt;
    };
#ifdef Q_OS_WIN
    hooks.submit = [](const QString &, const QString &, QString *error) {
        if (error)
            *error = QStringLiteral("Impression de fichiers non prise en charge.");
        return false;
    };
#else
    hooks.submit = submitToPrintServer;
#endif
    return hooks;
}

bool PrintSchedule(QWidget *parent, const TauxState &state, const PrintHooks &hooks)
{
    if (hooks.supportLoads && !hooks.supportLoads()) {
        ShowPrintSupportMissing(parent);
        return false;
    }
    const std::optional<PrintQueue> queue =
        hooks.defaultPrinter ? hooks.defaultPrinter() : std::nullopt;
    if (!queue) {
        ShowPrintError(parent);
        return false;
    }
#ifdef Q_OS_WIN
    // The system's spooler reports a refused job to the print engine.
    const PrintFunctions *module = ProgramPrintModule();
    if (!module) {
        ShowPrintSupportMissing(parent);
        return false;
    }
    return module->printReportOnQueue(parent, queue->name, state);
#else
    BusyCursor busy;
    if (submitReport(state, *queue, hooks))
        return true;
    busy.restore();
    ShowPrintError(parent);
    return false;
#endif
}
