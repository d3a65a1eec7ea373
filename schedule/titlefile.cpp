#include "titlefile.h"

#include "output/safetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

using namespace savedfile;

namespace {

constexpr int kVersion = 3;

struct InterestName
{
    const char *text;
    ClaimInterest interest;
};
constexpr InterestName kInterests[] = {{"legal", ClaimInterest::Legal},
                                       {"fixe", ClaimInterest::Fixed},
                                       {"aucun", ClaimInterest::None},
                                       {"bce", ClaimInterest::EcbPenalties},
                                       {"commande-publique", ClaimInterest::EcbPublicBuyer}};

// The writer lays the keys out itself: QJsonObject would sort them, and a
// file read by people keeps the order a statement is read in.
QString json(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString member(const char *key, const QJsonValue &value)
{
    return json(QLatin1String(key)) + QStringLiteral(": ") + json(value);
}

QString objectLine(const QStringList &members)
{
    return u'{' + members.join(QStringLiteral(", ")) + u'}';
}

QString list(const QStringList &items)
{
    if (items.isEmpty())
        return QStringLiteral("[]");
    return QStringLiteral("[\n        ") + items.join(QStringLiteral(",\n        ")) +
           QStringLiteral("\n    ]");
}

QString coefficientText(double value)
{
    for (const Coefficient &c : kCoefficients) {
        if (c.value == value)
            return QLatin1String(c.text);
    }
    return QString::number(value);
}

QString claimLine(const Claim &claim)
{
    QString interest;
    for (const InterestName &name : kInterests) {
        if (name.interest == claim.interest)
            interest = QLatin1String(name.text);
    }
    const bool legal = claim.interest == ClaimInterest::Legal;
    const bool fixed = claim.interest == ClaimInterest::Fixed;
    const bool capitalised = claim.interest != ClaimInterest::None && claim.capitalise;
    QStringList members{member("libelle", WithoutBidiControls(claim.label)),
                        member("montant", DecimalCents(claim.amount)),
                        member("du", IsoDate(claim.from)),
                        member("interets", interest),
                        member("coefficient", legal ? QJsonValue(coefficientText(claim.coefficient))
                                                    : QJsonValue()),
                        member("majoree", legal && claim.majorated),
                        member("taux", fixed ? QJsonValue(claim.fixedRate) : QJsonValue()),
                        member("capitalisation_du",
                               capitalised ? IsoDate(claim.capitalisationFrom.value_or(claim.from))
                                           : QJsonValue())};
    // A claim on the ECB's rate alone has its margin and its indemnity: the
    // files of other claims keep their bytes.
    if (claim.interest == ClaimInterest::EcbPenalties)
        members << member("marge", claim.margin);
    if (claim.interest == ClaimInterest::EcbPenalties ||
        claim.interest == ClaimInterest::EcbPublicBuyer)
        members << member("indemnite", claim.recoveryIndemnity);
    return objectLine(members);
}

SavedFileRead failure(const QString &why)
{
    return {std::nullopt, std::nullopt,
            QStringLiteral("Ce fichier n'est pas un décompte enregistré lisible : %1.").arg(why)};
}

QString dateExpected(const QString &field)
{
    return QStringLiteral("« %1 » doit être une date au format AAAA-MM-JJ").arg(field);
}

bool absent(const QJsonValue &value)
{
    return value.isNull() || value.isUndefined();
}

// An optional date: absent or null when not used; false when malformed.
bool optionalDate(const QJsonValue &value, std::optional<QDate> *date)
{
    if (absent(value))
        return true;
    *date = DateFromIso(value.toString());
    return date->has_value();
}

// A label: text of at most kMaxLabelLength characters; empty when absent.
bool label(const QJsonValue &value, QString *text)
{
    if (absent(value))
        return true;
    if (!value.isString() || value.toString().size() > kMaxLabelLength)
        return false;
    *text = WithoutBidiControls(value.toString());
    return true;
}

const QString kAmountForm = QStringLiteral("doit être un montant comme \"2000.00\"");
const QString kLabelForm = QStringLiteral("doit être un texte d'au plus 200 caractères");

// What is wrong with the claim, or nothing.
std::optional<QString> readClaim(const QJsonObject &o, Claim *claim)
{
    if (!label(o.value(QStringLiteral("libelle")), &claim->label))
        return QStringLiteral("« libelle » ") + kLabelForm;
    const auto amount = CentsFromDecimal(o.value(QStringLiteral("montant")).toString());
    if (!amount)
        return QStringLiteral("« montant » ") + kAmountForm;
    claim->amount = *amount;
    const auto from = DateFromIso(o.value(QStringLiteral("du")).toString());
    if (!from)
        return dateExpected(QStringLiteral("du"));
    claim->from = *from;

    const QString interest = o.value(QStringLiteral("interets")).toString();
    bool known = false;
    for (const InterestName &name : kInterests) {
        if (interest == QLatin1String(name.text)) {
            claim->interest = name.interest;
            known = true;
        }
    }
    if (!known)
        return QStringLiteral("« interets » doit valoir \"legal\", \"fixe\", \"aucun\", "
                              "\"bce\" ou \"commande-publique\"");
    const bool penalties = claim->interest == ClaimInterest::EcbPenalties;
    const bool ecb = penalties || claim->interest == ClaimInterest::EcbPublicBuyer;
    const QJsonValue margin = o.value(QStringLiteral("marge"));
    if (penalties) {
        if (!margin.isString() || !parseFixedRate(margin.toString()))
            return QStringLiteral("« marge » doit être un nombre de points de plus de 0 à 100 avec "
                                  "au plus quatre décimales, comme \"10\"");
        claim->margin = margin.toString();
    } else if (!absent(margin)) {
        return QStringLiteral("« marge » ne vaut que pour des pénalités au taux de la BCE : "
                              "attendu null");
    }
    const QJsonValue indemnity = o.value(QStringLiteral("indemnite"));
    if (!indemnity.isBool() && !indemnity.isUndefined() && !indemnity.isNull())
        return QStringLiteral("« indemnite » doit valoir true ou false");
    claim->recoveryIndemnity = indemnity.toBool();
    if (claim->recoveryIndemnity && !ecb)
        return QStringLiteral("« indemnite » ne vaut que pour des pénalités ou des intérêts "
                              "moratoires : attendu false");
    const bool legal = claim->interest == ClaimInterest::Legal;

    const QJsonValue coefficient = o.value(QStringLiteral("coefficient"));
    known = false;
    for (const Coefficient &c : kCoefficients) {
        if (coefficient.toString() == QLatin1String(c.text)) {
            claim->coefficient = c.value;
            known = true;
        }
    }
    if (legal && !known)
        return QStringLiteral("« coefficient » doit valoir \"1\", \"1.5\", \"2\" ou \"3\"");
    if (!legal && !absent(coefficient))
        return QStringLiteral("« coefficient » ne vaut que pour le taux légal : attendu null");

    const QJsonValue majorated = o.value(QStringLiteral("majoree"));
    if (!majorated.isBool() && !majorated.isUndefined())
        return QStringLiteral("« majoree » doit valoir true ou false");
    claim->majorated = majorated.toBool();
    if (claim->majorated && !legal)
        return QStringLiteral("« majoree » ne vaut que pour le taux légal : attendu false");

    const QJsonValue rate = o.value(QStringLiteral("taux"));
    if (claim->interest == ClaimInterest::Fixed) {
        if (!rate.isString() || !parseFixedRate(rate.toString()))
            return QStringLiteral("« taux » doit être un taux de plus de 0 à 100 avec au plus "
                                  "quatre décimales, comme \"4,5\"");
        claim->fixedRate = rate.toString();
    } else if (!absent(rate)) {
        return QStringLiteral("« taux » ne vaut que pour un taux fixe : attendu null");
    }

    if (!optionalDate(o.value(QStringLiteral("capitalisation_du")), &claim->capitalisationFrom))
        return dateExpected(QStringLiteral("capitalisation_du")) + QStringLiteral(" ou null");
    claim->capitalise = claim->capitalisationFrom.has_value();
    if (claim->capitalise && claim->interest == ClaimInterest::None)
        return QStringLiteral("« capitalisation_du » ne vaut que pour une créance productive "
                              "d'intérêts : attendu null");
    return std::nullopt;
}

std::optional<QString> readCost(const QJsonObject &o, Cost *cost)
{
    const auto date = DateFromIso(o.value(QStringLiteral("date")).toString());
    if (!date)
        return dateExpected(QStringLiteral("date"));
    cost->date = *date;
    if (!label(o.value(QStringLiteral("libelle")), &cost->label))
        return QStringLiteral("« libelle » ") + kLabelForm;
    const auto amount = CentsFromDecimal(o.value(QStringLiteral("montant")).toString());
    if (!amount)
        return QStringLiteral("« montant » ") + kAmountForm;
    cost->amount = *amount;
    return std::nullopt;
}

std::optional<QString> readPayment(const QJsonObject &o, qsizetype claims, TitlePayment *payment)
{
    const auto date = DateFromIso(o.value(QStringLiteral("date")).toString());
    if (!date)
        return dateExpected(QStringLiteral("date"));
    payment->date = *date;
    const auto amount = CentsFromDecimal(o.value(QStringLiteral("montant")).toString());
    if (!amount)
        return QStringLiteral("« montant » ") + kAmountForm;
    payment->amount = *amount;
    const QJsonValue claim = o.value(QStringLiteral("creance"));
    if (absent(claim))
        return std::nullopt;
    const double number = claim.toDouble(-1);
    if (!claim.isDouble() || number != double(qint64(number)) || number < 1 || number > claims)
        return QStringLiteral("« creance » doit être le numéro d'une des %1 créances, ou null")
            .arg(claims);
    payment->claim = int(number) - 1;
    return std::nullopt;
}

// Reads the list under `key`, each item through `read`, naming the item
// ("créance n° 2 : …") when it is refused.
template <typename Item, typename Read>
std::optional<QString> readList(const QJsonObject &o, const char *key, const QString &item,
                                qsizetype min, qsizetype max, QList<Item> *items, Read read)
{
    const QJsonValue value = o.value(QLatin1String(key));
    if (!value.isArray() && !(value.isUndefined() && min == 0))
        return QStringLiteral("« %1 » doit être une liste").arg(QLatin1String(key));
    const QJsonArray array = value.toArray();
    if (array.size() < min || array.size() > max)
        return QStringLiteral("« %1 » doit compter de %2 à %3 éléments, pas %4")
            .arg(QLatin1String(key))
            .arg(min)
            .arg(max)
            .arg(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString prefix = QStringLiteral("%1 n° %2 : ").arg(item).arg(i + 1);
        if (!array.at(i).isObject())
            return prefix + QStringLiteral("attendu un objet JSON");
        Item parsed;
        if (const std::optional<QString> why = read(array.at(i).toObject(), &parsed))
            return prefix + *why;
        items->append(parsed);
    }
    return std::nullopt;
}

SavedFileRead readTitle(const QJsonObject &o)
{
    for (const char *key : {"categorie", "base", "au", "imputation", "provision", "creances"}) {
        if (o.value(QLatin1String(key)).isUndefined())
            return failure(QStringLiteral("le champ « %1 » manque").arg(QLatin1String(key)));
    }
    SavedTitle saved;
    TitleInput &in = saved.input;
    const QString category = o.value(QStringLiteral("categorie")).toString();
    if (category == QLatin1String("autres"))
        in.category = RateCategory::Autres;
    else if (category == QLatin1String("personnes_physiques"))
        in.category = RateCategory::PersonnesPhysiques;
    else
        return failure(QStringLiteral("« categorie » doit valoir « autres » ou "
                                      "« personnes_physiques »"));
    const QString base = o.value(QStringLiteral("base")).toString();
    if (base == QLatin1String("365"))
        in.dayBase = DayBase::Fixed365;
    else if (base == QLatin1String("reelle"))
        in.dayBase = DayBase::ActualYear;
    else
        return failure(QStringLiteral("« base » doit valoir \"365\" ou \"reelle\""));
    const auto to = DateFromIso(o.value(QStringLiteral("au")).toString());
    if (!to)
        return failure(dateExpected(QStringLiteral("au")));
    in.to = *to;

    std::optional<QDate> served;
    std::optional<QDate> first;
    if (!optionalDate(o.value(QStringLiteral("signifie_le")), &served))
        return failure(dateExpected(QStringLiteral("signifie_le")) + QStringLiteral(" ou null"));
    if (!optionalDate(o.value(QStringLiteral("majoration_du")), &first))
        return failure(dateExpected(QStringLiteral("majoration_du")) + QStringLiteral(" ou null"));
    if (served && first)
        return failure(QStringLiteral("« signifie_le » et « majoration_du » s'excluent : l'un "
                                      "des deux doit valoir null"));
    if (served)
        in.majoration = {TitleMajoration::Kind::ServedOn, *served};
    else if (first)
        in.majoration = {TitleMajoration::Kind::FirstDay, *first};

    const QString imputation = o.value(QStringLiteral("imputation")).toString();
    if (imputation == QLatin1String("frais-interets-capital"))
        in.imputation = Imputation::CostsInterestCapital;
    else if (imputation == QLatin1String("capital-d-abord"))
        in.imputation = Imputation::CapitalFirst;
    else
        return failure(QStringLiteral("« imputation » doit valoir \"frais-interets-capital\" ou "
                                      "\"capital-d-abord\""));
    const QJsonValue provision = o.value(QStringLiteral("provision"));
    if (!provision.isBool())
        return failure(QStringLiteral("« provision » doit valoir true ou false"));
    in.provision = provision.toBool();

    if (auto why = readList(o, "creances", QStringLiteral("créance"), 1, kMaxClaims, &in.claims,
                            readClaim))
        return failure(*why);
    if (auto why = readList(o, "frais", QStringLiteral("frais"), 0, kMaxCosts, &in.costs, readCost))
        return failure(*why);
    const qsizetype claims = in.claims.size();
    if (auto why = readList(o, "acomptes", QStringLiteral("acompte"), 0, kMaxSavedPayments,
                            &in.payments, [claims](const QJsonObject &p, TitlePayment *payment) {
                                return readPayment(p, claims, payment);
                            }))
        return failure(*why);

    for (const CaseKey &c : kCaseKeys) {
        const QJsonValue value = o.value(QLatin1String(c.key));
        if (absent(value))
            continue;
        if (!value.isString())
            return failure(
                QStringLiteral("« %1 » doit être un texte ou null").arg(QLatin1String(c.key)));
        saved.caseFields.*c.field = WithoutBidiControls(value.toString());
    }
    return {std::nullopt, saved, QString()};
}

} // namespace

QByteArray SavedTitleJson(const SavedTitle &saved)
{
    const TitleInput &in = saved.input;
    const TitleMajoration &m = in.majoration;
    const auto majorationDate = [&](TitleMajoration::Kind kind) {
        return m.kind == kind ? IsoDate(m.date) : QJsonValue();
    };
    QStringList claims;
    for (const Claim &claim : in.claims)
        claims.append(claimLine(claim));
    QStringList costs;
    for (const Cost &cost : in.costs)
        costs.append(objectLine({member("date", IsoDate(cost.date)),
                                 member("libelle", WithoutBidiControls(cost.label)),
                                 member("montant", DecimalCents(cost.amount))}));
    QStringList payments;
    for (const TitlePayment &p : in.payments)
        payments.append(
            objectLine({member("date", IsoDate(p.date)), member("montant", DecimalCents(p.amount)),
                        member("creance", p.claim >= 0 ? QJsonValue(p.claim + 1) : QJsonValue())}));

    QStringList members = {
        member("format", kFormat),
        member("version", kVersion),
        member("categorie", in.category == RateCategory::PersonnesPhysiques
                                ? QStringLiteral("personnes_physiques")
                                : QStringLiteral("autres")),
        member("base", in.dayBase == DayBase::ActualYear ? QStringLiteral("reelle")
                                                         : QStringLiteral("365")),
        member("au", IsoDate(in.to)),
        member("signifie_le", majorationDate(TitleMajoration::Kind::ServedOn)),
        member("majoration_du", majorationDate(TitleMajoration::Kind::FirstDay)),
        member("imputation", in.imputation == Imputation::CapitalFirst
                                 ? QStringLiteral("capital-d-abord")
                                 : QStringLiteral("frais-interets-capital")),
        member("provision", in.provision),
        json(QStringLiteral("creances")) + QStringLiteral(": ") + list(claims),
        json(QStringLiteral("frais")) + QStringLiteral(": ") + list(costs),
        json(QStringLiteral("acomptes")) + QStringLiteral(": ") + list(payments),
    };
    for (const CaseKey &c : kCaseKeys) {
        // A direction override would make the file read otherwise than what
        // it holds.
        const QString text = WithoutBidiControls(saved.caseFields.*c.field);
        members.append(member(c.key, text.isEmpty() ? QJsonValue() : QJsonValue(text)));
    }
    return (QStringLiteral("{\n    ") + members.join(QStringLiteral(",\n    ")) +
            QStringLiteral("\n}\n"))
        .toUtf8();
}

SavedFileRead ReadSavedFile(const QByteArray &bytes)
{
    // Whatever is not a version 3 file is refused, or read, exactly as
    // before, with the same words.
    if (bytes.size() <= kMaxSavedStatementBytes) {
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        const QJsonObject o = document.object();
        const QJsonValue version = o.value(QStringLiteral("version"));
        if (document.isObject() && o.value(QStringLiteral("format")).toString() == kFormat) {
            const double number = version.toDouble(-1);
            if (version.isDouble() && number == kVersion)
                return readTitle(o);
            if (version.isDouble() && number > kVersion)
                return failure(QStringLiteral("il vient d'une version plus récente du programme"));
            if (!version.isDouble() || (number != 1 && number != 2))
                return failure(QStringLiteral("« version » doit valoir 1, 2 ou 3"));
        }
    }
    const SavedStatementRead read = ReadSavedStatement(bytes);
    return {read.saved, std::nullopt, read.error};
}

SavedTitle TitleOfStatement(const SavedStatement &saved)
{
    const StatementInput &s = saved.input;
    SavedTitle title;
    title.caseFields = saved.caseFields;
    TitleInput &in = title.input;
    in.category = saved.category;
    in.dayBase = s.dayBase;
    in.to = s.to;
    Claim claim;
    claim.label = QStringLiteral("Principal");
    claim.amount = s.principal;
    claim.from = s.from;
    claim.interest = ClaimInterest::Legal;
    claim.coefficient = s.coefficient;
    claim.capitalise = s.capitalise;
    claim.capitalisationFrom = s.capitalisationFrom;
    if (s.majorationFrom) {
        // The claim is majorated from the later of this day and its first.
        in.majoration = {TitleMajoration::Kind::FirstDay, *s.majorationFrom};
        claim.majorated = true;
    }
    in.claims.append(claim);
    for (const Payment &p : s.payments)
        in.payments.append({p.date, p.amount, -1});
    return title;
}
