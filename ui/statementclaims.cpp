#include "statementwindow.h"

#include "output/statementexport.h"
#include "ui/datefield.h"
#include "ui/statementwindowparts.h"

#include "ui_statementwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <functional>

using namespace statementwindow;

namespace {

bool blankRow(const QTableWidget *table, int row, std::initializer_list<int> columns)
{
    return std::all_of(columns.begin(), columns.end(), [&](int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return !item || item->text().trimmed().isEmpty();
    });
}

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

QTableWidgetItem *resultCell(const QString &text, bool right)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// The list "Intérêts" shows the three rates a contract between businesses
// may stipulate side by side: the ECB's plus a margin, three times the
// legal rate, a fixed rate.
enum InterestChoice {
    LegalChoice,
    PenaltiesChoice,
    ThreeTimesLegalChoice,
    FixedChoice,
    PublicBuyerChoice,
    NoInterestChoice,
};
constexpr int kThreeTimes = 3; // "x 3" in the list of coefficients

int choiceOf(ClaimInterest interest, int coefficient)
{
    switch (interest) {
    case ClaimInterest::Legal:
        return coefficient == kThreeTimes ? ThreeTimesLegalChoice : LegalChoice;
    case ClaimInterest::Fixed:
        return FixedChoice;
    case ClaimInterest::None:
        return NoInterestChoice;
    case ClaimInterest::EcbPenalties:
        return PenaltiesChoice;
    case ClaimInterest::EcbPublicBuyer:
        return PublicBuyerChoice;
    }
    return LegalChoice;
}

ClaimInterest interestOf(int choice)
{
    switch (choice) {
    case PenaltiesChoice:
        return ClaimInterest::EcbPenalties;
    case FixedChoice:
        return ClaimInterest::Fixed;
    case PublicBuyerChoice:
        return ClaimInterest::EcbPublicBuyer;
    case NoInterestChoice:
        return ClaimInterest::None;
    default:
        return ClaimInterest::Legal;
    }
}

} // namespace

