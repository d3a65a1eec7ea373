#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

// One column of the table's visible lines, the months or the rates: cells
// of one colour with a thin black border and centred black text, drawn by
// the column itself rather than by a label per cell. Each cell overlaps the
// one above it by the width of their common border.
class CellColumn : public QWidget
{
public:
    CellColumn(const QColor &background, int lines, int step, int cellHeight,
               QWidget *parent = nullptr);

    int lines() const { return int(m_texts.size()); }
    QString text(int line) const { return m_texts.value(line); }
    void setText(int line, const QString &text);
    // Where a line's cell lies, in the column's coordinates.
    QRect cellRect(int line) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_background;
    QStringList m_texts;
    int m_step;
    int m_cellHeight;
};
