// The print module's entry: the table of what needs Qt's print support.
#include "output/printing.h"
#include "output/printsupport.h"

extern "C" Q_DECL_EXPORT const void *taux_print_functions()
{
    static const PrintFunctions functions{kPrintModuleVersion, DefaultPrintQueue,
                                          PrintReportOnQueue, PreviewStatement, PreviewTitle};
    return &functions;
}
