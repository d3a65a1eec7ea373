#pragma once

#include "rates/ecbtable.h"
#include "rates/ratetable.h"
#include "statement.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The statement of one title (a judgment or a deed): several claims, each
// with its own interest, the costs of enforcement, and the payments applied
// to them in a stated order.

constexpr int kMaxClaims = 50;
constexpr int kMaxCosts = 200;
constexpr int kMaxLabelLength = 200;

enum class ClaimInterest {
    Legal, // the legal rate of the statement's category
    Fixed, // a rate stipulated by the parties, as typed
    None,
    // "Pénalités de retard (BCE + 10 points)": each half-year the ECB rate in
    // force on 1 January or 1 July, plus the margin; from 1 January 2013.
    EcbPenalties,
    // "Intérêts moratoires (commande publique, BCE + 8 points)": the ECB
    // rate in force on the first day of the half-year interest began to
    // run in, plus 8 points, for the whole claim.
    EcbPublicBuyer,
};

// What a tick adds to a claim between businesses or from a public buyer:
// one flat indemnity an invoice, dated the claim's first day.
constexpr Cents kRecoveryIndemnity = 4000;
inline const QString kRecoveryIndemnityLabel =
    QStringLiteral("Indemnité forfaitaire pour frais de recouvrement");

struct Claim
{
    QString label; // "Principal", "Article 700 du code de procédure civile"…
    Cents amount = 0;
    QDate from; // "dû à compter du": owed, and bearing interest, from this day
    ClaimInterest interest = ClaimInterest::Legal;
    double coefficient = 1.0; // legal rate only: 1, 1.5, 2 or 3
    bool majorated = false;   // legal rate only: the title's five points apply
    QString fixedRate;        // fixed rate only, as typed: "4,5", "12.125"
    // Yearly capitalisation (legal or fixed rate), on each anniversary of
    // capitalisationFrom (from when it is not set).
    bool capitalise = false;
    std::optional<QDate> capitalisationFrom;
    // Late-payment penalties only: the points above the ECB rate, as typed
    // (a contract may stipulate more than ten).
    QString margin = QStringLiteral("10");
    // Penalties or a public buyer's interest: the 40 € indemnity is owed.
    bool recoveryIndemnity = false;
};

// Costs of enforcement: owed from their date, bearing no interest.
struct Cost
{
    QDate date;
    QString label;
    Cents amount = 0;
};

struct TitlePayment
{
    QDate date;
    Cents amount = 0;
    int claim = -1; // index of the claim it names, which it goes to first; -1 for none
};

// "Imputation des acomptes".
enum class Imputation {
    CostsInterestCapital, // "Frais, puis intérêts, puis capital"
    CapitalFirst,         // "Capital d'abord (décision du juge)"
};

// "Frais, puis intérêts, puis capital": the order as the document names it.
QString imputationInWords(Imputation imputation);

// Where the title's five points start.
struct TitleMajoration
{
    enum class Kind {
        None,
        ServedOn, // date: when the decision was served ("Signifié le")
        FirstDay, // date: the first majorated day, typed
    };
    Kind kind = Kind::None;
    QDate date;
};

struct TitleInput
{
    QList<Claim> claims; // in the order payments reach them
    QList<Cost> costs;
    QList<TitlePayment> payments; // in any order; those of one day in the order given
    TitleMajoration majoration;
    Imputation imputation = Imputation::CostsInterestCapital;
    bool provision = false; // "Provision d'un mois d'intérêts"
    // The category the rates handed to ComputeTitle were read in.
    RateCategory category = RateCategory::Autres;
    DayBase dayBase = DayBase::Fixed365;
    QDate to; // "Jusqu'au (non compris)"
};

// The first majorated day after a decision served on `served`: the two
// months' delay ends on the day of the second month with the same number,
// or that month's last day; the five points run from the next day.
QDate MajorationAfterService(const QDate &served);

// A fixed rate as typed, in ten-thousandths of a percent: "4,5" gives
// 45000. More than 0, at most 100, at most four decimals, a decimal comma
// or full stop; anything else gives nothing.
std::optional<qint64> parseFixedRate(QStringView text);

// Part of a payment, or of the credit, and what it went to.
struct Allocation
{
    enum class To { Cost, Interest, Capital, Credit };
    To to = To::Credit;
    int index = -1; // the cost's or the claim's; -1 for the credit
    Cents amount = 0;
};

