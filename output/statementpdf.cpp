#include "statementpdf.h"

#include "output/pdfpages.h"
#include "schedule/formats.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace {

using namespace pdfpages;

const QString kTitle = QStringLiteral("Décompte des intérêts au taux légal");

bool paintStatement(QPainter &painter, const StatementDocument &doc, const QLocale &locale)
{
    Pages pages(painter);
    const qreal mm = pages.mm();
    pages.addText(font(16, true), kTitle, Qt::AlignHCenter, 6 * mm);
    // The case fields above the inputs, their values in one column.
    const QList<QStringList> caseFields = StatementCaseRows(doc);
    const QList<QStringList> inputs = StatementInputRows(doc, locale);
    const qreal labelWidth = std::max(pages.labelColumn(caseFields, font(10, true)),
                                      pages.labelColumn(inputs, font(10)));
    if (!doc.caseFields.isEmpty()) {
        pages.addPairs(caseFields, font(10, true), font(10), labelWidth);
        pages.addGap(4 * mm);
    }
    pages.addPairs(inputs, font(10), font(10), labelWidth);
    pages.addGap(5 * mm);

    Table table;
    table.heading = QStringList{QStringLiteral("Du"),          QStringLiteral("Au"),
                                QStringLiteral("Jours"),       QStringLiteral("Capital"),
                                QStringLiteral("Taux annuel"), QStringLiteral("Intérêts")};
    table.right = {false, false, true, true, true, true};
    for (const StatementLine &line : doc.statement.lines) {
        if (const auto *i = std::get_if<InterestLine>(&line)) {
            table.rows.append({formatDay(i->from), formatDay(i->to), QString::number(i->days),
                               formatCents(i->capital, locale), formatRate(i->rate, locale),
                               formatCents(i->interest, locale)});
        } else if (const auto *pay = std::get_if<PaymentLine>(&line)) {
            table.rows.append({StatementSentence(*pay, locale)});
        } else if (const auto *c = std::get_if<CapitalisationLine>(&line)) {
            table.rows.append({StatementSentence(*c, locale)});
        }
    }
    pages.addTable(table);

    // The last total, the total owed, in bold under a rule.
    const QList<QStringList> totals = StatementTotalRows(doc.statement, locale);
    const int last = int(totals.size()) - 1;
    pages.addTotals(totals, [last](int i) { return i == last; });
    pages.addGap(5 * mm);

    const QList<QStringList> source = StatementSourceRows(doc);
    pages.addPairs(source, font(9), font(9), pages.labelColumn(source, font(9)));
    return pages.paint();
}

} // namespace

bool PaintStatement(QPagedPaintDevice &device, const StatementDocument &document,
                    const QLocale &locale)
{
    setA4(device);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const bool painted = paintStatement(painter, document, locale);
    return painter.end() && painted;
}

std::optional<QByteArray> StatementPdf(const StatementDocument &document, const QLocale &locale)
{
    return pdfBytes(kTitle, document.madeOn, [&](QPagedPaintDevice &device) {
        return PaintStatement(device, document, locale);
    });
}

bool WriteStatementPdf(const QString &path, const StatementDocument &document,
                       const QLocale &locale, QString *error)
{
    return savePdf(path, StatementPdf(document, locale), error);
}
