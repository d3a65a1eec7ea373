#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include "schedule/schedule.h"

#include <QList>

class TauxState;

// Where the printed report goes. Every call can fail (a printer that went
// away, a page that cannot be started); the report stops at the first
// failure so that a half-built job is never handed on as if complete.
class ReportSink
{
public:
    virtual ~ReportSink() = default;

    // Moves the start of the next text on the current line, in centimetres
    // from the left edge of the printable area.
    virtual bool setX(double cm) = 0;
    // Prints at the current position and stays on the line.
    virtual bool print(const QString &text) = 0;
    // Prints, then starts the next line at x = 0; "" gives an empty line.
    virtual bool printLine(const QString &text) = 0;
    // Hands the whole document over.
    virtual bool endDocument() = 0;
};

// The report face: the first of "Arial", "Helv", "Times New Roman",
// "Ms Sans Serif", "Courier" that `families` holds, compared with case
// significant, else `currentFace`.
QString chooseReportFace(const QStringList &families, const QString &currentFace);

// Writes the report of rows 0..startRow to `sink` on a page whose printable
// width is `printableWidthCm`, and ends the document. False as soon as the
// sink fails; nothing more is sent to it then.
bool BuildReport(const QList<ScheduleRow> &rows, const QLocale &locale, double printableWidthCm,
                 ReportSink &sink);
bool BuildReport(const TauxState &state, const QLocale &locale, double printableWidthCm,
                 ReportSink &sink);
