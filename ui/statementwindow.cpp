#include "statementwindow.h"

#include "output/safetext.h"
#include "schedule/typedinput.h"
#include "ui/datefield.h"
#include "ui/icons.h"
#include "ui/statementwindowparts.h"
#include "update/locations.h"

#include "ui_statementwindow.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

using namespace statementwindow;

namespace {

constexpr double kCoefficients[] = {1.0, 1.5, 2.0, 3.0};

enum Total { Accrued, Paid, Capital, Interest, Credit, Due };

// A case field takes what is typed or pasted but the direction controls:
// "RG \u202E43210/51" would be printed "RG 15/01234", not what was typed.
class WithoutBidiValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        if (!std::any_of(input.cbegin(), input.cend(), IsBidiControl))
            return Acceptable;
        pos -= int(std::count_if(input.cbegin(),
                                 input.cbegin() + std::clamp<int>(pos, 0, int(input.size())),
                                 IsBidiControl));
        input = WithoutBidiControls(input);
        return Acceptable;
    }
};

// Payment lines and capitalisations stand apart from the interest lines.
const QColor kPaymentTint(226, 239, 255);
const QColor kCapitalisationTint(255, 246, 214);

QTableWidgetItem *cell(const QString &text, Qt::Alignment alignment = Qt::AlignRight)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTableWidgetItem *amountCell(Cents cents, const QLocale &locale)
{
    QTableWidgetItem *item = cell(formatCents(cents, locale));
    item->setData(Qt::UserRole, cents);
    return item;
}

} // namespace

