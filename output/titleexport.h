#pragma once

#include "rates/ratetable.h"
#include "schedule/casefields.h"
#include "schedule/title.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// A computed title (several claims, costs, payments) with what its exports
// say about where it comes from, as StatementDocument is for one capital.
struct TitleDocument
{
    TitleInput input;
    TitleStatement statement;
    QString ratesPath; // the rates file the table was read from
    QDate newestMonth; // first day of the newest month of that file; invalid when empty
    // The day the ECB's table is confirmed to, when a claim bears its rate;
    // invalid otherwise.
    QDate ecbConfirmedUntil;
    QDate madeOn; // the date the statement is made on, given by the caller
    CaseFields caseFields;
    QString ratesNote; // the note the rates file's last update left
};

TitleDocument MakeTitleDocument(const RateTable &table, const TitleInput &input,
                                const TitleStatement &statement, const QDate &madeOn,
                                const CaseFields &caseFields = {});

// "signifié le 15/03/2024 : majoration à compter du 16/05/2024", "à compter
// du 16/05/2024", or "non": the title's five points and how they were found.
QString TitleMajorationText(const TitleInput &input, const TitleStatement &statement);

// "taux légal x 1,5, majoré de cinq points à compter du 16/05/2024,
// capitalisés chaque année à compter du 01/01/2024", "taux fixe de 4,5 %
// l'an", "sans intérêts": how one claim bears interest.
QString ClaimInterestText(const Claim &claim, const ClaimStatement &statement,
                          const QLocale &locale);

// Where every cent of a payment went: "Acompte du 01/06/2024 : 500,00 €
// (120,00 sur les frais n° 1 « Dépens », 30,00 sur les intérêts de la
// créance n° 1 « Principal », …)".
QString PaymentApplicationText(const TitleDocument &document, const PaymentApplication &applied,
                               const QLocale &locale);

// One part of the document as every layout shows it: a heading (empty for
// the opening and closing parts), label and value pairs, then a table whose
// first row is its heading. A table row of one field is a sentence across
// the table (a payment, a capitalisation, the provision's period).
struct TitleSection
{
    QString heading;
    QList<QStringList> pairs;
    QList<QStringList> table;
    QList<bool> right; // which columns line up on the right
};

// The document's parts in reading order, amounts grouped and in euros, for
// the window and the print-out: the case fields and the title's terms; a
// section a claim; the costs; the payments; the summary by claim; the
// totals owed (the last pairs); the rates' source.
QList<TitleSection> TitleSections(const TitleDocument &document, const QLocale &locale);

// For a terminal: the title, its case fields, then a section a claim with
// its lines, the costs, the payments, the summary and the rates' source.
// Lines end with "\n".
QString TitleTextTable(const TitleDocument &document, const QLocale &locale);

// The same sections as French spreadsheets read a CSV file: ";" between
// fields, the decimal comma, no digit grouping, UTF-8 with a BOM, CR LF.
QByteArray TitleCsv(const TitleDocument &document);

// The same sections for pasting into any spreadsheet: a TAB between fields,
// the locale's decimal mark, no digit grouping, UTF-8, CR LF.
QByteArray TitleTsv(const TitleDocument &document, const QLocale &locale);

// For other programs, as the one-capital statement's JSON: the inputs under
// "entree", then "creances", "frais", "acomptes", the totals, "provision",
// "imputation" and the rates' source. Amounts in exact cents, ISO dates.
QByteArray TitleJson(const TitleDocument &document);
