#pragma once

#include "output/titleexport.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <optional>

class QPagedPaintDevice;

// Lays a title out on A4 portrait pages of `device` (a printer or a PDF
// writer): its sections in reading order, each table's heading again on
// every page it carries on to, "Page 1 / 2" at the foot. False when the
// device could not be painted.
bool PaintTitle(QPagedPaintDevice &device, const TitleDocument &document, const QLocale &locale);

// The title as the bytes of a PDF file, the same bytes for the same
// document, dated by the day the statement is made on. Nothing when it
// could not be painted.
std::optional<QByteArray> TitlePdf(const TitleDocument &document, const QLocale &locale);

// Writes the title as a PDF file, replaced whole or not at all. On failure
// `error` (when given) says why, in French.
bool WriteTitlePdf(const QString &path, const TitleDocument &document, const QLocale &locale,
                   QString *error);
