#include "pdfpages.h"

#include "files/savefile.h"
#include "output/bundledfonts.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QHashSeed>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextLayout>

namespace pdfpages {

namespace {

const QString kFamily = QStringLiteral("Liberation Sans");

// The writer dates the document by the clock; a statement is dated by the
// day it is made on, so that the same statement gives the same bytes. The
// date is rewritten in place, padded with spaces to its length, so that
// the offsets of every object after it still hold.
QByteArray datedOn(QByteArray pdf, const QDate &day)
{
    const QByteArray key = "/CreationDate (";
    const qsizetype from = pdf.indexOf(key);
    const qsizetype to = from < 0 ? -1 : pdf.indexOf(')', from);
    const QByteArray fixed =
        key + "D:" + day.toString(QStringLiteral("yyyyMMdd")).toLatin1() + "000000Z)";
    const qsizetype length = to - from + 1;
    if (!day.isValid() || to < 0 || fixed.size() > length)
        return pdf;
    pdf.replace(from, length, fixed.leftJustified(length, ' '));
    return pdf;
}

} // namespace

QFont font(qreal points, bool bold, bool italic)
{
    QFont f(kFamily);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

Pages::Pages(QPainter &painter) : m_painter(painter)
{
    const QPaintDevice *device = painter.device();
    m_mm = device->logicalDpiY() / 25.4;
    m_width = device->width();
    m_height = device->height();
}

qreal Pages::textHeight(const QFont &f, qreal width, const QString &text, int flags) const
{
    return QFontMetricsF(f, m_painter.device())
        .boundingRect(QRectF(0, 0, width, 1e9), flags, text)
        .height();
}

qreal Pages::textWidth(const QFont &f, const QString &text) const
{
    return QFontMetricsF(f, m_painter.device()).horizontalAdvance(text);
}

// None when the text fits on one line of `width`; between words when each
// word fits; anywhere when one does not, so that a label typed without a
// space never runs off the paper.
int Pages::wrapFlag(const QFont &f, const QString &text, qreal width) const
{
    if (textWidth(f, text) <= width)
        return 0;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (const QString &word : text.split(space, Qt::SkipEmptyParts)) {
        if (textWidth(f, word) > width)
            return Qt::TextWrapAnywhere;
    }
    return Qt::TextWordWrap;
}

Pages::Wrapped Pages::wrapped(const QFont &f, const QString &text, qreal width, Qt::Alignment align,
                              int fitting) const
{
    Wrapped w;
    w.flags = wrapFlag(f, text, width);
    if (w.flags == 0)
        w.flags = fitting;
    if (w.flags == Qt::TextWrapAnywhere) {
        w.layout = laidOut(f, text, width, align);
        for (int i = 0; i < w.layout->lineCount(); ++i)
            w.height += w.layout->lineAt(i).height();
    } else if (w.flags) {
        w.height = textHeight(f, width, text, int(align) | Qt::AlignVCenter | w.flags);
    }
    return w;
}

void Pages::drawWrapped(QPainter &p, const QRectF &box, int align, const Wrapped &w,
                        const QString &text)
{
    if (w.layout)
        w.layout->draw(&p, QPointF(box.left(), box.top() + (box.height() - w.height) / 2));
    else
        p.drawText(box, align | w.flags, text);
}

// Lines of at most `width`, broken between words, or inside a word too
// long for a whole line: text typed by the user never runs off the paper.
std::shared_ptr<QTextLayout> Pages::laidOut(const QFont &f, const QString &text, qreal width,
                                            Qt::Alignment align) const
{
    auto layout = std::make_shared<QTextLayout>(text, f, m_painter.device());
    QTextOption option(align);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    return layout;
}

// One piece per line, so a text longer than a page carries on over the
// next one.
void Pages::addText(const QFont &f, const QString &text, Qt::Alignment align, qreal gapAfter)
{
    const std::shared_ptr<QTextLayout> layout = laidOut(f, text, m_width, align);
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const bool last = i == layout->lineCount() - 1;
        m_pieces.push_back({line.height() + (last ? gapAfter : 0), [=](QPainter &p, qreal top) {
                                layout->lineAt(i).draw(&p, QPointF(0, top - line.y()));
                            }});
    }
}

Piece Pages::textPiece(const QFont &f, const QString &text, qreal gapAfter) const
{
    const std::shared_ptr<QTextLayout> layout = laidOut(f, text, m_width, Qt::AlignLeft);
    qreal height = 0;
    for (int i = 0; i < layout->lineCount(); ++i)
        height += layout->lineAt(i).height();
    return {height + gapAfter, [=](QPainter &p, qreal top) { layout->draw(&p, QPointF(0, top)); }};
}

qreal Pages::labelColumn(const QList<QStringList> &pairs, const QFont &labelFont) const
{
    qreal width = 0;
    for (const QStringList &pair : pairs)
        width = std::max(width, textWidth(labelFont, pair.at(0)));
    return std::min(width + 4 * m_mm, m_width / 2);
}

// Label and value side by side, a piece per line; a long value wraps
// within its column.
void Pages::addPairs(const QList<QStringList> &pairs, const QFont &labelFont, const QFont &f,
                     qreal labelWidth)
{
    const qreal valueWidth = m_width - labelWidth;
    for (const QStringList &pair : pairs) {
        const auto label = laidOut(labelFont, pair.at(0), labelWidth - 2 * m_mm, Qt::AlignLeft);
        const auto value = laidOut(f, pair.at(1), valueWidth, Qt::AlignLeft);
        const int lines = std::max(label->lineCount(), value->lineCount());
        for (int i = 0; i < lines; ++i) {
            qreal h = 0;
            for (const QTextLayout *text : {label.get(), value.get()}) {
                if (i < text->lineCount())
                    h = std::max(h, text->lineAt(i).height());
            }
            const bool last = i == lines - 1;
            m_pieces.push_back({h + (last ? 0.8 * m_mm : 0), [=](QPainter &p, qreal top) {
                                    if (i < label->lineCount()) {
                                        const QTextLine line = label->lineAt(i);
                                        line.draw(&p, QPointF(0, top - line.y()));
                                    }
                                    if (i < value->lineCount()) {
                                        const QTextLine line = value->lineAt(i);
                                        line.draw(&p, QPointF(labelWidth, top - line.y()));
                                    }
                                }});
        }
    }
}

void Pages::addTotals(const QList<QStringList> &totals, const std::function<bool(int)> &strong)
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
        const bool bold = strong(i);
        const QFont f = font(10, bold);
        const QString label = totals.at(i).at(0);
        const QString value = totals.at(i).at(1);
        m_pieces.push_back({h, [=](QPainter &p, qreal top) {
                                if (bold) {
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

void Pages::addTable(const Table &table)
{
    const QStringList &heading = table.heading;
    qsizetype columns = heading.size();
    for (const QStringList &row : table.rows)
        columns = std::max(columns, row.size());
    const auto isSentence = [&](const QStringList &row) { return columns > 1 && row.size() == 1; };

    // The largest size at which every column fits the page: huge amounts
    // shrink the table rather than run off its edge. A column of words
    // (a label) takes a third of the page at most and wraps within it.
    const qreal gap = 3 * m_mm;
    const qreal wordsAtMost = m_width * 0.3;
    qreal points = 10;
    QList<qreal> widths;
    for (;; points -= 0.5) {
        widths = QList<qreal>(columns, 0);
        for (int c = 0; c < heading.size(); ++c)
            widths[c] = textWidth(font(points, true), heading.at(c));
        for (const QStringList &row : table.rows) {
            if (isSentence(row))
                continue;
            for (int c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], textWidth(font(points), row.at(c)));
        }
        for (int c = 0; c < columns; ++c) {
            if (!table.right.value(c))
                widths[c] = std::min(widths[c], wordsAtMost);
        }
        qreal total = gap * (columns - 1);
        for (qreal w : widths)
            total += w;
        if (total <= m_width || points <= 4)
            break;
    }
    // Spread what is left between the columns.
    qreal used = 0;
    for (qreal w : widths)
        used += w;
    const qreal spare = columns > 0 ? std::max<qreal>(0, m_width - used) / columns : 0;
    QList<qreal> lefts;
    qreal x = 0;
    for (qreal &w : widths) {
        w += spare;
        lefts.append(x);
        x += w;
    }
    const QList<bool> right = table.right;
    const qreal pad = 0.8 * m_mm;
    const qreal rowHeight = QFontMetricsF(font(points), m_painter.device()).height() + 1.2 * m_mm;

    // Each cell as it wraps, and the row's height once its cells wrap.
    const auto wrappedRow = [=](const QStringList &row, const QFont &f, QList<Wrapped> *cells) {
        qreal h = rowHeight;
        for (int c = 0; c < row.size(); ++c) {
            const qreal inset = right.value(c) ? pad : 0;
            const Qt::Alignment align = right.value(c) ? Qt::AlignRight : Qt::AlignLeft;
            cells->append(wrapped(f, row.at(c), widths[c] - inset, align, 0));
            if (cells->back().flags)
                h = std::max(h, cells->back().height + 1.2 * m_mm);
        }
        return h;
    };
    const auto paintRow = [=](QPainter &p, qreal top, qreal h, const QStringList &row,
                              const QList<Wrapped> &cells, const QFont &f) {
        p.setFont(f);
        for (int c = 0; c < row.size(); ++c) {
            const int align = (right.value(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            const qreal inset = right.value(c) ? pad : 0;
            drawWrapped(p, QRectF(lefts[c], top, widths[c] - inset, h), align, cells.at(c),
                        row.at(c));
        }
    };

    const qreal width = m_width;
    const qreal rule = 0.25 * m_mm;
    auto repeated = std::make_shared<std::vector<Piece>>(table.continued);
    if (!heading.isEmpty()) {
        const QFont headingFont = font(points, true);
        QList<Wrapped> flags;
        const qreal h = wrappedRow(heading, headingFont, &flags);
        const Piece top{h + 0.6 * m_mm, [=](QPainter &p, qreal top) {
                            p.fillRect(QRectF(0, top, width, h), QColor(225, 225, 225));
                            paintRow(p, top, h, heading, flags, headingFont);
                            p.setPen(QPen(Qt::black, rule));
                            p.drawLine(QPointF(0, top + h), QPointF(width, top + h));
                        }};
        repeated->push_back(top);
        Piece first = top;
        first.keepWithNext = true;
        m_pieces.push_back(first);
    }
    const std::shared_ptr<const std::vector<Piece>> again =
        heading.isEmpty() && table.continued.empty() ? nullptr : repeated;

    for (const QStringList &row : table.rows) {
        if (!isSentence(row) && columns > 1) {
            const QFont f = font(points);
            QList<Wrapped> flags;
            const qreal h = wrappedRow(row, f, &flags);
            m_pieces.push_back(
                {h, [=](QPainter &p, qreal top) { paintRow(p, top, h, row, flags, f); }, again});
        } else {
            // A payment or a capitalisation: one sentence across the table,
            // shaded so it stands apart from the lines of figures.
            const QString text = row.value(0);
            const QFont f = font(points, false, true);
            const int flags = Qt::AlignLeft | Qt::AlignVCenter;
            const qreal hairline = table.apart ? 0.4 * m_mm : 0;
            const Wrapped lines =
                wrapped(f, text, width - 2 * pad, Qt::AlignLeft, Qt::TextWordWrap);
            const qreal h = std::max(rowHeight, lines.height + 1.2 * m_mm);
            m_pieces.push_back(
                {h,
                 [=](QPainter &p, qreal top) {
                     p.fillRect(QRectF(0, top, width, h - hairline), QColor(242, 242, 242));
                     p.setFont(f);
                     drawWrapped(p, QRectF(pad, top, width - 2 * pad, h), flags, lines, text);
                 },
                 again});
        }
    }
    m_pieces.push_back({2 * m_mm, [=](QPainter &p, qreal top) {
                            p.setPen(QPen(Qt::black, rule));
                            p.drawLine(QPointF(0, top), QPointF(width, top));
                        }});
}

void Pages::addGap(qreal height)
{
    if (!m_pieces.empty())
        m_pieces.back().height += height;
}

void Pages::keepTogether(std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to && i < m_pieces.size(); ++i)
        m_pieces[i].keepWithNext = true;
}

bool Pages::paint()
{
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
        // A run of pieces kept with the next one moves as one, unless it
        // is longer than a page.
        qreal needed = piece.height;
        for (std::size_t j = i; m_pieces[j].keepWithNext && j + 1 < m_pieces.size(); ++j)
            needed += m_pieces[j + 1].height;
        if (needed > bottom)
            needed = piece.height;
        if (y + needed > bottom && !pages.back().empty()) {
            pages.emplace_back();
            y = 0;
            if (piece.repeated) {
                for (const Piece &again : *piece.repeated) {
                    pages.back().push_back({&again, y});
                    y += again.height;
                }
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

void setA4(QPagedPaintDevice &device)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 15, 18, 12), QPageLayout::Millimeter));
}

std::optional<QByteArray> pdfBytes(const QString &title, const QDate &madeOn,
                                   const std::function<bool(QPagedPaintDevice &)> &paint)
{
    // Every PDF is measured in the fonts the program carries, the tests' too.
    AddBundledFonts();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // The writer keeps its fonts in a hash and embeds them in the hash's
    // order, which a random seed would change from one run to the next.
    QHashSeed::setDeterministicGlobalSeed();
    bool painted = false;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Taux légal"));
        painted = paint(writer);
    }
    QHashSeed::resetRandomGlobalSeed();
    if (!painted)
        return std::nullopt;
    return datedOn(bytes, madeOn);
}

bool savePdf(const QString &path, const std::optional<QByteArray> &pdf, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!pdf)
        return fail(
            QStringLiteral("La mise en page du décompte a échoué : %1 n'est pas écrit").arg(path));
    const SaveOutcome saved = SaveFile(path, *pdf);
    if (!saved.ok)
        return fail(
            QStringLiteral("Impossible d'écrire le fichier %1 : %2").arg(path, saved.reason));
    return true;
}

} // namespace pdfpages