void StatementWindow::buildTitleParts()
{
    // Wide enough to tell the claims apart beside their buttons.
    m_ui->creances->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_ui->creances->setMinimumContentsLength(16);
    m_ui->libelle->addItems(ClaimLabelSuggestions());
    m_ui->libelle->lineEdit()->setMaxLength(kMaxLabelLength);
    m_ui->libelle->lineEdit()->setAccessibleName(m_ui->libelle->accessibleName());
    m_ui->libelle->lineEdit()->setPlaceholderText(QStringLiteral("par exemple Principal"));
    m_ui->frais->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_ui->frais->horizontalHeader()->setSectionResizeMode(CostLabel, QHeaderView::Stretch);
    setCostDelegates(m_ui->frais, m_locale);
    setClaimDelegate(m_ui->acomptes, [this] {
        QStringList names;
        for (int i = 0; i < m_ui->creances->count(); ++i)
            names << m_ui->creances->itemText(i);
        return names;
    });
    m_ui->erreurFrais->setProperty("field", QVariant::fromValue<QWidget *>(m_ui->frais));
    m_ui->erreurCreances->setProperty("field", QVariant::fromValue<QWidget *>(m_ui->creances));
    m_ui->erreurTauxFixe->setProperty("field", QVariant::fromValue<QWidget *>(m_ui->tauxFixe));
    m_ui->erreurMarge->setProperty("field", QVariant::fromValue<QWidget *>(m_ui->marge));
    // Three costs in sight, six before the table scrolls: most titles have few.
    auto rowsHigh = [this](int rows) {
        return m_ui->frais->horizontalHeader()->sizeHint().height() +
               rows * m_ui->frais->verticalHeader()->defaultSectionSize() +
               2 * m_ui->frais->frameWidth();
    };
    m_ui->frais->setMinimumHeight(rowsHigh(3));
    m_ui->frais->setMaximumHeight(rowsHigh(6));

    connect(m_ui->creances, &QComboBox::activated, this, [this](int index) {
        storeClaim();
        showClaim(index);
    });
    connect(m_ui->ajouterCreance, &QToolButton::clicked, this, &StatementWindow::addClaim);
    connect(m_ui->supprimerCreance, &QToolButton::clicked, this, &StatementWindow::removeClaim);
    connect(m_ui->monterCreance, &QToolButton::clicked, this, [this] { moveClaim(-1); });
    connect(m_ui->descendreCreance, &QToolButton::clicked, this, [this] { moveClaim(1); });
    connect(m_ui->libelle, &QComboBox::currentTextChanged, this, [this] {
        if (m_filling)
            return;
        storeClaim();
        refreshClaimList();
        inputChanged();
    });
    connect(m_ui->interets, &QComboBox::currentIndexChanged, this, [this](int choice) {
        bool otherRates = false;
        if (!m_filling) {
            const QScopedValueRollback<bool> filling(m_filling, true);
            // Three times the legal rate is the legal rate of businesses at
            // x 3; any other choice leaves it at x 1.
            if (choice == ThreeTimesLegalChoice) {
                m_ui->coefficient->setCurrentIndex(kThreeTimes);
                otherRates = m_ui->categorie->currentIndex() != 0;
                m_ui->categorie->setCurrentIndex(0);
            } else if (m_ui->coefficient->currentIndex() == kThreeTimes) {
                m_ui->coefficient->setCurrentIndex(0);
            }
        }
        updateClaimFields();
        if (otherRates)
            LoadRates();
        else
            inputChanged();
    });
    connect(m_ui->coefficient, &QComboBox::currentIndexChanged, this, [this](int coefficient) {
        if (m_filling || m_ui->interets->currentIndex() != LegalChoice ||
            coefficient != kThreeTimes)
            return;
        const QScopedValueRollback<bool> filling(m_filling, true);
        m_ui->interets->setCurrentIndex(ThreeTimesLegalChoice);
        updateClaimFields();
    });
    connect(m_ui->tauxFixe, &QLineEdit::textChanged, this, &StatementWindow::inputChanged);
    connect(m_ui->marge, &QLineEdit::textChanged, this, &StatementWindow::inputChanged);
    connect(m_ui->indemnite, &QCheckBox::toggled, this, &StatementWindow::inputChanged);
    connect(m_ui->signifie, &QCheckBox::toggled, this, [this] {
        updateDerivedMajoration();
        inputChanged();
    });
    connect(m_ui->majorationDuChamp, &DateField::changed, this,
            &StatementWindow::updateDerivedMajoration);
    connect(m_ui->majorationActive, &QCheckBox::toggled, this,
            &StatementWindow::updateDerivedMajoration);
    connect(m_ui->imputation, &QComboBox::currentIndexChanged, this,
            &StatementWindow::inputChanged);
    connect(m_ui->provision, &QCheckBox::toggled, this, &StatementWindow::inputChanged);
    connect(m_ui->frais, &QTableWidget::itemChanged, this, &StatementWindow::inputChanged);
    connect(m_ui->frais, &QTableWidget::itemSelectionChanged, this,
            [this] { m_ui->supprimerFrais->setEnabled(!m_ui->frais->selectedItems().isEmpty()); });
    connect(m_ui->ajouterFrais, &QPushButton::clicked, this, &StatementWindow::addCost);
    connect(m_ui->supprimerFrais, &QPushButton::clicked, this, &StatementWindow::removeCost);
    auto *insert = new QShortcut(QKeySequence(Qt::Key_Insert), m_ui->frais);
    insert->setContext(Qt::WidgetShortcut);
    connect(insert, &QShortcut::activated, this, &StatementWindow::addCost);
    auto *remove = new QShortcut(QKeySequence::Delete, m_ui->frais);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &StatementWindow::removeCost);
    for (QWidget *field : std::initializer_list<QWidget *>{m_ui->creances, m_ui->libelle,
                                                           m_ui->interets, m_ui->imputation}) {
        field->setFocusPolicy(Qt::StrongFocus);
        field->installEventFilter(this);
        m_wheelGuarded << field;
    }
    m_pendingTitle.setSingleShot(true);
    m_pendingTitle.setInterval(kTitlePause);
    connect(&m_pendingTitle, &QTimer::timeout, this, &StatementWindow::Recompute);
    resetTitleParts();
}

