#include "titledraft.h"

#include "output/statementexport.h"
#include "schedule/formats.h"
#include "schedule/typedinput.h"
#include "ui/dateinput.h"

namespace {

constexpr double kCoefficients[] = {1.0, 1.5, 2.0, 3.0};

// Names the claim, cost or payment and its field: "Créance n° 2, montant :
// « 12,505 » a plus de deux décimales…".
struct FieldReader
{
    const QLocale &locale;
    DraftRead &result;

    void fail(TitleField field, int index, const QString &what, const QString &reason)
    {
        TitleError error;
        error.field = field;
        error.index = index;
        error.reason = reason;
        error.message = what + QStringLiteral(" : ") + reason + u'.';
        result.errors.append(error);
    }

    std::optional<QDate> date(const QString &text, TitleField field, int index, const QString &what)
    {
        if (text.trimmed().isEmpty()) {
            fail(field, index, what, QStringLiteral("saisissez la date, par exemple 18/09/2015"));
            return std::nullopt;
        }
        if (const auto read = parseStartDate(text, locale))
            return read->date();
        fail(field, index, what,
             QStringLiteral("date illisible : écrivez par exemple 18/09/2015 ou 18 septembre "
                            "2015"));
        return std::nullopt;
    }

    std::optional<Cents> amount(const QString &text, TitleField field, int index,
                                const QString &what)
    {
        if (text.trimmed().isEmpty()) {
            fail(field, index, what, QStringLiteral("saisissez le montant, par exemple 1500,50"));
            return std::nullopt;
        }
        const TypedAmount read = ReadTypedAmount(text.trimmed());
        if (!read.cents)
            fail(field, index, what, read.error);
        return read.cents;
    }
};

QString claimName(int i)
{
    return QStringLiteral("Créance n° %1").arg(i + 1);
}

QString costName(int i)
{
    return QStringLiteral("Frais n° %1").arg(i + 1);
}

QString paymentName(int i)
{
    return QStringLiteral("Acompte n° %1").arg(i + 1);
}

} // namespace

QStringList ClaimLabelSuggestions()
{
    return {QStringLiteral("Principal"), QStringLiteral("Article 700 du code de procédure civile"),
            QStringLiteral("Dommages et intérêts"), QStringLiteral("Dépens")};
}

int TitleDraft::addClaim()
{
    if (claims.size() >= kMaxClaims)
        return -1;
    ClaimDraft claim;
    claim.label.clear();
    claim.from = claims.isEmpty() ? QString() : claims.first().from;
    claims.append(claim);
    return int(claims.size()) - 1;
}

bool TitleDraft::removeClaim(int index)
{
    if (claims.size() <= 1 || index < 0 || index >= claims.size())
        return false;
    claims.removeAt(index);
    for (PaymentDraft &payment : payments) {
        if (payment.claim == index)
            payment.claim = -1;
        else if (payment.claim > index)
            --payment.claim;
    }
    return true;
}

bool TitleDraft::moveClaim(int index, int step)
{
    const int other = index + step;
    if ((step != -1 && step != 1) || index < 0 || index >= claims.size() || other < 0 ||
        other >= claims.size())
        return false;
    claims.swapItemsAt(index, other);
    for (PaymentDraft &payment : payments) {
        if (payment.claim == index)
            payment.claim = other;
        else if (payment.claim == other)
            payment.claim = index;
    }
    return true;
}

int TitleDraft::addCost()
{
    if (costs.size() >= kMaxCosts)
        return -1;
    costs.append(CostDraft{});
    return int(costs.size()) - 1;
}

bool TitleDraft::removeCost(int index)
{
    if (index < 0 || index >= costs.size())
        return false;
    costs.removeAt(index);
    return true;
}

bool TitleDraft::isOneCapital() const
{
    if (claims.size() != 1 || !costs.isEmpty() || provision ||
        imputation != Imputation::CostsInterestCapital ||
        majorationKind == TitleMajoration::Kind::ServedOn)
        return false;
    const ClaimDraft &claim = claims.first();
    // One capital has no label of its own to keep.
    const QString label = claim.label.trimmed();
    if (!label.isEmpty() && label != QLatin1String("Principal"))
        return false;
    // Today's statement majorates its capital whenever it has the day.
    if (claim.interest != ClaimInterest::Legal ||
        claim.majorated != (majorationKind == TitleMajoration::Kind::FirstDay))
        return false;
    return std::all_of(payments.cbegin(), payments.cend(),
                       [](const PaymentDraft &p) { return p.claim < 0; });
}

