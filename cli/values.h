#pragma once

#include "rates/ratetable.h"
#include "schedule/statement.h"
#include "schedule/typedinput.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

// The values typed on the command line and in a batch file, each read into
// what the computations take or refused with a French sentence saying what
// was expected. Nothing here guesses: a value that does not read exactly is
// an error.
template <typename T> struct Read
{
    std::optional<T> value;
    QString error; // "« 12,505 » a plus de deux décimales ; ..." when value is empty

    static Read ok(T v) { return {std::move(v), {}}; }
    static Read fail(QString why) { return {std::nullopt, std::move(why)}; }
};

// The amount reader the statement window shares (ReadTypedAmount), in the
// form of the others.
Read<Cents> readAmount(QStringView text);

// The cents as the leading-number rule of the window reads them back
// ("1500.5"), for an amount typed into the schedule.
QString amountForSchedule(Cents cents);

// A day as the window's start date field reads it, in French whatever the
// terminal's language: 15/03/2015, 15 mars 2015, 2015-03-15. A time of day
// is kept for the schedule, which starts from an instant.
Read<QDateTime> readInstant(QStringView text);
Read<QDate> readDay(QStringView text);

// A month: 03/2015, 3/2015, 2015-03, mars 2015.
Read<QDate> readMonth(QStringView text);

// "1", "1,5", "1.5", "2", "3": the index of the window's coefficient
// buttons, 0 to 3.
Read<int> readCoefficientIndex(QStringView text);
double coefficientOfIndex(int index);

// "autres", "particulier" (or "personnes-physiques", or the JSON outputs'
// "personnes_physiques").
Read<RateCategory> readCategory(QStringView text);
// As the JSON outputs write it: "autres" or "personnes_physiques".
QString categoryName(RateCategory category);

// "365" or "annee" ("année").
Read<DayBase> readDayBase(QStringView text);

// "1" to "12".
Read<int> readCapitalMonth(QStringView text);

// "15/01/2016=500": a payment's day and amount.
Read<Payment> readPayment(QStringView text);

// An amount in exact cents with a full stop, as the JSON outputs write
// them: "2089.01", "-0.50".
QString centsJson(Cents cents);

// An amount with the decimal mark given and no grouping: "2089,01".
QString centsPlain(Cents cents, const QString &decimalMark);

enum class OutputFormat { Text, Tsv, Csv, Json, Pdf };

// "texte", "tsv", "csv", "json", "pdf".
Read<OutputFormat> readFormat(QStringView text);