void StatementWindow::resetTitleParts()
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    m_draft = TitleDraft();
    m_claim = 0;
    m_shownCapitalisationFrom.clear();
    m_savesTitle = false;
    m_ui->libelle->setCurrentText(m_draft.claims.first().label);
    m_ui->interets->setCurrentIndex(0);
    m_ui->tauxFixe->clear();
    m_ui->marge->setText(m_draft.claims.first().margin);
    m_ui->indemnite->setChecked(false);
    m_ui->signifie->setChecked(false);
    m_ui->imputation->setCurrentIndex(0);
    m_ui->provision->setChecked(false);
    m_ui->frais->setRowCount(0);
    refreshClaimList();
    updateClaimFields();
    updateDerivedMajoration();
}

void StatementWindow::refreshClaimList()
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    m_ui->creances->clear();
    for (int i = 0; i < m_draft.claims.size(); ++i) {
        const QString label = m_draft.claims.at(i).label.trimmed();
        m_ui->creances->addItem(label.isEmpty() ? QStringLiteral("%1.").arg(i + 1)
                                                : QStringLiteral("%1. %2").arg(i + 1).arg(label));
    }
    m_ui->creances->setCurrentIndex(m_claim);
    const int count = int(m_draft.claims.size());
    m_ui->supprimerCreance->setEnabled(count > 1);
    m_ui->monterCreance->setEnabled(m_claim > 0);
    m_ui->descendreCreance->setEnabled(m_claim < count - 1);
    m_ui->ajouterCreance->setEnabled(count < kMaxClaims);
    // A payment names a claim only when there is a choice.
    m_ui->acomptes->setColumnHidden(PaymentClaim, count < 2);
}

void StatementWindow::storeClaim()
{
    if (m_claim < 0 || m_claim >= m_draft.claims.size())
        return;
    ClaimDraft &claim = m_draft.claims[m_claim];
    claim.label = m_ui->libelle->currentText();
    claim.amount = m_ui->capital->text();
    claim.from = m_ui->duChamp->text();
    claim.interest = interestOf(m_ui->interets->currentIndex());
    claim.margin = m_ui->marge->text();
    claim.recoveryIndemnity = m_ui->indemnite->isChecked();
    claim.coefficient = qBound(0, m_ui->coefficient->currentIndex(), 3);
    claim.majorated = m_ui->majorationActive->isChecked();
    claim.fixedRate = m_ui->tauxFixe->text();
    claim.capitalise = m_ui->capitalisationActive->isChecked();
    // The field shows the first day when no day was set: kept unset until
    // the user changes it.
    if (m_ui->capitalisationDuChamp->text() != m_shownCapitalisationFrom) {
        claim.capitalisationFrom = m_ui->capitalisationDuChamp->text();
        m_shownCapitalisationFrom = claim.capitalisationFrom;
    }
}

