#pragma once

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

// An option button or check box whose caption wraps inside its box, as
// the long captions of the option frames need ("Personnes physiques hors
// besoins professionnel"). Qt's own buttons keep their text on one line.
template <class Button> class WrapButton : public Button
{
public:
    explicit WrapButton(const QString &text, QWidget *parent = nullptr) : Button(text, parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QStyleOptionButton opt;
        this->initStyleOption(&opt);
        const bool radio = std::is_base_of_v<QRadioButton, Button>;
        const QStyle::SubElement indicatorElement =
            radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator;
        QRect indicator = this->style()->subElementRect(indicatorElement, &opt, this);
        indicator.moveTop((this->height() - indicator.height()) / 2);
        QStyleOptionButton ind = opt;
        ind.rect = indicator;
        this->style()->drawPrimitive(
            radio ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox, &ind, &p, this);
        const QRect textRect = textArea(indicator);
        p.setPen(this->palette().color(QPalette::WindowText));
        p.drawText(textRect,
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                   this->text());
        if (this->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect =
                p.boundingRect(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                               this->text())
                    .adjusted(-1, 0, 1, 0);
            this->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }

    bool hitButton(const QPoint &pos) const override { return this->rect().contains(pos); }

private:
    // The caption fills the button to the right of its indicator.
    QRect textArea(const QRect &indicator) const
    {
        return QRect(indicator.right() + 5, 0, this->width() - indicator.right() - 5,
                     this->height());
    }
};
