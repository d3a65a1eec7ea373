#include "accrual.h"

#include "money.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <limits>

// So 0.5 cent computed as 0.49999999999999994 still rounds up. The decimal
// text reads back as the double nearest to it, which is exactly x.5 when
// the text ends in .5 (every cent count below 2^52 is exact).
Cents roundCents(double cents)
{
    // Writing the value out costs more than the whole line: only a value
    // whose fifteen digits may fall on or across a half cent needs it.
    const double fraction = std::abs(cents - std::trunc(cents));
    if (std::abs(fraction - 0.5) > std::abs(cents) * 1e-14)
        return static_cast<Cents>(std::round(cents));
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

bool usableDate(const QDate &date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

double exactInterest(Cents capital, int days, double rate, DayBase base, const QDate &lineStart)
{
    const double yearDays = base == DayBase::ActualYear ? lineStart.daysInYear() : 365.0;
    return double(capital) * days * rate / (100.0 * yearDays);
}

Cents Account::payInterest(Cents amount)
{
    const Cents onOlder = std::min(amount, olderInterest);
    olderInterest -= onOlder;
    const Cents onYear = std::min(amount - onOlder, yearInterest);
    yearInterest -= onYear;
    return onOlder + onYear;
}

Cents Account::payCapital(Cents amount)
{
    const Cents on = std::min(amount, capital);
    capital -= on;
    return on;
}

ClaimAccrual::ClaimAccrual(const StatementRates &rates, const AccrualTerms &terms,
                           const std::vector<QDate> &paymentDays)
    : m_rates(rates), m_terms(terms), m_lineStart(terms.from)
{
    account.capital = terms.principal;
    const QDate from = terms.from;
    const QDate to = terms.to;
    if (terms.rate == AccrualTerms::Rate::None) {
        m_cuts.push_back(to);
        return;
    }
    // Every day on which a line must end before it and a new one begin.
    const auto cutAt = [&](const QDate &day) {
        if (day.isValid() && from < day && day < to)
            m_cuts.push_back(day);
    };
    if (terms.rate == AccrualTerms::Rate::Legal)
        cutAt(terms.majorationFrom);
    const QDate capitalisationFrom = terms.capitalisationFrom;
    if (capitalisationFrom.isValid()) {
        cutAt(capitalisationFrom);
        // Each from C itself, so 29 February comes back in leap years.
        for (int years = 1;; ++years) {
            const QDate anniversary = capitalisationFrom.addYears(years);
            if (!anniversary.isValid() || anniversary >= to)
                break;
            m_anniversaries.push_back(anniversary);
            cutAt(anniversary);
        }
        m_inCapitalisationYear = capitalisationFrom <= from;
    }
    for (const QDate &day : paymentDays)
        cutAt(day);
    if (terms.dayBase == DayBase::ActualYear) {
        for (int year = from.year() + 1; year <= to.year(); ++year)
            cutAt(QDate(year, 1, 1));
    }
    if (terms.rate == AccrualTerms::Rate::Legal) {
        for (int key = monthKey(from) + 1; key <= monthKey(to); ++key) {
            if (rates.rate(key) != rates.rate(key - 1))
                cutAt(monthOfKey(key));
        }
    }
    std::sort(m_cuts.begin(), m_cuts.end());
    m_cuts.erase(std::unique(m_cuts.begin(), m_cuts.end()), m_cuts.end());
    m_cuts.push_back(to);
}

bool ClaimAccrual::closeLine()
{
    const QDate cut = m_cuts[m_nextCut++];
    const QDate lineStart = m_lineStart;
    m_lineStart = cut;
    if (m_terms.rate == AccrualTerms::Rate::None)
        return true;
    InterestLine line;
    line.from = lineStart;
    line.to = cut.addDays(-1);
    line.days = int(lineStart.daysTo(cut));
    line.capital = account.capital;
    if (m_terms.rate == AccrualTerms::Rate::Fixed) {
        line.rate = m_terms.fixedRate;
    } else {
        const double monthRate = *m_rates.rate(monthKey(lineStart));
        const bool majorated =
            m_terms.majorationFrom.isValid() && lineStart >= m_terms.majorationFrom;
        line.rate = m_terms.coefficient * (majorated ? monthRate + 5.0 : monthRate);
    }
    const double exact =
        exactInterest(line.capital, line.days, line.rate, m_terms.dayBase, lineStart);
    if (!(double(line.capital) <= kLargestCents && exact <= kLargestCents))
        return false;
    line.interest = roundCents(exact);
    Cents &bucket = m_inCapitalisationYear ? account.yearInterest : account.olderInterest;
    if (!addCents(accrued, line.interest, &accrued) || !addCents(bucket, line.interest, &bucket))
        return false;
    // Once the capital is paid nothing is owed and nothing accrues: a line
    // of 0,00 on 0,00 would only lengthen the statement.
    if (line.capital != 0)
        lines.append(line);
    return true;
}

void ClaimAccrual::endOfDay(const QDate &day)
{
    if (m_nextAnniversary < m_anniversaries.size() && m_anniversaries[m_nextAnniversary] == day) {
        ++m_nextAnniversary;
        if (account.yearInterest > 0) {
            lines.append(CapitalisationLine{day, account.yearInterest});
            // Beyond what adds up, the capital is at its largest: the line
            // that follows every anniversary refuses it.
            if (!addCents(account.capital, account.yearInterest, &account.capital))
                account.capital = std::numeric_limits<Cents>::max();
            account.yearInterest = 0;
        }
    }
    if (day == m_terms.capitalisationFrom)
        m_inCapitalisationYear = true;
}
