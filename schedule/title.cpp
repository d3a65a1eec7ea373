#include "title.h"

#include "accrual.h"
#include "money.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace {

// The same day `months` later, or that month's last day.
QDate sameDayLater(const QDate &day, int months)
{
    const int key = monthKey(day) + months;
    const QDate month = monthOfKey(key);
    return QDate(month.year(), month.month(), std::min(day.day(), month.daysInMonth()));
}

} // namespace

QString imputationInWords(Imputation imputation)
{
    return imputation == Imputation::CapitalFirst
               ? QStringLiteral("Capital d'abord (décision du juge)")
               : QStringLiteral("Frais, puis intérêts, puis capital");
}

QDate MajorationAfterService(const QDate &served)
{
    if (!usableDate(served))
        return QDate();
    return sameDayLater(served, 2).addDays(1);
}

std::optional<qint64> parseFixedRate(QStringView text)
{
    text = text.trimmed();
    qint64 units = 0; // ten-thousandths of a percent
    int integerDigits = 0;
    int decimals = -1; // -1 until the decimal mark
    for (const QChar c : text) {
        if (c == u'.' || c == u',') {
            if (decimals >= 0 || integerDigits == 0)
                return std::nullopt;
            decimals = 0;
        } else if (c >= u'0' && c <= u'9') {
            if (decimals < 0 ? ++integerDigits > 3 : ++decimals > 4)
                return std::nullopt;
            units = units * 10 + (c.unicode() - u'0');
        } else {
            return std::nullopt;
        }
    }
    if (integerDigits == 0 || decimals == 0)
        return std::nullopt;
    for (int d = std::max(decimals, 0); d < 4; ++d)
        units *= 10;
    if (units <= 0 || units > 100 * 10000)
        return std::nullopt;
    return units;
}