struct PaymentApplication
{
    QDate date;
    // Index in TitleInput::payments; -1 when the debtor's credit is applied
    // to what fell due that day.
    int payment = -1;
    Cents amount = 0;
    QList<Allocation> allocations; // in the order applied, each of at least a cent
    Cents onCosts = 0;
    Cents onInterest = 0;
    Cents onCapital = 0;
    Cents toCredit = 0;
};

// The ECB rate a claim took for a half-year (or, from a public buyer, for
// the whole claim), in thousandths of a percent.
struct EcbBasis
{
    QDate halfYear; // its first day
    qint32 rate = 0;
};

struct ClaimStatement
{
    QList<StatementLine> lines; // its interest and capitalisation lines
    QList<EcbBasis> ecbBases;   // the ECB rates it bore, oldest first
    QDate majorationFrom;       // its first majorated day; invalid when not majorated
    Cents principal = 0;
    Cents accrued = 0;     // every interest line added up
    Cents capitalised = 0; // interest added to the capital on anniversaries
    Cents paidInterest = 0;
    Cents paidCapital = 0;
    Cents capital = 0;  // owed at the end date: principal + capitalised - paidCapital
    Cents interest = 0; // unpaid at the end date: accrued - capitalised - paidInterest
    Cents provision = 0;
};

struct TitleStatement
{
    QList<ClaimStatement> claims;       // as TitleInput::claims
    QList<Cents> costPaid;              // what each cost was paid, as TitleInput::costs
    QList<PaymentApplication> payments; // in the order applied
    QDate majorationFrom; // the title's first majorated day, derived or typed; invalid for none
    Cents principal = 0;  // the claims' amounts added up
    Cents accrued = 0;
    Cents costsAmount = 0; // every cost
    Cents costsPaid = 0;
    Cents paid = 0; // every payment
    // Owed at the end date, as the deed states it.
    Cents capital = 0;
    Cents costs = 0;
    Cents interest = 0;
    Cents credit = 0; // paid beyond everything owed
    Cents total() const { return capital + costs + interest - credit; }
    // A month's interest on the capitals owed, from the end date to the same
    // day of the next month (or its last day), when asked for.
    Cents provision = 0;
    QDate provisionUntil; // the same day of the next month (or its last day), not counted
    // Valid when a month past the rates file took its newest month's rate:
    // that month, for "au dernier taux connu, <mois année>".
    QDate provisionRateMonth;
    Cents totalWithProvision() const { return total() + provision; }
};

// Which input an error is about, with TitleError::index naming the claim,
// cost or payment.
enum class TitleField {
    Rates,
    To,
    Majoration, // the service date or the first majorated day
    Claims,     // how many
    ClaimLabel,
    ClaimAmount,
    ClaimFrom,
    ClaimCoefficient,
    ClaimMajorated,
    ClaimFixedRate,
    ClaimCapitalisationFrom,
    ClaimMargin,
    Costs, // how many
    CostDate,
    CostLabel,
    CostAmount,
    PaymentDate,
    PaymentAmount,
    PaymentClaim,
};

struct TitleError
{
    TitleField field = TitleField::Rates;
    int index = -1;       // in TitleInput's claims, costs or payments, as the field says
    QString message;      // in French, ready to show: "Créance n° 2 : …"
    QString reason;       // the message without what it names
    QDate missingMonth;   // for a missing rate: the first month without one
    bool ecbRate = false; // the missing rate is the ECB table's, its half-year's first day
};

struct TitleResult
{
    std::optional<TitleStatement> statement;
    std::optional<TitleError> error;
    bool ok() const { return statement.has_value(); }
};

// The title with the indemnities its ticked claims add, after the costs
// typed, in the claims' order: what ComputeTitle and the documents take.
TitleInput WithRecoveryIndemnities(const TitleInput &input);

// Each claim accrues as ComputeStatement computes one capital: a title of
// one legal-rate claim, no costs and payments that name nothing gives that
// statement's figures. A claim on the ECB's rate needs `ecb`.
TitleResult ComputeTitle(const StatementRates &rates, const TitleInput &input,
                         const EcbTable *ecb = nullptr);
TitleResult ComputeTitle(const RateTable &table, const TitleInput &input,
                         const EcbTable *ecb = nullptr);
