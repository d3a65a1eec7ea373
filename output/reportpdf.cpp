#include "reportpdf.h"

#include "files/savefile.h"
#include "schedule/tauxstate.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPdfWriter>

namespace {

constexpr double kCmPerInch = 2.54;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

QFont ReportFont(const QStringList &families, const QString &currentFace)
{
    QFont font(chooseReportFace(families, currentFace));
    font.setPointSizeF(11);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

PainterReportSink::PainterReportSink(QPaintDevice &device, const QFont &font, Pages pages)
    : m_device(device), m_font(font), m_pages(std::move(pages))
{}

bool PainterReportSink::begin()
{
    if (!m_pages.newPage || !m_painter.begin(&m_device))
        return false;
    m_painter.setFont(m_font);
    // Metrics on the device itself: the screen's resolution has nothing to
    // do with where lines land on paper.
    const QFontMetricsF metrics(m_font, &m_device);
    m_lineHeight = metrics.lineSpacing();
    m_ascent = metrics.ascent();
    m_pixelsPerCm = m_device.logicalDpiX() / kCmPerInch;
    return healthy() && m_lineHeight > 0 && m_pixelsPerCm > 0;
}

double PainterReportSink::printableWidthCm() const
{
    return m_device.width() / m_pixelsPerCm;
}

bool PainterReportSink::healthy() const
{
    return m_painter.isActive() && (!m_pages.healthy || m_pages.healthy());
}

bool PainterReportSink::startLine()
{
    if (m_lineStarted)
        return healthy();
    // A line that does not fit below the previous one opens a new page; the
    // first line of a page always goes on it, however small the page.
    if (m_y > 0 && m_y + m_lineHeight > m_device.height()) {
        if (!m_pages.newPage())
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
        m_x += QFontMetricsF(m_font, &m_device).horizontalAdvance(text);
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
    return m_painter.end() && (!m_pages.healthy || m_pages.healthy());
}

bool PaintReport(QPaintDevice &device, const PainterReportSink::Pages &pages,
                 const QStringList &families, const TauxState &state, const QLocale &locale)
{
    PainterReportSink sink(device, ReportFont(families, QFont().family()), pages);
    return sink.begin() && BuildReport(state, locale, sink.printableWidthCm(), sink);
}

bool PaintReport(QPagedPaintDevice &device, const TauxState &state, const QLocale &locale,
                 const std::function<bool()> &healthy)
{
    return PaintReport(device, {[&device] { return device.newPage(); }, healthy},
                       QFontDatabase::families(), state, locale);
}

QPageLayout DefaultReportPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

bool WriteReportPdf(const QString &path, const QPageLayout &layout, int resolution,
                    const TauxState &state, const QLocale &locale, QString *error)
{
    if (!layout.isValid() || layout.paintRectPoints().isEmpty()) {
        setError(error, QStringLiteral("La mise en page du rapport est invalide."));
        return false;
    }
    // The whole document first, then written as any output is: a file
    // replaced whole, a FIFO or a device in place.
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        // The writer goes before the bytes are saved: it finishes the
        // document when it ends its painting, not later.
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Taux légal"));
        writer.setTitle(QStringLiteral("Échéancier"));
        writer.setResolution(resolution > 0 ? resolution : 1200);
        if (!writer.setPageLayout(layout)) {
            setError(error, QStringLiteral("La mise en page du rapport est invalide."));
            return false;
        }
        painted = PaintReport(writer, state, locale, [] { return true; });
    }
    if (!painted) {
        setError(error, QStringLiteral("Impossible de composer le rapport dans « %1 ».").arg(path));
        return false;
    }
    const SaveOutcome saved = SaveFile(path, file.data());
    if (!saved.ok) {
        setError(
            error,
            QStringLiteral("Impossible de créer le fichier « %1 » : %2.").arg(path, saved.reason));
        return false;
    }
    return true;
}

bool WriteReportPdf(const QString &path, const TauxState &state, const QLocale &locale,
                    QString *error)
{
    return WriteReportPdf(path, DefaultReportPageLayout(), 1200, state, locale, error);
}
