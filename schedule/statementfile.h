#pragma once

#include "rates/ratetable.h"
#include "schedule/casefields.h"
#include "schedule/statement.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// The inputs of a statement as the window saves them, so that a statement
// can be brought up to date months later. A small JSON object:
// {"format": "taux-legal-decompte", "version": 2, "categorie": "autres",
//  "capital": "2000.00", "du": "2015-09-18", "au": "2016-04-10",
//  "coefficient": "1", "majoration_du": "2015-11-18" or null,
//  "capitalisation_du": "2015-09-18" or null, "base": "365" or "reelle",
//  "acomptes": [{"date": "2016-01-15", "montant": "500.00"}],
//  "creancier", "debiteur", "reference", "titre_executoire": text or null}
// Version 1 files, without the four case fields, still open.
struct SavedStatement
{
    StatementInput input;
    RateCategory category = RateCategory::Autres;
    CaseFields caseFields;
};

QByteArray SavedStatementJson(const SavedStatement &saved);

struct SavedStatementRead
{
    std::optional<SavedStatement> saved;
    QString error; // in French, ready to show, when nothing was read
};

// Every field is checked: a file from elsewhere, cut or edited by hand
// gives an error naming the field, never a half-read statement.
SavedStatementRead ReadSavedStatement(const QByteArray &bytes);

// Larger files are refused before they are read.
constexpr qint64 kMaxSavedStatementBytes = 1024 * 1024;
constexpr int kMaxSavedPayments = 10000;

// The forms every saved file writes and reads: amounts as exact decimal
// strings ("2000.50"), dates as AAAA-MM-JJ, null for no date.
namespace savedfile {
inline const QString kFormat = QStringLiteral("taux-legal-decompte");

// The case fields, in the order every version lists them.
struct CaseKey
{
    const char *key;
    QString CaseFields::*field;
};
inline constexpr CaseKey kCaseKeys[] = {{"creancier", &CaseFields::creancier},
                                        {"debiteur", &CaseFields::debiteur},
                                        {"reference", &CaseFields::reference},
                                        {"titre_executoire", &CaseFields::titre}};

// The coefficients a legal rate takes, as the files write them.
struct Coefficient
{
    const char *text;
    double value;
};
inline constexpr Coefficient kCoefficients[] = {{"1", 1.0}, {"1.5", 1.5}, {"2", 2.0}, {"3", 3.0}};

QString DecimalCents(Cents cents);
std::optional<Cents> CentsFromDecimal(const QString &text);
QJsonValue IsoDate(const std::optional<QDate> &date);
std::optional<QDate> DateFromIso(const QString &text);
} // namespace savedfile
