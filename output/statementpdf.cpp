#include "statementpdf.h"

#include "schedule/formats.h"
#include "update/savefile.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <functional>
#include <vector>

namespace {

const QString kTitle = QStringLiteral("Décompte des intérêts au taux légal");
const QString kFamily = QStringLiteral("Liberation Sans");

QFont font(qreal points, bool bold = false, bool italic = false)
{
    QFont f(kFamily);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// One piece of a page: its height, and how to paint it at a given top.
// Pieces never break across pages; table rows repeat the heading on a new
// page.
struct Piece
{
    qreal height = 0;
    std::function<void(QPainter &, qreal top)> paint;
    bool tableRow = false;
    bool keepWithNext = false; // a heading of a block stays with what follows
};

class Layout
{
public:
    Layout(QPainter &painter, const StatementDocument &doc, const QLocale &locale)
        : m_painter(painter), m_doc(doc), m_locale(locale)
    {
        const QPaintDevice *device = painter.device();
        m_mm = device->logicalDpiY() / 25.4;
        m_width = device->width();
        m_height = device->height();
    }

    bool paint();

private:
    qreal textHeight(const QFont &f, qreal width, const QString &text, int flags) const
    {
        return QFontMetricsF(f, m_painter.device())
            .boundingRect(QRectF(0, 0, width, 1e9), flags | Qt::TextWordWrap, text)
            .height();
    }
    qreal textWidth(const QFont &f, const QString &text) const
    {
        return QFontMetricsF(f, m_painter.device()).horizontalAdvance(text);
    }
    void addText(const QFont &f, const QString &text, int align, qreal gapAfter);
    void addPairs(const QList<QStringList> &pairs);
    void addTotals(const QList<QStringList> &totals);
    void addTable();
    QString cents(Cents value) const { return formatCents(value, m_locale); }

    QPainter &m_painter;
    const StatementDocument &m_doc;
    const QLocale &m_locale;
    qreal m_mm = 1;
    qreal m_width = 0;
    qreal m_height = 0;
    std::vector<Piece> m_pieces;
    Piece m_heading; // the table's heading, painted again on every page
};

void Layout::addText(const QFont &f, const QString &text, int align, qreal gapAfter)
{
    const int flags = align | Qt::TextWrapAnywhere;
    const qreal width = m_width;
    const qreal h = textHeight(f, width, text, flags);
    m_pieces.push_back({h + gapAfter, [=](QPainter &p, qreal top) {
                            p.setFont(f);
                            p.drawText(QRectF(0, top, width, h), flags, text);
                        }});
}

// Label and value side by side; a long value wraps within its column.
void Layout::addPairs(const QList<QStringList> &pairs)
{
    const QFont f = font(10);
    qreal labelWidth = 0;
    for (const QStringList &pair : pairs)
        labelWidth = std::max(labelWidth, textWidth(f, pair.at(0)));
    labelWidth = std::min(labelWidth + 4 * m_mm, m_width / 2);
    const qreal valueWidth = m_width - labelWidth;
    for (int i = 0; i < pairs.size(); ++i) {
        const QString label = pairs.at(i).at(0);
        const QString value = pairs.at(i).at(1);
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
        const qreal h = std::max(textHeight(f, labelWidth, label, flags),
                                 textHeight(f, valueWidth, value, flags));
        m_pieces.push_back({h + 0.8 * m_mm, [=](QPainter &p, qreal top) {
                                p.setFont(f);
                                p.drawText(QRectF(0, top, labelWidth, h), flags, label);
                                p.drawText(QRectF(labelWidth, top, valueWidth, h), flags, value);
                            }});
    }
}

// The totals under the table's right edge, so their amounts line up with
// the interest column; the last one, the total owed, in bold under a rule.
void Layout::addTotals(const QList<QStringList> &totals)
{
    qreal labelWidth = 0;
    qreal valueWidth = 0;
    for (const QStringList &pair : totals) {
        labelWidth = std::max(labelWidth, textWidth(font(10, true), pair.at(0)));
        valueWidth = std::max(valueWidth, textWidth(font(10, true), pair.at(1)));
    }
    const qreal left = std::max<qreal>(0, m_width - labelWidth - valueWidth - 8 * m_mm);
    const qreal width = m_width;
    const qreal h = QFontMetricsF(font(10), m_painter.device()).height() + 0.8 * m_mm;
    const qreal rule = 0.25 * m_mm;
    for (int i = 0; i < totals.size(); ++i) {
        const bool last = i == totals.size() - 1;
        const QFont f = font(10, last);
        const QString label = totals.at(i).at(0);
        const QString value = totals.at(i).at(1);
        m_pieces.push_back({h, [=](QPainter &p, qreal top) {
                                if (last) {
                                    p.setPen(QPen(Qt::black, rule));
                                    p.drawLine(QPointF(left, top), QPointF(width, top));
                                }
                                p.setFont(f);
                                p.drawText(QRectF(left, top, width - left, h),
                                           Qt::AlignLeft | Qt::AlignVCenter, label);
                                p.drawText(QRectF(left, top, width - left, h),
                                           Qt::AlignRight | Qt::AlignVCenter, value);
                            }});
    }
}

void Layout::addTable()
{
    const QStringList heading{QStringLiteral("Du"),          QStringLiteral("Au"),
                              QStringLiteral("Jours"),       QStringLiteral("Capital"),
                              QStringLiteral("Taux annuel"), QStringLiteral("Intérêts")};
    QList<QStringList> cells;
    QStringList sentences; // by row, empty for an interest line
    for (const StatementLine &line : m_doc.statement.lines) {
        if (const auto *i = std::get_if<InterestLine>(&line)) {
            cells.append({formatDay(i->from), formatDay(i->to), QString::number(i->days),
                          cents(i->capital), formatGeneral(i->rate, m_locale), cents(i->interest)});
            sentences.append(QString());
        } else if (const auto *pay = std::get_if<PaymentLine>(&line)) {
            cells.append(QStringList());
            sentences.append(StatementSentence(*pay, m_locale));
        } else if (const auto *c = std::get_if<CapitalisationLine>(&line)) {
            cells.append(QStringList());
            sentences.append(StatementSentence(*c, m_locale));
        }
    }

    // The largest size at which every column fits the page: huge amounts
    // shrink the table rather than run off its edge.
    const qreal gap = 3 * m_mm;
    qreal points = 10;
    QList<qreal> widths;
    for (;; points -= 0.5) {
        widths = QList<qreal>(heading.size(), 0);
        for (int c = 0; c < heading.size(); ++c)
            widths[c] = textWidth(font(points, true), heading.at(c));
        for (const QStringList &row : cells) {
            for (int c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], textWidth(font(points), row.at(c)));
        }
        qreal total = gap * (heading.size() - 1);
        for (qreal w : widths)
            total += w;
        if (total <= m_width || points <= 4)
            break;
    }
    // Spread what is left between the columns.
    qreal used = 0;
    for (qreal w : widths)
        used += w;
    const qreal spare = std::max<qreal>(0, m_width - used) / heading.size();
    QList<qreal> lefts;
    qreal x = 0;
    for (qreal &w : widths) {
        w += spare;
        lefts.append(x);
        x += w;
    }
    const int rightFrom = 2; // days, capital, rate and interest line up on the right
    const qreal pad = 0.8 * m_mm;

    const auto paintRow = [=](QPainter &p, qreal top, qreal h, const QStringList &row,
                              const QFont &f) {
        p.setFont(f);
        for (int c = 0; c < row.size(); ++c) {
            const int align = (c >= rightFrom ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            const qreal inset = c >= rightFrom ? pad : 0;
            p.drawText(QRectF(lefts[c], top, widths[c] - inset, h), align, row.at(c));
        }
    };

    const QFont headingFont = font(points, true);
    const qreal rowHeight = QFontMetricsF(font(points), m_painter.device()).height() + 1.2 * m_mm;
    const qreal width = m_width;
    const qreal rule = 0.25 * m_mm;
    m_heading = {rowHeight + 0.6 * m_mm, [=](QPainter &p, qreal top) {
                     p.fillRect(QRectF(0, top, width, rowHeight), QColor(225, 225, 225));
                     paintRow(p, top, rowHeight, heading, headingFont);
                     p.setPen(QPen(Qt::black, rule));
                     p.drawLine(QPointF(0, top + rowHeight), QPointF(width, top + rowHeight));
                 }};
    Piece first = m_heading;
    first.keepWithNext = true;
    m_pieces.push_back(first);

    for (int r = 0; r < cells.size(); ++r) {
        if (sentences.at(r).isEmpty()) {
            const QStringList row = cells.at(r);
            const QFont f = font(points);
            m_pieces.push_back(
                {rowHeight, [=](QPainter &p, qreal top) { paintRow(p, top, rowHeight, row, f); },
                 true});
        } else {
            // A payment or a capitalisation: one sentence across the table,
            // shaded so it stands apart from the interest lines.
            const QString text = sentences.at(r);
            const QFont f = font(points, false, true);
            const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
            const qreal h =
                std::max(rowHeight, textHeight(f, width - 2 * pad, text, flags) + 1.2 * m_mm);
            m_pieces.push_back({h,
                                [=](QPainter &p, qreal top) {
                                    p.fillRect(QRectF(0, top, width, h), QColor(242, 242, 242));
                                    p.setFont(f);
                                    p.drawText(QRectF(pad, top, width - 2 * pad, h), flags, text);
                                },
                                true});
        }
    }
    m_pieces.push_back({2 * m_mm, [=](QPainter &p, qreal top) {
                            p.setPen(QPen(Qt::black, rule));
                            p.drawLine(QPointF(0, top), QPointF(width, top));
                        }});
}

bool Layout::paint()
{
    const StatementDocument &doc = m_doc;
    addText(font(16, true), kTitle, Qt::AlignHCenter, 6 * m_mm);
    addPairs(StatementInputRows(doc, m_locale));
    m_pieces.back().height += 5 * m_mm;
    addTable();

    addTotals(StatementTotalRows(doc.statement, m_locale));
    m_pieces.back().height += 5 * m_mm;

    const QString newest =
        doc.newestMonth.isValid() ? monthInWords(doc.newestMonth) : QStringLiteral("aucun");
    addText(font(9),
            QStringLiteral("Taux du fichier %1, connus jusqu'à %2.").arg(doc.ratesPath, newest),
            Qt::AlignLeft, 1.5 * m_mm);
    addText(font(9), QStringLiteral("Décompte établi le %1.").arg(formatDay(doc.madeOn)),
            Qt::AlignLeft, 0);

    // Pages: pieces in order, a new page when the next one does not fit,
    // the heading again above table rows carried over.
    const QFont footFont = font(9);
    const qreal footHeight = QFontMetricsF(footFont, m_painter.device()).height();
    const qreal bottom = m_height - footHeight - 3 * m_mm;
    struct Placed
    {
        const Piece *piece;
        qreal top;
    };
    std::vector<std::vector<Placed>> pages(1);
    qreal y = 0;
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        const Piece &piece = m_pieces[i];
        qreal needed = piece.height;
        if (piece.keepWithNext && i + 1 < m_pieces.size())
            needed += m_pieces[i + 1].height;
        if (y + needed > bottom && !pages.back().empty()) {
            pages.emplace_back();
            y = 0;
            if (piece.tableRow) {
                pages.back().push_back({&m_heading, y});
                y += m_heading.height;
            }
        }
        pages.back().push_back({&piece, y});
        y += piece.height;
    }

    auto *device = static_cast<QPagedPaintDevice *>(m_painter.device());
    const int count = int(pages.size());
    for (int n = 0; n < count; ++n) {
        if (n > 0 && !device->newPage())
            return false;
        m_painter.setPen(Qt::black);
        for (const Placed &placed : pages[n])
            placed.piece->paint(m_painter, placed.top);
        m_painter.setFont(footFont);
        m_painter.drawText(QRectF(0, m_height - footHeight, m_width, footHeight), Qt::AlignHCenter,
                           QStringLiteral("Page %1 / %2").arg(n + 1).arg(count));
    }
    return true;
}

} // namespace

bool PaintStatement(QPagedPaintDevice &device, const StatementDocument &document,
                    const QLocale &locale)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 15, 18, 12), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool painted = Layout(painter, document, locale).paint();
    return painter.end() && painted;
}

bool WriteStatementPdf(const QString &path, const StatementDocument &document,
                       const QLocale &locale, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // The whole document first, then written as any output is.
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setTitle(kTitle);
        writer.setCreator(QStringLiteral("Taux légal"));
        painted = PaintStatement(writer, document, locale);
    }
    if (!painted)
        return fail(
            QStringLiteral("La mise en page du décompte a échoué : %1 n'est pas écrit").arg(path));
    const SaveOutcome saved = SaveFile(path, file.data());
    if (!saved.ok)
        return fail(
            QStringLiteral("Impossible d'écrire le fichier %1 : %2").arg(path, saved.reason));
    return true;
}
