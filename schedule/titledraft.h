#pragma once

#include "schedule/titlefile.h"

#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

// A title as the window holds it while the user types: every field as text,
// the claims, costs and payments in their lists. It reads into a SavedTitle,
// or into the errors of the fields that do not read, each naming its claim,
// cost or payment; moving or removing a claim keeps every payment on the
// claim it named. The window only shows it.

struct ClaimDraft
{
    QString label = QStringLiteral("Principal");
    QString amount; // as typed: "2 000,00"
    QString from;   // as typed: "18/09/2015", "18 septembre 2015"
    ClaimInterest interest = ClaimInterest::Legal;
    int coefficient = 0; // 0 to 3: x 1, x 1,5, x 2, x 3
    bool majorated = false;
    QString fixedRate; // "4,5"
    bool capitalise = false;
    QString capitalisationFrom;            // empty: from the claim's first day
    QString margin = QStringLiteral("10"); // penalties: points above the ECB rate
    bool recoveryIndemnity = false;        // penalties or a public buyer: the 40 €
};

struct CostDraft
{
    QString date;
    QString label;
    QString amount;
};

struct PaymentDraft
{
    QString date;
    QString amount;
    int claim = -1; // the claim it names, first at 0; -1 for none
};

// What a draft reads as: the title when every field reads, otherwise an
// error for each field that does not, in the order of the form.
struct DraftRead
{
    std::optional<SavedTitle> title;
    QList<TitleError> errors;
    bool missingAmount = false; // the first claim's amount is still empty
};

// The suggested labels of a claim, in the order the window offers them.
QStringList ClaimLabelSuggestions();

class TitleDraft
{
public:
    QList<ClaimDraft> claims{ClaimDraft{}};
    QList<CostDraft> costs;
    QList<PaymentDraft> payments;
    QString to;
    RateCategory category = RateCategory::Autres;
    DayBase dayBase = DayBase::Fixed365;
    TitleMajoration::Kind majorationKind = TitleMajoration::Kind::None;
    QString majorationDate; // the service date or the first majorated day
    Imputation imputation = Imputation::CostsInterestCapital;
    bool provision = false;
    CaseFields caseFields;

    // A claim at the end, dû from the first claim's day: its index, or -1
    // when the title has its 50.
    int addClaim();
    // Payments that named it name nothing; those naming a later claim
    // follow it. False when it is the last claim or out of range.
    bool removeClaim(int index);
    // Moves a claim one place up (-1) or down (+1), the payments following.
    bool moveClaim(int index, int step);
    int addCost();
    bool removeCost(int index);

    // Whether it is a statement of one capital as the first window made
    // them: one legal-rate claim, no costs, payments that name nothing, no
    // service date, no provision, the default imputation. Such a title is
    // saved, shown and exported as that statement.
    bool isOneCapital() const;

    // Dates read in `locale` as the date fields read them, amounts as
    // typed amounts are.
    DraftRead read(const QLocale &locale) const;

    // The fields of a saved title, written as the window shows them.
    static TitleDraft of(const SavedTitle &saved, const QLocale &locale);
};
