#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// The rate of the European Central Bank's main refinancing operations, by
// date of effect, as the program's file "TAUXBCE.TXT" keeps it: one change a
// line, "2025-06-11<TAB>2.15", oldest first; "#" lines are comments; one
// line "confirme-jusqu-au<TAB>2026-01-01" names the day up to which the
// table is known to be complete (the ECB lists changes only, so an old
// table may still be current).

constexpr qint64 kMaxEcbFileBytes = 1024 * 1024;
constexpr int kMaxEcbLines = 1000;

// Late-payment interest between businesses follows the half-year rule from
// this day on (a rate fixed on 1 January and on 1 July).
inline const QDate kEcbHalfYearRuleFrom(2013, 1, 1);

struct EcbChange
{
    QDate from;         // date of effect
    qint32 thousandths; // the rate in thousandths of a percent: 2.15 is 2150
};

struct EcbTable
{
    QList<EcbChange> changes; // oldest first
    QDate confirmedUntil;

    // The rate in force on `day`, in thousandths of a percent: none before
    // the first change or after the day the table is confirmed to.
    std::optional<qint32> rateOn(const QDate &day) const;
    // The rate in force on the first day of `day`'s half-year (1 January or
    // 1 July), as late-payment penalties take it.
    std::optional<qint32> halfYearRate(const QDate &day) const;
};

// The first day of the half-year `day` falls in.
QDate HalfYearStart(const QDate &day);

struct EcbRead
{
    std::optional<EcbTable> table;
    QString error; // in French, naming the line, when nothing was read
};

// Every line is checked: a date out of order, twice or unreadable, a rate
// outside -1 to 20 %, more than kMaxEcbLines lines, no "confirme-jusqu-au"
// line or one before the newest change: refused, naming the line.
EcbRead ParseEcbTable(const QByteArray &bytes);

// The file at `path`, a regular file of at most kMaxEcbFileBytes.
EcbRead ReadEcbTableFile(const QString &path);

// "2,15" for 2150 in French: at least two decimals, as the rates are shown.
QString EcbRateText(qint32 thousandths, const QLocale &locale);
