#include "statementwindow.h"

#include "output/busycursor.h"
#include "output/printing.h"
#include "output/statementpdf.h"
#include "schedule/formats.h"
#include "ui/datefield.h"
#include "ui/dateinput.h"
#include "ui/icons.h"
#include "ui/statementfile.h"
#include "update/savefile.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr double kCoefficients[] = {1.0, 1.5, 2.0, 3.0};
const QString kDateFormat = QStringLiteral("dd/MM/yyyy");
const QString kTitle = QStringLiteral("Décompte au jour près");

enum PaymentColumn { PaymentDate, PaymentAmount };
enum LineColumn { LineFrom, LineTo, LineDays, LineCapital, LineRate, LineInterest, LineColumns };
enum Total { Accrued, Paid, Capital, Interest, Credit, Due };

// Payment lines and capitalisations stand apart from the interest lines.
const QColor kPaymentTint(226, 239, 255);
const QColor kCapitalisationTint(255, 246, 214);

// A payment's date cell shows "15/01/2016" once the text reads as a date,
// which it then keeps as data, or the text as typed while it does not.
void setPaymentDate(QAbstractItemModel *model, const QModelIndex &index, const QString &text,
                    const QLocale &locale)
{
    const auto day = parseStartDate(text.trimmed(), locale);
    model->setData(index, day ? QVariant(day->date()) : QVariant(), Qt::UserRole);
    model->setData(index, day ? formatDay(day->date()) : text.trimmed(), Qt::EditRole);
}

// The payments' dates are typed as the fields above are, with the same
// reader.
class DateDelegate : public QStyledItemDelegate
{
public:
    DateDelegate(const QLocale &locale, QObject *parent)
        : QStyledItemDelegate(parent), m_locale(locale)
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *edit = new QLineEdit(parent);
        edit->setObjectName(QStringLiteral("dateAcompte"));
        edit->setAccessibleName(QStringLiteral("Date de l'acompte"));
        edit->setPlaceholderText(QStringLiteral("JJ/MM/AAAA"));
        edit->setFrame(false);
        return edit;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<QLineEdit *>(editor)->setText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        setPaymentDate(model, index, static_cast<QLineEdit *>(editor)->text(), m_locale);
    }

private:
    QLocale m_locale;
};

// The amount typed in a payment's cell, named for a screen reader, shown
// as the other amounts once it reads.
class AmountDelegate : public QStyledItemDelegate
{
public:
    AmountDelegate(const QLocale &locale, QObject *parent)
        : QStyledItemDelegate(parent), m_locale(locale)
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(QStringLiteral("montantAcompte"));
        editor->setAccessibleName(QStringLiteral("Montant de l'acompte, en euros"));
        return editor;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    QLocale m_locale;
};

// People often write the currency after the amount.
QString withoutCurrency(QString text)
{
    text = text.trimmed();
    if (text.endsWith(u'€'))
        text.chop(1);
    return text;
}

// The largest amount a saved statement holds: thirteen digits of euros.
constexpr Cents kLargestTypedCents = Q_INT64_C(999999999999999);

std::optional<Cents> typedCents(const QString &text)
{
    const auto cents = parseCents(withoutCurrency(text));
    if (!cents || *cents > kLargestTypedCents || *cents < -kLargestTypedCents)
        return std::nullopt;
    return cents;
}

// Why an amount does not read, in the words of the example it gives.
QString amountProblem(const QString &text, const QString &example)
{
    QString digits = withoutCurrency(text);
    digits.remove(QRegularExpression(QStringLiteral("[\\s\\x{00A0}\\x{202F}]")));
    static const QRegularExpression number(QStringLiteral("^-?([0-9]+)(?:[.,]([0-9]*))?$"));
    const QRegularExpressionMatch m = number.match(digits);
    if (m.hasMatch() && m.captured(2).size() > 2)
        return QStringLiteral("Montant illisible : deux décimales au plus, par exemple %1.")
            .arg(example);
    if (m.hasMatch() && m.captured(1).size() > 13)
        return QStringLiteral("Montant trop grand : 9 999 999 999 999,99 € au plus.");
    return QStringLiteral("Montant illisible : écrivez par exemple %1.").arg(example);
}

void setError(QLabel *label, const QString &text)
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

void AmountDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                  const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    const auto cents = typedCents(text);
    model->setData(index, cents ? formatCents(*cents, m_locale) : text, Qt::EditRole);
}

} // namespace

StatementWindow::StatementWindow(const QString &ratesPath, const QLocale &locale, QWidget *parent)
    : QWidget(parent, Qt::Window), m_ratesPath(ratesPath), m_locale(locale)
{
    m_hooks.saveFileName = [](QWidget *parent, const QString &caption, const QString &suggested,
                              const QString &filter) {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    };
    m_hooks.openFileName = [](QWidget *parent, const QString &caption, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
    };
    m_hooks.today = [] { return QDate::currentDate(); };
    m_hooks.updateRates = [](QWidget *parent, const QString &ratesPath) {
        return ::updateRatesNow(parent, ratesPath);
    };
    m_hooks.addHalfYear = [](QWidget *parent, const QString &ratesPath) {
        return addHalfYearByHand(parent, ratesPath);
    };
    m_hooks.offerHandEntry = [](QWidget *parent, const QString &message) {
        return QMessageBox::question(
                   parent, QStringLiteral("Taux légal"),
                   QStringLiteral("%1\n\nAjouter le semestre suivant à la main, d'après "
                                  "l'arrêté publié au Journal officiel ?")
                       .arg(message)) == QMessageBox::Yes;
    };

    setObjectName(QStringLiteral("decompte"));
    setWindowIcon(LoadIcon(QStringLiteral(":/icons/app.png")));
    setLocale(locale);
    build();
    connectInputs();

    setDefaultDates();
    startAfresh();
    m_principal->setFocus();
    resize(960, 720);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(size().boundedTo(available.size() * 9 / 10));
        move(available.center() - rect().center());
    }
}

void StatementWindow::placeInputs(bool stacked)
{
    // Captions beside their fields, or above them in a narrow window.
    for (const InputRow &row : m_inputRows) {
        for (QWidget *widget : {row.caption, row.field, static_cast<QWidget *>(row.error)}) {
            if (widget)
                m_inputsGrid->removeWidget(widget);
        }
    }
    const int fieldColumn = stacked ? 0 : 1;
    int line = 0;
    for (const InputRow &row : m_inputRows) {
        if (row.caption) {
            m_inputsGrid->addWidget(row.caption, line, 0);
            if (stacked)
                ++line;
        }
        m_inputsGrid->addWidget(row.field, line++, fieldColumn,
                                row.field == m_rateActions ? Qt::AlignLeft : Qt::Alignment());
        if (row.error)
            m_inputsGrid->addWidget(row.error, line++, fieldColumn);
    }
    m_inputsGrid->setColumnStretch(0, stacked ? 1 : 0);
    m_inputsGrid->setColumnStretch(1, stacked ? 0 : 1);
    for (int r = 0; r < m_inputsGrid->rowCount(); ++r)
        m_inputsGrid->setRowStretch(r, 0);
    m_inputsGrid->setRowStretch(line, 1);
}

