// The PDF module's entry: the table of what needs Qt Gui to write a PDF.
#include "output/bundledfonts.h"
#include "output/pdfmodule.h"
#include "output/reportpdf.h"
#include "output/statementpdf.h"
#include "output/titlepdf.h"

#include <QGuiApplication>

namespace {

int withPainting(int &argc, char **argv, const std::function<int()> &run)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    AddBundledFonts();
    return run();
}

bool writeReportPdf(const QString &path, const TauxState &state, const QLocale &locale,
                    QString *error)
{
    return WriteReportPdf(path, state, locale, error);
}

} // namespace

extern "C" Q_DECL_EXPORT const void *taux_pdf_functions()
{
    static const PdfFunctions functions{kPdfModuleVersion, withPainting, writeReportPdf,
                                        WriteStatementPdf, WriteTitlePdf};
    return &functions;
}