void statementwindow::setError(QLabel *label, const QString &text)
{
    const bool changed = label->text() != text;
    label->setText(text);
    label->setVisible(!text.isEmpty());
    // The field the message is about carries it for a screen reader, which
    // is told of a new one.
    if (auto *field = label->property("field").value<QWidget *>()) {
        field->setAccessibleDescription(text);
        if (changed && !text.isEmpty() && QAccessible::isActive()) {
            QAccessibleEvent alert(label, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
    }
}

StatementWindow::StatementWindow(const QString &ratesPath, const QLocale &locale, QWidget *parent)
    : QWidget(parent, Qt::Window), m_ratesPath(ratesPath), m_locale(locale),
      m_ui(std::make_unique<Ui::StatementWindow>())
{
    m_hooks.saveFileName = [](QWidget *parent, const QString &caption, const QString &suggested,
                              const QString &filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    };
    m_hooks.openFileName = [](QWidget *parent, const QString &caption, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    };
    m_hooks.today = [] { return QDate::currentDate(); };
    m_hooks.updateRates = [this](QWidget *parent, const QString &ratesPath) {
        return ::updateRatesNow(parent, ratesPath, today());
    };
    m_hooks.addHalfYear = [this](QWidget *parent, const QString &ratesPath) {
        return addHalfYearByHand(parent, ratesPath, today());
    };
    m_hooks.offerHandEntry = [](QWidget *parent, const QString &message) {
        return QMessageBox::question(
                   parent, QStringLiteral("Taux légal"),
                   QStringLiteral("%1\n\nAjouter le semestre suivant à la main, d'après "
                                  "l'arrêté publié au Journal officiel ?")
                       .arg(message)) == QMessageBox::Yes;
    };

    setWindowIcon(LoadIcon(QStringLiteral(":/icons/app.png")));
    setLocale(locale);
    build();
    connectInputs();
    buildTitleParts();

    setDefaultDates();
    startAfresh();
    m_ui->capital->setFocus();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(size().boundedTo(available.size() * 9 / 10));
        move(available.center() - rect().center());
    }
}

StatementWindow::~StatementWindow()
{
    // The children are deleted after this part of the window is gone; an
    // open editor that commits as it closes must not reach it.
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

void StatementWindow::setDefaultDates()
{
    m_filling = true;
    const QDate today = m_hooks.today();
    m_ui->duChamp->setDate(QDate(today.year(), 1, 1));
    m_ui->auChamp->setDate(today);
    m_ui->majorationDuChamp->setText(m_ui->duChamp->text());
    m_ui->capitalisationDuChamp->setText(m_ui->duChamp->text());
    m_filling = false;
}

void StatementWindow::setHooks(Hooks hooks)
{
    if (hooks.saveFileName)
        m_hooks.saveFileName = std::move(hooks.saveFileName);
    if (hooks.openFileName)
        m_hooks.openFileName = std::move(hooks.openFileName);
    if (hooks.updateRates)
        m_hooks.updateRates = std::move(hooks.updateRates);
    if (hooks.addHalfYear)
        m_hooks.addHalfYear = std::move(hooks.addHalfYear);
    if (hooks.offerHandEntry)
        m_hooks.offerHandEntry = std::move(hooks.offerHandEntry);
    if (hooks.today) {
        m_hooks.today = std::move(hooks.today);
        setDefaultDates();
        startAfresh();
    }
}

void StatementWindow::setSettingsFile(const QString &iniPath)
{
    m_iniPath = iniPath;
}

void StatementWindow::build()
{
    m_ui->setupUi(this);
    // Each field has its error right under it; placeInputs() sets them out.
    // The error names its field for a screen reader (setError).
    m_inputRows = {
        {m_ui->libelleCreances, m_ui->barreCreances, m_ui->erreurCreances},
        {m_ui->libelleLibelle, m_ui->libelle, nullptr},
        {m_ui->libelleCapital, m_ui->capital, m_ui->erreurCapital},
        {m_ui->libelleDu, m_ui->duChamp, m_ui->erreurDu},
        {m_ui->libelleInterets, m_ui->interets, nullptr},
        {m_ui->libelleTauxFixe, m_ui->tauxFixe, m_ui->erreurTauxFixe},
        {m_ui->libelleMarge, m_ui->marge, m_ui->erreurMarge},
        {nullptr, m_ui->indemnite, nullptr},
        {m_ui->libelleAu, m_ui->auChamp, m_ui->erreurAu},
        {nullptr, m_ui->actionsTaux, nullptr},
        {m_ui->libelleCategorie, m_ui->categorie, m_ui->erreurCategorie},
        {m_ui->libelleCoefficient, m_ui->coefficient, m_ui->erreurCoefficient},
        {m_ui->majorationActive, m_ui->majorationDuChamp, m_ui->erreurMajoration},
        {nullptr, m_ui->signification, nullptr},
        {m_ui->capitalisationActive, m_ui->capitalisationDuChamp, m_ui->erreurCapitalisation},
        {m_ui->libelleBase, m_ui->base, nullptr},
    };
    for (const InputRow &row : std::as_const(m_inputRows)) {
        auto *date = qobject_cast<DateField *>(row.field);
        if (row.error)
            row.error->setProperty("field",
                                   QVariant::fromValue<QWidget *>(date ? date->edit() : row.field));
    }
    m_ui->erreurCreances->setProperty("field", QVariant::fromValue<QWidget *>(m_ui->creances));
    m_ui->erreurAcomptes->setProperty("field", QVariant::fromValue<QWidget *>(m_ui->acomptes));
    placeInputs(false);

    m_ui->acomptes->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setPaymentDelegates(m_ui->acomptes, m_locale);
    m_ui->lignes->viewport()->installEventFilter(this);
    // However small the window, a few lines stay in sight; the window
    // scrolls for the rest.
    auto rowsHigh = [](QTableWidget *table, int rows) {
        return table->horizontalHeader()->sizeHint().height() +
               rows * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth();
    };
    m_ui->lignes->setMinimumHeight(rowsHigh(m_ui->lignes, 8));
    m_ui->acomptes->setMinimumHeight(rowsHigh(m_ui->acomptes, 3));

    m_caseFields = {m_ui->creancier, m_ui->debiteur, m_ui->reference, m_ui->titreExecutoire};
    for (QLineEdit *field : m_caseFields)
        field->setValidator(new WithoutBidiValidator(field));
    m_totals = {m_ui->totalCourus,   m_ui->totalAcomptes, m_ui->totalCapital,
                m_ui->totalInterets, m_ui->totalCredit,   m_ui->total};
    m_totalCaptions = {m_ui->libelleTotalCourus,  m_ui->libelleTotalAcomptes,
                       m_ui->libelleTotalCapital, m_ui->libelleTotalInterets,
                       m_ui->libelleTotalCredit,  m_ui->libelleTotal};
    placeTotals(false);
    m_exports = {m_ui->copier, m_ui->exporterCsv, m_ui->exporterPdf, m_ui->imprimer};

    // "Ouvrir…" opens the file dialog; its arrow lists the recent files.
    m_recent = new QMenu(QStringLiteral("Décomptes récents"), m_ui->ouvrir);
    m_recent->setObjectName(QStringLiteral("recents"));
    m_ui->ouvrir->setMenu(m_recent);
    connect(m_recent, &QMenu::aboutToShow, this, &StatementWindow::fillRecentMenu);

    // The usual keys, named in their buttons' tips.
    const std::pair<QAbstractButton *, QKeySequence> keys[] = {
        {m_ui->ouvrir, QKeySequence::Open},
        {m_ui->enregistrer, QKeySequence::Save},
        {m_ui->enregistrerSous, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {m_ui->imprimer, QKeySequence::Print}};
    for (const auto &[button, keySequence] : keys) {
        auto *shortcut = new QShortcut(keySequence, this);
        connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
        button->setToolTip(keySequence.toString(QKeySequence::NativeText));
    }
    // Insert adds a payment, Delete removes the selected ones, while the
    // table has the focus (an open cell keeps its own keys).
    auto *insert = new QShortcut(QKeySequence(Qt::Key_Insert), m_ui->acomptes);
    insert->setContext(Qt::WidgetShortcut);
    connect(insert, &QShortcut::activated, this, &StatementWindow::addPayment);
    auto *remove = new QShortcut(QKeySequence::Delete, m_ui->acomptes);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &StatementWindow::removePayment);
    // Ctrl+C in the result copies the whole statement, as "Copier" does.
    auto *copy = new QShortcut(QKeySequence::Copy, m_ui->lignes);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &StatementWindow::Copy);

    // The totals line up with the fields above them.
    m_ui->totauxLayout->setContentsMargins(m_ui->contenuLayout->contentsMargins());
    // The window may be narrower than the buttons in one row: they are
    // stacked before they would be cut (resizeEvent), and what scrolls
    // scrolls. The totals and the buttons stay in view below what scrolls.
    m_ui->cadre->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(std::max(m_ui->boutonsFichier->minimumSize().width(),
                            m_ui->boutonsExport->minimumSize().width()) +
                       sideRoom(),
                   m_ui->totaux->minimumSizeHint().height() + 8 * fontMetrics().height());
}

void StatementWindow::connectInputs()
{
    connect(m_ui->ouvrir, &QToolButton::clicked, this, &StatementWindow::Open);
    connect(m_ui->enregistrer, &QPushButton::clicked, this, [this] { Save(); });
    connect(m_ui->enregistrerSous, &QPushButton::clicked, this, [this] { SaveAs(); });
    connect(m_ui->copier, &QPushButton::clicked, this, &StatementWindow::Copy);
    connect(m_ui->exporterCsv, &QPushButton::clicked, this, &StatementWindow::ExportCsv);
    connect(m_ui->exporterPdf, &QPushButton::clicked, this, &StatementWindow::ExportPdf);
    connect(m_ui->imprimer, &QPushButton::clicked, this, &StatementWindow::Print);
    connect(m_ui->capital, &QLineEdit::textChanged, this, &StatementWindow::inputChanged);
    connect(m_ui->capital, &QLineEdit::editingFinished, this, &StatementWindow::tidyPrincipal);
    for (QLineEdit *field : m_caseFields)
        connect(field, &QLineEdit::textChanged, this, &StatementWindow::inputChanged);
    for (DateField *edit :
         {m_ui->duChamp, m_ui->auChamp, m_ui->majorationDuChamp, m_ui->capitalisationDuChamp})
        connect(edit, &DateField::changed, this, &StatementWindow::inputChanged);
    for (QCheckBox *box : {m_ui->majorationActive, m_ui->capitalisationActive})
        connect(box, &QCheckBox::toggled, this, &StatementWindow::inputChanged);
    // An optional date not in use follows the start, so that ticking it
    // starts from a sensible day.
    connect(m_ui->duChamp, &DateField::changed, this, [this] {
        const QScopedValueRollback<bool> filling(m_filling, true);
        // The five points' day is the title's: another claim may use it.
        const bool otherMajorated =
            std::any_of(m_draft.claims.cbegin(), m_draft.claims.cend(),
                        [&](const ClaimDraft &claim) { return claim.majorated; });
        if (!m_ui->majorationActive->isChecked() && !otherMajorated)
            m_ui->majorationDuChamp->setText(m_ui->duChamp->text());
        if (!m_ui->capitalisationActive->isChecked())
            m_ui->capitalisationDuChamp->setText(m_ui->duChamp->text());
    });
    connect(m_ui->majorationActive, &QCheckBox::toggled, m_ui->majorationDuChamp,
            &QWidget::setEnabled);
    connect(m_ui->capitalisationActive, &QCheckBox::toggled, m_ui->capitalisationDuChamp,
            &QWidget::setEnabled);
    for (QWidget *field :
         std::initializer_list<QWidget *>{m_ui->categorie, m_ui->coefficient, m_ui->base}) {
        field->setFocusPolicy(Qt::StrongFocus);
        field->installEventFilter(this);
        m_wheelGuarded << field;
    }
    m_ui->majorationDuChamp->setEnabled(false);
    m_ui->capitalisationDuChamp->setEnabled(false);
    connect(m_ui->coefficient, &QComboBox::currentIndexChanged, this,
            &StatementWindow::inputChanged);
    connect(m_ui->base, &QComboBox::currentIndexChanged, this, &StatementWindow::inputChanged);
    connect(m_ui->categorie, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            LoadRates();
    });
    connect(m_ui->acomptes, &QTableWidget::itemChanged, this, &StatementWindow::inputChanged);
    connect(m_ui->acomptes, &QTableWidget::itemSelectionChanged, this, [this] {
        m_ui->supprimerAcompte->setEnabled(!m_ui->acomptes->selectedItems().isEmpty());
    });
    connect(m_ui->ajouterAcompte, &QPushButton::clicked, this, &StatementWindow::addPayment);
    connect(m_ui->supprimerAcompte, &QPushButton::clicked, this, &StatementWindow::removePayment);
    connect(m_ui->majTaux, &QPushButton::clicked, this, &StatementWindow::updateRequested);
    connect(m_ui->majTauxMaintenant, &QPushButton::clicked, this, &StatementWindow::updateRatesNow);
    // The end date is not counted: the statement runs to the last day with
    // a rate.
    connect(m_ui->arreterAu, &QPushButton::clicked, this, [this] {
        m_ui->auChamp->setDate(m_stopDay);
        m_ui->auChamp->setFocus();
    });
}

