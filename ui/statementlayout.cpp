#include "statementwindow.h"

#include "ui/statementwindowparts.h"

#include "ui_statementwindow.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <array>

using namespace statementwindow;

void StatementWindow::placeInputs(bool stacked)
{
    // Captions beside their fields, or above them in a narrow window.
    for (const InputRow &row : m_inputRows) {
        for (QWidget *widget : {row.caption, row.field, static_cast<QWidget *>(row.error)}) {
            if (widget)
                m_ui->grilleCreance->removeWidget(widget);
        }
    }
    const int fieldColumn = stacked ? 0 : 1;
    int line = 0;
    for (const InputRow &row : m_inputRows) {
        if (row.caption) {
            m_ui->grilleCreance->addWidget(row.caption, line, 0);
            if (stacked)
                ++line;
        }
        m_ui->grilleCreance->addWidget(row.field, line++, fieldColumn,
                                       row.field == m_ui->actionsTaux ? Qt::AlignLeft
                                                                      : Qt::Alignment());
        if (row.error)
            m_ui->grilleCreance->addWidget(row.error, line++, fieldColumn);
    }
    m_ui->grilleCreance->setColumnStretch(0, stacked ? 1 : 0);
    m_ui->grilleCreance->setColumnStretch(1, stacked ? 0 : 1);
    for (int r = 0; r < m_ui->grilleCreance->rowCount(); ++r)
        m_ui->grilleCreance->setRowStretch(r, 0);
    m_ui->grilleCreance->setRowStretch(line, 1);
}

void StatementWindow::placeTotals(bool stacked)
{
    // Two columns of three, what ran then what is owed; one column when
    // narrow.
    for (int k = 0; k < int(m_totals.size()); ++k) {
        m_ui->grilleTotaux->removeWidget(m_totalCaptions[k]);
        m_ui->grilleTotaux->removeWidget(m_totals[k]);
        const int row = stacked ? k : k % 3;
        const int column = stacked ? 0 : (k / 3) * 3;
        m_ui->grilleTotaux->addWidget(m_totalCaptions[k], row, column);
        m_ui->grilleTotaux->addWidget(m_totals[k], row, column + 1);
    }
    // Each amount right beside its caption, the room left over at the end.
    m_ui->grilleTotaux->setColumnMinimumWidth(2, stacked ? 0 : 24);
    m_ui->grilleTotaux->setColumnStretch(stacked ? 2 : 5, 1);
    m_ui->grilleTotaux->setColumnStretch(stacked ? 5 : 2, 0);
}

int StatementWindow::sideRoom() const
{
    // The content's side margins and the vertical scroll bar beside it.
    const QMargins content = m_ui->contenuLayout->contentsMargins();
    return content.left() + content.right() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void StatementWindow::arrange(int width)
{
    // Measured as the form stands: a font, a style or a message shown
    // changes what each part needs. The inputs are measured with their
    // captions beside them, the only time they are.
    if (!m_stacked)
        m_inputsWidth = m_ui->creance->minimumSizeHint().width();
    const int margins = sideRoom();
    const int sideBySide = m_inputsWidth + m_ui->haut->spacing() +
                           m_ui->boiteAcomptes->minimumSizeHint().width() + margins;
    const int buttonsInOneRow = m_ui->boutonsFichier->minimumSize().width() +
                                m_ui->boutons->spacing() +
                                m_ui->boutonsExport->minimumSize().width() + margins;
    m_ui->haut->setDirection(width < sideBySide ? QBoxLayout::TopToBottom
                                                : QBoxLayout::LeftToRight);
    m_ui->boutons->setDirection(width < buttonsInOneRow ? QBoxLayout::TopToBottom
                                                        : QBoxLayout::LeftToRight);
    const bool stacked = width < m_inputsWidth + margins;
    if (stacked != m_stacked) {
        m_stacked = stacked;
        placeInputs(stacked);
        placeTotals(stacked);
    }
}

void StatementWindow::resizeEvent(QResizeEvent *event)
{
    arrange(event->size().width());
    QWidget::resizeEvent(event);
}

bool StatementWindow::event(QEvent *event)
{
    // What the parts need changes after the window is polished, or when a
    // message or the rate buttons appear.
    if (event->type() == QEvent::LayoutRequest)
        arrange(width());
    return QWidget::event(event);
}

bool StatementWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The wheel scrolls the window; it changes a date or a choice only in
    // the field being edited, never one the pointer happens to cross.
    if (event->type() == QEvent::Wheel && m_wheelGuarded.contains(watched) &&
        !static_cast<QWidget *>(watched)->hasFocus()) {
        QCoreApplication::sendEvent(m_ui->defilement->verticalScrollBar(), event);
        return true;
    }
    if (watched == m_ui->lignes->viewport() && event->type() == QEvent::Resize)
        fitLineColumns();
    return QWidget::eventFilter(watched, event);
}

