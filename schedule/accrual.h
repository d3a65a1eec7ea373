#pragma once

#include "statement.h"

#include <QDate>
#include <QList>

#include <vector>

// The interest of one claim, line by line, shared by the statement of one
// capital and the statement of a title: both drive it day by day and apply
// their payments to its account between its lines.

// Beyond this many cents (ten thousand billion euros) a line's interest no
// longer keeps its cents exact in a double; refusing is better than a
// statement that silently stops adding up.
constexpr double kLargestCents = 1e15;

// Half away from zero on the value as written with 15 significant digits.
Cents roundCents(double cents);

// The month numbered year * 12 + month - 1, and back to its first day.
int monthKey(const QDate &date);
QDate monthOfKey(int key);

// Years 1 to 9999 only: QDate has no year 0, and the month arithmetic
// stays on positive years.
bool usableDate(const QDate &date);

// A line's interest before rounding: capital x days x rate over the year.
double exactInterest(Cents capital, int days, double rate, DayBase base, const QDate &lineStart);

struct AccrualTerms
{
    enum class Rate {
        Legal, // the month's rate x coefficient, five points added once majorated
        Fixed, // fixedRate every day
        None,  // no interest at all
    };
    Cents principal = 0;
    QDate from; // first day of interest
    QDate to;   // end date, not counted
    Rate rate = Rate::Legal;
    double coefficient = 1.0;
    double fixedRate = 0;
    QDate majorationFrom;     // invalid: never majorated
    QDate capitalisationFrom; // invalid: no capitalisation
    DayBase dayBase = DayBase::Fixed365;
};

// The running account between two lines: the capital, and the unpaid
// interest split by age, since only the current year's interest compounds
// and payments settle the oldest first.
struct Account
{
    Cents capital = 0;
    Cents olderInterest = 0; // accrued before the current capitalisation year
    Cents yearInterest = 0;  // accrued since the last anniversary
    // Takes up to `amount` from the interest, oldest first; returns what it took.
    Cents payInterest(Cents amount);
    Cents payCapital(Cents amount);
};

// The terms must have been checked (dates usable, from < to, every month of
// a legal rate in `rates`). The driver calls, for each day in order from
// `from`: closeLine() when nextCut() is that day, then applies that day's
// payments to `account`, then endOfDay().
class ClaimAccrual
{
public:
    // `paymentDays`: every day a payment is applied on, where the running
    // line closes even when the payment does not reach this claim.
    ClaimAccrual(const StatementRates &rates, const AccrualTerms &terms,
                 const std::vector<QDate> &paymentDays);

    // The day the running line closes next; `to` for the last one.
    QDate nextCut() const { return m_cuts[m_nextCut]; }
    bool finished() const { return m_nextCut >= m_cuts.size(); }
    // Closes the running line the day before nextCut(). False when the
    // amounts grow too large to be computed to the cent.
    bool closeLine();
    // The anniversary of `day`, after its payments: a payment on an
    // anniversary settles interest before it would compound.
    void endOfDay(const QDate &day);

    const AccrualTerms &terms() const { return m_terms; }
    Account account;
    QList<StatementLine> lines; // interest and capitalisation lines; the driver adds its own
    Cents accrued = 0;

private:
    const StatementRates &m_rates;
    AccrualTerms m_terms;
    std::vector<QDate> m_cuts;
    std::size_t m_nextCut = 0;
    std::vector<QDate> m_anniversaries;
    std::size_t m_nextAnniversary = 0;
    bool m_inCapitalisationYear = false;
    QDate m_lineStart;
};
