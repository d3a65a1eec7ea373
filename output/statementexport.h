#pragma once

#include "rates/ratetable.h"
#include "schedule/casefields.h"
#include "schedule/statement.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class TauxState;

// A computed statement with what its print-out and exports say about where
// it comes from. The command line and the statement window build one and
// hand it to the functions below, so both give the same bytes.
struct StatementDocument
{
    StatementInput input;
    Statement statement;
    RateCategory category = RateCategory::Autres;
    QString ratesPath;     // the rates file the table was read from
    QDate newestMonth;     // first day of the newest month of that file; invalid when empty
    QDate madeOn;          // the date the statement is made on, given by the caller
    CaseFields caseFields; // who and what the statement is for, as typed
    // Where the rates come from in the rates file's own words (the note its
    // last update left), empty when it has none.
    QString ratesNote;
};

// Fills ratesPath and newestMonth from the table.
StatementDocument MakeStatementDocument(const RateTable &table, RateCategory category,
                                        const StatementInput &input, const Statement &statement,
                                        const QDate &madeOn, const CaseFields &caseFields = {});

// "2 089,01": cents with a space between groups of three digits and the
// locale's decimal mark, for the terminal, the window and the print-out.
QString formatCents(Cents cents, const QLocale &locale);

// "15,40", "5,475": an annual rate in percent with at least two decimals
// and every further one it has, as a statement prints it.
QString formatRate(double rate, const QLocale &locale);

// The pieces every layout shares, as label and value, amounts grouped and
// in euros ("2 000,00 €"): the case fields given (on one line each), the
// inputs, the totals (the last one "Total dû", or "Crédit du débiteur"
// when more was paid than owed, never a negative total), where the rates
// come from and the date of the statement; and the sentence that stands
// for a payment or a capitalisation in a table of interest lines.
QList<QStringList> StatementCaseRows(const StatementDocument &document);
QList<QStringList> StatementInputRows(const StatementDocument &document, const QLocale &locale);
QList<QStringList> StatementTotalRows(const Statement &statement, const QLocale &locale);
QList<QStringList> StatementSourceRows(const StatementDocument &document);
QString StatementSentence(const PaymentLine &line, const QLocale &locale);
QString StatementSentence(const CapitalisationLine &line, const QLocale &locale);

// For a terminal: the inputs, the lines in aligned columns, the totals and
// the rates' source. Lines end with "\n".
QString StatementTextTable(const StatementDocument &document, const QLocale &locale);

// For a spreadsheet, as the window copies it: the inputs, a heading and one
// row per line, the totals; TAB between fields, CR LF after each line, the
// locale's decimal mark, no digit grouping, UTF-8.
QByteArray StatementTsv(const StatementDocument &document, const QLocale &locale);

// The same rows as French spreadsheets read a CSV file: ";" between fields,
// the decimal comma, fields quoted when needed, UTF-8 with a BOM, CR LF.
QByteArray StatementCsv(const StatementDocument &document);

// For other programs: numbers as plain decimal strings with a full stop,
// amounts in exact cents ("2089.01"), dates in ISO 8601, UTF-8, "\n".
QByteArray StatementJson(const StatementDocument &document);

// A spreadsheet runs a field that starts like a formula, even after
// spaces: a field typed freely (a case field, a reference) is given a
// leading apostrophe then, so that it reads as text.
QString defused(const QString &field);

// A JSON string literal, quotes included: quotes, backslashes and control
// characters escaped, everything else as it is.
QString jsonString(const QString &text);

// The month schedule, rows 0 to the start row in the clipboard's order:
// {"lignes": [{"mois": "2015-06", "libelle": "Juin 2015", "taux": "0.93",
// "somme": "10093.0083333333"}]}, the sum unrounded (the shortest decimal
// that reads back as the same number), null for an empty cell.
QByteArray ScheduleJson(const TauxState &state);

// The month schedule for a terminal: month, rate and sum in aligned columns.
QString ScheduleTextTable(const TauxState &state, const QLocale &locale);
