#pragma once

#include "schedule/statement.h"

#include <QString>
#include <QStringView>

#include <optional>

// What a person types, read the same in the statement window and on the
// command line, and refused in the same words.

// A value as a message shows it: characters nobody can see named ("<BOM>",
// "<NUL>", "<U+200B>"), and cut after sixty characters with its length.
QString visibleValue(QStringView text);
// The same between French quotes, followed by what the names stand for.
QString quotedValue(QStringView text);

// The largest amount typed: thirteen digits of euros, what a saved
// statement holds.
constexpr Cents kLargestTypedCents = Q_INT64_C(999999999999999);

struct TypedAmount
{
    std::optional<Cents> cents;
    // When nothing was read, why, naming the value: "« 12,505 » a plus de
    // deux décimales ; attendu un montant au centime, comme 1500,50".
    QString error;
};

// "1500", "1500.50", "1500,50", "1 500,50", "1 500,50 €": an amount owed or
// paid, to the cent, never negative, at most kLargestTypedCents.
TypedAmount ReadTypedAmount(QStringView text);