void StatementWindow::showClaim(int index)
{
    if (index < 0 || index >= m_draft.claims.size())
        return;
    {
        const QScopedValueRollback<bool> filling(m_filling, true);
        m_claim = index;
        const ClaimDraft &claim = m_draft.claims.at(index);
        m_ui->libelle->setCurrentText(claim.label);
        m_ui->capital->setText(claim.amount);
        m_ui->duChamp->setText(claim.from);
        m_ui->interets->setCurrentIndex(choiceOf(claim.interest, claim.coefficient));
        m_ui->coefficient->setCurrentIndex(claim.coefficient);
        m_ui->majorationActive->setChecked(claim.majorated);
        m_ui->tauxFixe->setText(claim.fixedRate);
        m_ui->marge->setText(claim.margin);
        m_ui->indemnite->setChecked(claim.recoveryIndemnity);
        m_ui->capitalisationActive->setChecked(claim.capitalise);
        m_ui->capitalisationDuChamp->setText(
            claim.capitalisationFrom.isEmpty() ? claim.from : claim.capitalisationFrom);
        m_shownCapitalisationFrom = m_ui->capitalisationDuChamp->text();
        refreshClaimList();
        updateClaimFields();
    }
    Recompute();
}

void StatementWindow::updateClaimFields()
{
    // What does not apply to the way the claim bears interest is greyed.
    const ClaimInterest interest = interestOf(m_ui->interets->currentIndex());
    const bool legal = interest == ClaimInterest::Legal;
    const bool fixed = interest == ClaimInterest::Fixed;
    m_ui->coefficient->setEnabled(m_ui->interets->currentIndex() == LegalChoice);
    m_ui->majorationActive->setEnabled(legal);
    m_ui->majorationDuChamp->setEnabled(legal && m_ui->majorationActive->isChecked());
    m_ui->signifie->setEnabled(legal && m_ui->majorationActive->isChecked());
    m_ui->tauxFixe->setEnabled(fixed);
    m_ui->libelleTauxFixe->setEnabled(fixed);
    const bool penalties = interest == ClaimInterest::EcbPenalties;
    m_ui->marge->setEnabled(penalties);
    m_ui->libelleMarge->setEnabled(penalties);
    m_ui->indemnite->setEnabled(penalties || interest == ClaimInterest::EcbPublicBuyer);
    m_ui->capitalisationActive->setEnabled(interest != ClaimInterest::None);
    m_ui->capitalisationDuChamp->setEnabled(interest != ClaimInterest::None &&
                                            m_ui->capitalisationActive->isChecked());
}

void StatementWindow::updateDerivedMajoration()
{
    // "majoration à compter du 16/05/2024" beside a service date.
    QString derived;
    if (m_ui->signifie->isChecked() && m_ui->majorationActive->isChecked()) {
        if (const auto served = m_ui->majorationDuChamp->date())
            derived = QStringLiteral("majoration à compter du %1")
                          .arg(formatDay(MajorationAfterService(*served)));
    }
    m_ui->majorationDerivee->setText(derived);
    m_ui->majorationDerivee->setVisible(!derived.isEmpty());
    m_ui->signifie->setEnabled(m_ui->majorationActive->isChecked() &&
                               interestOf(m_ui->interets->currentIndex()) == ClaimInterest::Legal);
}

QList<PaymentDraft> StatementWindow::paymentRowsClaims() const
{
    QList<PaymentDraft> rows;
    for (int row = 0; row < m_ui->acomptes->rowCount(); ++row) {
        const QTableWidgetItem *claim = m_ui->acomptes->item(row, PaymentClaim);
        rows.append({QString(), QString(), claim ? claim->data(Qt::UserRole).toInt() : -1});
    }
    return rows;
}

void StatementWindow::setPaymentClaims(const QList<PaymentDraft> &rows)
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    for (int row = 0; row < rows.size() && row < m_ui->acomptes->rowCount(); ++row)
        setClaimCell(m_ui->acomptes, row, rows.at(row).claim);
}

void StatementWindow::addClaim()
{
    storeClaim();
    const int added = m_draft.addClaim();
    if (added < 0)
        return;
    refreshClaimList();
    showClaim(added);
    m_ui->libelle->setFocus();
}

