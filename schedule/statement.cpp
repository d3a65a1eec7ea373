#include "statement.h"

#include "money.h"
#include "ratecheck.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Beyond this many cents (ten thousand billion euros) a line's interest no
// longer keeps its cents exact in a double; refusing is better than a
// statement that silently stops adding up.
constexpr double kLargestCents = 1e15;

// Half away from zero on the value as written with 15 significant digits,
// so 0.5 cent computed as 0.49999999999999994 still rounds up. The decimal
// text reads back as the double nearest to it, which is exactly x.5 when
// the text ends in .5 (every cent count below 2^52 is exact).
Cents roundCents(double cents)
{
    return static_cast<Cents>(std::round(QByteArray::number(cents, 'g', 15).toDouble()));
}

int monthKey(const QDate &date)
{
    return date.year() * 12 + date.month() - 1;
}

QDate monthOfKey(int key)
{
    return QDate(key / 12, key % 12 + 1, 1);
}

// Years 1 to 9999 only: QDate has no year 0, and the month arithmetic above
// stays on positive years.
bool usable(const QDate &date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

} // namespace

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
    if (!usable(input.from))
        return fieldError(
            StatementField::From,
            QStringLiteral("La date de début des intérêts n'est pas une date valide"));
    if (!usable(input.to))
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
        if (!usable(*input.majorationFrom))
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
        if (!usable(*input.capitalisationFrom))
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
        if (!usable(payment.date))
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

// The running account between two lines: the capital, and the unpaid
// interest split by age, since only the current year's interest compounds
// and payments settle the oldest first.
struct Account
{
    Cents capital = 0;
    Cents olderInterest = 0; // accrued before the current capitalisation year
    Cents yearInterest = 0;  // accrued since the last anniversary
    Cents credit = 0;
};

PaymentLine applyPayment(Account &account, const Payment &payment)
{
    PaymentLine line;
    line.date = payment.date;
    line.amount = payment.amount;
    Cents left = payment.amount;
    const Cents onOlder = std::min(left, account.olderInterest);
    account.olderInterest -= onOlder;
    left -= onOlder;
    const Cents onYear = std::min(left, account.yearInterest);
    account.yearInterest -= onYear;
    left -= onYear;
    line.onInterest = onOlder + onYear;
    line.onCapital = std::min(left, account.capital);
    account.capital -= line.onCapital;
    left -= line.onCapital;
    line.toCredit = left;
    account.credit += left;
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

    const QDate from = input.from;
    const QDate to = input.to;
    const QDate majorationFrom = input.majorationFrom.value_or(QDate());
    const QDate capitalisationFrom =
        input.capitalise ? input.capitalisationFrom.value_or(from) : QDate();

    // Every day on which a line must end before it and a new one begin.
    std::vector<QDate> cuts;
    const auto cutAt = [&](const QDate &day) {
        if (day.isValid() && from < day && day < to)
            cuts.push_back(day);
    };
    cutAt(majorationFrom);
    std::vector<QDate> anniversaries;
    if (capitalisationFrom.isValid()) {
        cutAt(capitalisationFrom);
        // Each from C itself, so 29 February comes back in leap years.
        for (int years = 1;; ++years) {
            const QDate anniversary = capitalisationFrom.addYears(years);
            if (!anniversary.isValid() || anniversary >= to)
                break;
            anniversaries.push_back(anniversary);
            cutAt(anniversary);
        }
    }
    for (const Payment &payment : input.payments)
        cutAt(payment.date);
    if (input.dayBase == DayBase::ActualYear) {
        for (int year = from.year() + 1; year <= to.year(); ++year)
            cutAt(QDate(year, 1, 1));
    }
    for (int key = monthKey(from) + 1; key <= monthKey(to); ++key) {
        if (rates.rate(key) != rates.rate(key - 1))
            cutAt(monthOfKey(key));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    cuts.push_back(to);

    // Payments in date order, those of one day in the order given.
    std::vector<int> paymentOrder(input.payments.size());
    for (int i = 0; i < int(paymentOrder.size()); ++i)
        paymentOrder[i] = i;
    std::stable_sort(paymentOrder.begin(), paymentOrder.end(), [&](int a, int b) {
        return input.payments.at(a).date < input.payments.at(b).date;
    });

    Statement statement;
    Account account;
    account.capital = input.principal;
    std::size_t nextPayment = 0;
    std::size_t nextAnniversary = 0;
    bool inCapitalisationYear = capitalisationFrom.isValid() && capitalisationFrom <= from;

    // What happens at the start of `day`: payments first, so a payment on
    // an anniversary settles interest before it would compound.
    const auto startOfDay = [&](const QDate &day) {
        while (nextPayment < paymentOrder.size() &&
               input.payments.at(paymentOrder[nextPayment]).date == day) {
            const Payment &payment = input.payments.at(paymentOrder[nextPayment++]);
            statement.paid += payment.amount;
            statement.lines.append(applyPayment(account, payment));
        }
        if (nextAnniversary < anniversaries.size() && anniversaries[nextAnniversary] == day) {
            ++nextAnniversary;
            if (account.yearInterest > 0) {
                statement.lines.append(CapitalisationLine{day, account.yearInterest});
                // Beyond what adds up, the capital is at its largest: the
                // line that follows every anniversary refuses it.
                if (!addCents(account.capital, account.yearInterest, &account.capital))
                    account.capital = std::numeric_limits<Cents>::max();
                account.yearInterest = 0;
            }
        }
        if (day == capitalisationFrom)
            inCapitalisationYear = true;
    };

    QDate lineStart = from;
    startOfDay(from);
    for (const QDate &cut : cuts) {
        InterestLine line;
        line.from = lineStart;
        line.to = cut.addDays(-1);
        line.days = int(lineStart.daysTo(cut));
        line.capital = account.capital;
        const double monthRate = *rates.rate(monthKey(lineStart));
        const bool majorated = majorationFrom.isValid() && lineStart >= majorationFrom;
        line.rate = input.coefficient * (majorated ? monthRate + 5.0 : monthRate);
        const double yearDays =
            input.dayBase == DayBase::ActualYear ? lineStart.daysInYear() : 365.0;
        const double exact = double(line.capital) * line.days * line.rate / (100.0 * yearDays);
        if (!(double(line.capital) <= kLargestCents && exact <= kLargestCents))
            return {std::nullopt, tooLarge()};
        line.interest = roundCents(exact);
        Cents &bucket = inCapitalisationYear ? account.yearInterest : account.olderInterest;
        if (!addCents(statement.accrued, line.interest, &statement.accrued) ||
            !addCents(bucket, line.interest, &bucket))
            return {std::nullopt, tooLarge()};
        // Once the capital is paid nothing is owed and nothing accrues: a
        // line of 0,00 on 0,00 would only lengthen the statement.
        if (line.capital != 0)
            statement.lines.append(line);
        if (cut < to)
            startOfDay(cut);
        lineStart = cut;
    }

    statement.capital = account.capital;
    if (!addCents(account.olderInterest, account.yearInterest, &statement.interest))
        return {std::nullopt, tooLarge()};
    statement.credit = account.credit;
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