void StatementWindow::placeTotals(bool stacked)
{
    // Two columns of three, what ran then what is owed; one column when
    // narrow.
    for (int k = 0; k < int(m_totals.size()); ++k) {
        m_totalsGrid->removeWidget(m_totalCaptions[k]);
        m_totalsGrid->removeWidget(m_totals[k]);
        const int row = stacked ? k : k % 3;
        const int column = stacked ? 0 : (k / 3) * 3;
        m_totalsGrid->addWidget(m_totalCaptions[k], row, column);
        m_totalsGrid->addWidget(m_totals[k], row, column + 1);
    }
    // Each amount right beside its caption, the room left over at the end.
    m_totalsGrid->setColumnMinimumWidth(2, stacked ? 0 : 24);
    m_totalsGrid->setColumnStretch(1, 0);
    m_totalsGrid->setColumnStretch(4, 0);
    m_totalsGrid->setColumnStretch(stacked ? 2 : 5, 1);
    m_totalsGrid->setColumnStretch(stacked ? 5 : 2, 0);
}

void StatementWindow::resizeEvent(QResizeEvent *event)
{
    const int width = event->size().width();
    m_top->setDirection(width < m_sideBySide ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_buttons->setDirection(width < m_buttonsInOneRow ? QBoxLayout::TopToBottom
                                                      : QBoxLayout::LeftToRight);
    const bool stacked = width < m_captionsBeside;
    if (stacked != m_stacked) {
        m_stacked = stacked;
        placeInputs(stacked);
        placeTotals(stacked);
    }
    QWidget::resizeEvent(event);
}

bool StatementWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The wheel scrolls the window; it changes a date or a choice only in
    // the field being edited, never one the pointer happens to cross.
    if (event->type() == QEvent::Wheel && m_wheelGuarded.contains(watched) &&
        !static_cast<QWidget *>(watched)->hasFocus()) {
        QCoreApplication::sendEvent(m_scroll->verticalScrollBar(), event);
        return true;
    }
    if (watched == m_lines->viewport() && event->type() == QEvent::Resize)
        fitLineColumns();
    return QWidget::eventFilter(watched, event);
}

