#include "printing.h"

#include "output/busycursor.h"
#include "schedule/tauxstate.h"

#include <QFontDatabase>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

constexpr double kCmPerInch = 2.54;

void showPrintError(QWidget *parent)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Erreur d'impression"),
                    QStringLiteral("Pas d'imprimante par défaut. Modifiez votre configuration "
                                   "avant de relancer l'impression."),
                    QMessageBox::Ok, parent);
    box.exec();
}

QFont reportFont(const QFont &current)
{
    QFont font(chooseReportFace(QFontDatabase::families(), current.family()));
    font.setPointSizeF(11);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

} // namespace

PainterReportSink::PainterReportSink(QPrinter &printer, const QFont &font)
    : m_printer(printer), m_font(font)
{}

bool PainterReportSink::begin()
{
    if (!m_painter.begin(&m_printer))
        return false;
    m_painter.setFont(m_font);
    // Metrics on the printer itself: the screen's resolution has nothing to
    // do with where lines land on paper.
    const QFontMetricsF metrics(m_font, &m_printer);
    m_lineHeight = metrics.lineSpacing();
    m_ascent = metrics.ascent();
    m_pixelsPerCm = m_printer.logicalDpiX() / kCmPerInch;
    return healthy() && m_lineHeight > 0 && m_pixelsPerCm > 0;
}

double PainterReportSink::printableWidthCm() const
{
    return m_printer.width() / m_pixelsPerCm;
}

bool PainterReportSink::healthy() const
{
    return m_painter.isActive() && m_printer.printerState() != QPrinter::Error &&
           m_printer.printerState() != QPrinter::Aborted;
}

bool PainterReportSink::startLine()
{
    if (m_lineStarted)
        return healthy();
    // A line that does not fit below the previous one opens a new page; the
    // first line of a page always goes on it, however small the page.
    if (m_y > 0 && m_y + m_lineHeight > m_printer.height()) {
        if (!m_printer.newPage())
            return false;
        m_y = 0;
    }
    m_lineStarted = true;
    return healthy();
}

bool PainterReportSink::setX(double cm)
{
    if (!startLine())
        return false;
    m_x = cm * m_pixelsPerCm;
    return true;
}

bool PainterReportSink::print(const QString &text)
{
    if (!startLine())
        return false;
    if (!text.isEmpty()) {
        m_painter.drawText(QPointF(m_x, m_y + m_ascent), text);
        m_x += QFontMetricsF(m_font, &m_printer).horizontalAdvance(text);
    }
    return healthy();
}

bool PainterReportSink::printLine(const QString &text)
{
    if (!print(text))
        return false;
    m_x = 0;
    m_y += m_lineHeight;
    m_lineStarted = false;
    return true;
}

bool PainterReportSink::endDocument()
{
    if (!healthy())
        return false;
    return m_painter.end() && m_printer.printerState() != QPrinter::Error;
}

bool PrintReport(QPrinter &printer, const TauxState &state, const QLocale &locale)
{
    PainterReportSink sink(printer, reportFont(QFont()));
    const bool printed = sink.begin() && BuildReport(state, locale, sink.printableWidthCm(), sink);
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
    showPrintError(parent);
    return false;
}

void PrintSchedule(QWidget *parent, const TauxState &state)
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        showPrintError(parent);
        return;
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    PrintScheduleOn(parent, printer, state);
}
