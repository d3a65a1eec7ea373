#pragma once

#include "rates/ratetable.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <variant>
#include <vector>

// Money of a statement, in exact cents. Interest is computed unrounded on a
// line and rounded to the cent (halves away from zero) when the line
// closes; from there on everything adds up in cents.
using Cents = qint64;

// How a day's share of the annual rate is counted.
enum class DayBase {
    Fixed365,   // every year counts 365 days: capital x days x rate / 36 500
    ActualYear, // each day of a leap year counts 1/366; lines are also cut at 1 January
};

struct Payment
{
    QDate date;
    Cents amount = 0;
};

// What a statement of interest to the day is computed from. Interest runs on
// every day d with from <= d < to.
struct StatementInput
{
    Cents principal = 0;
    QDate from; // first day of interest
    QDate to;   // end date, not counted
    double coefficient = 1.0;
    // The five points are added to the rate from this day on.
    std::optional<QDate> majorationFrom;
    // Yearly capitalisation of the interest, on each anniversary of
    // capitalisationFrom (from when it is not set).
    bool capitalise = false;
    std::optional<QDate> capitalisationFrom;
    DayBase dayBase = DayBase::Fixed365;
    QList<Payment> payments; // in any order; sorted by date for the computation
};

// A stretch of days at one capital and one applied rate.
struct InterestLine
{
    QDate from;
    QDate to; // the last day counted
    int days = 0;
    Cents capital = 0;
    double rate = 0; // applied annual rate, percent: coefficient x (rate + 5 once majorated)
    Cents interest = 0;
};

// A payment as it was applied: first to the interest accrued and unpaid,
// then to the capital; what is left beyond both becomes a credit.
struct PaymentLine
{
    QDate date;
    Cents amount = 0;
    Cents onInterest = 0;
    Cents onCapital = 0;
    Cents toCredit = 0;
};

// The interest of a whole year added to the capital on an anniversary.
struct CapitalisationLine
{
    QDate date;
    Cents amount = 0;
};

using StatementLine = std::variant<InterestLine, PaymentLine, CapitalisationLine>;

struct Statement
{
    QList<StatementLine> lines; // in date order; on one date a payment comes before a line
    Cents capital = 0;          // capital still owed at the end date
    Cents interest = 0;         // interest accrued and still unpaid at the end date
    Cents credit = 0;           // paid beyond everything owed; nothing accrues on it
    Cents accrued = 0;          // every interest line added up
    Cents paid = 0;             // every payment added up
    Cents total() const { return capital + interest - credit; }
};

// Which input an error is about, so a window can show it beside that input.
enum class StatementField {
    Rates, // a day has no rate in the table
    Principal,
    From,
    To,
    MajorationFrom,
    CapitalisationFrom,
    Payment, // see StatementError::payment
    Coefficient,
};

struct StatementError
{
    StatementField field = StatementField::Rates;
    int payment = -1; // index in StatementInput::payments for a payment error
    QString message;  // in French, ready to show
    QString reason;   // a payment error's message without the payment's number
    // For a missing rate: the first month without one (its first day).
    QDate missingMonth;
};

struct StatementResult
{
    std::optional<Statement> statement;
    std::optional<StatementError> error;
    bool ok() const { return statement.has_value(); }
};

// The statement of interest to the day, from the month rates of `table` (in
// the category it was loaded with). A day takes the rate of its month's
// row; a day whose month has no row is an error naming the first such
// month: "Pas de taux pour juillet 2026 : mettez à jour le fichier des
// taux". Never assumes a rate.
StatementResult ComputeStatement(const RateTable &table, const StatementInput &input);

// The table checked and indexed by month once, for the many statements of
// a lot: checking 600 months costs far more than one statement.
class StatementRates
{
public:
    explicit StatementRates(const RateTable &table);
    // Why the table cannot be computed with (see RateTableFault).
    const std::optional<QString> &fault() const { return m_fault; }
    // The rate of the month numbered year * 12 + month - 1, if it has one.
    std::optional<double> rate(int monthKey) const;
    // The first day of the newest month with a rate; invalid for an empty table.
    QDate newestMonth() const;

private:
    std::optional<QString> m_fault;
    int m_first = 0;
    std::vector<std::optional<double>> m_rates;
};

// As above, on a table made ready beforehand; the same result.
StatementResult ComputeStatement(const StatementRates &rates, const StatementInput &input);

// "juillet 2026": a month as a sentence names it.
QString monthInWords(const QDate &date);

// "18/09/2015": a day as the statement writes it, whatever the locale.
QString formatDay(const QDate &date);

// An amount in euros as typed for a statement, to the cent: "2000",
// "2000.5", "2 000,50", "-12". One decimal mark, a full stop or a comma,
// with at most two decimals; spaces (plain, no-break, narrow) may group the
// digits. Anything else, or more than sixteen integer digits, gives
// nothing: an amount is never guessed.
std::optional<Cents> parseCents(QStringView text);
