#pragma once

// What the statement's exports share: how numbers, dates and rows are
// written in each format. Not for use outside output/.

#include "output/statementexport.h"
#include "rates/ratetable.h"
#include "schedule/casefields.h"
#include "schedule/formats.h"
#include "schedule/statement.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace exportparts {

using Row = QStringList;

// Cents as "-2 089,01" (grouped) or "-2089,01"; the sign and the decimal
// mark are given so that a file format can fix them whatever the locale.
QString centsText(Cents cents, const QString &minus, const QString &decimal, bool grouped);

QString categoryText(RateCategory category);

// How one output writes numbers: the text table, the window and the
// print-out group digits, end amounts of the inputs and totals with "€"
// and give every rate two decimals; a spreadsheet wants them bare.
struct NumberForm
{
    QLocale locale;
    bool forReading = true;

    QString cents(Cents value) const
    {
        return centsText(value, locale.negativeSign(), locale.decimalPoint(), forReading);
    }
    QString euros(Cents value) const
    {
        return forReading ? cents(value) + QStringLiteral(" €") : cents(value);
    }
    QString rate(double value) const
    {
        return forReading ? formatRate(value, locale) : formatGeneral(value, locale);
    }
    QString number(double value) const { return formatGeneral(value, locale); }
};

// "premier semestre 2026"; "aucun" for an invalid month.
QString halfYearText(const QDate &month);

// The case fields as label and value, each one safe line; the empty ones
// too when `evenEmpty`.
QList<Row> caseRows(const CaseFields &fields, bool evenEmpty);

// A CSV field, quoted when it holds a separator, a quote or a line end.
QString csvField(const QString &field);

// Label and value pairs, the values in one column.
QString alignedPairs(const QList<Row> &rows);

// Rows in aligned columns, right-aligned where asked; a row of one field is
// a sentence across the columns.
QString alignedTable(const QList<Row> &rows, const QList<bool> &rightAligned);

// JSON values: exact cents "2089.01", ISO dates or null, rates with the
// digits they were given, objects on one line, lists one item a line.
QString jsonCents(Cents cents);
QString jsonDate(const std::optional<QDate> &date);
QString jsonRate(double rate);
QString jsonObject(const QList<std::pair<const char *, QString>> &members);
QString jsonList(const QStringList &items, const QString &indent);
// A statement line as one object: "interets", "acompte" or "capitalisation".
QString jsonLine(const StatementLine &line);

} // namespace exportparts