void StatementWindow::fitLineColumns()
{
    // Every column as wide as its widest text, the room left shared out;
    // when there is none left the table scrolls sideways. The payment and
    // capitalisation lines span the columns and do not count.
    QHeaderView *header = m_lines->horizontalHeader();
    const QFontMetrics metrics(m_lines->font());
    const int padding = 2 * metrics.averageCharWidth() + 2;
    std::array<int, LineColumns> needed{};
    int total = 0;
    for (int column = 0; column < LineColumns; ++column) {
        needed[column] = QFontMetrics(header->font())
                             .horizontalAdvance(m_lines->horizontalHeaderItem(column)->text()) +
                         2 * padding;
        for (int row = 0; row < m_lines->rowCount(); ++row) {
            const QTableWidgetItem *item = m_lines->item(row, column);
            if (item && m_lines->columnSpan(row, column) == 1)
                needed[column] =
                    std::max(needed[column], metrics.horizontalAdvance(item->text()) + padding);
        }
        total += needed[column];
    }
    const int extra = std::max(0, m_lines->viewport()->width() - total) / LineColumns;
    for (int column = 0; column < LineColumns; ++column)
        header->resizeSection(column, needed[column] + extra);
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
    m_from->setDate(QDate(today.year(), 1, 1));
    m_to->setDate(today);
    m_majorationFrom->setText(m_from->text());
    m_capitalisationFrom->setText(m_from->text());
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

void StatementWindow::startAfresh()
{
    Recompute();
    m_edited.create(m_edited.current());
    updateTitle();
}

void StatementWindow::updateTitle()
{
    // The file's name first, as desktop programs show the document they
    // hold, with the mark of unsaved changes.
    const QString path = m_edited.filePath();
    setWindowFilePath(path);
    setWindowTitle(path.isEmpty()
                       ? kTitle + QStringLiteral("[*]")
                       : QStringLiteral("%1[*] – %2").arg(QFileInfo(path).fileName(), kTitle));
    setWindowModified(m_edited.isModified());
}

QLabel *StatementWindow::addErrorLabel(const QString &name)
{
    auto *label = new QLabel(this);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00020;"));
    label->hide();
    return label;
}

void StatementWindow::build()
{
    auto *inputs = new QGroupBox(QStringLiteral("Créance"), this);
    m_inputsGrid = new QGridLayout(inputs);
    // Each field has its error right under it; placeInputs() sets them out.
    auto addField = [&](QWidget *caption, QWidget *field, QLabel *error) {
        m_inputRows.append({caption, field, error});
        if (error) {
            auto *date = qobject_cast<DateField *>(field);
            error->setProperty("field",
                               QVariant::fromValue<QWidget *>(date ? date->edit() : field));
        }
    };
    auto caption = [&](const QString &text, QWidget *buddy) {
        auto *label = new QLabel(text, inputs);
        label->setBuddy(buddy);
        return label;
    };

    m_principal = new QLineEdit(inputs);
    m_principal->setObjectName(QStringLiteral("capital"));
    m_principal->setAccessibleName(QStringLiteral("Capital dû, en euros"));
    m_principal->setPlaceholderText(QStringLiteral("par exemple 2 000,00"));
    m_principalError = addErrorLabel(QStringLiteral("erreurCapital"));
    addField(caption(QStringLiteral("&Capital dû (€)"), m_principal), m_principal,
             m_principalError);

    m_from = new DateField(QStringLiteral("du"), QStringLiteral("Intérêts à compter du"), m_locale,
                           inputs);
    m_fromError = addErrorLabel(QStringLiteral("erreurDu"));
    addField(caption(QStringLiteral("Intérêts à compter &du"), m_from), m_from, m_fromError);

    m_to = new DateField(QStringLiteral("au"), QStringLiteral("Jusqu'au (non compris)"), m_locale,
                         inputs);
    m_to->setToolTip(QStringLiteral("Les intérêts courent jusqu'à la veille de cette date."));
    m_toError = addErrorLabel(QStringLiteral("erreurAu"));
    // What a missing rate offers: newer rates, or a statement that stops at
    // the last day the rates reach.
    m_rateActions = new QWidget(inputs);
    auto *rateActions = new QHBoxLayout(m_rateActions);
    rateActions->setContentsMargins(0, 0, 0, 0);
    m_updateNow =
        new QPushButton(QStringLiteral("Mettre à jour les taux maintenant"), m_rateActions);
    m_updateNow->setObjectName(QStringLiteral("majTauxMaintenant"));
    m_update = new QPushButton(QStringLiteral("Mettre à jour les taux…"), m_rateActions);
    m_update->setObjectName(QStringLiteral("majTaux"));
    m_stopAt = new QPushButton(m_rateActions);
    m_stopAt->setObjectName(QStringLiteral("arreterAu"));
    rateActions->addWidget(m_updateNow);
    rateActions->addWidget(m_stopAt);
    rateActions->addWidget(m_update);
    rateActions->addStretch();
    m_rateActions->hide();
    addField(caption(QStringLiteral("&Jusqu'au (non compris)"), m_to), m_to, m_toError);
    m_inputRows.append({nullptr, m_rateActions, nullptr});

    m_category = new QComboBox(inputs);
    m_category->setObjectName(QStringLiteral("categorie"));
    m_category->setAccessibleName(QStringLiteral("Catégorie de créancier"));
    m_category->addItem(QStringLiteral("Autres"));
    m_category->addItem(QStringLiteral("Personnes physiques hors besoins professionnel"));
    m_categoryError = addErrorLabel(QStringLiteral("erreurCategorie"));
    addField(caption(QStringLiteral("Ca&tégorie"), m_category), m_category, m_categoryError);

    m_coefficient = new QComboBox(inputs);
    m_coefficient->setObjectName(QStringLiteral("coefficient"));
    m_coefficient->setAccessibleName(QStringLiteral("Coefficient"));
    for (const char *text : {"x 1", "x 1,5", "x 2", "x 3"})
        m_coefficient->addItem(QString::fromUtf8(text));
    m_coefficientError = addErrorLabel(QStringLiteral("erreurCoefficient"));
    addField(caption(QStringLiteral("C&oefficient"), m_coefficient), m_coefficient,
             m_coefficientError);

    m_majorationOn = new QCheckBox(QStringLiteral("+&5 à compter du"), inputs);
    m_majorationOn->setObjectName(QStringLiteral("majorationActive"));
    m_majorationOn->setAccessibleName(QStringLiteral("Majoration de cinq points"));
    m_majorationFrom =
        new DateField(QStringLiteral("majorationDu"),
                      QStringLiteral("Majoration de cinq points à compter du"), m_locale, inputs);
    m_majorationError = addErrorLabel(QStringLiteral("erreurMajoration"));
    addField(m_majorationOn, m_majorationFrom, m_majorationError);

    m_capitalisationOn =
        new QCheckBox(QStringLiteral("Capitalisation &annuelle à compter du"), inputs);
    m_capitalisationOn->setObjectName(QStringLiteral("capitalisationActive"));
    m_capitalisationOn->setAccessibleName(QStringLiteral("Capitalisation annuelle des intérêts"));
    m_capitalisationFrom =
        new DateField(QStringLiteral("capitalisationDu"),
                      QStringLiteral("Capitalisation annuelle à compter du"), m_locale, inputs);
    m_capitalisationError = addErrorLabel(QStringLiteral("erreurCapitalisation"));
    addField(m_capitalisationOn, m_capitalisationFrom, m_capitalisationError);

    m_dayBase = new QComboBox(inputs);
    m_dayBase->setObjectName(QStringLiteral("base"));
    m_dayBase->setAccessibleName(QStringLiteral("Base de calcul des jours"));
    m_dayBase->addItem(QStringLiteral("365 jours par an (méthode officielle)"));
    m_dayBase->addItem(QStringLiteral("Durée réelle de l'année (365 ou 366 jours)"));
    m_inputRows.append({caption(QStringLiteral("&Base de calcul"), m_dayBase), m_dayBase, nullptr});
    placeInputs(false);

    auto *paymentsBox = new QGroupBox(QStringLiteral("Acomptes versés"), this);
    auto *paymentsLayout = new QVBoxLayout(paymentsBox);
    m_payments = new QTableWidget(0, 2, paymentsBox);
    m_payments->setObjectName(QStringLiteral("acomptes"));
    m_payments->setAccessibleName(QStringLiteral("Acomptes versés : date et montant"));
    m_payments->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Montant (€)")});
    m_payments->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_payments->verticalHeader()->hide();
    m_payments->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_payments->setItemDelegateForColumn(PaymentDate, new DateDelegate(m_locale, m_payments));
    m_payments->setItemDelegateForColumn(PaymentAmount, new AmountDelegate(m_locale, m_payments));
    m_paymentsError = addErrorLabel(QStringLiteral("erreurAcomptes"));
    m_paymentsError->setProperty("field", QVariant::fromValue<QWidget *>(m_payments));
    m_addPayment = new QPushButton(QStringLiteral("A&jouter un acompte"), paymentsBox);
    m_addPayment->setObjectName(QStringLiteral("ajouterAcompte"));
    m_removePayment = new QPushButton(QStringLiteral("&Supprimer l'acompte"), paymentsBox);
    m_removePayment->setObjectName(QStringLiteral("supprimerAcompte"));
    m_removePayment->setEnabled(false);
    auto *paymentButtons = new QHBoxLayout;
    paymentButtons->addWidget(m_addPayment);
    paymentButtons->addWidget(m_removePayment);
    paymentButtons->addStretch();
    paymentsLayout->addWidget(m_payments);
    paymentsLayout->addWidget(m_paymentsError);
    paymentsLayout->addLayout(paymentButtons);

    m_top = new QBoxLayout(QBoxLayout::LeftToRight);
    m_top->addWidget(inputs, 3);
    m_top->addWidget(paymentsBox, 2);

    // Who and what the statement is for, printed at its top when given.
    auto *caseBox = new QGroupBox(QStringLiteral("Dossier (facultatif)"), this);
    caseBox->setObjectName(QStringLiteral("dossier"));
    auto *caseForm = new QFormLayout(caseBox);
    caseForm->setRowWrapPolicy(QFormLayout::WrapLongRows);
    caseForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const struct
    {
        const char *caption;
        const char *name;
        const char *example;
    } caseFields[] = {
        {"C&réancier", "creancier", "par exemple Mme Jeanne Durand"},
        {"Dé&biteur", "debiteur", "par exemple SARL Martin"},
        {"&Référence du dossier", "reference", "par exemple 2015/118 B"},
        {"Titre e&xécutoire", "titreExecutoire",
         "par exemple Jugement du tribunal judiciaire de Lyon du 01/09/2015, RG 15/01234"},
    };
    for (int k = 0; k < 4; ++k) {
        auto *field = new QLineEdit(caseBox);
        field->setObjectName(QString::fromLatin1(caseFields[k].name));
        field->setPlaceholderText(QString::fromUtf8(caseFields[k].example));
        auto *label = new QLabel(QString::fromUtf8(caseFields[k].caption), caseBox);
        label->setBuddy(field);
        field->setAccessibleName(label->text().remove(u'&'));
        caseForm->addRow(label, field);
        m_caseFields[k] = field;
    }

    m_tableNote = new QLabel(
        QStringLiteral("Le décompte compte les jours ; le tableau de la fenêtre principale compte "
                       "des mois entiers à partir du mois de départ : leurs montants diffèrent."),
        this);
    m_tableNote->setObjectName(QStringLiteral("ecartTableau"));
    m_tableNote->setWordWrap(true);
    m_tableNote->setStyleSheet(QStringLiteral("color: #555555;"));

    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("message"));
    m_hint->setWordWrap(true);
    m_hint->setStyleSheet(QStringLiteral("color: #555555;"));

    m_lines = new QTableWidget(0, LineColumns, this);
    m_lines->setObjectName(QStringLiteral("lignes"));
    m_lines->setAccessibleName(QStringLiteral("Décompte ligne par ligne"));
    m_lines->setHorizontalHeaderLabels({QStringLiteral("Du"), QStringLiteral("Au"),
                                        QStringLiteral("Jours"), QStringLiteral("Capital"),
                                        QStringLiteral("Taux"), QStringLiteral("Intérêts")});
    m_lines->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_lines->verticalHeader()->hide();
    m_lines->viewport()->installEventFilter(this);
    m_lines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lines->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lines->setWordWrap(false);
    // However small the window, a few lines stay in sight; the window
    // scrolls for the rest.
    auto rowsHigh = [](QTableWidget *table, int rows) {
        return table->horizontalHeader()->sizeHint().height() +
               rows * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth();
    };
    m_lines->setMinimumHeight(rowsHigh(m_lines, 8));
    m_payments->setMinimumHeight(rowsHigh(m_payments, 3));

    m_totalsGrid = new QGridLayout;
    const QStringList captions{
        QStringLiteral("Intérêts courus"),    QStringLiteral("Acomptes versés"),
        QStringLiteral("Capital restant dû"), QStringLiteral("Intérêts restant dus"),
        QStringLiteral("Crédit du débiteur"), QStringLiteral("Total dû")};
    const QStringList names{QStringLiteral("totalCourus"),  QStringLiteral("totalAcomptes"),
                            QStringLiteral("totalCapital"), QStringLiteral("totalInterets"),
                            QStringLiteral("totalCredit"),  QStringLiteral("total")};
    for (int k = 0; k < int(m_totals.size()); ++k) {
        auto *label = new QLabel(captions[k] + QStringLiteral(" :"), this);
        m_totals[k] = new QLabel(this);
        m_totals[k]->setObjectName(names[k]);
        m_totals[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_totals[k]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (k == Due) {
            QFont bold = font();
            bold.setBold(true);
            label->setFont(bold);
            m_totals[k]->setFont(bold);
        }
        // The amount is spoken with its caption.
        label->setBuddy(m_totals[k]);
        m_totals[k]->setAccessibleName(captions[k]);
        m_totalCaptions[k] = label;
    }
    placeTotals(false);

    auto *fileButtons = new QHBoxLayout;
    auto *exportButtons = new QHBoxLayout;
    QHBoxLayout *buttons = fileButtons;
    auto addButton = [&](const QString &text, const QString &name, const QKeySequence &keys,
                         auto handler) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(name);
        if (!keys.isEmpty()) {
            auto *shortcut = new QShortcut(keys, this);
            connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
            button->setToolTip(keys.toString(QKeySequence::NativeText));
        }
        connect(button, &QPushButton::clicked, this, handler);
        buttons->addWidget(button);
        return button;
    };
    // "Ouvrir…" opens the file dialog; its arrow lists the recent files.
    m_open = new QToolButton(this);
    m_open->setObjectName(QStringLiteral("ouvrir"));
    m_open->setText(QStringLiteral("Ouvrir…"));
    m_open->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_open->setPopupMode(QToolButton::MenuButtonPopup);
    m_open->setFocusPolicy(Qt::StrongFocus);
    m_open->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_recent = new QMenu(QStringLiteral("Décomptes récents"), m_open);
    m_recent->setObjectName(QStringLiteral("recents"));
    m_open->setMenu(m_recent);
    connect(m_recent, &QMenu::aboutToShow, this, &StatementWindow::fillRecentMenu);
    connect(m_open, &QToolButton::clicked, this, &StatementWindow::Open);
    auto *openShortcut = new QShortcut(QKeySequence::Open, this);
    connect(openShortcut, &QShortcut::activated, this, &StatementWindow::Open);
    m_open->setToolTip(QKeySequence(QKeySequence::Open).toString(QKeySequence::NativeText));
    fileButtons->addWidget(m_open);
    addButton(QStringLiteral("Enregistrer"), QStringLiteral("enregistrer"), QKeySequence::Save,
              [this] { Save(); });
    addButton(QStringLiteral("Enregistrer sous…"), QStringLiteral("enregistrerSous"),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveAs(); });
    fileButtons->addStretch();
    buttons = exportButtons;
    exportButtons->addStretch();
    m_exports << addButton(QStringLiteral("Copier"), QStringLiteral("copier"), {},
                           &StatementWindow::Copy)
              << addButton(QStringLiteral("Exporter en CSV…"), QStringLiteral("exporterCsv"), {},
                           &StatementWindow::ExportCsv)
              << addButton(QStringLiteral("Exporter en PDF…"), QStringLiteral("exporterPdf"), {},
                           &StatementWindow::ExportPdf)
              << addButton(QStringLiteral("Imprimer…"), QStringLiteral("imprimer"),
                           QKeySequence::Print, &StatementWindow::Print);

    // On a small screen or at a large scale the window may be smaller than
    // what it holds: it scrolls rather than cutting anything off.
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->addLayout(m_top);
    layout->addWidget(caseBox);
    layout->addWidget(m_hint);
    layout->addWidget(m_lines, 1);
    // The totals and the buttons stay in view below what scrolls, at every
    // width and height.
    auto *bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("totaux"));
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->addLayout(m_totalsGrid);
    bottomLayout->addWidget(m_tableNote);
    m_buttons = new QBoxLayout(QBoxLayout::LeftToRight);
    m_buttons->addLayout(fileButtons);
    m_buttons->addLayout(exportButtons);
    bottomLayout->addLayout(m_buttons);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(content);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_scroll, 1);
    outer->addWidget(bottom);
    // The widths below which each part is stacked, measured as built.
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right() +
                        style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_sideBySide = inputs->minimumSizeHint().width() + paymentsBox->minimumSizeHint().width() +
                   m_top->spacing() + margins;
    m_captionsBeside = inputs->minimumSizeHint().width() + margins;
    m_buttonsInOneRow = m_buttons->minimumSize().width() + margins;
    // The window may be narrower than the buttons in one row: they are
    // stacked before they would be cut (resizeEvent), and what scrolls
    // scrolls.
    outer->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(
        std::max(fileButtons->minimumSize().width(), exportButtons->minimumSize().width()) +
            margins,
        bottom->minimumSizeHint().height() + 8 * fontMetrics().height());

    setTabOrder(m_principal, m_from);
    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_updateNow);
    setTabOrder(m_updateNow, m_stopAt);
    setTabOrder(m_stopAt, m_update);
    setTabOrder(m_stopAt, m_category);
    setTabOrder(m_category, m_coefficient);
    setTabOrder(m_coefficient, m_majorationOn);
    setTabOrder(m_majorationOn, m_majorationFrom);
    setTabOrder(m_majorationFrom, m_capitalisationOn);
    setTabOrder(m_capitalisationOn, m_capitalisationFrom);
    setTabOrder(m_capitalisationFrom, m_dayBase);
    setTabOrder(m_dayBase, m_payments);
    setTabOrder(m_payments, m_addPayment);
    setTabOrder(m_addPayment, m_removePayment);
    setTabOrder(m_removePayment, m_caseFields[0]);
    for (int k = 1; k < 4; ++k)
        setTabOrder(m_caseFields[k - 1], m_caseFields[k]);
    setTabOrder(m_caseFields[3], m_lines);
    QWidget *previous = m_lines;
    for (QWidget *button : std::initializer_list<QWidget *>{
             m_open, findChild<QPushButton *>(QStringLiteral("enregistrer")),
             findChild<QPushButton *>(QStringLiteral("enregistrerSous"))}) {
        setTabOrder(previous, button);
        previous = button;
    }
    for (QPushButton *button : std::as_const(m_exports)) {
        setTabOrder(previous, button);
        previous = button;
    }

    // Tab leaves the tables: arrows move inside them, Enter or F2 edits.
    for (QTableWidget *table : {m_payments, m_lines})
        table->setTabKeyNavigation(false);
    m_payments->setEditTriggers(QAbstractItemView::DoubleClicked |
                                QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
    // Insert adds a payment, Delete removes the selected ones, while the
    // table has the focus (an open cell keeps its own keys).
    auto *insert = new QShortcut(QKeySequence(Qt::Key_Insert), m_payments);
    insert->setContext(Qt::WidgetShortcut);
    connect(insert, &QShortcut::activated, this, &StatementWindow::addPayment);
    auto *remove = new QShortcut(QKeySequence::Delete, m_payments);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &StatementWindow::removePayment);
    // Ctrl+C in the result copies the whole statement, as "Copier" does.
    auto *copy = new QShortcut(QKeySequence::Copy, m_lines);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &StatementWindow::Copy);
}

