#include "majdialog.h"

#include "ui/icons.h"
#include "update/locations.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <iterator>

// A small picture that acts as the button it lies on: a click on it, or
// Space while it has the focus, emits clicked().
class PictureButton : public QAbstractButton
{
public:
    PictureButton(const QString &resource, QWidget *parent) : QAbstractButton(parent)
    {
        // A missing picture leaves an empty, still clickable, spot.
        m_picture = LoadPicture(resource);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (!m_picture.isNull())
            painter.drawPixmap(rect(), m_picture);
        if (hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }

private:
    QPixmap m_picture;
};

namespace {

const QColor kPaleYellow(255, 255, 192);
const QColor kButtonFace(192, 192, 192);
const QColor kFieldBackground(224, 224, 224);

const char kExplanation[] =
    "La mise à jour automatique utilise votre connexion internet pour télécharger le fichier des "
    "derniers taux légaux : cette fonction s'active automatiquement au lancement de "
    "l'application lorsque l'année du jour excède la dernière année connue.";

enum class Kind { Button, Line, CheckBox, Picture, Label, Field, PictureButton };

enum class Look {
    Plain,
    PaleText,      // pale yellow caption on the black dialog
    HighlightText, // the system colour for highlighted text
    ButtonFace,    // grey face, black caption
    PaleFill,      // a pale yellow bar
    GreyField,     // light grey field, black text
};

struct Control
{
    Kind kind;
    const char *name;
    const char *content; // the caption, or the picture's resource
    QRect place;         // pixels at 96 dots per inch
    Look look;
};

// The dialog's design, in creation order: each picture lies over the
// button before it, and takes its clicks.
const Control kControls[] = {
    {Kind::Button, "Boutonmanuel", "Mise à jour manuelle", {8, 8, 345, 29}, Look::Plain},
    {Kind::Line, "Line1", nullptr, {8, 44, 345, 1}, Look::PaleFill},
    {Kind::CheckBox,
     "CheckMaj",
     "Activer la mise à jour automatique des taux",
     {8, 48, 289, 17},
     Look::PaleText},
    {Kind::Picture, "Image1", ":/icons/globe.png", {324, 48, 29, 29}, Look::Plain},
    {Kind::Label, "Label1", kExplanation, {8, 68, 341, 77}, Look::HighlightText},
    {Kind::Label, "Label2", "Adresse FTP", {8, 138, 53, 29}, Look::PaleText},
    {Kind::Field, "ftp", nullptr, {56, 140, 297, 19}, Look::GreyField},
    {Kind::CheckBox,
     "Checkconnection",
     "Test automatique de la connexion",
     {8, 168, 205, 17},
     Look::PaleText},
    {Kind::Button, "Valider", "&Ok", {8, 196, 97, 25}, Look::ButtonFace},
    {Kind::PictureButton, "Picture2", ":/icons/tick.png", {12, 198, 20, 20}, Look::Plain},
    {Kind::Button, "Annuler", "&Annuler", {256, 196, 97, 25}, Look::ButtonFace},
    {Kind::PictureButton, "Picture1", ":/icons/cross.png", {260, 202, 14, 14}, Look::Plain},
};

// Keyboard order of the design.
const char *const kTabOrder[] = {"Boutonmanuel", "CheckMaj",        "Picture1", "Annuler",
                                 "ftp",          "Checkconnection", "Picture2", "Valider"};

QWidget *createControl(const Control &c, QWidget *parent)
{
    const QString content = QString::fromUtf8(c.content ? c.content : "");
    switch (c.kind) {
    case Kind::Button:
        return new QPushButton(content, parent);
    case Kind::Line: {
        auto *line = new QFrame(parent);
        line->setFrameShape(QFrame::NoFrame);
        return line;
    }
    case Kind::CheckBox:
        return new QCheckBox(content, parent);
    case Kind::Picture: {
        auto *picture = new QLabel(parent);
        picture->setPixmap(LoadPicture(content));
        return picture;
    }
    case Kind::Label: {
        auto *label = new QLabel(content, parent);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case Kind::Field:
        return new QLineEdit(parent);
    case Kind::PictureButton: {
        auto *button = new PictureButton(content, parent);
        // Reached with Tab, as the design's order has it, but not by a click
        // taking the focus from the field the user was in.
        button->setFocusPolicy(Qt::TabFocus);
        return button;
    }
    }
    return nullptr;
}

void applyLook(QWidget *widget, Look look, const QPalette &dialog)
{
    QPalette p = widget->palette();
    switch (look) {
    case Look::Plain:
        return;
    case Look::PaleText:
        // Only the caption: a check box draws its tick in the Text colour,
        // which must stay dark on the light indicator.
        p.setColor(QPalette::WindowText, kPaleYellow);
        break;
    case Look::HighlightText:
        p.setColor(QPalette::WindowText, dialog.color(QPalette::HighlightedText));
        break;
    case Look::ButtonFace:
        p.setColor(QPalette::Button, kButtonFace);
        p.setColor(QPalette::ButtonText, Qt::black);
        break;
    case Look::PaleFill:
        p.setColor(QPalette::Window, kPaleYellow);
        widget->setAutoFillBackground(true);
        break;
    case Look::GreyField:
        p.setColor(QPalette::Base, kFieldBackground);
        p.setColor(QPalette::Text, Qt::black);
        break;
    }
    widget->setPalette(p);
}

} // namespace

template <typename T> T *MajDialog::control(const char *name) const
{
    return findChild<T *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

MajDialog::MajDialog(UpdateSettings &settings, const QString &iniPath, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_iniPath(iniPath)
{
    build();
    m_ftp->setText(m_settings.address);
    m_checkMaj->setChecked(m_settings.autoUpdate);
    m_checkConnection->setChecked(m_settings.testConnection);
}

void MajDialog::build()
{
    setUpWindow();
    for (const Control &c : kControls) {
        QWidget *widget = createControl(c, this);
        widget->setObjectName(QString::fromLatin1(c.name));
        widget->setGeometry(c.place);
        applyLook(widget, c.look, palette());
    }
    m_ftp = control<QLineEdit>("ftp");
    m_checkMaj = control<QCheckBox>("CheckMaj");
    m_checkConnection = control<QCheckBox>("Checkconnection");
    QFont bold = font();
    bold.setBold(true);
    m_checkMaj->setFont(bold);
    setUpKeys();
    connectControls();
}

void MajDialog::setUpWindow()
{
    setObjectName(QStringLiteral("Maj"));
    setWindowTitle(QStringLiteral("Mise à jour des taux légaux"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(359, 226);
    setModal(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    // The layout is fixed in pixels and was drawn for an 8 pt sans font of
    // 11 pixels; the desktop's usual larger font would cut the captions.
    QFont small(QStringLiteral("Liberation Sans"));
    small.setStyleHint(QFont::SansSerif);
    small.setPixelSize(11);
    setFont(small);
}

void MajDialog::setUpKeys()
{
    // Enter always means Ok, wherever the focus is: a focused button taking
    // Enter for itself would let it start the manual update, which ends the
    // program.
    for (const char *name : {"Boutonmanuel", "Annuler", "Valider"})
        control<QPushButton>(name)->setAutoDefault(false);
    control<QPushButton>("Valider")->setDefault(true);

    for (size_t i = 1; i < std::size(kTabOrder); ++i)
        setTabOrder(control<QWidget>(kTabOrder[i - 1]), control<QWidget>(kTabOrder[i]));
}

void MajDialog::connectControls()
{
    // The fields are the record: every edit lands in it at once, so that a
    // cancelled dialog still leaves its values for the rest of the run.
    connect(m_ftp, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_settings.address = text; });
    connect(m_checkMaj, &QCheckBox::toggled, this, [this](bool on) { m_settings.autoUpdate = on; });
    connect(m_checkConnection, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.testConnection = on; });

    for (const char *name : {"Valider", "Picture2"})
        connect(control<QAbstractButton>(name), &QAbstractButton::clicked, this, &MajDialog::save);
    for (const char *name : {"Annuler", "Picture1"})
        connect(control<QAbstractButton>(name), &QAbstractButton::clicked, this, &QDialog::reject);
    connect(control<QAbstractButton>("Boutonmanuel"), &QAbstractButton::clicked, this,
            &MajDialog::manualUpdateRequested);
}

void MajDialog::showEvent(QShowEvent *event)
{
    m_ftp->setText(m_settings.address);
    m_checkMaj->setChecked(m_settings.autoUpdate);
    m_checkConnection->setChecked(m_settings.testConnection);
    QDialog::showEvent(event);
}

void MajDialog::save()
{
    // A failed write is not reported: the values stay in the record. An
    // installed copy's config folder is only made now, on the first save.
    PrepareSettingsFolder(m_iniPath);
    SaveUpdateSettings(m_settings, m_iniPath);
    accept();
}