namespace {

TitleError titleError(TitleField field, int index, const QString &what, const QString &reason)
{
    TitleError error;
    error.field = field;
    error.index = index;
    error.reason = reason;
    error.message = what.isEmpty() ? reason : what.arg(index + 1) + reason;
    return error;
}

TitleError claimError(TitleField field, int index, const QString &reason)
{
    return titleError(field, index, QStringLiteral("Créance n° %1 : "), reason);
}

TitleError costError(TitleField field, int index, const QString &reason)
{
    return titleError(field, index, QStringLiteral("Frais n° %1 : "), reason);
}

TitleError paymentError(TitleField field, int index, const QString &reason)
{
    return titleError(field, index, QStringLiteral("Acompte n° %1 : "), reason);
}

TitleError generalError(TitleField field, const QString &message)
{
    return titleError(field, -1, QString(), message);
}

TitleError tooLarge(int claim)
{
    return claimError(TitleField::ClaimAmount, claim,
                      QStringLiteral("les montants deviennent trop grands pour être calculés au "
                                     "centime"));
}

std::optional<TitleError> checkAmount(TitleError (*error)(TitleField, int, const QString &),
                                      TitleField field, int index, Cents amount)
{
    if (amount < 0)
        return error(field, index, QStringLiteral("le montant ne peut pas être négatif"));
    if (double(amount) > kLargestCents)
        return error(field, index, QStringLiteral("le montant est trop grand pour être calculé"));
    return std::nullopt;
}

// The days the statement covers: from its earliest claim to the end date.
QString periodInWords(const QDate &first, const QDate &to)
{
    return QStringLiteral("du %1 au %2").arg(formatDay(first), formatDay(to.addDays(-1)));
}

std::optional<TitleError> checkClaim(const TitleInput &input, int i, bool titleMajorated)
{
    const Claim &claim = input.claims.at(i);
    if (claim.label.size() > kMaxLabelLength)
        return claimError(TitleField::ClaimLabel, i,
                          QStringLiteral("le libellé dépasse %1 caractères").arg(kMaxLabelLength));
    if (auto error = checkAmount(claimError, TitleField::ClaimAmount, i, claim.amount))
        return error;
    if (!usableDate(claim.from))
        return claimError(TitleField::ClaimFrom, i,
                          QStringLiteral("la date « dû à compter du » n'est pas une date valide"));
    if (claim.from >= input.to)
        return claimError(TitleField::ClaimFrom, i,
                          QStringLiteral("la date « dû à compter du » (%1) doit précéder la date "
                                         "de fin (%2)")
                              .arg(formatDay(claim.from), formatDay(input.to)));
    if (claim.interest == ClaimInterest::Legal) {
        const double c = claim.coefficient;
        if (c != 1.0 && c != 1.5 && c != 2.0 && c != 3.0)
            return claimError(TitleField::ClaimCoefficient, i,
                              QStringLiteral("le coefficient doit être 1, 1,5, 2 ou 3"));
        if (claim.majorated && !titleMajorated)
            return claimError(TitleField::ClaimMajorated, i,
                              QStringLiteral("la majoration de cinq points demande la date de "
                                             "signification du titre ou celle de la majoration"));
    }
    if (claim.interest == ClaimInterest::Fixed) {
        if (!parseFixedRate(claim.fixedRate))
            return claimError(TitleField::ClaimFixedRate, i,
                              QStringLiteral("le taux fixe doit être supérieur à 0 et d'au plus "
                                             "100 %, avec au plus quatre décimales"));
        if (claim.majorated)
            return claimError(TitleField::ClaimMajorated, i,
                              QStringLiteral("la majoration de cinq points ne s'applique pas à un "
                                             "taux fixe"));
    }
    if (claim.interest == ClaimInterest::EcbPenalties) {
        if (!parseFixedRate(claim.margin))
            return claimError(TitleField::ClaimMargin, i,
                              QStringLiteral("la marge au-dessus du taux de la BCE doit être "
                                             "supérieure à 0 et d'au plus 100 points, avec au plus "
                                             "quatre décimales"));
        if (claim.from < kEcbHalfYearRuleFrom)
            return claimError(TitleField::ClaimFrom, i,
                              QStringLiteral("les pénalités au taux de la BCE ne courent selon la "
                                             "règle du semestre qu'à compter du 01/01/2013 ; pour "
                                             "des intérêts antérieurs, choisissez un taux fixe"));
    }
    const bool ecb = claim.interest == ClaimInterest::EcbPenalties ||
                     claim.interest == ClaimInterest::EcbPublicBuyer;
    if (ecb && claim.majorated)
        return claimError(TitleField::ClaimMajorated, i,
                          QStringLiteral("la majoration de cinq points ne s'applique qu'au taux "
                                         "légal"));
    if (!ecb && claim.recoveryIndemnity)
        return claimError(TitleField::ClaimAmount, i,
                          QStringLiteral("l'indemnité forfaitaire de 40 € ne vaut que pour des "
                                         "pénalités de retard ou des intérêts moratoires"));
    if (claim.interest != ClaimInterest::None && claim.capitalise && claim.capitalisationFrom) {
        if (!usableDate(*claim.capitalisationFrom))
            return claimError(TitleField::ClaimCapitalisationFrom, i,
                              QStringLiteral("la date de la capitalisation n'est pas une date "
                                             "valide"));
        if (*claim.capitalisationFrom < claim.from)
            return claimError(
                TitleField::ClaimCapitalisationFrom, i,
                QStringLiteral("la capitalisation ne peut pas commencer avant la date "
                               "« dû à compter du » (%1)")
                    .arg(formatDay(claim.from)));
    }
    return std::nullopt;
}

// "second semestre 2026".
QString halfYearInWords(const QDate &start)
{
    return QStringLiteral("%1 semestre %2")
        .arg(start.month() == 1 ? QStringLiteral("premier") : QStringLiteral("second"))
        .arg(start.year());
}

std::optional<TitleError> checkEcbRates(const TitleInput &input, const EcbTable *ecb)
{
    for (const Claim &claim : input.claims) {
        const bool penalties = claim.interest == ClaimInterest::EcbPenalties;
        if (!penalties && claim.interest != ClaimInterest::EcbPublicBuyer)
            continue;
        if (!ecb)
            return generalError(TitleField::Rates,
                                QStringLiteral("Le tableau des taux de la BCE n'est pas lu"));
        // Penalties take every half-year they run in; a public buyer's
        // interest the first one only.
        const QDate last = penalties ? input.to.addDays(-1) : claim.from;
        for (QDate half = HalfYearStart(claim.from); half <= last; half = half.addMonths(6)) {
            if (!ecb->halfYearRate(half)) {
                TitleError error = generalError(
                    TitleField::Rates,
                    QStringLiteral("Pas de taux de la BCE pour le %1 : mettez à jour le tableau "
                                   "des taux de la BCE")
                        .arg(halfYearInWords(half)));
                error.missingMonth = half;
                error.ecbRate = true;
                return error;
            }
        }
    }
    return std::nullopt;
}

std::optional<TitleError> checkRates(const TitleInput &input, const StatementRates &rates)
{
    for (const Claim &claim : input.claims) {
        if (claim.interest != ClaimInterest::Legal)
            continue;
        if (const std::optional<QString> &fault = rates.fault())
            return generalError(TitleField::Rates, QStringLiteral("Fichier des taux : ") + *fault);
        const int last = monthKey(input.to.addDays(-1));
        for (int key = monthKey(claim.from); key <= last; ++key) {
            if (!rates.rate(key)) {
                TitleError error = generalError(
                    TitleField::Rates, QStringLiteral("Pas de taux pour %1 : mettez à jour le "
                                                      "fichier des taux")
                                           .arg(monthInWords(monthOfKey(key))));
                error.missingMonth = monthOfKey(key);
                return error;
            }
        }
    }
    return std::nullopt;
}

std::optional<TitleError> checkInput(const TitleInput &input, const StatementRates &rates,
                                     const EcbTable *ecb)
{
    if (!usableDate(input.to))
        return generalError(TitleField::To,
                            QStringLiteral("La date de fin n'est pas une date valide"));
    if (input.claims.isEmpty())
        return generalError(TitleField::Claims,
                            QStringLiteral("Le décompte doit compter au moins une créance"));
    if (input.claims.size() > kMaxClaims)
        return claimError(TitleField::Claims, kMaxClaims,
                          QStringLiteral("un décompte compte au plus %1 créances").arg(kMaxClaims));
    if (input.costs.size() > kMaxCosts)
        return costError(TitleField::Costs, kMaxCosts,
                         QStringLiteral("un décompte compte au plus %1 frais").arg(kMaxCosts));
    const TitleMajoration &majoration = input.majoration;
    if (majoration.kind != TitleMajoration::Kind::None && !usableDate(majoration.date))
        return generalError(TitleField::Majoration,
                            majoration.kind == TitleMajoration::Kind::ServedOn
                                ? QStringLiteral("La date de signification n'est pas une date "
                                                 "valide")
                                : QStringLiteral("La date de la majoration de cinq points n'est "
                                                 "pas une date valide"));
    if (majoration.kind == TitleMajoration::Kind::ServedOn && majoration.date >= input.to)
        return generalError(TitleField::Majoration,
                            QStringLiteral("La date de signification (%1) doit précéder la date "
                                           "de fin (%2)")
                                .arg(formatDay(majoration.date), formatDay(input.to)));
    const bool titleMajorated = majoration.kind != TitleMajoration::Kind::None;
    QDate first = input.to;
    for (int i = 0; i < input.claims.size(); ++i) {
        if (auto error = checkClaim(input, i, titleMajorated))
            return error;
        first = std::min(first, input.claims.at(i).from);
    }
    // At most kMaxCosts costs of at most kLargestCents each: their sum fits.
    for (int i = 0; i < input.costs.size(); ++i) {
        const Cost &cost = input.costs.at(i);
        if (!usableDate(cost.date))
            return costError(TitleField::CostDate, i,
                             QStringLiteral("la date n'est pas une date valide"));
        if (cost.date < first || cost.date >= input.to)
            return costError(TitleField::CostDate, i,
                             QStringLiteral("le %1 est hors de la période du décompte, %2")
                                 .arg(formatDay(cost.date), periodInWords(first, input.to)));
        if (cost.label.size() > kMaxLabelLength)
            return costError(
                TitleField::CostLabel, i,
                QStringLiteral("le libellé dépasse %1 caractères").arg(kMaxLabelLength));
        if (auto error = checkAmount(costError, TitleField::CostAmount, i, cost.amount))
            return error;
    }
    Cents sum = 0;
    for (int i = 0; i < input.payments.size(); ++i) {
        const TitlePayment &payment = input.payments.at(i);
        if (!usableDate(payment.date))
            return paymentError(TitleField::PaymentDate, i,
                                QStringLiteral("la date n'est pas une date valide"));
        if (payment.date < first || payment.date >= input.to)
            return paymentError(TitleField::PaymentDate, i,
                                QStringLiteral("le %1 est hors de la période du décompte, %2")
                                    .arg(formatDay(payment.date), periodInWords(first, input.to)));
        if (auto error = checkAmount(paymentError, TitleField::PaymentAmount, i, payment.amount))
            return error;
        // Amounts are never negative, so once the whole sum fits every
        // partial sum in any order fits too, and so does the credit.
        if (!addCents(sum, payment.amount, &sum))
            return paymentError(TitleField::PaymentAmount, i,
                                QStringLiteral("le total des acomptes devient trop grand pour "
                                               "être calculé"));
        if (payment.claim < -1 || payment.claim >= input.claims.size())
            return paymentError(
                TitleField::PaymentClaim, i,
                QStringLiteral("la créance n° %1 n'existe pas").arg(payment.claim + 1));
        if (payment.claim >= 0 && input.claims.at(payment.claim).from > payment.date)
            return paymentError(TitleField::PaymentClaim, i,
                                QStringLiteral("la créance n° %1 n'est due qu'à compter du %2")
                                    .arg(payment.claim + 1)
                                    .arg(formatDay(input.claims.at(payment.claim).from)));
    }
    if (auto error = checkRates(input, rates))
        return error;
    return checkEcbRates(input, ecb);
}

} // namespace

