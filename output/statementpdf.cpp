#include "statementpdf.h"

#include "files/savefile.h"
#include "schedule/formats.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QHashSeed>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <functional>
#include <memory>
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
    std::shared_ptr<QTextLayout> laidOut(const QFont &f, const QString &text, qreal width,
                                         Qt::Alignment align) const;
    void addText(const QFont &f, const QString &text, Qt::Alignment align, qreal gapAfter);
    qreal labelColumn(const QList<QStringList> &pairs, const QFont &labelFont) const;
    void addPairs(const QList<QStringList> &pairs, const QFont &labelFont, const QFont &f,
                  qreal labelWidth);
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

// Lines of at most `width`, broken between words, or inside a word too
// long for a whole line: text typed by the user never runs off the paper.
std::shared_ptr<QTextLayout> Layout::laidOut(const QFont &f, const QString &text, qreal width,
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
void Layout::addText(const QFont &f, const QString &text, Qt::Alignment align, qreal gapAfter)
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

// Label and value side by side, a piece per line; a long value wraps
// within its column.
// The width of a column for these labels and a gap, half the page at most.
qreal Layout::labelColumn(const QList<QStringList> &pairs, const QFont &labelFont) const
{
    qreal width = 0;
    for (const QStringList &pair : pairs)
        width = std::max(width, textWidth(labelFont, pair.at(0)));
    return std::min(width + 4 * m_mm, m_width / 2);
}

void Layout::addPairs(const QList<QStringList> &pairs, const QFont &labelFont, const QFont &f,
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
                          cents(i->capital), formatRate(i->rate, m_locale), cents(i->interest)});
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
    // The case fields above the inputs, their values in one column.
    const QList<QStringList> caseFields = StatementCaseRows(doc);
    const QList<QStringList> inputs = StatementInputRows(doc, m_locale);
    const qreal labelWidth =
        std::max(labelColumn(caseFields, font(10, true)), labelColumn(inputs, font(10)));
    if (!doc.caseFields.isEmpty()) {
        addPairs(caseFields, font(10, true), font(10), labelWidth);
        m_pieces.back().height += 4 * m_mm;
    }
    addPairs(inputs, font(10), font(10), labelWidth);
    m_pieces.back().height += 5 * m_mm;
    addTable();

    addTotals(StatementTotalRows(doc.statement, m_locale));
    m_pieces.back().height += 5 * m_mm;

    const QList<QStringList> source = StatementSourceRows(doc);
    addPairs(source, font(9), font(9), labelColumn(source, font(9)));

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

std::optional<QByteArray> StatementPdf(const StatementDocument &document, const QLocale &locale)
{
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
        writer.setTitle(kTitle);
        writer.setCreator(QStringLiteral("Taux légal"));
        painted = PaintStatement(writer, document, locale);
    }
    QHashSeed::resetRandomGlobalSeed();
    if (!painted)
        return std::nullopt;
    return datedOn(bytes, document.madeOn);
}

bool WriteStatementPdf(const QString &path, const StatementDocument &document,
                       const QLocale &locale, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const std::optional<QByteArray> pdf = StatementPdf(document, locale);
    if (!pdf)
        return fail(
            QStringLiteral("La mise en page du décompte a échoué : %1 n'est pas écrit").arg(path));
    const SaveOutcome saved = SaveFile(path, *pdf);
    if (!saved.ok)
        return fail(
            QStringLiteral("Impossible d'écrire le fichier %1 : %2").arg(path, saved.reason));
    return true;
}
