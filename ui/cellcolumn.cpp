#include "cellcolumn.h"

#include <QPaintEvent>
#include <QPainter>

CellColumn::CellColumn(const QColor &background, int lines, int step, int cellHeight,
                       QWidget *parent)
    : QWidget(parent), m_background(background), m_step(step), m_cellHeight(cellHeight)
{
    for (int i = 0; i < lines; ++i)
        m_texts << QString();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CellColumn::setText(int line, const QString &text)
{
    if (line < 0 || line >= lines() || m_texts[line] == text)
        return;
    m_texts[line] = text;
    update(cellRect(line));
}

QRect CellColumn::cellRect(int line) const
{
    return QRect(0, line * m_step, width(), m_cellHeight);
}

void CellColumn::paintEvent(QPaintEvent *event)
{
    // The cells cover the whole column.
    QPainter p(this);
    p.setPen(Qt::black);
    for (int i = 0; i < lines(); ++i) {
        const QRect cell = cellRect(i);
        if (!cell.intersects(event->rect()))
            continue;
        p.fillRect(cell, m_background);
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        p.drawText(cell.adjusted(1, 1, -1, -1), Qt::AlignCenter, m_texts[i]);
    }
}