namespace {

// The account of a title between two events: what each claim and each cost
// still owes, and the debtor's credit.
class Ledger
{
public:
    Ledger(const TitleInput &input, std::vector<ClaimAccrual> &claims)
        : m_input(input), m_claims(claims), m_paidInterest(claims.size()),
          m_paidCapital(claims.size())
    {
        for (const Cost &cost : input.costs)
            m_costOwed.push_back(cost.amount);
        m_costOrder.resize(input.costs.size());
        for (int i = 0; i < int(m_costOrder.size()); ++i)
            m_costOrder[i] = i;
        // Oldest first, those of one day in the order of the list.
        std::stable_sort(m_costOrder.begin(), m_costOrder.end(), [&](int a, int b) {
            return input.costs.at(a).date < input.costs.at(b).date;
        });
    }

    // `amount` paid on `day`, first to the claim `named` (or none), then in
    // the title's order; what is left over is returned, not yet credited.
    Cents apply(PaymentApplication &line, Cents amount, int named, const QDate &day);

    Cents credit = 0;
    const std::vector<Cents> &costOwed() const { return m_costOwed; }
    Cents paidInterest(int claim) const { return m_paidInterest[claim]; }
    Cents paidCapital(int claim) const { return m_paidCapital[claim]; }

private:
    const TitleInput &m_input;
    std::vector<ClaimAccrual> &m_claims;
    std::vector<Cents> m_paidInterest;
    std::vector<Cents> m_paidCapital;
    std::vector<Cents> m_costOwed;
    std::vector<int> m_costOrder;
};

Cents Ledger::apply(PaymentApplication &line, Cents amount, int named, const QDate &day)
{
    Cents left = amount;
    const auto took = [&](Allocation::To to, int index, Cents part) {
        if (part <= 0)
            return;
        line.allocations.append({to, index, part});
        left -= part;
        (to == Allocation::To::Cost       ? line.onCosts
         : to == Allocation::To::Interest ? line.onInterest
                                          : line.onCapital) += part;
    };
    // Only what has fallen due can be paid.
    const auto due = [&](int claim) { return m_input.claims.at(claim).from <= day; };
    const auto interestOf = [&](int claim) {
        if (left > 0 && due(claim)) {
            const Cents part = m_claims[claim].account.payInterest(left);
            m_paidInterest[claim] += part;
            took(Allocation::To::Interest, claim, part);
        }
    };
    const auto capitalOf = [&](int claim) {
        if (left > 0 && due(claim)) {
            const Cents part = m_claims[claim].account.payCapital(left);
            m_paidCapital[claim] += part;
            took(Allocation::To::Capital, claim, part);
        }
    };
    const auto costs = [&] {
        for (const int cost : m_costOrder) {
            if (left == 0 || m_input.costs.at(cost).date > day)
                break;
            const Cents part = std::min(left, m_costOwed[cost]);
            m_costOwed[cost] -= part;
            took(Allocation::To::Cost, cost, part);
        }
    };
    const auto interests = [&] {
        for (int claim = 0; claim < int(m_claims.size()); ++claim)
            interestOf(claim);
    };
    const auto capitals = [&] {
        for (int claim = 0; claim < int(m_claims.size()); ++claim)
            capitalOf(claim);
    };
    if (named >= 0) {
        interestOf(named);
        capitalOf(named);
    }
    if (m_input.imputation == Imputation::CostsInterestCapital) {
        costs();
        interests();
        capitals();
    } else {
        capitals();
        interests();
        costs();
    }
    return left;
}

AccrualTerms termsOf(const TitleInput &input, const Claim &claim, const QDate &majorationFrom,
                     qint32 publicBuyerRate)
{
    AccrualTerms terms;
    terms.principal = claim.amount;
    terms.from = claim.from;
    terms.to = input.to;
    terms.dayBase = input.dayBase;
    switch (claim.interest) {
    case ClaimInterest::Legal:
        terms.rate = AccrualTerms::Rate::Legal;
        terms.coefficient = claim.coefficient;
        if (claim.majorated)
            terms.majorationFrom = std::max(majorationFrom, claim.from);
        break;
    case ClaimInterest::Fixed:
        terms.rate = AccrualTerms::Rate::Fixed;
        terms.fixedRate = double(*parseFixedRate(claim.fixedRate)) / 10000.0;
        break;
    case ClaimInterest::None:
        terms.rate = AccrualTerms::Rate::None;
        break;
    case ClaimInterest::EcbPenalties:
        // The month's rate, from the claim's own table of half-years.
        terms.rate = AccrualTerms::Rate::Legal;
        break;
    case ClaimInterest::EcbPublicBuyer:
        terms.rate = AccrualTerms::Rate::Fixed;
        terms.fixedRate = double(publicBuyerRate) / 1000.0 + 8.0;
        break;
    }
    if (claim.interest != ClaimInterest::None && claim.capitalise)
        terms.capitalisationFrom = claim.capitalisationFrom.value_or(claim.from);
    return terms;
}

// A month's interest on `capital` from the end date, cut where the rate
// changes. Nothing compounds within it. A month past the file takes its
// newest month's rate, and `fallback` says which.
bool provisionOf(const StatementRates &rates, const AccrualTerms &terms, Cents capital,
                 const QDate &until, Cents *provision, QDate *fallback)
{
    *provision = 0;
    if (terms.rate == AccrualTerms::Rate::None || capital == 0)
        return true;
    const QDate newest = rates.newestMonth();
    QDate start = terms.to;
    while (start < until) {
        QDate end = std::min(until, monthOfKey(monthKey(start) + 1));
        if (terms.dayBase == DayBase::ActualYear)
            end = std::min(end, QDate(start.year() + 1, 1, 1));
        const QDate majorationFrom = terms.majorationFrom;
        if (majorationFrom.isValid() && start < majorationFrom)
            end = std::min(end, majorationFrom);
        double rate = terms.fixedRate;
        if (terms.rate == AccrualTerms::Rate::Legal) {
            std::optional<double> monthRate = rates.rate(monthKey(start));
            if (!monthRate) {
                monthRate = rates.rate(monthKey(newest));
                *fallback = newest;
            }
            const bool majorated = majorationFrom.isValid() && start >= majorationFrom;
            rate = terms.coefficient * (majorated ? *monthRate + 5.0 : *monthRate);
        }
        const double exact =
            exactInterest(capital, int(start.daysTo(end)), rate, terms.dayBase, start);
        if (!(double(capital) <= kLargestCents && exact <= kLargestCents) ||
            !addCents(*provision, roundCents(exact), provision))
            return false;
        start = end;
    }
    return true;
}

// The months a penalty claim may run in, each at the ECB rate of its
// half-year plus `margin` (ten-thousandths of a percent), from 2013 to the
// end of the half-year the table is confirmed in.
RateTable penaltyTable(const EcbTable &ecb, qint64 margin)
{
    RateTable table;
    const QDate last = HalfYearStart(ecb.confirmedUntil).addMonths(5);
    int count = 0;
    for (QDate month = last; month >= kEcbHalfYearRuleFrom && count < kMaxMonths;
         month = month.addMonths(-1), ++count) {
        table.rows[count].monthStart = month;
        if (const auto rate = ecb.halfYearRate(month))
            table.rows[count].rate = double(*rate) / 1000.0 + double(margin) / 10000.0;
    }
    table.count = qint16(count);
    return table;
}

std::vector<int> orderBy(int count, const std::function<QDate(int)> &dateOf)
{
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return dateOf(a) < dateOf(b); });
    return order;
}

} // namespace

