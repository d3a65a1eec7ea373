#pragma once

// What the files of the statement window share: one window, whose parts
// (the form and its result, its layout, the payments, the exports and
// printing, the file menu and the recent files) each have a file.
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QLocale;
class QTableWidget;

namespace statementwindow {

inline const QString kTitle = QStringLiteral("Décompte au jour près");

enum PaymentColumn { PaymentDate, PaymentAmount, PaymentClaim };
enum CostColumn { CostDate, CostLabel, CostAmount };
enum LineColumn { LineFrom, LineTo, LineDays, LineCapital, LineRate, LineInterest, LineColumns };

// The message under a field; empty hides it. The field it is about (the
// label's "field" property) carries it for a screen reader, which is told
// of a new one.
void setError(QLabel *label, const QString &text);

// The payments' cells: dates typed as the fields above are, amounts read
// as the capital is and shown as the other amounts.
void setPaymentDelegates(QTableWidget *payments, const QLocale &locale);
// The same for the costs' dates and amounts.
void setCostDelegates(QTableWidget *costs, const QLocale &locale);
// The claim a payment names: "—" or one of `names` ("1. Principal").
void setClaimDelegate(QTableWidget *payments, std::function<QStringList()> names);
// A claim column's cell: -1 for none.
void setClaimCell(QTableWidget *payments, int row, int claim);

} // namespace statementwindow
