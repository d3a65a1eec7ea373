#include "majdialog.h"

#include "rates/codepage.h"
#include "rates/publication.h"
#include "rates/ratetable.h"
#include "ui/icons.h"
#include "update/locations.h"
#include "update/ratesupdate.h"
#include "update/updatenow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTableWidget>
#include <QUrl>

#include <iterator>
#include <memory>

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
    "l'application dès que le dernier semestre connu est écoulé.";

enum class Kind { Button, Line, CheckBox, Picture, Label, Field, PictureButton, Table };

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
    // The update at once and the half-year by hand, the newest rates of
    // the file, and what the last of them did.
    {Kind::Line, "Line2", nullptr, {8, 192, 345, 1}, Look::PaleFill},
    {Kind::Button, "MajMaintenant", "Mettre à jour maintenant", {8, 198, 170, 25}, Look::Plain},
    {Kind::Button, "AjouterSemestre", "Ajouter un semestre…", {183, 198, 170, 25}, Look::Plain},
    {Kind::Table, "Derniers", nullptr, {8, 228, 345, 96}, Look::Plain},
    {Kind::Label, "Resultat", "", {8, 328, 345, 58}, Look::PaleText},
    {Kind::Button, "Valider", "&Ok", {8, 392, 97, 25}, Look::ButtonFace},
    {Kind::PictureButton, "Picture2", ":/icons/tick.png", {12, 394, 20, 20}, Look::Plain},
    {Kind::Button, "Annuler", "&Annuler", {256, 392, 97, 25}, Look::ButtonFace},
    {Kind::PictureButton, "Picture1", ":/icons/cross.png", {260, 398, 14, 14}, Look::Plain},
};

constexpr int kRatesShown = 4; // half-years in the dialog's table

// Keyboard order of the design.
const char *const kTabOrder[] = {
    "Boutonmanuel",    "CheckMaj",      "Picture1",        "Annuler",  "ftp",
    "Checkconnection", "MajMaintenant", "AjouterSemestre", "Picture2", "Valider"};

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
    case Kind::Table: {
        auto *table = new QTableWidget(kRatesShown, 3, parent);
        table->setHorizontalHeaderLabels({QStringLiteral("Semestre"), QStringLiteral("Autres cas"),
                                          QStringLiteral("Particuliers")});
        table->verticalHeader()->hide();
        table->verticalHeader()->setDefaultSectionSize(18);
        table->horizontalHeader()->setFixedHeight(20);
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setSelectionMode(QAbstractItemView::NoSelection);
        table->setFocusPolicy(Qt::NoFocus);
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        return table;
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
    m_rates = control<QTableWidget>("Derniers");
    m_outcome = control<QLabel>("Resultat");
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
    setFixedSize(359, 422);
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
    for (const char *name :
         {"Boutonmanuel", "MajMaintenant", "AjouterSemestre", "Annuler", "Valider"})
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
    connect(control<QAbstractButton>("MajMaintenant"), &QAbstractButton::clicked, this, [this] {
        const TablesUpdateReport both = updateTablesReport(this, m_ratesPath, m_settings.address,
                                                           m_settings.ecbAddress, m_today());
        RatesUpdateReport said = both.rates;
        said.message = both.message();
        showReport(said);
    });
    connect(control<QAbstractButton>("AjouterSemestre"), &QAbstractButton::clicked, this,
            [this] { showReport(addHalfYearReport(this, m_ratesPath, m_today())); });
}

void MajDialog::setRatesFile(const QString &path)
{
    m_ratesPath = path;
    showRates(0);
}

void MajDialog::showReport(const RatesUpdateReport &report)
{
    if (!report.message.isEmpty())
        m_outcome->setText(report.message);
    const bool added = report.status == RatesUpdateReport::Added;
    showRates(added ? int(report.added.size()) : 0);
    if (added)
        emit ratesFileChanged();
}

void MajDialog::showRates(int newRows)
{
    m_rates->clearContents();
    auto autres = std::make_unique<RateTable>();
    auto particuliers = std::make_unique<RateTable>();
    QByteArray bytes;
    // Only a regular file is read: a pipe there would freeze the dialog.
    if (m_ratesPath.isEmpty() || !ReadRatesFile(m_ratesPath, &bytes).ok())
        return;
    if (!parseRates(bytes, RateCategory::Autres, *autres) ||
        !parseRates(bytes, RateCategory::PersonnesPhysiques, *particuliers))
        return;
    // Six rows to a half-year, newest first; the half-years just added in bold.
    for (int row = 0; row < kRatesShown && row * 6 < autres->count; ++row) {
        const int i = row * 6;
        const QStringList cells{NewestPeriodText(autres->rows[i].monthStart),
                                FrenchRate(QString::number(*autres->rows[i].rate, 'g', 15)) +
                                    QStringLiteral(" %"),
                                FrenchRate(QString::number(*particuliers->rows[i].rate, 'g', 15)) +
                                    QStringLiteral(" %")};
        for (int column = 0; column < 3; ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            QFont font = m_rates->font();
            font.setBold(row < newRows);
            item->setFont(font);
            item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                               : Qt::AlignRight | Qt::AlignVCenter);
            m_rates->setItem(row, column, item);
        }
    }
}

// The settings file is Windows-1252: a character outside it would be saved
// as "?", and the address would be lost. Returns the first such character.
QString MajDialog::unsavableCharacter() const
{
    const QString address = m_ftp->text();
    for (qsizetype i = 0; i < address.size(); ++i) {
        const QString one = address.mid(i, address.at(i).isHighSurrogate() ? 2 : 1);
        if (DecodeWindows1252(EncodeWindows1252(one)) != one)
            return one;
    }
    return QString();
}

void MajDialog::showEvent(QShowEvent *event)
{
    m_ftp->setText(m_settings.address);
    m_checkMaj->setChecked(m_settings.autoUpdate);
    m_checkConnection->setChecked(m_settings.testConnection);
    m_outcome->clear();
    showRates(0);
    QDialog::showEvent(event);
}

void MajDialog::save()
{
    const QString bad = unsavableCharacter();
    if (!bad.isEmpty()) {
        m_outcome->setText(
            QStringLiteral("Adresse refusée : « %1 » ne peut pas être enregistré dans Querdan.ini, "
                           "qui ne garde que les caractères d'Europe occidentale. Écrivez-le sous "
                           "sa forme codée, %2, comme le navigateur l'affiche.")
                .arg(bad, QString::fromLatin1(QUrl::toPercentEncoding(bad))));
        m_ftp->setFocus();
        return;
    }
    // A failed write is not reported: the values stay in the record. An
    // installed copy's config folder is only made now, on the first save.
    PrepareSettingsFolder(m_iniPath);
    SaveUpdateSettings(m_settings, m_iniPath);
    accept();
}
