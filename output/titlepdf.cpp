#include "titlepdf.h"

#include "output/pdfpages.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace {

using namespace pdfpages;

const QString kTitle = QStringLiteral("Décompte des sommes dues");

bool paintTitle(QPainter &painter, const TitleDocument &doc, const QLocale &locale)
{
    Pages pages(painter);
    const qreal mm = pages.mm();
    const QList<TitleSection> sections = TitleSections(doc, locale);
    // The totals come before the rates' source, which closes the document.
    const int totals = int(sections.size()) - 2;
    const int source = int(sections.size()) - 1;

    // One column of values for the terms and every claim, so that the
    // sections read as one form.
    qreal labelWidth = 0;
    for (int i = 0; i < totals; ++i)
        labelWidth =
            std::max(labelWidth, pages.labelColumn(sections.at(i).pairs, font(10, i == 0)));

    pages.addText(font(16, true), kTitle, Qt::AlignHCenter, 6 * mm);
    for (int i = 0; i < sections.size(); ++i) {
        const TitleSection &section = sections.at(i);
        // A section's heading and its terms stay with the first row of its
        // table; the totals stay together.
        const std::size_t from = pages.size();
        if (!section.heading.isEmpty())
            pages.addText(font(11, true), section.heading, Qt::AlignLeft, 1.5 * mm);
        if (i == totals) {
            pages.addTotals(section.pairs, [&section](int row) {
                return section.pairs.at(row).at(0).startsWith(QStringLiteral("Total"));
            });
        } else if (i == source) {
            pages.addPairs(section.pairs, font(9), font(9),
                           pages.labelColumn(section.pairs, font(9)));
        } else if (i == 0) {
            // The case fields, labels in bold as on the one-capital
            // statement, stand apart from the title's terms.
            qsizetype terms = 0;
            while (terms < section.pairs.size() &&
                   section.pairs.at(terms).at(0) != QStringLiteral("Catégorie"))
                ++terms;
            if (terms == section.pairs.size())
                terms = 0;
            const QList<QStringList> caseFields = section.pairs.mid(0, terms);
            if (!caseFields.isEmpty()) {
                pages.addPairs(caseFields, font(10, true), font(10), labelWidth);
                pages.addGap(3 * mm);
            }
            pages.addPairs(section.pairs.mid(terms), font(10), font(10), labelWidth);
        } else if (!section.pairs.isEmpty()) {
            pages.addPairs(section.pairs, font(10), font(10), labelWidth);
        }
        if (!section.heading.isEmpty() || i == totals)
            pages.keepTogether(from, section.table.isEmpty() ? pages.size() - 1 : pages.size());
        if (!section.table.isEmpty()) {
            if (!section.pairs.isEmpty())
                pages.addGap(2 * mm);
            Table table;
            table.rows = section.table;
            // A table of sentences (the payments) has no heading row.
            if (table.rows.first().size() > 1)
                table.heading = table.rows.takeFirst();
            else
                table.apart = true;
            table.right = section.right;
            if (!section.heading.isEmpty())
                table.continued.push_back(pages.textPiece(
                    font(11, true), section.heading + QStringLiteral(" (suite)"), 1.5 * mm));
            pages.addTable(table);
        }
        pages.addGap(4 * mm);
    }
    return pages.paint();
}

} // namespace

bool PaintTitle(QPagedPaintDevice &device, const TitleDocument &document, const QLocale &locale)
{
    setA4(device);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool painted = paintTitle(painter, document, locale);
    return painter.end() && painted;
}

std::optional<QByteArray> TitlePdf(const TitleDocument &document, const QLocale &locale)
{
    return pdfBytes(kTitle, document.madeOn, [&](QPagedPaintDevice &device) {
        return PaintTitle(device, document, locale);
    });
}

bool WriteTitlePdf(const QString &path, const TitleDocument &document, const QLocale &locale,
                   QString *error)
{
    return savePdf(path, TitlePdf(document, locale), error);
}
