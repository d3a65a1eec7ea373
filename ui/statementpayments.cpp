#include "statementwindow.h"

#include "schedule/typedinput.h"
#include "ui/dateinput.h"
#include "ui/statementwindowparts.h"

#include "ui_statementwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>
#include <functional>

using namespace statementwindow;

namespace {

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
    DateDelegate(const QLocale &locale, QObject *parent,
                 const QString &name = QStringLiteral("dateAcompte"),
                 const QString &spoken = QStringLiteral("Date de l'acompte"))
        : QStyledItemDelegate(parent), m_locale(locale), m_name(name), m_spoken(spoken)
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *edit = new QLineEdit(parent);
        edit->setObjectName(m_name);
        edit->setAccessibleName(m_spoken);
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
    QString m_name;
    QString m_spoken;
};

// The amount typed in a payment's cell, named for a screen reader, shown
// as the other amounts once it reads.
class AmountDelegate : public QStyledItemDelegate
{
public:
    AmountDelegate(const QLocale &locale, QObject *parent,
                   const QString &name = QStringLiteral("montantAcompte"),
                   const QString &spoken = QStringLiteral("Montant de l'acompte, en euros"))
        : QStyledItemDelegate(parent), m_locale(locale), m_name(name), m_spoken(spoken)
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->setObjectName(m_name);
        editor->setAccessibleName(m_spoken);
        return editor;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    QLocale m_locale;
    QString m_name;
    QString m_spoken;
};

// The claim a payment names, picked from the claims' list.
class ClaimDelegate : public QStyledItemDelegate
{
public:
    ClaimDelegate(std::function<QStringList()> names, QObject *parent)
        : QStyledItemDelegate(parent), m_names(std::move(names))
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *box = new QComboBox(parent);
        box->setObjectName(QStringLiteral("creanceAcompte"));
        box->setAccessibleName(QStringLiteral("Créance que l'acompte paie d'abord"));
        box->addItem(QStringLiteral("—"));
        box->addItems(m_names());
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const QVariant claim = index.data(Qt::UserRole);
        static_cast<QComboBox *>(editor)->setCurrentIndex(claim.isValid() ? claim.toInt() + 1 : 0);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        const int claim = static_cast<QComboBox *>(editor)->currentIndex() - 1;
        model->setData(index, claim, Qt::UserRole);
        model->setData(index, claim < 0 ? QStringLiteral("—") : QString::number(claim + 1),
                       Qt::EditRole);
    }

private:
    std::function<QStringList()> m_names;
};

void AmountDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                  const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    const auto cents = ReadTypedAmount(text).cents;
    model->setData(index, cents ? formatCents(*cents, m_locale) : text, Qt::EditRole);
}

} // namespace

void statementwindow::setPaymentDelegates(QTableWidget *payments, const QLocale &locale)
{
    payments->setItemDelegateForColumn(PaymentDate, new DateDelegate(locale, payments));
    payments->setItemDelegateForColumn(PaymentAmount, new AmountDelegate(locale, payments));
}

void statementwindow::setCostDelegates(QTableWidget *costs, const QLocale &locale)
{
    costs->setItemDelegateForColumn(CostDate,
                                    new DateDelegate(locale, costs, QStringLiteral("dateFrais"),
                                                     QStringLiteral("Date des frais")));
    costs->setItemDelegateForColumn(
        CostAmount, new AmountDelegate(locale, costs, QStringLiteral("montantFrais"),
                                       QStringLiteral("Montant des frais, en euros")));
}

void statementwindow::setClaimDelegate(QTableWidget *payments, std::function<QStringList()> names)
{
    payments->setItemDelegateForColumn(PaymentClaim, new ClaimDelegate(std::move(names), payments));
}

void statementwindow::setClaimCell(QTableWidget *payments, int row, int claim)
{
    auto *item = new QTableWidgetItem(claim < 0 ? QStringLiteral("—") : QString::number(claim + 1));
    item->setData(Qt::UserRole, claim);
    item->setTextAlignment(Qt::AlignCenter);
    payments->setItem(row, PaymentClaim, item);
}

void StatementWindow::fillPayments(const QList<Payment> &payments)
{
    m_ui->acomptes->setRowCount(0);
    for (const Payment &p : payments) {
        const int row = m_ui->acomptes->rowCount();
        m_ui->acomptes->insertRow(row);
        auto *date = new QTableWidgetItem(formatDay(p.date));
        date->setData(Qt::UserRole, p.date);
        m_ui->acomptes->setItem(row, PaymentDate, date);
        auto *amount = new QTableWidgetItem(formatCents(p.amount, m_locale));
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_ui->acomptes->setItem(row, PaymentAmount, amount);
        setClaimCell(m_ui->acomptes, row, -1);
    }
}

void StatementWindow::readPayments(QList<Payment> *payments, bool *readable)
{
    auto paymentError = [&](int row, const QString &why) {
        if (m_ui->erreurAcomptes->isHidden()) // the first one is enough
            setError(m_ui->erreurAcomptes,
                     QStringLiteral("Acompte n° %1 : %2").arg(row + 1).arg(why));
        *readable = false;
    };
    m_paymentRows.clear();
    for (int row = 0; row < m_ui->acomptes->rowCount(); ++row) {
        const QTableWidgetItem *date = m_ui->acomptes->item(row, PaymentDate);
        const QTableWidgetItem *amount = m_ui->acomptes->item(row, PaymentAmount);
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
        const TypedAmount read = ReadTypedAmount(amountText);
        if (!read.cents) {
            paymentError(row, read.error + u'.');
            continue;
        }
        payments->append({day, *read.cents});
        m_paymentRows.append(row);
    }
}

void StatementWindow::addPayment()
{
    // An empty row, the date open for typing: a blank row is no payment
    // until something is typed in it.
    m_filling = true;
    const int row = m_ui->acomptes->rowCount();
    m_ui->acomptes->insertRow(row);
    auto *date = new QTableWidgetItem;
    m_ui->acomptes->setItem(row, PaymentDate, date);
    auto *amount = new QTableWidgetItem;
    amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_ui->acomptes->setItem(row, PaymentAmount, amount);
    setClaimCell(m_ui->acomptes, row, -1);
    m_filling = false;
    m_ui->acomptes->setFocus();
    m_ui->acomptes->setCurrentItem(date);
    m_ui->acomptes->editItem(date);
}

void StatementWindow::removePayment()
{
    QList<int> rows;
    for (const QModelIndex &index : m_ui->acomptes->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    m_filling = true;
    for (int row : rows)
        m_ui->acomptes->removeRow(row);
    m_filling = false;
    Recompute();
}
