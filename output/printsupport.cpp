#include "printsupport.h"

#include "output/busycursor.h"
#include "output/reportpdf.h"
#include "output/statementexport.h"
#include "output/statementpdf.h"
#include "output/titleexport.h"
#include "output/titlepdf.h"
#include "schedule/tauxstate.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <functional>

namespace {

bool printerHealthy(const QPrinter &printer)
{
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

} // namespace

bool PrintReport(QPrinter &printer, const TauxState &state, const QLocale &locale)
{
    const bool printed =
        PaintReport(printer, state, locale, [&printer] { return printerHealthy(printer); });
    if (!printed)
        printer.abort();
    return printed;
}

bool PrintScheduleOn(QWidget *parent, QPrinter &printer, const TauxState &state)
{
    BusyCursor busy;
    if (PrintReport(printer, state, QLocale()))
        return true;
    busy.restore();
    ShowPrintError(parent);
    return false;
}

std::optional<PrintQueue> DefaultPrintQueue()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return std::nullopt;
    const QPrinter printer(info, QPrinter::HighResolution);
    return PrintQueue{info.printerName(), printer.pageLayout(), printer.resolution()};
}

bool PrintReportOnQueue(QWidget *parent, const QString &queue, const TauxState &state)
{
    QPrinter printer(QPrinterInfo::printerInfo(queue), QPrinter::HighResolution);
    return PrintScheduleOn(parent, printer, state);
}

namespace {

bool preview(QWidget *parent, const std::function<bool(QPrinter &)> &paint)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(QStringLiteral("Décompte"));
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Aperçu avant impression"));
    // Large enough to read a page, as the statement window itself.
    if (parent)
        preview.resize(parent->size());
    bool painted = true;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&](QPrinter *target) { painted = paint(*target); });
    // The preview paints as it opens; what counts is the last painting,
    // the one sent to the printer when the user prints.
    return preview.exec() != QDialog::Accepted || painted;
}

} // namespace

bool PreviewStatement(QWidget *parent, const StatementDocument &document, const QLocale &locale)
{
    return preview(parent,
                   [&](QPrinter &printer) { return PaintStatement(printer, document, locale); });
}

bool PreviewTitle(QWidget *parent, const TitleDocument &document, const QLocale &locale)
{
    return preview(parent,
                   [&](QPrinter &printer) { return PaintTitle(printer, document, locale); });
}
