#include "statement.h"

#include "accrual.h"
#include "money.h"
#include "ratecheck.h"

#include <algorithm>
#include <vector>

StatementRates::StatementRates(const RateTable &table) : m_fault(RateTableFault(table))
{
    const int count = std::clamp<int>(table.count, 0, kMaxMonths);
    const auto usableRow = [&](int i) {
        return table.rows[i].monthStart.isValid() && table.rows[i].rate.has_value();
    };
    int last = 0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        if (!usableRow(i))
            continue;
        const int key = monthKey(table.rows[i].monthStart);
        m_first = any ? std::min(m_first, key) : key;
        last = any ? std::max(last, key) : key;
        any = true;
    }
    if (!any)
        return;
    m_rates.resize(last - m_first + 1);
    for (int i = 0; i < count; ++i) {
        if (!usableRow(i))
            continue;
        // A month listed twice keeps its first, newest, line.
        std::optional<double> &slot = m_rates[monthKey(table.rows[i].monthStart) - m_first];
        if (!slot)
            slot = *table.rows[i].rate;
    }
}

std::optional<double> StatementRates::rate(int key) const
{
    if (key < m_first || key - m_first >= int(m_rates.size()))
        return std::nullopt;
    return m_rates[key - m_first];
}

QDate StatementRates::newestMonth() const
{
    return m_rates.empty() ? QDate() : monthOfKey(m_first + int(m_rates.size()) - 1);
}

namespace {

StatementError fieldError(StatementField field, const QString &message)
{
    StatementError error;
    error.field = field;
    error.message = message;
    return error;
}

StatementError paymentError(int index, const QString &message)
{
    StatementError error;
    error.field = StatementField::Payment;
    error.payment = index;
    error.reason = message;
    error.message = QStringLiteral("Acompte n° %1 : %2").arg(index + 1).arg(message);
    return error;
}

std::optional<StatementError> checkInput(const StatementInput &input, const StatementRates &rates)
{
    if (!usableDate(input.from))
        return fieldError(
            StatementField::From,
            QStringLiteral("La date de début des intérêts n'est pas une date valide"));
    if (!usableDate(input.to))
        return fieldError(StatementField::To,
                          QStringLiteral("La date de fin n'est pas une date valide"));
    if (input.principal < 0)
        return fieldError(StatementField::Principal,
                          QStringLiteral("Le capital ne peut pas être négatif"));
    if (double(input.principal) > kLargestCents)
        return fieldError(StatementField::Principal,
                          QStringLiteral("Le capital est trop grand pour être calculé"));
    if (input.to <= input.from)
        return fieldError(StatementField::To,
                          QStringLiteral("La date de fin doit suivre la date de début des "
                                         "intérêts (%1)")
                              .arg(formatDay(input.from)));
    const double c = input.coefficient;
    if (c != 1.0 && c != 1.5 && c != 2.0 && c != 3.0)
        return fieldError(StatementField::Coefficient,
                          QStringLiteral("Le coefficient doit être 1, 1,5, 2 ou 3"));
    if (input.majorationFrom) {
        if (!usableDate(*input.majorationFrom))
            return fieldError(StatementField::MajorationFrom,
                              QStringLiteral("La date de la majoration de cinq points n'est pas "
                                             "une date valide"));
        if (*input.majorationFrom < input.from)
            return fieldError(StatementField::MajorationFrom,
                              QStringLiteral("La majoration de cinq points ne peut pas commencer "
                                             "avant le début des intérêts (%1)")
                                  .arg(formatDay(input.from)));
    }
    if (input.capitalise && input.capitalisationFrom) {
        if (!usableDate(*input.capitalisationFrom))
            return fieldError(StatementField::CapitalisationFrom,
                              QStringLiteral("La date de la capitalisation n'est pas une date "
                                             "valide"));
        if (*input.capitalisationFrom < input.from)
            return fieldError(StatementField::CapitalisationFrom,
                              QStringLiteral("La capitalisation ne peut pas commencer avant le "
                                             "début des intérêts (%1)")
                                  .arg(formatDay(input.from)));
    }
    Cents paid = 0;
    for (int i = 0; i < input.payments.size(); ++i) {
        const Payment &payment = input.payments.at(i);
        if (!usableDate(payment.date))
            return paymentError(i, QStringLiteral("la date n'est pas une date valide"));
        if (payment.amount < 0)
            return paymentError(i, QStringLiteral("le montant ne peut pas être négatif"));
        if (double(payment.amount) > kLargestCents)
            return paymentError(i, QStringLiteral("le montant est trop grand pour être calculé"));
        if (payment.date < input.from || payment.date >= input.to)
            return paymentError(i, QStringLiteral("le %1 est hors de la période des intérêts, "
                                                  "du %2 au %3")
                                       .arg(formatDay(payment.date), formatDay(input.from),
                                            formatDay(input.to.addDays(-1))));
        // Amounts are never negative, so once the whole sum fits every
        // partial sum in any order fits too, and so does the credit.
        if (!addCents(paid, payment.amount, &paid))
            return paymentError(i, QStringLiteral("le total des acomptes devient trop grand pour "
                                                  "être calculé"));
    }
    if (const std::optional<QString> &fault = rates.fault())
        return fieldError(StatementField::Rates, QStringLiteral("Fichier des taux : ") + *fault);
    const int last = monthKey(input.to.addDays(-1));
    for (int key = monthKey(input.from); key <= last; ++key) {
        const std::optional<double> rate = rates.rate(key);
        if (!rate) {
            StatementError error = fieldError(
                StatementField::Rates, QStringLiteral("Pas de taux pour %1 : mettez à jour le "
                                                      "fichier des taux")
                                           .arg(monthInWords(monthOfKey(key))));
            error.missingMonth = monthOfKey(key);
            return error;
        }
    }
    return std::nullopt;
}

PaymentLine applyPayment(Account &account, Cents &credit, const Payment &payment)
{
    PaymentLine line;
    line.date = payment.date;
    line.amount = payment.amount;
    line.onInterest = account.payInterest(payment.amount);
    line.onCapital = account.payCapital(payment.amount - line.onInterest);
    line.toCredit = payment.amount - line.onInterest - line.onCapital;
    credit += line.toCredit;
    return line;
}

} // namespace