LoadResult StatementWindow::LoadRates()
{
    m_table = RateTable();
    m_table.filePath = m_ratesPath;
    m_load = LoadRatesFile(m_table, category());
    readEcbTable();
    Recompute();
    return *m_load;
}

void StatementWindow::readEcbTable()
{
    m_ecbPath = LocateEcbFile(m_ratesPath);
    m_ecbTime = QFileInfo(m_ecbPath).lastModified();
    m_ecb = ReadEcbTableFile(m_ecbPath);
}

// The download goes to this window's own rates file; whatever it brings is
// read at once. When it brings nothing, the half-year can still be typed
// from the arrêté.
void StatementWindow::updateRatesNow()
{
    const bool ecb = m_missingEcb;
    const RatesUpdateOutcome outcome = m_hooks.updateRates(this, m_ratesPath);
    // Only a legal rate can be typed from an arrêté.
    if (!ecb && !outcome.added && m_hooks.offerHandEntry(this, outcome.message) &&
        !m_hooks.addHalfYear(this, m_ratesPath))
        return;
    LoadRates();
    if (ecb && !outcome.ecbAdded)
        m_ui->message->setText(m_ui->message->text() + u'\n' + outcome.message);
}

void StatementWindow::ReloadRatesIfChanged()
{
    if (m_load && ratesFileChanged(m_table)) {
        LoadRates();
    } else if (m_load && QFileInfo(m_ecbPath).lastModified() != m_ecbTime) {
        // The ECB's table is updated on its own, by the command line too.
        readEcbTable();
        Recompute();
    }
}