void StatementWindow::connectInputs()
{
    connect(m_principal, &QLineEdit::textChanged, this, &StatementWindow::Recompute);
    connect(m_principal, &QLineEdit::editingFinished, this, &StatementWindow::tidyPrincipal);
    for (QLineEdit *field : m_caseFields)
        connect(field, &QLineEdit::textChanged, this, &StatementWindow::Recompute);
    for (DateField *edit : {m_from, m_to, m_majorationFrom, m_capitalisationFrom})
        connect(edit, &DateField::changed, this, &StatementWindow::Recompute);
    for (QCheckBox *box : {m_majorationOn, m_capitalisationOn})
        connect(box, &QCheckBox::toggled, this, &StatementWindow::Recompute);
    // An optional date not in use follows the start, so that ticking it
    // starts from a sensible day.
    connect(m_from, &DateField::changed, this, [this] {
        const QScopedValueRollback<bool> filling(m_filling, true);
        if (!m_majorationOn->isChecked())
            m_majorationFrom->setText(m_from->text());
        if (!m_capitalisationOn->isChecked())
            m_capitalisationFrom->setText(m_from->text());
    });
    connect(m_majorationOn, &QCheckBox::toggled, m_majorationFrom, &QWidget::setEnabled);
    connect(m_capitalisationOn, &QCheckBox::toggled, m_capitalisationFrom, &QWidget::setEnabled);
    for (QWidget *field : std::initializer_list<QWidget *>{m_category, m_coefficient, m_dayBase}) {
        field->setFocusPolicy(Qt::StrongFocus);
        field->installEventFilter(this);
        m_wheelGuarded << field;
    }
    m_majorationFrom->setEnabled(false);
    m_capitalisationFrom->setEnabled(false);
    connect(m_coefficient, &QComboBox::currentIndexChanged, this, &StatementWindow::Recompute);
    connect(m_dayBase, &QComboBox::currentIndexChanged, this, &StatementWindow::Recompute);
    connect(m_category, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            LoadRates();
    });
    connect(m_payments, &QTableWidget::itemChanged, this, &StatementWindow::Recompute);
    connect(m_payments, &QTableWidget::itemSelectionChanged, this,
            [this] { m_removePayment->setEnabled(!m_payments->selectedItems().isEmpty()); });
    connect(m_addPayment, &QPushButton::clicked, this, &StatementWindow::addPayment);
    connect(m_removePayment, &QPushButton::clicked, this, &StatementWindow::removePayment);
    connect(m_update, &QPushButton::clicked, this, &StatementWindow::updateRequested);
    connect(m_updateNow, &QPushButton::clicked, this, &StatementWindow::updateRatesNow);
    // The end date is not counted: the statement runs to the last day with
    // a rate.
    connect(m_stopAt, &QPushButton::clicked, this, [this] {
        m_to->setDate(m_stopDay);
        m_to->setFocus();
    });
}