QString monthInWords(const QDate &date)
{
    return textemois(date.month()).toLower() + u' ' + QString::number(date.year());
}

QString formatDay(const QDate &date)
{
    if (!date.isValid())
        return QString();
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    // Built by hand: a lot writes two of these a line.
    QString out;
    out.reserve(10);
    const auto digits = [&out](int value, int width) {
        QString number = QString::number(value);
        if (number.size() < width)
            out += QString(width - number.size(), u'0');
        out += number;
    };
    digits(day, 2);
    out += u'/';
    digits(month, 2);
    out += u'/';
    digits(year, 4);
    return out;
}

StatementResult ComputeStatement(const RateTable &table, const StatementInput &input)
{
    return ComputeStatement(StatementRates(table), input);
}

StatementResult ComputeStatement(const StatementRates &rates, const StatementInput &input)
{
    const auto tooLarge = [] {
        return fieldError(StatementField::Principal,
                          QStringLiteral("Les montants deviennent trop grands pour être "
                                         "calculés au centime"));
    };
    if (auto error = checkInput(input, rates))
        return {std::nullopt, std::move(error)};

    AccrualTerms terms;
    terms.principal = input.principal;
    terms.from = input.from;
    terms.to = input.to;
    terms.coefficient = input.coefficient;
    terms.majorationFrom = input.majorationFrom.value_or(QDate());
    if (input.capitalise)
        terms.capitalisationFrom = input.capitalisationFrom.value_or(input.from);
    terms.dayBase = input.dayBase;
    std::vector<QDate> paymentDays;
    paymentDays.reserve(input.payments.size());
    for (const Payment &payment : input.payments)
        paymentDays.push_back(payment.date);
    ClaimAccrual claim(rates, terms, paymentDays);

    // Payments in date order, those of one day in the order given.
    std::vector<int> paymentOrder(input.payments.size());
    for (int i = 0; i < int(paymentOrder.size()); ++i)
        paymentOrder[i] = i;
    std::stable_sort(paymentOrder.begin(), paymentOrder.end(), [&](int a, int b) {
        return input.payments.at(a).date < input.payments.at(b).date;
    });

    Statement statement;
    Cents credit = 0;
    std::size_t nextPayment = 0;
    const auto startOfDay = [&](const QDate &day) {
        while (nextPayment < paymentOrder.size() &&
               input.payments.at(paymentOrder[nextPayment]).date == day) {
            const Payment &payment = input.payments.at(paymentOrder[nextPayment++]);
            statement.paid += payment.amount;
            claim.lines.append(applyPayment(claim.account, credit, payment));
        }
        claim.endOfDay(day);
    };
    startOfDay(input.from);
    while (!claim.finished()) {
        const QDate cut = claim.nextCut();
        if (!claim.closeLine())
            return {std::nullopt, tooLarge()};
        if (cut < input.to)
            startOfDay(cut);
    }

    statement.lines = std::move(claim.lines);
    statement.capital = claim.account.capital;
    statement.accrued = claim.accrued;
    if (!addCents(claim.account.olderInterest, claim.account.yearInterest, &statement.interest))
        return {std::nullopt, tooLarge()};
    statement.credit = credit;
    return {std::move(statement), std::nullopt};
}

std::optional<Cents> parseCents(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(u'+')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    Cents euros = 0;
    int integerDigits = 0;
    int decimals = -1; // -1 until the decimal mark
    Cents cents = 0;
    QChar previous;
    for (const QChar c : text) {
        if (c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F)) {
            // Grouping only between digits of the integer part.
            if (!previous.isDigit() || decimals >= 0)
                return std::nullopt;
        } else if (c == u'.' || c == u',') {
            if (decimals >= 0 || integerDigits == 0 || !previous.isDigit())
                return std::nullopt;
            decimals = 0;
        } else if (c >= u'0' && c <= u'9') {
            const int digit = c.unicode() - u'0';
            if (decimals < 0) {
                if (++integerDigits > 16)
                    return std::nullopt;
                euros = euros * 10 + digit;
            } else {
                if (++decimals > 2)
                    return std::nullopt;
                cents = cents * 10 + digit;
            }
        } else {
            return std::nullopt;
        }
        previous = c;
    }
    if (integerDigits == 0 || decimals == 0 || !previous.isDigit())
        return std::nullopt;
    if (decimals == 1)
        cents *= 10;
    const Cents value = euros * 100 + cents;
    return negative ? -value : value;
}
