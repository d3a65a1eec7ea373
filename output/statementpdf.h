#pragma once

#include "output/statementexport.h"

#include <QLocale>
#include <QString>

class QPagedPaintDevice;

// Lays the statement out on A4 portrait pages of `device` (a printer or a
// PDF writer): the title, the inputs, the table with its heading repeated
// on every page, the totals, the rates' source, the date of the statement
// and "Page 1 / 2" at the foot. False when the device could not be painted.
bool PaintStatement(QPagedPaintDevice &device, const StatementDocument &document,
                    const QLocale &locale);

// Writes the statement as a PDF file; the file is replaced whole or not at
// all. On failure `error` (when given) says why, in French.
bool WriteStatementPdf(const QString &path, const StatementDocument &document,
                       const QLocale &locale, QString *error);