LoadResult StatementWindow::LoadRates()
{
    m_table = RateTable();
    m_table.filePath = m_ratesPath;
    m_load = LoadRatesFile(m_table, category());
    Recompute();
    return *m_load;
}

// The download goes to this window's own rates file; whatever it brings is
// read at once. When it brings nothing, the half-year can still be typed
// from the arrêté.
void StatementWindow::updateRatesNow()
{
    const RatesUpdateOutcome outcome = m_hooks.updateRates(this, m_ratesPath);
    if (!outcome.added && m_hooks.offerHandEntry(this, outcome.message) &&
        !m_hooks.addHalfYear(this, m_ratesPath))
        return;
    LoadRates();
}

void StatementWindow::ReloadRatesIfChanged()
{
    if (m_load && ratesFileChanged(m_table))
        LoadRates();
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
    return m_category->currentIndex() == 1 ? RateCategory::PersonnesPhysiques
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
    m_filling = true;
    m_caseFields[0]->setText(caseFields.creancier);
    m_caseFields[1]->setText(caseFields.debiteur);
    m_caseFields[2]->setText(caseFields.reference);
    m_caseFields[3]->setText(caseFields.titre);
    // No capital is an empty field to fill, not a statement of nothing.
    m_principal->setText(input.principal > 0 ? formatCents(input.principal, m_locale) : QString());
    if (input.from.isValid())
        m_from->setDate(input.from);
    if (input.to.isValid())
        m_to->setDate(input.to);
    int coefficient = 0;
    for (int k = 0; k < 4; ++k) {
        if (input.coefficient == kCoefficients[k])
            coefficient = k;
    }
    m_coefficient->setCurrentIndex(coefficient);
    m_majorationOn->setChecked(input.majorationFrom.has_value());
    if (input.majorationFrom)
        m_majorationFrom->setDate(*input.majorationFrom);
    else
        m_majorationFrom->setText(m_from->text());
    m_capitalisationOn->setChecked(input.capitalise);
    if (input.capitalisationFrom)
        m_capitalisationFrom->setDate(*input.capitalisationFrom);
    else
        m_capitalisationFrom->setText(m_from->text());
    m_dayBase->setCurrentIndex(input.dayBase == DayBase::ActualYear ? 1 : 0);
    m_payments->setRowCount(0);
    for (const Payment &p : input.payments) {
        const int row = m_payments->rowCount();
        m_payments->insertRow(row);
        auto *date = new QTableWidgetItem(formatDay(p.date));
        date->setData(Qt::UserRole, p.date);
        m_payments->setItem(row, PaymentDate, date);
        auto *amount = new QTableWidgetItem(formatCents(p.amount, m_locale));
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_payments->setItem(row, PaymentAmount, amount);
    }
    const bool reload =
        !m_load || m_category->currentIndex() != (category == RateCategory::Autres ? 0 : 1);
    m_category->setCurrentIndex(category == RateCategory::PersonnesPhysiques ? 1 : 0);
    m_filling = false;
    if (reload)
        LoadRates();
    else
        Recompute();
}

