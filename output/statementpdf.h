#pragma once

#include "output/statementexport.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <optional>

class QPagedPaintDevice;

// Lays the statement out on A4 portrait pages of `device` (a printer or a
// PDF writer): the title, the inputs, the table with its heading repeated
// on every page, the totals, the rates' source, the date of the statement
// and "Page 1 / 2" at the foot. False when the device could not be painted.
bool PaintStatement(QPagedPaintDevice &device, const StatementDocument &document,
                    const QLocale &locale);

// The statement as the bytes of a PDF file: the same document gives the
// same bytes every time (fonts in a fixed order, the document dated by the
// day the statement is made on). Nothing when it could not be painted.
std::optional<QByteArray> StatementPdf(const StatementDocument &document, const QLocale &locale);

// Writes the statement as a PDF file; the file is replaced whole or not at
// all. On failure `error` (when given) says why, in French.
bool WriteStatementPdf(const QString &path, const StatementDocument &document,
                       const QLocale &locale, QString *error);