void StatementWindow::removeClaim()
{
    storeClaim();
    // The payments follow the claims they named, through the same draft.
    TitleDraft moved = m_draft;
    moved.payments = paymentRowsClaims();
    if (!moved.removeClaim(m_claim))
        return;
    m_draft.claims = moved.claims;
    setPaymentClaims(moved.payments);
    refreshClaimList();
    showClaim(std::min<int>(m_claim, int(m_draft.claims.size()) - 1));
}

void StatementWindow::moveClaim(int step)
{
    storeClaim();
    TitleDraft moved = m_draft;
    moved.payments = paymentRowsClaims();
    if (!moved.moveClaim(m_claim, step))
        return;
    m_draft.claims = moved.claims;
    setPaymentClaims(moved.payments);
    m_claim += step;
    refreshClaimList();
    showClaim(m_claim);
    (step < 0 ? m_ui->monterCreance : m_ui->descendreCreance)->setFocus();
}

void StatementWindow::addCost()
{
    if (m_ui->frais->rowCount() >= kMaxCosts)
        return;
    const QScopedValueRollback<bool> filling(m_filling, true);
    const int row = m_ui->frais->rowCount();
    m_ui->frais->insertRow(row);
    auto *date = new QTableWidgetItem;
    m_ui->frais->setItem(row, CostDate, date);
    m_ui->frais->setItem(row, CostLabel, new QTableWidgetItem);
    auto *amount = new QTableWidgetItem;
    amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_ui->frais->setItem(row, CostAmount, amount);
    m_ui->frais->setFocus();
    m_ui->frais->setCurrentItem(date);
    m_ui->frais->editItem(date);
}