void StatementWindow::changeEvent(QEvent *event)
{
    // A rates file replaced while another window was in front is read again
    // as soon as the user comes back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ReloadRatesIfChanged();
    QWidget::changeEvent(event);
}

RateCategory StatementWindow::category() const
{
    return m_ui->categorie->currentIndex() == 1 ? RateCategory::PersonnesPhysiques
                                                : RateCategory::Autres;
}

void StatementWindow::setInputs(const StatementInput &input, RateCategory category)
{
    fillForm(input, category);
    startAfresh();
}

CaseFields StatementWindow::caseFields() const
{
    // As typed, without the blanks around.
    return {m_caseFields[0]->text().trimmed(), m_caseFields[1]->text().trimmed(),
            m_caseFields[2]->text().trimmed(), m_caseFields[3]->text().trimmed()};
}

void StatementWindow::fillForm(const StatementInput &input, RateCategory category,
                               const CaseFields &caseFields)
{
    resetTitleParts();
    m_filling = true;
    m_caseFields[0]->setText(caseFields.creancier);
    m_caseFields[1]->setText(caseFields.debiteur);
    m_caseFields[2]->setText(caseFields.reference);
    m_caseFields[3]->setText(caseFields.titre);
    // No capital is an empty field to fill, not a statement of nothing.
    m_ui->capital->setText(input.principal > 0 ? formatCents(input.principal, m_locale)
                                               : QString());
    if (input.from.isValid())
        m_ui->duChamp->setDate(input.from);
    if (input.to.isValid())
        m_ui->auChamp->setDate(input.to);
    int coefficient = 0;
    for (int k = 0; k < 4; ++k) {
        if (input.coefficient == kCoefficients[k])
            coefficient = k;
    }
    m_ui->coefficient->setCurrentIndex(coefficient);
    m_ui->majorationActive->setChecked(input.majorationFrom.has_value());
    if (input.majorationFrom)
        m_ui->majorationDuChamp->setDate(*input.majorationFrom);
    else
        m_ui->majorationDuChamp->setText(m_ui->duChamp->text());
    m_ui->capitalisationActive->setChecked(input.capitalise);
    if (input.capitalisationFrom)
        m_ui->capitalisationDuChamp->setDate(*input.capitalisationFrom);
    else
        m_ui->capitalisationDuChamp->setText(m_ui->duChamp->text());
    m_ui->base->setCurrentIndex(input.dayBase == DayBase::ActualYear ? 1 : 0);
    fillPayments(input.payments);
    const bool reload =
        !m_load || m_ui->categorie->currentIndex() != (category == RateCategory::Autres ? 0 : 1);
    m_ui->categorie->setCurrentIndex(category == RateCategory::PersonnesPhysiques ? 1 : 0);
    m_filling = false;
    if (reload)
        LoadRates();
    else
        Recompute();
}

