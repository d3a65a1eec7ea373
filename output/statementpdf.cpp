#include "statementpdf.h"

#include <QPagedPaintDevice>

bool PaintStatement(QPagedPaintDevice &, const StatementDocument &, const QLocale &)
{
    return false;
}

bool WriteStatementPdf(const QString &, const StatementDocument &, const QLocale &, QString *error)
{
    if (error)
        *error = QStringLiteral("Export PDF indisponible");
    return false;
}