void StatementWindow::removeCost()
{
    QList<int> rows;
    for (const QModelIndex &index : m_ui->frais->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    {
        const QScopedValueRollback<bool> filling(m_filling, true);
        for (int row : rows)
            m_ui->frais->removeRow(row);
    }
    Recompute();
}

void StatementWindow::fillCosts(const QList<CostDraft> &costs)
{
    const QScopedValueRollback<bool> filling(m_filling, true);
    m_ui->frais->setRowCount(0);
    for (const CostDraft &cost : costs) {
        const int row = m_ui->frais->rowCount();
        m_ui->frais->insertRow(row);
        auto *date = new QTableWidgetItem(cost.date);
        m_ui->frais->setItem(row, CostDate, date);
        m_ui->frais->setItem(row, CostLabel, new QTableWidgetItem(cost.label));
        auto *amount = new QTableWidgetItem(cost.amount);
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_ui->frais->setItem(row, CostAmount, amount);
    }
}

void StatementWindow::syncDraft()
{
    storeClaim();
    m_draft.to = m_ui->auChamp->text();
    m_draft.category = category();
    m_draft.dayBase = m_ui->base->currentIndex() == 1 ? DayBase::ActualYear : DayBase::Fixed365;
    const bool majorated =
        std::any_of(m_draft.claims.cbegin(), m_draft.claims.cend(), [](const ClaimDraft &c) {
            return c.majorated && c.interest == ClaimInterest::Legal;
        });
    m_draft.majorationKind = !majorated                    ? TitleMajoration::Kind::None
                             : m_ui->signifie->isChecked() ? TitleMajoration::Kind::ServedOn
                                                           : TitleMajoration::Kind::FirstDay;
    m_draft.majorationDate = m_ui->majorationDuChamp->text();
    m_draft.imputation = m_ui->imputation->currentIndex() == 1 ? Imputation::CapitalFirst
                                                               : Imputation::CostsInterestCapital;
    m_draft.provision = m_ui->provision->isChecked();
    m_draft.caseFields = caseFields();
    // Rows left blank are being filled in: they are no cost or payment yet.
    m_draft.costs.clear();
    m_costRows.clear();
    for (int row = 0; row < m_ui->frais->rowCount(); ++row) {
        if (blankRow(m_ui->frais, row, {CostDate, CostLabel, CostAmount}))
            continue;
        m_draft.costs.append({cellText(m_ui->frais, row, CostDate),
                              cellText(m_ui->frais, row, CostLabel),
                              cellText(m_ui->frais, row, CostAmount)});
        m_costRows.append(row);
    }
    m_draft.payments.clear();
    m_titlePaymentRows.clear();
    const QList<PaymentDraft> claims = paymentRowsClaims();
    for (int row = 0; row < m_ui->acomptes->rowCount(); ++row) {
        if (blankRow(m_ui->acomptes, row, {PaymentDate, PaymentAmount}))
            continue;
        m_draft.payments.append({cellText(m_ui->acomptes, row, PaymentDate),
                                 cellText(m_ui->acomptes, row, PaymentAmount),
                                 claims.at(row).claim});
        m_titlePaymentRows.append(row);
    }
}

void StatementWindow::fillTitleForm(const TitleDraft &draft)
{
    {
        const QScopedValueRollback<bool> filling(m_filling, true);
        m_draft = draft;
        m_caseFields[0]->setText(draft.caseFields.creancier);
        m_caseFields[1]->setText(draft.caseFields.debiteur);
        m_caseFields[2]->setText(draft.caseFields.reference);
        m_caseFields[3]->setText(draft.caseFields.titre);
        m_ui->auChamp->setText(draft.to);
        m_ui->base->setCurrentIndex(draft.dayBase == DayBase::ActualYear ? 1 : 0);
        m_ui->signifie->setChecked(draft.majorationKind == TitleMajoration::Kind::ServedOn);
        m_ui->majorationDuChamp->setText(draft.majorationDate);
        m_ui->imputation->setCurrentIndex(draft.imputation == Imputation::CapitalFirst ? 1 : 0);
        m_ui->provision->setChecked(draft.provision);
        fillCosts(draft.costs);
        m_ui->acomptes->setRowCount(0);
        for (const PaymentDraft &payment : draft.payments) {
            const int row = m_ui->acomptes->rowCount();
            m_ui->acomptes->insertRow(row);
            auto *date = new QTableWidgetItem(payment.date);
            date->setData(Qt::UserRole,
                          QDate::fromString(payment.date, QStringLiteral("dd/MM/yyyy")));
            m_ui->acomptes->setItem(row, PaymentDate, date);
            auto *amount = new QTableWidgetItem(payment.amount);
            amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_ui->acomptes->setItem(row, PaymentAmount, amount);
            setClaimCell(m_ui->acomptes, row, payment.claim);
        }
        m_claim = 0;
        refreshClaimList();
    }
    const bool reload = !m_load || m_ui->categorie->currentIndex() !=
                                       (draft.category == RateCategory::Autres ? 0 : 1);
    {
        const QScopedValueRollback<bool> filling(m_filling, true);
        m_ui->categorie->setCurrentIndex(draft.category == RateCategory::PersonnesPhysiques ? 1
                                                                                            : 0);
    }
    showClaim(0);
    updateDerivedMajoration();
    if (reload)
        LoadRates();
}

void StatementWindow::inputChanged()
{
    // A title whose document took long to show waits for a pause in the
    // typing, so that every key is echoed at once; the rest is computed as
    // it is typed.
    if (m_filling)
        return;
    if (m_lastTitleMs > m_slowTitleMs && !m_draftIsOneCapital) {
        m_pendingTitle.start();
        return;
    }
    Recompute();
}

void StatementWindow::settle()
{
    if (m_pendingTitle.isActive())
        Recompute();
}

void StatementWindow::recomputeTitle()
{
    QElapsedTimer timer;
    timer.start();
    const auto measure = qScopeGuard([&] { m_lastTitleMs = timer.elapsed(); });
    m_title.reset();
    m_titleInput.reset();
    const DraftRead read = m_draft.read(m_locale);
    if (read.title)
        m_edited.edit(*read.title);
    else
        m_edited.editUnreadable();
    setWindowModified(m_edited.isModified());
    if (!ratesReadable())
        return;
    for (const TitleError &error : read.errors)
        showTitleError(error);
    if (!read.errors.isEmpty()) {
        clearResult(QStringLiteral("Corrigez les données signalées en rouge."));
        return;
    }
    if (read.missingAmount) {
        clearResult(QStringLiteral("Saisissez le capital dû pour obtenir le décompte."));
        return;
    }
    const TitleInput input = WithRecoveryIndemnities(read.title->input);
    const TitleResult result = ComputeTitle(m_table, input, m_ecb.table ? &*m_ecb.table : nullptr);
    if (!result.ok()) {
        const TitleError error = result.error.value_or(TitleError{});
        showTitleError(error);
        clearResult(
            QStringLiteral("Le décompte ne peut pas être calculé : %1.").arg(error.message));
        return;
    }
    m_titleInput = input;
    m_title = *result.statement;
    showTitle(*m_title);
}

void StatementWindow::showTitleError(const TitleError &error)
{
    auto first = [](QLabel *label, const QString &text) {
        if (label->isHidden() || label->text().isEmpty())
            setError(label, text);
    };
    const bool shown = error.index == m_claim;
    QLabel *claimLabel = nullptr;
    switch (error.field) {
    case TitleField::ClaimAmount:
        claimLabel = m_ui->erreurCapital;
        break;
    case TitleField::ClaimFrom:
        claimLabel = m_ui->erreurDu;
        break;
    case TitleField::ClaimCoefficient:
        claimLabel = m_ui->erreurCoefficient;
        break;
    case TitleField::ClaimMajorated:
        claimLabel = m_ui->erreurMajoration;
        break;
    case TitleField::ClaimFixedRate:
        claimLabel = m_ui->erreurTauxFixe;
        break;
    case TitleField::ClaimCapitalisationFrom:
        claimLabel = m_ui->erreurCapitalisation;
        break;
    case TitleField::ClaimMargin:
        claimLabel = m_ui->erreurMarge;
        break;
    case TitleField::ClaimLabel:
    case TitleField::Claims:
        first(m_ui->erreurCreances, error.message);
        return;
    case TitleField::To:
        first(m_ui->erreurAu, error.message);
        return;
    case TitleField::Majoration:
        first(m_ui->erreurMajoration, error.message);
        return;
    case TitleField::Rates:
        first(showMissingRate(error.missingMonth, error.ecbRate), error.message);
        return;
    case TitleField::Costs:
    case TitleField::CostDate:
    case TitleField::CostLabel:
    case TitleField::CostAmount: {
        // Named by its row in the table, where rows being filled in count.
        const int row = m_costRows.value(error.index, -1);
        if (row >= 0)
            m_ui->frais->selectRow(row);
        first(m_ui->erreurFrais,
              row >= 0 ? QStringLiteral("Frais n° %1 : %2").arg(row + 1).arg(error.reason)
                       : error.message);
        return;
    }
    case TitleField::PaymentDate:
    case TitleField::PaymentAmount:
    case TitleField::PaymentClaim: {
        const int row = m_titlePaymentRows.value(error.index, -1);
        if (row >= 0)
            m_ui->acomptes->selectRow(row);
        first(m_ui->erreurAcomptes,
              row >= 0 ? QStringLiteral("Acompte n° %1 : %2").arg(row + 1).arg(error.reason)
                       : error.message);
        return;
    }
    }
    // A claim's field: beside it when the claim is shown, under the claims'
    // list otherwise.
    first(shown && claimLabel ? claimLabel : m_ui->erreurCreances, error.message);
}

TitleDocument StatementWindow::titleDocument() const
{
    TitleDocument document =
        MakeTitleDocument(m_table, m_titleInput.value_or(TitleInput{}),
                          m_title.value_or(TitleStatement{}), m_hooks.today(), caseFields());
    const QList<Claim> claims = m_titleInput ? m_titleInput->claims : QList<Claim>();
    if (m_ecb.table && std::any_of(claims.cbegin(), claims.cend(), [](const Claim &c) {
            return c.interest == ClaimInterest::EcbPenalties ||
                   c.interest == ClaimInterest::EcbPublicBuyer;
        }))
        document.ecbConfirmedUntil = m_ecb.table->confirmedUntil;
    return document;
}

void StatementWindow::showTitle(const TitleStatement &statement)
{
    // The document's rows: a heading, a pair or a sentence across the
    // table, or a table's row of cells (its first row bold).
    QList<ShownRow> rows;
    int columns = LineColumns;
    for (const TitleSection &section : TitleSections(titleDocument(), m_locale)) {
        if (!section.heading.isEmpty())
            rows.append({{section.heading}, {}, true, true});
        for (const QStringList &pair : section.pairs)
            rows.append({{pair.value(0) + QStringLiteral(" : ") + pair.value(1)}, {}, true, false});
        for (int r = 0; r < section.table.size(); ++r) {
            const QStringList &fields = section.table.at(r);
            columns = std::max(columns, int(fields.size()));
            if (fields.size() == 1)
                rows.append({fields, {}, true, false});
            else
                rows.append({fields, r == 0 ? QList<bool>{} : section.right, false, r == 0});
        }
    }
    QTableWidget *lines = m_ui->lignes;
    // A change that keeps the document's shape (a case field, an amount)
    // changes the texts in place: building thousands of cells again is
    // what would make typing slow.
    const bool sameShape = columns == lines->columnCount() && rows.size() == m_shownRows.size() &&
                           lines->rowCount() == rows.size() &&
                           std::equal(rows.cbegin(), rows.cend(), m_shownRows.cbegin(),
                                      [](const ShownRow &a, const ShownRow &b) {
                                          return a.across == b.across && a.bold == b.bold &&
                                                 a.cells.size() == b.cells.size() &&
                                                 a.right == b.right;
                                      });
    if (sameShape) {
        for (int row = 0; row < rows.size(); ++row) {
            const QStringList &cells = rows.at(row).cells;
            for (int c = 0; c < cells.size(); ++c) {
                if (cells.at(c) == m_shownRows.at(row).cells.at(c))
                    continue;
                QTableWidgetItem *item = lines->item(row, c);
                item->setText(cells.at(c));
                if (rows.at(row).across || rows.at(row).bold)
                    m_rowHeightsStale = true;
                if (rows.at(row).across)
                    item->setToolTip(cells.at(c));
            }
        }
    } else {
        m_rowHeightsStale = true;
        lines->clearSpans();
        lines->setRowCount(0);
        lines->setColumnCount(columns);
        lines->horizontalHeader()->hide();
        // Every row first, then their cells: a row inserted at a time moves
        // the spans of all those below it.
        lines->setRowCount(int(rows.size()));
        QFont bold = lines->font();
        bold.setBold(true);
        for (int row = 0; row < rows.size(); ++row) {
            const ShownRow &shown = rows.at(row);
            for (int c = 0; c < shown.cells.size(); ++c) {
                QTableWidgetItem *item = resultCell(shown.cells.at(c), shown.right.value(c));
                if (shown.bold)
                    item->setFont(bold);
                // Only a sentence across the table may be cut short.
                if (shown.across)
                    item->setToolTip(shown.cells.at(c));
                lines->setItem(row, c, item);
            }
            if (shown.across)
                lines->setSpan(row, 0, 1, columns);
        }
    }
    m_shownRows = rows;
    // The totals below, as for one capital.
    showTotals({statement.accrued, statement.paid, statement.capital, statement.interest},
               statement.total(), QString());
    fitLineColumns();
    m_ui->message->hide();
    setExportsEnabled(true);
}