std::optional<QDate> StatementWindow::readDate(const DateField *field, QLabel *error,
                                               bool *readable)
{
    if (const auto day = field->date())
        return day;
    setError(error, field->isEmpty()
                        ? QStringLiteral("Saisissez la date, par exemple 18/09/2015.")
                        : QStringLiteral("Date illisible : écrivez par exemple 18/09/2015 ou "
                                         "18 septembre 2015."));
    *readable = false;
    return std::nullopt;
}

void StatementWindow::tidyPrincipal()
{
    if (const auto cents = ReadTypedAmount(m_ui->capital->text()).cents)
        m_ui->capital->setText(formatCents(*cents, m_locale));
}

void StatementWindow::clearErrors()
{
    for (QLabel *label :
         {m_ui->erreurCapital, m_ui->erreurDu, m_ui->erreurAu, m_ui->erreurCategorie,
          m_ui->erreurCoefficient, m_ui->erreurMajoration, m_ui->erreurCapitalisation,
          m_ui->erreurAcomptes, m_ui->erreurCreances, m_ui->erreurTauxFixe, m_ui->erreurFrais})
        setError(label, QString());
    m_ui->actionsTaux->hide();
}

std::optional<StatementInput> StatementWindow::readInputs(bool *missing)
{
    StatementInput input;
    bool readable = true;
    *missing = false;
    const QString principal = m_ui->capital->text().trimmed();
    if (principal.isEmpty()) {
        *missing = true;
    } else if (const TypedAmount read = ReadTypedAmount(principal); read.cents) {
        input.principal = *read.cents;
    } else {
        setError(m_ui->erreurCapital, read.error + u'.');
        readable = false;
    }
    input.from = readDate(m_ui->duChamp, m_ui->erreurDu, &readable).value_or(QDate());
    input.to = readDate(m_ui->auChamp, m_ui->erreurAu, &readable).value_or(QDate());
    input.coefficient = kCoefficients[qBound(0, m_ui->coefficient->currentIndex(), 3)];
    if (m_ui->majorationActive->isChecked())
        input.majorationFrom = readDate(m_ui->majorationDuChamp, m_ui->erreurMajoration, &readable);
    input.capitalise = m_ui->capitalisationActive->isChecked();
    if (input.capitalise)
        input.capitalisationFrom =
            readDate(m_ui->capitalisationDuChamp, m_ui->erreurCapitalisation, &readable);
    input.dayBase = m_ui->base->currentIndex() == 1 ? DayBase::ActualYear : DayBase::Fixed365;
    readPayments(&input.payments, &readable);
    if (!readable)
        return std::nullopt;
    return input;
}

