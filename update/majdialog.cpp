#include "majdialog.h"

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

// A small picture that acts as the button it lies on: a click on it, or
// Space while it has the focus, emits clicked().
class PictureButton : public QAbstractButton
{
public:
    PictureButton(const QString &resource, QWidget *parent) : QAbstractButton(parent)
    {
        // A missing picture leaves an empty, still clickable, spot.
        m_picture.load(resource);
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

const char kExplanation[] =
    "La mise à jour automatique utilise votre connexion internet pour télécharger le fichier des "
    "derniers taux légaux : cette fonction s'active automatiquement au lancement de "
    "l'application lorsque l'année du jour excède la dernière année connue.";

// Only the caption: a check box draws its tick in the Text colour, which
// must stay dark on the light indicator.
void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, colour);
    widget->setPalette(p);
}

void setFace(QPushButton *button)
{
    QPalette p = button->palette();
    p.setColor(QPalette::Button, kButtonFace);
    p.setColor(QPalette::ButtonText, Qt::black);
    button->setPalette(p);
}

} // namespace

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

    // Positions in pixels at 96 dots per inch, from the dialog's design.
    auto *manual = new QPushButton(QStringLiteral("Mise à jour manuelle"), this);
    manual->setObjectName(QStringLiteral("Boutonmanuel"));
    manual->setGeometry(8, 8, 345, 29);

    auto *line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(8, 44, 345, 1);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    {
        QPalette p = line->palette();
        p.setColor(QPalette::Window, kPaleYellow);
        line->setPalette(p);
    }

    m_checkMaj = new QCheckBox(QStringLiteral("Activer la mise à jour automatique des taux"), this);
    m_checkMaj->setObjectName(QStringLiteral("CheckMaj"));
    m_checkMaj->setGeometry(8, 48, 289, 17);
    setTextColour(m_checkMaj, kPaleYellow);
    QFont bold = font();
    bold.setBold(true);
    m_checkMaj->setFont(bold);

    auto *globe = new QLabel(this);
    globe->setObjectName(QStringLiteral("Image1"));
    globe->setGeometry(324, 48, 29, 29);
    globe->setPixmap(QPixmap(QStringLiteral(":/icons/globe.png")));

    auto *explanation = new QLabel(QString::fromUtf8(kExplanation), this);
    explanation->setObjectName(QStringLiteral("Label1"));
    explanation->setGeometry(8, 68, 341, 77);
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColour(explanation, palette().color(QPalette::HighlightedText));

    auto *addressLabel = new QLabel(QStringLiteral("Adresse FTP"), this);
    addressLabel->setObjectName(QStringLiteral("Label2"));
    addressLabel->setGeometry(8, 138, 53, 29);
    addressLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    addressLabel->setWordWrap(true);
    setTextColour(addressLabel, kPaleYellow);

    m_ftp = new QLineEdit(this);
    m_ftp->setObjectName(QStringLiteral("ftp"));
    m_ftp->setGeometry(56, 140, 297, 19);
    {
        QPalette p = m_ftp->palette();
        p.setColor(QPalette::Base, QColor(224, 224, 224));
        p.setColor(QPalette::Text, Qt::black);
        m_ftp->setPalette(p);
    }

    m_checkConnection = new QCheckBox(QStringLiteral("Test automatique de la connexion"), this);
    m_checkConnection->setObjectName(QStringLiteral("Checkconnection"));
    m_checkConnection->setGeometry(8, 168, 205, 17);
    setTextColour(m_checkConnection, kPaleYellow);

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("Valider"));
    ok->setGeometry(8, 196, 97, 25);
    setFace(ok);

    auto *tick = new PictureButton(QStringLiteral(":/icons/tick.png"), this);
    tick->setObjectName(QStringLiteral("Picture2"));
    tick->setGeometry(12, 198, 20, 20);

    auto *cancel = new QPushButton(QStringLiteral("&Annuler"), this);
    cancel->setObjectName(QStringLiteral("Annuler"));
    cancel->setGeometry(256, 196, 97, 25);
    setFace(cancel);

    auto *cross = new PictureButton(QStringLiteral(":/icons/cross.png"), this);
    cross->setObjectName(QStringLiteral("Picture1"));
    cross->setGeometry(260, 202, 14, 14);

    // Enter always means Ok, wherever the focus is: a focused button taking
    // Enter for itself would let it start the manual update, which ends the
    // program.
    manual->setAutoDefault(false);
    cancel->setAutoDefault(false);
    ok->setAutoDefault(false);
    ok->setDefault(true);

    setTabOrder(manual, m_checkMaj);
    setTabOrder(m_checkMaj, cross);
    setTabOrder(cross, cancel);
    setTabOrder(cancel, m_ftp);
    setTabOrder(m_ftp, m_checkConnection);
    setTabOrder(m_checkConnection, tick);
    setTabOrder(tick, ok);
    tick->setFocusPolicy(Qt::TabFocus);
    cross->setFocusPolicy(Qt::TabFocus);

    // The fields are the record: every edit lands in it at once, so that a
    // cancelled dialog still leaves its values for the rest of the run.
    connect(m_ftp, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_settings.address = text; });
    connect(m_checkMaj, &QCheckBox::toggled, this, [this](bool on) { m_settings.autoUpdate = on; });
    connect(m_checkConnection, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.testConnection = on; });

    connect(ok, &QPushButton::clicked, this, &MajDialog::save);
    connect(tick, &QAbstractButton::clicked, this, &MajDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cross, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(manual, &QPushButton::clicked, this, &MajDialog::manualUpdateRequested);
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
