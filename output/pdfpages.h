#pragma once

// What the printed statements share: A4 pages cut from pieces that never
// break, tables whose heading comes back on every page they carry on to,
// "Page 1 / 2" at the foot, and PDF bytes that are the same every time.
// Not for use outside output/.

#include <QByteArray>
#include <QDate>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QTextLayout;

namespace pdfpages {

QFont font(qreal points, bool bold = false, bool italic = false);

// One piece of a page: its height, and how to paint it at a given top.
struct Piece
{
    qreal height = 0;
    std::function<void(QPainter &, qreal top)> paint;
    // Painted first when this piece begins a page: a table's heading.
    std::shared_ptr<const std::vector<Piece>> repeated = nullptr;
    bool keepWithNext = false; // a heading of a block stays with what follows
};

// A table: its heading row (none when empty), then rows; a row of one field
// is a sentence across the table, shaded. `continued` is painted above the
// heading row on a page the table carries on to.
struct Table
{
    QStringList heading;
    QList<QStringList> rows;
    QList<bool> right; // which columns line up on the right
    std::vector<Piece> continued;
    // A hairline of white between sentences, for a table of nothing else
    // whose shading would run them together.
    bool apart = false;
};

class Pages
{
public:
    explicit Pages(QPainter &painter);

    qreal mm() const { return m_mm; }
    qreal width() const { return m_width; }
    qreal textWidth(const QFont &f, const QString &text) const;

    void addText(const QFont &f, const QString &text, Qt::Alignment align, qreal gapAfter);
    // The text in one piece, for a heading painted again on a later page.
    Piece textPiece(const QFont &f, const QString &text, qreal gapAfter) const;
    // The width of a column for these labels and a gap, half the page at most.
    qreal labelColumn(const QList<QStringList> &pairs, const QFont &labelFont) const;
    void addPairs(const QList<QStringList> &pairs, const QFont &labelFont, const QFont &f,
                  qreal labelWidth);
    // Amounts under the right edge, so that they line up with the tables'
    // last column; the rows `strong` picks in bold under a rule.
    void addTotals(const QList<QStringList> &totals, const std::function<bool(int)> &strong);
    void addTable(const Table &table);
    // More space under what was added last.
    void addGap(qreal height);
    // The pieces from `from` up to `to` (not included) stay on the page of
    // what follows them.
    void keepTogether(std::size_t from, std::size_t to);
    std::size_t size() const { return m_pieces.size(); }

    // Cuts the pieces into pages and paints them. False when a page could
    // not be added.
    bool paint();

private:
    qreal textHeight(const QFont &f, qreal width, const QString &text, int flags) const;
    int wrapFlag(const QFont &f, const QString &text, qreal width) const;
    // Text in a box `width` wide: drawn by the painter when its words fit
    // (with the flags `fitting` when it fits on one line), laid out when
    // one word is too long, so that only that word is cut.
    struct Wrapped
    {
        int flags = 0;
        std::shared_ptr<QTextLayout> layout = nullptr;
        qreal height = 0;
    };
    Wrapped wrapped(const QFont &f, const QString &text, qreal width, Qt::Alignment align,
                    int fitting) const;
    static void drawWrapped(QPainter &p, const QRectF &box, int align, const Wrapped &w,
                            const QString &text);
    std::shared_ptr<QTextLayout> laidOut(const QFont &f, const QString &text, qreal width,
                                         Qt::Alignment align) const;

    QPainter &m_painter;
    qreal m_mm = 1;
    qreal m_width = 0;
    qreal m_height = 0;
    std::vector<Piece> m_pieces;
};

// A4 portrait with the statements' margins.
void setA4(QPagedPaintDevice &device);

// The bytes of a PDF painted by `paint`, titled `title` and dated `madeOn`
// rather than by the clock. Nothing when it could not be painted.
std::optional<QByteArray> pdfBytes(const QString &title, const QDate &madeOn,
                                   const std::function<bool(QPagedPaintDevice &)> &paint);

// Writes `pdf` to `path` whole or not at all; on failure `error` (when
// given) says why, in French.
bool savePdf(const QString &path, const std::optional<QByteArray> &pdf, QString *error);

} // namespace pdfpages
