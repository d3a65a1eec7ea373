#pragma once

// Every caption of a window with the box it must fit in, so a test can check
// that none is clipped in the font in use.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

struct Caption
{
    QString name;
    QString text;
    QRect box;
    int flags;
    QFont font;
};

namespace captions_detail {

inline QRect indicatorRect(const QAbstractButton *b, QStyle::SubElement element)
{
    QStyleOptionButton opt;
    opt.initFrom(b);
    return b->style()->subElementRect(element, &opt, b);
}

// The long captions of the option frames wrap beside their indicator.
inline QRect wrappedTextArea(const QAbstractButton *b, QStyle::SubElement indicator)
{
    const QRect ind = indicatorRect(b, indicator);
    return QRect(ind.right() + 5, 0, b->width() - ind.right() - 5, b->height());
}

} // namespace captions_detail

inline QList<Caption> windowCaptions(const QWidget *window)
{
    using namespace captions_detail;
    QList<Caption> out;
    const int wrap = Qt::TextWordWrap;
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || label->objectName().startsWith(u"textind") ||
            label->objectName().startsWith(u"indice"))
            continue;
        out.append({label->objectName(), label->text(), label->contentsRect(),
                    int(label->alignment()) | (label->wordWrap() ? wrap : 0), label->font()});
    }
    for (const QRadioButton *b : window->findChildren<QRadioButton *>()) {
        if (b->objectName().startsWith(u"Perso")) {
            out.append({b->objectName(), b->text(),
                        wrappedTextArea(b, QStyle::SE_RadioButtonIndicator), wrap, b->font()});
            continue;
        }
        out.append({b->objectName(), b->text(), indicatorRect(b, QStyle::SE_RadioButtonContents),
                    Qt::AlignLeft | Qt::AlignVCenter, b->font()});
    }
    for (const QCheckBox *b : window->findChildren<QCheckBox *>()) {
        if (b->objectName() == u"Anatocisme") {
            out.append({b->objectName(), b->text(),
                        wrappedTextArea(b, QStyle::SE_CheckBoxIndicator), wrap, b->font()});
            continue;
        }
        out.append({b->objectName(), b->text(), indicatorRect(b, QStyle::SE_CheckBoxContents),
                    Qt::AlignLeft, b->font()});
    }
    for (const QGroupBox *box : window->findChildren<QGroupBox *>()) {
        if (box->title().isEmpty())
            continue;
        QStyleOptionGroupBox opt;
        opt.initFrom(box);
        opt.text = box->title();
        opt.subControls = QStyle::SC_GroupBoxLabel;
        opt.textAlignment = box->alignment();
        // The caption is painted from its place on the frame's line to the
        // frame's right edge.
        const QRect r =
            box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
        out.append({box->objectName(), box->title(),
                    QRect(r.left(), 0, box->width() - r.left() - 1, box->height()),
                    int(Qt::AlignLeft | Qt::AlignTop), box->font()});
    }
    for (const QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        if (b->objectName() == u"Command1" || b->objectName() == u"imprimer" ||
            b->objectName() == u"Command2")
            out.append({b->objectName(), QString(b->text()).remove(u'&'),
                        b->rect().adjusted(3, 0, -3, 0), int(Qt::AlignHCenter | Qt::AlignBottom),
                        b->font()});
    }
    return out;
}