void StatementWindow::Recompute()
{
    if (m_filling)
        return;
    m_pendingTitle.stop();
    clearErrors();
    m_result = {};
    m_title.reset();
    syncDraft();
    m_draftIsOneCapital = m_draft.isOneCapital();
    // Several claims, costs or a payment naming a claim: the title's
    // computation. One capital is computed, saved and shown as it always was.
    if (!m_draftIsOneCapital) {
        recomputeTitle();
        return;
    }
    bool missing = false;
    const std::optional<StatementInput> input = readInputs(&missing);
    // Every change of the form reaches the statement being edited, so that
    // the title and the closing question know of it. A file of several
    // claims stays one.
    const DraftRead asTitle = m_savesTitle ? m_draft.read(m_locale) : DraftRead{};
    if (input && m_savesTitle && asTitle.title)
        m_edited.edit(*asTitle.title);
    else if (input && !m_savesTitle)
        m_edited.edit({*input, category(), caseFields()});
    else
        m_edited.editUnreadable();
    setWindowModified(m_edited.isModified());
    if (!ratesReadable())
        return;
    if (!input) {
        clearResult(QStringLiteral("Corrigez les données signalées en rouge."));
        return;
    }
    if (missing) {
        clearResult(QStringLiteral("Saisissez le capital dû pour obtenir le décompte."));
        return;
    }
    m_input = *input;
    m_result = ComputeStatement(m_table, m_input);
    if (!m_result.ok()) {
        const StatementError error = m_result.error.value_or(StatementError{});
        showError(error);
        clearResult(
            QStringLiteral("Le décompte ne peut pas être calculé : %1.").arg(error.message));
        return;
    }
    showStatement(*m_result.statement);
}

bool StatementWindow::ratesReadable()
{
    if (m_load && m_load->ok())
        return true;
    setError(m_ui->erreurCategorie,
             m_load ? m_load->message : QStringLiteral("Le fichier des taux n'est pas lu."));
    clearResult(QStringLiteral("Sans fichier des taux, le décompte ne peut pas être calculé."));
    return false;
}

void StatementWindow::showError(const StatementError &error)
{
    QLabel *label = m_ui->erreurAu;
    QString message = error.message;
    switch (error.field) {
    case StatementField::Rates:
        label = showMissingRate(error.missingMonth);
        break;
    case StatementField::Principal:
        label = m_ui->erreurCapital;
        break;
    case StatementField::From:
        label = m_ui->erreurDu;
        break;
    case StatementField::To:
        label = m_ui->erreurAu;
        break;
    case StatementField::MajorationFrom:
        label = m_ui->erreurMajoration;
        break;
    case StatementField::CapitalisationFrom:
        label = m_ui->erreurCapitalisation;
        break;
    case StatementField::Payment: {
        // Named and selected by its row in the table, where rows being
        // filled in count too.
        label = m_ui->erreurAcomptes;
        const int row = m_paymentRows.value(error.payment, -1);
        m_ui->acomptes->selectRow(row);
        if (row >= 0)
            message = QStringLiteral("Acompte n° %1 : %2").arg(row + 1).arg(error.reason);
        break;
    }
    case StatementField::Coefficient:
        label = m_ui->erreurCoefficient;
        break;
    }
    setError(label, message);
}

void StatementWindow::showTotals(const std::array<Cents, 4> &ran, Cents total,
                                 const QString &totalText)
{
    const std::array<Cents, 6> totals{
        ran[0], ran[1], ran[2], ran[3], std::max<Cents>(0, -total), std::max<Cents>(0, total)};
    for (int k = 0; k < int(totals.size()); ++k) {
        m_totals[k]->setText(formatCents(totals[k], m_locale) + QStringLiteral(" €"));
        m_totals[k]->setProperty("cents", totals[k]);
    }
    const bool credit = total < 0;
    for (int k : {int(Credit), int(Due)}) {
        const bool shown = (k == Credit) == credit;
        m_totals[k]->setVisible(shown);
        m_totalCaptions[k]->setVisible(shown);
        if (shown && !totalText.isEmpty())
            m_totals[k]->setText(totalText);
    }
}