void StatementWindow::fitLineColumns()
{
    // Every column as wide as its widest text, the room left shared out;
    // when there is none left the table scrolls sideways. The payment and
    // capitalisation lines span the columns and do not count.
    QHeaderView *header = m_ui->lignes->horizontalHeader();
    const QFontMetrics metrics(m_ui->lignes->font());
    const int padding = 2 * metrics.averageCharWidth() + 2;
    QFont bold = m_ui->lignes->font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const int columns = m_ui->lignes->columnCount();
    QList<int> needed(columns, 0);
    int total = 0;
    for (int column = 0; column < columns; ++column) {
        const QTableWidgetItem *caption = m_ui->lignes->horizontalHeaderItem(column);
        needed[column] = std::max(
            needed[column],
            header->isHidden() || !caption
                ? padding
                : QFontMetrics(header->font()).horizontalAdvance(caption->text()) + 2 * padding);
        // Only some of the longest texts are measured: the figures of a
        // column differ in width by their digits' count, and a title has
        // thousands of them.
        QList<QString> longest;
        int length = 0;
        for (int row = 0; row < m_ui->lignes->rowCount(); ++row) {
            // A title's texts are at hand without asking each cell.
            QString text;
            if (row < m_shownRows.size()) {
                const ShownRow &shown = m_shownRows.at(row);
                if (shown.across)
                    continue;
                text = shown.cells.value(column);
                // A table's heading wraps: its longest word is what it
                // needs.
                if (shown.bold) {
                    for (const QString &word : text.split(u' '))
                        needed[column] =
                            std::max(needed[column], boldMetrics.horizontalAdvance(word) + padding);
                    continue;
                }
            } else {
                const QTableWidgetItem *item = m_ui->lignes->item(row, column);
                if (!item || m_ui->lignes->columnSpan(row, column) != 1)
                    continue;
                text = item->text();
            }
            if (text.size() > length + 2) {
                longest.clear();
                length = int(text.size());
            }
            if (text.size() + 2 >= length && longest.size() < 24)
                longest.append(text);
        }
        for (const QString &text : std::as_const(longest))
            needed[column] = std::max(needed[column], metrics.horizontalAdvance(text) + padding);
        total += needed[column];
    }
    const int extra = std::max(0, m_ui->lignes->viewport()->width() - total) / std::max(1, columns);
    bool widthsChanged = false;
    for (int column = 0; column < columns; ++column) {
        widthsChanged = widthsChanged || header->sectionSize(column) != needed[column] + extra;
        header->resizeSection(column, needed[column] + extra);
    }
    // A title's headings and sentences wrap, each row as high as its text
    // needs and never lower than a row: where a payment went is read whole.
    // Laying out thousands of sentences is slow: only when the widths or
    // the texts changed.
    m_ui->lignes->setWordWrap(!m_shownRows.isEmpty());
    if (!widthsChanged && !m_rowHeightsStale)
        return;
    m_rowHeightsStale = false;
    const QAbstractItemView *view = m_ui->lignes;
    QHeaderView *rows = m_ui->lignes->verticalHeader();
    for (int row = 0; row < m_shownRows.size(); ++row) {
        if (m_shownRows.at(row).bold || m_shownRows.at(row).across)
            rows->resizeSection(row,
                                std::max(rows->defaultSectionSize(), view->sizeHintForRow(row)));
    }
}
