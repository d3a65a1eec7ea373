#pragma once

#include "output/report.h"

#include <QFont>
#include <QPageLayout>
#include <QPainter>

#include <functional>

class QPaintDevice;
class QPagedPaintDevice;
class TauxState;

// The report font: the first known face of `families` (see
// chooseReportFace), else `currentFace`; 11 points, regular.
QFont ReportFont(const QStringList &families, const QString &currentFace);

// The report on a paint device: text at centimetre positions, lines stacked
// one line height apart from the top of the printable area (the device's
// origin), a new page when the next line would not reach below it.
class PainterReportSink : public ReportSink
{
public:
    struct Pages
    {
        // Moves the device on to a fresh page; false when it cannot.
        std::function<bool()> newPage;
        // Whether the device still takes output (a printer can fail midway);
        // always true when unset.
        std::function<bool()> healthy;
    };

    PainterReportSink(QPaintDevice &device, const QFont &font, Pages pages);

    bool begin();
    double printableWidthCm() const;

    bool setX(double cm) override;
    bool print(const QString &text) override;
    bool printLine(const QString &text) override;
    bool endDocument() override;

private:
    bool startLine();
    bool healthy() const;

    QPaintDevice &m_device;
    QFont m_font;
    Pages m_pages;
    QPainter m_painter;
    double m_pixelsPerCm = 0;
    double m_lineHeight = 0;
    double m_ascent = 0;
    double m_x = 0; // device pixels from the left of the printable area
    double m_y = 0; // top of the current line
    bool m_lineStarted = false;
};

// Paints the whole report on `device` in the report font chosen from
// `families`, the faces the device offers.
bool PaintReport(QPaintDevice &device, const PainterReportSink::Pages &pages,
                 const QStringList &families, const TauxState &state, const QLocale &locale);

// As above on a paged device (a PDF writer, a printer), with this system's
// faces.
bool PaintReport(QPagedPaintDevice &device, const TauxState &state, const QLocale &locale,
                 const std::function<bool()> &healthy = {});

// The page of a report written to a file: A4 portrait with 1 cm margins,
// so the printable width is 19 cm.
QPageLayout DefaultReportPageLayout();

// Writes the report as a PDF file on `layout`, replacing `path` only once
// the whole document is written. On failure `error` says why, in French.
bool WriteReportPdf(const QString &path, const QPageLayout &layout, int resolution,
                    const TauxState &state, const QLocale &locale, QString *error = nullptr);

// As above on the default layout, at 1200 dots per inch.
bool WriteReportPdf(const QString &path, const TauxState &state, const QLocale &locale,
                    QString *error = nullptr);