void StatementWindow::addPayment()
{
    // An empty row, the date open for typing: a blank row is no payment
    // until something is typed in it.
    m_filling = true;
    const int row = m_payments->rowCount();
    m_payments->insertRow(row);
    auto *date = new QTableWidgetItem;
    m_payments->setItem(row, PaymentDate, date);
    auto *amount = new QTableWidgetItem;
    amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_payments->setItem(row, PaymentAmount, amount);
    m_filling = false;
    m_payments->setFocus();
    m_payments->setCurrentItem(date);
    m_payments->editItem(date);
}

void StatementWindow::removePayment()
{
    QList<int> rows;
    for (const QModelIndex &index : m_payments->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    m_filling = true;
    for (int row : rows)
        m_payments->removeRow(row);
    m_filling = false;
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
    if (const auto cents = typedCents(m_principal->text()))
        m_principal->setText(formatCents(*cents, m_locale));
}

void StatementWindow::clearErrors()
{
    for (QLabel *label :
         {m_principalError, m_fromError, m_toError, m_categoryError, m_coefficientError,
          m_majorationError, m_capitalisationError, m_paymentsError})
        setError(label, QString());
    m_rateActions->hide();
}

std::optional<StatementInput> StatementWindow::readInputs(bool *missing)
{
    StatementInput input;
    bool readable = true;
    *missing = false;
    const QString principal = m_principal->text().trimmed();
    if (principal.isEmpty()) {
        *missing = true;
    } else if (const auto cents = typedCents(principal)) {
        input.principal = *cents;
    } else {
        setError(m_principalError, amountProblem(principal, QStringLiteral("2 000 ou 2 000,50")));
        readable = false;
    }
    input.from = readDate(m_from, m_fromError, &readable).value_or(QDate());
    input.to = readDate(m_to, m_toError, &readable).value_or(QDate());
    input.coefficient = kCoefficients[qBound(0, m_coefficient->currentIndex(), 3)];
    if (m_majorationOn->isChecked())
        input.majorationFrom = readDate(m_majorationFrom, m_majorationError, &readable);
    input.capitalise = m_capitalisationOn->isChecked();
    if (input.capitalise)
        input.capitalisationFrom = readDate(m_capitalisationFrom, m_capitalisationError, &readable);
    input.dayBase = m_dayBase->currentIndex() == 1 ? DayBase::ActualYear : DayBase::Fixed365;
    auto paymentError = [&](int row, const QString &why) {
        if (m_paymentsError->isHidden()) // the first one is enough
            setError(m_paymentsError, QStringLiteral("Acompte n° %1 : %2").arg(row + 1).arg(why));
        readable = false;
    };
    for (int row = 0; row < m_payments->rowCount(); ++row) {
        const QTableWidgetItem *date = m_payments->item(row, PaymentDate);
        const QTableWidgetItem *amount = m_payments->item(row, PaymentAmount);
        const QDate day = date ? date->data(Qt::UserRole).toDate() : QDate();
        const QString amountText = amount ? amount->text().trimmed() : QString();
        const bool noDate = !date || date->text().trimmed().isEmpty();
        if (noDate && amountText.isEmpty())
            continue; // a row being filled in
        if (noDate) {
            paymentError(row, QStringLiteral("saisissez sa date, par exemple 15/01/2016."));
            continue;
        }
        if (!day.isValid()) {
            paymentError(row, QStringLiteral("date illisible, écrivez par exemple 15/01/2016."));
            continue;
        }
        if (amountText.isEmpty()) {
            paymentError(row, QStringLiteral("saisissez son montant, par exemple 500,00."));
            continue;
        }
        const auto cents = typedCents(amountText);
        if (!cents) {
            QString why = amountProblem(amountText, QStringLiteral("500 ou 500,00"));
            why[0] = why[0].toLower();
            paymentError(row, why);
            continue;
        }
        input.payments.append({day, *cents});
    }
    if (!readable)
        return std::nullopt;
    return input;
}

void StatementWindow::Recompute()
{
    if (m_filling)
        return;
    clearErrors();
    m_result = {};
    bool missing = false;
    const std::optional<StatementInput> input = readInputs(&missing);
    // Every change of the form reaches the statement being edited, so that
    // the title and the closing question know of it.
    if (input)
        m_edited.edit({*input, category(), caseFields()});
    else
        m_edited.editUnreadable();
    setWindowModified(m_edited.isModified());
    if (!m_load || !m_load->ok()) {
        setError(m_categoryError,
                 m_load ? m_load->message : QStringLiteral("Le fichier des taux n'est pas lu."));
        clearResult(QStringLiteral("Sans fichier des taux, le décompte ne peut pas être calculé."));
        return;
    }
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

void StatementWindow::showError(const StatementError &error)
{
    QLabel *label = m_toError;
    switch (error.field) {
    case StatementField::Rates: {
        // A month before the table is the start date's fault; a month after
        // it is cured by a newer rates file.
        const QDate newest = m_table.count > 0 ? m_table.rows[0].monthStart : QDate();
        const bool afterTable =
            error.missingMonth.isValid() && newest.isValid() && error.missingMonth > newest;
        label = afterTable || !error.missingMonth.isValid() ? m_toError : m_fromError;
        m_rateActions->setVisible(afterTable);
        if (afterTable) {
            m_stopDay = error.missingMonth;
            m_stopAt->setText(QStringLiteral("Arrêter au %1").arg(formatDay(m_stopDay)));
        }
        break;
    }
    case StatementField::Principal:
        label = m_principalError;
        break;
    case StatementField::From:
        label = m_fromError;
        break;
    case StatementField::To:
        label = m_toError;
        break;
    case StatementField::MajorationFrom:
        label = m_majorationError;
        break;
    case StatementField::CapitalisationFrom:
        label = m_capitalisationError;
        break;
    case StatementField::Payment:
        label = m_paymentsError;
        if (error.payment >= 0 && error.payment < m_payments->rowCount())
            m_payments->selectRow(error.payment);
        break;
    case StatementField::Coefficient:
        label = m_coefficientError;
        break;
    }
    setError(label, error.message);
}

void StatementWindow::clearResult(const QString &hint)
{
    m_lines->clearSpans();
    m_lines->setRowCount(0);
    for (QLabel *total : m_totals)
        total->setText(QStringLiteral("—"));
    m_totals[Credit]->hide();
    m_totalCaptions[Credit]->hide();
    m_totals[Due]->show();
    m_totalCaptions[Due]->show();
    m_hint->setText(hint);
    m_hint->show();
    setExportsEnabled(false);
}

void StatementWindow::showStatement(const Statement &statement)
{
    m_lines->clearSpans();
    m_lines->setRowCount(0);
    // Once nothing is owed any more, days at nothing are no lines.
    QList<StatementLine> lines;
    for (const StatementLine &line : statement.lines) {
        const auto *interest = std::get_if<InterestLine>(&line);
        if (!interest || interest->capital != 0 || interest->interest != 0)
            lines << line;
    }
    m_lines->setRowCount(int(lines.size()));
    QFont italic = m_lines->font();
    italic.setItalic(true);
    // The same sentence as the print-out, across the whole line.
    auto setApart = [&](int row, const QString &text, Cents amount, const QColor &tint) {
        QTableWidgetItem *item = cell(text, Qt::AlignLeft);
        item->setToolTip(text); // elided in a narrow window
        item->setData(Qt::UserRole, amount);
        item->setFont(italic);
        item->setBackground(tint);
        m_lines->setItem(row, LineFrom, item);
        m_lines->setSpan(row, LineFrom, 1, LineColumns);
    };
    for (int row = 0; row < int(lines.size()); ++row) {
        const StatementLine &line = lines[row];
        if (const auto *interest = std::get_if<InterestLine>(&line)) {
            m_lines->setItem(row, LineFrom, cell(formatDay(interest->from), Qt::AlignLeft));
            m_lines->setItem(row, LineTo, cell(formatDay(interest->to), Qt::AlignLeft));
            m_lines->setItem(row, LineDays, cell(QString::number(interest->days)));
            m_lines->setItem(row, LineCapital, amountCell(interest->capital, m_locale));
            m_lines->setItem(row, LineRate,
                             cell(formatRate(interest->rate, m_locale) + QStringLiteral(" %")));
            m_lines->setItem(row, LineInterest, amountCell(interest->interest, m_locale));
        } else if (const auto *payment = std::get_if<PaymentLine>(&line)) {
            setApart(row, StatementSentence(*payment, m_locale), payment->amount, kPaymentTint);
        } else if (const auto *capitalisation = std::get_if<CapitalisationLine>(&line)) {
            setApart(row, StatementSentence(*capitalisation, m_locale), capitalisation->amount,
                     kCapitalisationTint);
        }
    }
    // The totals as every export words them: what is still owed, or the
    // debtor's credit when more was paid, never a negative total.
    const Cents total = statement.total();
    const std::array<Cents, 6> totals{statement.accrued,          statement.paid,
                                      statement.capital,          statement.interest,
                                      std::max<Cents>(0, -total), std::max<Cents>(0, total)};
    const QList<QStringList> rows = StatementTotalRows(statement, m_locale);
    for (int k = 0; k < int(totals.size()); ++k) {
        m_totals[k]->setText(formatCents(totals[k], m_locale) + QStringLiteral(" €"));
        m_totals[k]->setProperty("cents", totals[k]);
    }
    const bool credit =
        !rows.isEmpty() && rows.last().value(0) == m_totalCaptions[Credit]->text().chopped(2);
    for (int k : {int(Credit), int(Due)}) {
        const bool shown = (k == Credit) == credit;
        m_totals[k]->setVisible(shown);
        m_totalCaptions[k]->setVisible(shown);
        if (shown && !rows.isEmpty())
            m_totals[k]->setText(rows.last().value(1));
    }
    fitLineColumns();
    m_hint->clear();
    m_hint->hide();
    setExportsEnabled(true);
}

void StatementWindow::setExportsEnabled(bool on)
{
    for (QPushButton *button : m_exports)
        button->setEnabled(on);
}

StatementDocument StatementWindow::document() const
{
    return MakeStatementDocument(m_table, category(), m_input,
                                 m_result.statement.value_or(Statement{}), m_hooks.today(),
                                 caseFields());
}

QString StatementWindow::fileFor(const QString &caption, const QString &suggested,
                                 const QString &filter)
{
    return m_hooks.saveFileName(this, caption, suggested, filter);
}

void StatementWindow::warnNotWritten(const QString &path)
{
    QMessageBox::warning(this, kTitle,
                         QStringLiteral("Le fichier « %1 » n'a pas pu être écrit. Vérifiez que "
                                        "le dossier existe et que vous pouvez y écrire.")
                             .arg(QDir::toNativeSeparators(path)));
}

bool StatementWindow::writeExport(const QString &path, const QByteArray &bytes)
{
    BusyCursor busy;
    if (SaveFileAtomically(path, bytes))
        return true;
    busy.restore();
    warnNotWritten(path);
    return false;
}

void StatementWindow::ExportCsv()
{
    if (!m_result.ok())
        return;
    const QString path = fileFor(QStringLiteral("Exporter en CSV"), QStringLiteral("decompte.csv"),
                                 QStringLiteral("Fichiers CSV (*.csv)"));
    if (!path.isEmpty())
        writeExport(path, StatementCsv(document()));
}

void StatementWindow::ExportPdf()
{
    if (!m_result.ok())
        return;
    const QString path = fileFor(QStringLiteral("Exporter en PDF"), QStringLiteral("decompte.pdf"),
                                 QStringLiteral("Fichiers PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    BusyCursor busy;
    QString error;
    if (WriteStatementPdf(path, document(), m_locale, &error))
        return;
    busy.restore();
    QMessageBox::warning(this, kTitle,
                         QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2")
                             .arg(QDir::toNativeSeparators(path), error));
}

void StatementWindow::Print()
{
    if (!m_result.ok())
        return;
    const PrintFunctions *printing = ProgramPrintModule();
    if (!printing) {
        QMessageBox::warning(this, kTitle,
                             QStringLiteral("L'impression n'est pas disponible : le module "
                                            "d'impression du programme est introuvable."));
        return;
    }
    if (!printing->previewStatement(this, document(), m_locale))
        QMessageBox::warning(this, kTitle, QStringLiteral("Le décompte n'a pas pu être imprimé."));
}

void StatementWindow::Copy()
{
    if (!m_result.ok())
        return;
    BusyCursor busy;
    const QString text = QString::fromUtf8(StatementTsv(document(), m_locale));
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    // Reading back is the only way to know the clipboard took it.
    if (clipboard->text() == text)
        return;
    busy.restore();
    QMessageBox::warning(this, QStringLiteral("Copier"),
                         QStringLiteral("Le décompte n'a pas pu être copié dans le "
                                        "presse-papiers. Réessayez dans un instant."));
}

bool StatementWindow::Save()
{
    if (m_edited.filePath().isEmpty())
        return SaveAs();
    Recompute();
    if (!m_edited.isReadable()) {
        QMessageBox::warning(this, QStringLiteral("Enregistrer"),
                             QStringLiteral("Le décompte ne peut pas être enregistré tant que le "
                                            "capital ou un acompte est illisible ou manquant."));
        return false;
    }
    BusyCursor busy;
    if (!m_edited.saveTo(m_edited.filePath())) {
        busy.restore();
        warnNotWritten(m_edited.filePath());
        return false;
    }
    noteRecent(m_edited.filePath());
    updateTitle();
    return true;
}

bool StatementWindow::SaveAs()
{
    Recompute();
    if (!m_edited.isReadable()) {
        QMessageBox::warning(this, QStringLiteral("Enregistrer"),
                             QStringLiteral("Le décompte ne peut pas être enregistré tant que le "
                                            "capital ou un acompte est illisible ou manquant."));
        return false;
    }
    const QString path =
        fileFor(QStringLiteral("Enregistrer le décompte"), m_edited.suggestedFileName(),
                QStringLiteral("Décomptes enregistrés (*.json)"));
    if (path.isEmpty())
        return false;
    BusyCursor busy;
    if (!m_edited.saveTo(path)) {
        busy.restore();
        warnNotWritten(path);
        return false;
    }
    noteRecent(path);
    updateTitle();
    return true;
}

void StatementWindow::Open()
{
    const QString path = m_hooks.openFileName(
        this, QStringLiteral("Ouvrir un décompte"),
        QStringLiteral("Décomptes enregistrés (*.json);;Tous les fichiers (*)"));
    if (!path.isEmpty())
        OpenFile(path);
}

bool StatementWindow::OpenFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    // The form keeps what it showed when the file is refused; unsaved work
    // is asked about only once the file has been read.
    EditedStatement opened;
    const QString error = opened.open(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Ouvrir"),
                             QStringLiteral("« %1 » : %2").arg(name, error));
        return false;
    }
    if (!MayClose())
        return false;
    m_edited = opened;
    fillForm(m_edited.current().input, m_edited.current().category, m_edited.current().caseFields);
    noteRecent(m_edited.filePath());
    updateTitle();
    return true;
}

bool StatementWindow::MayClose()
{
    Recompute();
    if (!m_edited.mustAskBeforeClosing())
        return true;
    QMessageBox box(QMessageBox::Question, kTitle,
                    QStringLiteral("Enregistrer les modifications du décompte ?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("enregistrerModifications"));
    box.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Ne pas enregistrer"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    if (!m_edited.filePath().isEmpty())
        box.setInformativeText(QFileInfo(m_edited.filePath()).fileName());
    // The window comes forward first: the question must say which one it is
    // about when the main window or the session closes several.
    if (isMinimized())
        showNormal();
    raise();
    box.exec();
    EditedStatement::Answer answer = EditedStatement::Answer::Cancel;
    if (box.clickedButton() == box.button(QMessageBox::Save))
        answer = EditedStatement::Answer::Save;
    else if (box.clickedButton() == box.button(QMessageBox::Discard))
        answer = EditedStatement::Answer::Discard;
    switch (m_edited.closeStep(answer)) {
    case EditedStatement::CloseStep::Close:
        return true;
    case EditedStatement::CloseStep::Save:
        return Save();
    case EditedStatement::CloseStep::SaveAs:
        return SaveAs();
    case EditedStatement::CloseStep::Stay:
        break;
    }
    return false;
}

void StatementWindow::closeEvent(QCloseEvent *event)
{
    if (!MayClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void StatementWindow::noteRecent(const QString &path)
{
    if (m_iniPath.isEmpty() || path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    WriteRecentStatements(WithRecentStatement(ReadRecentStatements(m_iniPath), absolute),
                          m_iniPath);
}

void StatementWindow::fillRecentMenu()
{
    m_recent->clear();
    const QStringList recent =
        m_iniPath.isEmpty() ? QStringList() : ReadRecentStatements(m_iniPath);
    if (recent.isEmpty()) {
        m_recent->addAction(QStringLiteral("Aucun décompte récent"))->setEnabled(false);
        return;
    }
    for (int k = 0; k < recent.size(); ++k) {
        const QString path = recent[k];
        // "1 decompte.json", the folder beside it so that two files of the
        // same name are told apart.
        QAction *action =
            m_recent->addAction(QStringLiteral("&%1 %2 — %3")
                                    .arg(k + 1)
                                    .arg(QFileInfo(path).fileName(),
                                         QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path); });
    }
}
