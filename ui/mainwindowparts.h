#pragma once

// The main window's look, which the code that builds it walks: where each
// control sits, in the twips it was laid out in, its colours, and the
// cells and frames it paints itself.
#include <QColor>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QPainter>
#include <QRect>

namespace mainwindow {

// The window was laid out in twips; at 96 dpi 15 twips make a pixel.
constexpr int kTwipsPerPixel = 15;

inline QRect twips(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// Where each control sits, relative to its frame when it has one.
struct Placement
{
    const char *name;
    int left, top, width, height;
};

inline const Placement kPlacements[] = {
    {"Label7", 60, 120, 1575, 1455},     {"datedelacte", 240, 1560, 1215, 285},
    {"Frame3", 60, 2040, 1635, 1395},    {"Perso(0)", 120, 120, 1455, 855},
    {"Perso(1)", 120, 960, 1335, 315},   {"Frame1", 60, 3300, 1635, 855},
    {"coeff(0)", 120, 210, 735, 255},    {"coeff(1)", 780, 210, 735, 255},
    {"coeff(2)", 120, 450, 735, 255},    {"coeff(3)", 780, 450, 735, 255},
    {"Frame2(0)", 60, 4020, 1635, 615},  {"majore", 120, 210, 615, 255},
    {"Frame2(1)", 60, 4500, 1635, 1095}, {"Anatocisme", 120, 180, 1455, 435},
    {"Label3", 120, 600, 1455, 435},     {"Moiscapital", 1260, 720, 315, 285},
    {"Label1(0)", 1740, 0, 1275, 255},   {"Label2", 3000, 0, 1095, 255},
    {"Label5", 4080, 0, 1335, 255},      {"barretaux", 5415, 240, 255, 5685},
    {"imprimer", 60, 5640, 795, 675},    {"Command2", 900, 5640, 795, 675},
    {"Command1", 1770, 6030, 975, 255},  {"Label1(1)", 2700, 6060, 1695, 225},
    {"nover", 4440, 6060, 795, 225},     {"calculatrice", 5220, 5970, 495, 340},
};

inline const QColor kYellow(255, 255, 128);
inline const QColor kGreen(128, 255, 128);
inline const QColor kCyan(128, 255, 255);
inline const QColor kButtonGrey(192, 192, 192);
inline const QColor kHeading(128, 0, 0);

// A field of its own colour; the others take the window's white.
inline void setFieldColour(QWidget *w, const QColor &background)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, background);
    w->setPalette(pal);
}

// The sum cells and the date field: a flat box with a thin black border,
// drawn by hand rather than through a style sheet, which would cost every
// cell a style of its own at start-up.
class CellEdit : public QLineEdit
{
public:
    explicit CellEdit(QWidget *parent) : QLineEdit(parent)
    {
        setFrame(false);
        setTextMargins(1, 1, 1, 1);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLineEdit::paintEvent(event);
        QPainter p(this);
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// An options frame: a grey line under a caption that sits on it, the whole
// box painted, above the line too, so it covers the bottom of the frame
// above it.
class OptionFrame : public QGroupBox
{
public:
    OptionFrame(const QString &title, QWidget *parent) : QGroupBox(title, parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QBrush fill = palette().window();
        p.fillRect(rect(), fill);
        const int lineTop = 6;
        p.setPen(QColor(128, 128, 128));
        p.drawRect(QRect(0, lineTop, width() - 1, height() - lineTop - 1));
        if (title().isEmpty())
            return;
        const QFontMetrics metrics(font());
        const QString caption = QString(title()).remove(u'&');
        QRect captionRect(6, 0, metrics.horizontalAdvance(caption) + 4, metrics.height());
        p.fillRect(captionRect, fill); // over the line
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(captionRect, Qt::AlignCenter | Qt::TextShowMnemonic, title());
    }
};

// The colour a control and its children are painted in.
inline void colourWith(QWidget *w, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Button, colour);
    w->setPalette(pal);
}

inline void fillWith(QWidget *w, const QColor &colour)
{
    colourWith(w, colour);
    w->setAutoFillBackground(true);
}

inline QFont windowFont()
{
    // Close to the width of the original dialog font, so every caption fits.
    QFont f(QStringLiteral("Liberation Sans"));
    // Short Latin captions: no shaping is needed, and the shaper would
    // keep a copy of the font's layout tables for nothing.
    f.setStyleHint(QFont::SansSerif, QFont::PreferNoShaping);
    f.setPointSizeF(7.5);
    return f;
}

} // namespace mainwindow