QLabel *StatementWindow::showMissingRate(const QDate &missingMonth, bool ecb)
{
    // A month before the table is the start date's fault; a month after
    // it is cured by a newer rates file, or a newer ECB table.
    m_missingEcb = ecb;
    const QDate newest = !ecb          ? (m_table.count > 0 ? m_table.rows[0].monthStart : QDate())
                         : m_ecb.table ? m_ecb.table->confirmedUntil
                                       : QDate();
    const bool afterTable = missingMonth.isValid() && newest.isValid() && missingMonth > newest;
    m_ui->actionsTaux->setVisible(afterTable);
    if (afterTable) {
        m_stopDay = missingMonth;
        m_ui->arreterAu->setText(QStringLiteral("Arrêter au %1").arg(formatDay(m_stopDay)));
    }
    return afterTable || !missingMonth.isValid() ? m_ui->erreurAu : m_ui->erreurDu;
}

void StatementWindow::clearResult(const QString &hint)
{
    m_shownRows.clear();
    m_ui->lignes->clearSpans();
    m_ui->lignes->setRowCount(0);
    m_ui->lignes->setColumnCount(LineColumns);
    m_ui->lignes->horizontalHeader()->show();
    for (QLabel *total : m_totals)
        total->setText(QStringLiteral("—"));
    m_totals[Credit]->hide();
    m_totalCaptions[Credit]->hide();
    m_totals[Due]->show();
    m_totalCaptions[Due]->show();
    m_ui->message->setText(hint);
    m_ui->message->show();
    setExportsEnabled(false);
}

void StatementWindow::showStatement(const Statement &statement)
{
    m_shownRows.clear();
    m_ui->lignes->clearSpans();
    m_ui->lignes->setRowCount(0);
    m_ui->lignes->setColumnCount(LineColumns);
    m_ui->lignes->horizontalHeader()->show();
    const QList<StatementLine> &lines = statement.lines;
    m_ui->lignes->setRowCount(int(lines.size()));
    QFont italic = m_ui->lignes->font();
    italic.setItalic(true);
    // The same sentence as the print-out, across the whole line.
    auto setApart = [&](int row, const QString &text, Cents amount, const QColor &tint) {
        QTableWidgetItem *item = cell(text, Qt::AlignLeft);
        item->setToolTip(text); // elided in a narrow window
        item->setData(Qt::UserRole, amount);
        item->setFont(italic);
        item->setBackground(tint);
        m_ui->lignes->setItem(row, LineFrom, item);
        m_ui->lignes->setSpan(row, LineFrom, 1, LineColumns);
    };
    for (int row = 0; row < int(lines.size()); ++row) {
        const StatementLine &line = lines[row];
        if (const auto *interest = std::get_if<InterestLine>(&line)) {
            m_ui->lignes->setItem(row, LineFrom, cell(formatDay(interest->from), Qt::AlignLeft));
            m_ui->lignes->setItem(row, LineTo, cell(formatDay(interest->to), Qt::AlignLeft));
            m_ui->lignes->setItem(row, LineDays, cell(QString::number(interest->days)));
            m_ui->lignes->setItem(row, LineCapital, amountCell(interest->capital, m_locale));
            m_ui->lignes->setItem(
                row, LineRate, cell(formatRate(interest->rate, m_locale) + QStringLiteral(" %")));
            m_ui->lignes->setItem(row, LineInterest, amountCell(interest->interest, m_locale));
        } else if (const auto *payment = std::get_if<PaymentLine>(&line)) {
            setApart(row, StatementSentence(*payment, m_locale), payment->amount, kPaymentTint);
        } else if (const auto *capitalisation = std::get_if<CapitalisationLine>(&line)) {
            setApart(row, StatementSentence(*capitalisation, m_locale), capitalisation->amount,
                     kCapitalisationTint);
        }
    }
    // The totals as every export words them: what is still owed, or the
    // debtor's credit when more was paid, never a negative total.
    const QList<QStringList> rows = StatementTotalRows(statement, m_locale);
    showTotals({statement.accrued, statement.paid, statement.capital, statement.interest},
               statement.total(), rows.isEmpty() ? QString() : rows.last().value(1));
    fitLineColumns();
    m_ui->message->hide();
    setExportsEnabled(true);
}
