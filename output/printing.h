#pragma once

#include "output/report.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

class QPrinter;
class QWidget;
class TauxState;

// The report on paper: text at centimetre positions, lines stacked one line
// height apart from the top of the printable area, a new page when the next
// line would not fit.
class PainterReportSink : public ReportSink
{
public:
    PainterReportSink(QPrinter &printer, const QFont &font);

    bool begin();
    double printableWidthCm() const;

    bool setX(double cm) override;
    bool print(const QString &text) override;
    bool printLine(const QString &text) override;
    bool endDocument() override;

private:
    bool startLine();
    bool healthy() const;

    QPrinter &m_printer;
    QFont m_font;
    QPainter m_painter;
    double m_pixelsPerCm = 0;
    double m_lineHeight = 0;
    double m_ascent = 0;
    double m_x = 0; // device pixels from the left of the printable area
    double m_y = 0; // top of the current line
    bool m_lineStarted = false;
};

// Prints the report on `printer`. False when any step failed; the job is
// then aborted so that no half-built document reaches the paper later.
bool PrintReport(QPrinter &printer, const TauxState &state, const QLocale &locale);

// As PrintSchedule, on a given printer: busy pointer, the report, and the
// printing error box when it fails. Returns whether it printed.
bool PrintScheduleOn(QWidget *parent, QPrinter &printer, const TauxState &state);

// Prints the schedule on the system's default printer, with no dialog.
// Without a default printer, or when printing fails, shows the printing
// error box and prints nothing.
void PrintSchedule(QWidget *parent, const TauxState &state);