DraftRead TitleDraft::read(const QLocale &locale) const
{
    DraftRead result;
    FieldReader field{locale, result};
    SavedTitle saved;
    TitleInput &in = saved.input;
    in.category = category;
    in.dayBase = dayBase;
    in.imputation = imputation;
    in.provision = provision;
    saved.caseFields = caseFields;
    in.to = field.date(to, TitleField::To, -1, QStringLiteral("Jusqu'au")).value_or(QDate());
    in.majoration.kind = majorationKind;
    if (majorationKind != TitleMajoration::Kind::None)
        in.majoration.date = field
                                 .date(majorationDate, TitleField::Majoration, -1,
                                       majorationKind == TitleMajoration::Kind::ServedOn
                                           ? QStringLiteral("Signifié le")
                                           : QStringLiteral("+5 à compter du"))
                                 .value_or(QDate());
    for (int i = 0; i < claims.size(); ++i) {
        const ClaimDraft &d = claims.at(i);
        Claim claim;
        claim.label = d.label.trimmed();
        claim.interest = d.interest;
        if (d.amount.trimmed().isEmpty() && i == 0)
            result.missingAmount = true;
        else
            claim.amount = field
                               .amount(d.amount, TitleField::ClaimAmount, i,
                                       claimName(i) + QStringLiteral(", montant"))
                               .value_or(0);
        claim.from = field
                         .date(d.from, TitleField::ClaimFrom, i,
                               claimName(i) + QStringLiteral(", dû à compter du"))
                         .value_or(QDate());
        claim.coefficient = kCoefficients[qBound(0, d.coefficient, 3)];
        claim.majorated = d.interest == ClaimInterest::Legal && d.majorated &&
                          majorationKind != TitleMajoration::Kind::None;
        if (d.interest == ClaimInterest::Fixed) {
            claim.fixedRate = d.fixedRate.trimmed();
            if (!parseFixedRate(claim.fixedRate))
                field.fail(TitleField::ClaimFixedRate, i, claimName(i) + QStringLiteral(", taux"),
                           claim.fixedRate.isEmpty()
                               ? QStringLiteral("saisissez le taux annuel, par exemple 4,5")
                               : QStringLiteral("%1 n'est pas un taux : plus de 0, au plus 100, "
                                                "avec au plus quatre décimales, comme 4,5")
                                     .arg(quotedValue(claim.fixedRate)));
        }
        const bool ecb = d.interest == ClaimInterest::EcbPenalties ||
                         d.interest == ClaimInterest::EcbPublicBuyer;
        if (d.interest == ClaimInterest::EcbPenalties) {
            claim.margin = d.margin.trimmed();
            if (!parseFixedRate(claim.margin))
                field.fail(TitleField::ClaimMargin, i, claimName(i) + QStringLiteral(", marge"),
                           QStringLiteral("%1 n'est pas une marge : plus de 0, au plus 100 points, "
                                          "avec au plus quatre décimales, comme 10")
                               .arg(quotedValue(claim.margin)));
        }
        claim.recoveryIndemnity = ecb && d.recoveryIndemnity;
        claim.capitalise = d.interest != ClaimInterest::None && d.capitalise;
        if (claim.capitalise && !d.capitalisationFrom.trimmed().isEmpty())
            claim.capitalisationFrom =
                field.date(d.capitalisationFrom, TitleField::ClaimCapitalisationFrom, i,
                           claimName(i) + QStringLiteral(", capitalisation à compter du"));
        in.claims.append(claim);
    }
    for (int i = 0; i < costs.size(); ++i) {
        const CostDraft &d = costs.at(i);
        Cost cost;
        cost.date =
            field.date(d.date, TitleField::CostDate, i, costName(i) + QStringLiteral(", date"))
                .value_or(QDate());
        cost.label = d.label.trimmed();
        cost.amount = field
                          .amount(d.amount, TitleField::CostAmount, i,
                                  costName(i) + QStringLiteral(", montant"))
                          .value_or(0);
        in.costs.append(cost);
    }
    for (int i = 0; i < payments.size(); ++i) {
        const PaymentDraft &d = payments.at(i);
        TitlePayment payment;
        payment.date =
            field
                .date(d.date, TitleField::PaymentDate, i, paymentName(i) + QStringLiteral(", date"))
                .value_or(QDate());
        payment.amount = field
                             .amount(d.amount, TitleField::PaymentAmount, i,
                                     paymentName(i) + QStringLiteral(", montant"))
                             .value_or(0);
        payment.claim = d.claim;
        in.payments.append(payment);
    }
    if (result.errors.isEmpty())
        result.title = saved;
    return result;
}

TitleDraft TitleDraft::of(const SavedTitle &saved, const QLocale &locale)
{
    const TitleInput &in = saved.input;
    auto day = [](const QDate &date) { return date.isValid() ? formatDay(date) : QString(); };
    TitleDraft draft;
    draft.claims.clear();
    draft.to = day(in.to);
    draft.category = in.category;
    draft.dayBase = in.dayBase;
    draft.majorationKind = in.majoration.kind;
    draft.majorationDate = day(in.majoration.date);
    draft.imputation = in.imputation;
    draft.provision = in.provision;
    draft.caseFields = saved.caseFields;
    for (const Claim &claim : in.claims) {
        ClaimDraft d;
        d.label = claim.label;
        // A claim of nothing is one (a title may state it): "0,00", not a
        // field left to fill.
        d.amount = formatCents(claim.amount, locale);
        d.from = day(claim.from);
        d.interest = claim.interest;
        d.coefficient = 0;
        for (int k = 0; k < 4; ++k) {
            if (claim.coefficient == kCoefficients[k])
                d.coefficient = k;
        }
        d.majorated = claim.majorated;
        d.fixedRate = claim.fixedRate;
        d.capitalise = claim.capitalise;
        d.margin = claim.margin;
        d.recoveryIndemnity = claim.recoveryIndemnity;
        d.capitalisationFrom =
            claim.capitalisationFrom ? day(*claim.capitalisationFrom) : QString();
        draft.claims.append(d);
    }
    if (draft.claims.isEmpty())
        draft.claims.append(ClaimDraft{});
    for (const Cost &cost : in.costs)
        draft.costs.append({day(cost.date), cost.label, formatCents(cost.amount, locale)});
    for (const TitlePayment &payment : in.payments)
        draft.payments.append(
            {day(payment.date), formatCents(payment.amount, locale), payment.claim});
    return draft;
}