TitleInput WithRecoveryIndemnities(const TitleInput &input)
{
    TitleInput out = input;
    for (const Claim &claim : input.claims) {
        if (claim.recoveryIndemnity)
            out.costs.append({claim.from, kRecoveryIndemnityLabel, kRecoveryIndemnity});
    }
    return out;
}

TitleResult ComputeTitle(const RateTable &table, const TitleInput &input, const EcbTable *ecb)
{
    return ComputeTitle(StatementRates(table), input, ecb);
}

TitleResult ComputeTitle(const StatementRates &rates, const TitleInput &input, const EcbTable *ecb)
{
    if (auto error = checkInput(input, rates, ecb))
        return {std::nullopt, std::move(error)};
    const auto failed = [](TitleError error) {
        return TitleResult{std::nullopt, std::move(error)};
    };

    TitleStatement statement;
    const TitleMajoration &majoration = input.majoration;
    if (majoration.kind == TitleMajoration::Kind::ServedOn)
        statement.majorationFrom = MajorationAfterService(majoration.date);
    else if (majoration.kind == TitleMajoration::Kind::FirstDay)
        statement.majorationFrom = majoration.date;

    const int claimCount = int(input.claims.size());
    std::vector<QDate> paymentDays;
    paymentDays.reserve(input.payments.size());
    for (const TitlePayment &payment : input.payments)
        paymentDays.push_back(payment.date);
    // A penalty claim reads its months from a table of its own margin; the
    // tables stay where they are while the claims accrue.
    std::map<qint64, StatementRates> penaltyRates;
    std::vector<const StatementRates *> claimRates;
    std::vector<ClaimAccrual> claims;
    claims.reserve(claimCount);
    for (const Claim &claim : input.claims) {
        const StatementRates *own = &rates;
        qint32 publicBuyerRate = 0;
        if (claim.interest == ClaimInterest::EcbPenalties) {
            const qint64 margin = *parseFixedRate(claim.margin);
            auto found = penaltyRates.find(margin);
            if (found == penaltyRates.end())
                found =
                    penaltyRates.emplace(margin, StatementRates(penaltyTable(*ecb, margin))).first;
            own = &found->second;
        } else if (claim.interest == ClaimInterest::EcbPublicBuyer) {
            publicBuyerRate = *ecb->halfYearRate(claim.from);
        }
        claimRates.push_back(own);
        claims.emplace_back(*own, termsOf(input, claim, statement.majorationFrom, publicBuyerRate),
                            paymentDays);
    }

    const std::vector<int> claimOrder =
        orderBy(claimCount, [&](int i) { return input.claims.at(i).from; });
    const std::vector<int> costOrder =
        orderBy(int(input.costs.size()), [&](int i) { return input.costs.at(i).date; });
    const std::vector<int> paymentOrder =
        orderBy(int(input.payments.size()), [&](int i) { return input.payments.at(i).date; });
    std::size_t nextClaim = 0;
    std::size_t nextCost = 0;
    std::size_t nextPayment = 0;

    Ledger ledger(input, claims);
    // Day by day, in the order that lets every figure be checked by hand:
    // the running lines close, what falls due takes the credit, the day's
    // payments are applied, then the anniversaries compound.
    QDate day = input.claims.at(claimOrder.front()).from;
    for (;;) {
        for (int c = 0; c < claimCount; ++c) {
            if (!claims[c].finished() && claims[c].nextCut() == day && !claims[c].closeLine())
                return failed(tooLarge(c));
        }
        if (day == input.to)
            break;
        bool fallsDue = false;
        for (; nextClaim < claimOrder.size() && input.claims.at(claimOrder[nextClaim]).from == day;
             ++nextClaim)
            fallsDue = true;
        for (; nextCost < costOrder.size() && input.costs.at(costOrder[nextCost]).date == day;
             ++nextCost)
            fallsDue = true;
        if (fallsDue && ledger.credit > 0) {
            PaymentApplication line;
            line.date = day;
            const Cents left = ledger.apply(line, ledger.credit, -1, day);
            line.amount = ledger.credit - left;
            ledger.credit = left;
            if (line.amount > 0)
                statement.payments.append(line);
        }
        for (; nextPayment < paymentOrder.size() &&
               input.payments.at(paymentOrder[nextPayment]).date == day;
             ++nextPayment) {
            const int index = paymentOrder[nextPayment];
            const TitlePayment &payment = input.payments.at(index);
            PaymentApplication line;
            line.date = day;
            line.payment = index;
            line.amount = payment.amount;
            line.toCredit = ledger.apply(line, payment.amount, payment.claim, day);
            if (line.toCredit > 0)
                line.allocations.append({Allocation::To::Credit, -1, line.toCredit});
            ledger.credit += line.toCredit;
            statement.paid += payment.amount;
            statement.payments.append(line);
        }
        QDate next = input.to;
        for (int c = 0; c < claimCount; ++c) {
            claims[c].endOfDay(day);
            if (!claims[c].finished())
                next = std::min(next, claims[c].nextCut());
        }
        if (nextClaim < claimOrder.size())
            next = std::min(next, input.claims.at(claimOrder[nextClaim]).from);
        if (nextCost < costOrder.size())
            next = std::min(next, input.costs.at(costOrder[nextCost]).date);
        if (nextPayment < paymentOrder.size())
            next = std::min(next, input.payments.at(paymentOrder[nextPayment]).date);
        day = next;
    }

    statement.provisionUntil = sameDayLater(input.to, 1);
    for (int c = 0; c < claimCount; ++c) {
        ClaimAccrual &accrual = claims[c];
        ClaimStatement claim;
        claim.majorationFrom = accrual.terms().majorationFrom;
        const Claim &typed = input.claims.at(c);
        if (typed.interest == ClaimInterest::EcbPenalties) {
            for (QDate half = HalfYearStart(typed.from); half < input.to; half = half.addMonths(6))
                claim.ecbBases.append({half, *ecb->halfYearRate(half)});
        } else if (typed.interest == ClaimInterest::EcbPublicBuyer) {
            claim.ecbBases.append({HalfYearStart(typed.from), *ecb->halfYearRate(typed.from)});
        }
        claim.principal = accrual.terms().principal;
        claim.accrued = accrual.accrued;
        for (const StatementLine &line : accrual.lines) {
            if (const auto *capitalisation = std::get_if<CapitalisationLine>(&line))
                claim.capitalised += capitalisation->amount;
        }
        claim.paidInterest = ledger.paidInterest(c);
        claim.paidCapital = ledger.paidCapital(c);
        claim.capital = accrual.account.capital;
        if (!addCents(accrual.account.olderInterest, accrual.account.yearInterest,
                      &claim.interest) ||
            (input.provision &&
             !provisionOf(*claimRates[c], accrual.terms(), claim.capital, statement.provisionUntil,
                          &claim.provision, &statement.provisionRateMonth)) ||
            !addCents(statement.principal, claim.principal, &statement.principal) ||
            !addCents(statement.accrued, claim.accrued, &statement.accrued) ||
            !addCents(statement.capital, claim.capital, &statement.capital) ||
            !addCents(statement.interest, claim.interest, &statement.interest) ||
            !addCents(statement.provision, claim.provision, &statement.provision))
            return failed(tooLarge(c));
        claim.lines = std::move(accrual.lines);
        statement.claims.append(std::move(claim));
    }
    for (int i = 0; i < input.costs.size(); ++i) {
        const Cents owed = ledger.costOwed()[i];
        statement.costPaid.append(input.costs.at(i).amount - owed);
        statement.costsAmount += input.costs.at(i).amount;
        statement.costs += owed;
    }
    statement.costsPaid = statement.costsAmount - statement.costs;
    statement.credit = ledger.credit;
    Cents total = 0;
    if (!addCents(statement.capital, statement.costs, &total) ||
        !addCents(total, statement.interest, &total) ||
        !addCents(total, statement.provision, &total))
        return failed(generalError(TitleField::ClaimAmount,
                                   QStringLiteral("Les montants deviennent trop grands pour être "
                                                  "calculés au centime")));
    return {std::move(statement), std::nullopt};
}
