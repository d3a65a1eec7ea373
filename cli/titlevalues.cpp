#include "titlevalues.h"

#include "schedule/typedinput.h"

namespace {

Read<Claim> claimFail(const QString &why)
{
    return Read<Claim>::fail(why);
}

// "x1", "x1,5", "x2", "x3".
std::optional<double> coefficientWord(QStringView word)
{
    if (!word.startsWith(u'x') && !word.startsWith(u'X'))
        return std::nullopt;
    const Read<int> index = readCoefficientIndex(word.mid(1));
    if (!index.value)
        return std::nullopt;
    return coefficientOfIndex(*index.value);
}

// "bce" or "bce+MARGE" into `claim`; false when the margin does not read.
bool readEcbPenalties(QStringView word, Claim *claim)
{
    // Penalties between businesses: ten points unless a contract
    // stipulates more; no compounding unless asked.
    claim->interest = ClaimInterest::EcbPenalties;
    claim->capitalise = false;
    if (word == u"bce")
        return true;
    claim->margin = word.mid(4).toString();
    return parseFixedRate(claim->margin).has_value();
}

QString marginFailure(QStringView margin)
{
    return quotedValue(margin) + QStringLiteral(" n'est pas une marge ; attendu plus de 0 et au "
                                                "plus 100 points, quatre décimales au plus, "
                                                "comme bce+12,5");
}

} // namespace

Read<Claim> readRateBasis(QStringView text)
{
    const QString word = text.trimmed().toString().toLower();
    Claim claim;
    claim.capitalise = true;
    if (word == u"legal" || word == u"légal")
        return Read<Claim>::ok(claim);
    if (word == u"commande-publique") {
        claim.interest = ClaimInterest::EcbPublicBuyer;
        claim.capitalise = false;
        return Read<Claim>::ok(claim);
    }
    if (word == u"bce" || word.startsWith(u"bce+")) {
        if (!readEcbPenalties(word, &claim))
            return claimFail(marginFailure(text.trimmed().mid(4)));
        return Read<Claim>::ok(claim);
    }
    QStringView rate(word);
    if (rate.endsWith(u'%'))
        rate = rate.chopped(1).trimmed();
    if (!parseFixedRate(rate))
        return claimFail(quotedValue(text) +
                         QStringLiteral(" : attendu legal, bce+10, bce+MARGE, commande-publique ou "
                                        "un taux fixe en pour cent, comme 4,5"));
    claim.interest = ClaimInterest::Fixed;
    claim.fixedRate = rate.toString();
    return Read<Claim>::ok(claim);
}

Read<Claim> readClaim(QStringView text)
{
    const QList<QStringView> fields = text.split(u';');
    if (fields.size() < 3 || fields.size() > 4)
        return claimFail(quotedValue(text) +
                         QStringLiteral(" n'est pas une créance ; attendu LIBELLE;MONTANT;DATE"
                                        "[;INTÉRÊTS], comme \"Principal;10000;15/03/2024;legal "
                                        "+5\""));
    Claim claim;
    claim.label = fields.at(0).trimmed().toString();
    if (claim.label.size() > kMaxLabelLength)
        return claimFail(
            QStringLiteral("le libellé de la créance dépasse %1 caractères").arg(kMaxLabelLength));
    const Read<Cents> amount = readAmount(fields.at(1));
    if (!amount.value)
        return claimFail(amount.error);
    claim.amount = *amount.value;
    const Read<QDate> from = readDay(fields.at(2));
    if (!from.value)
        return claimFail(from.error);
    claim.from = *from.value;
    claim.capitalise = true;

    const QList<QStringView> words =
        fields.size() == 4 ? fields.at(3).split(u' ', Qt::SkipEmptyParts) : QList<QStringView>();
    for (int i = 0; i < words.size(); ++i) {
        const QStringView word = words.at(i);
        if (i == 0 && word == u"legal") {
            claim.interest = ClaimInterest::Legal;
        } else if (i == 0 && word == u"aucun") {
            claim.interest = ClaimInterest::None;
            claim.capitalise = false;
        } else if (i == 0 && (word == u"bce" || word.startsWith(u"bce+"))) {
            if (!readEcbPenalties(word, &claim))
                return claimFail(marginFailure(word.mid(4)));
        } else if (i == 0 && word == u"commande-publique") {
            claim.interest = ClaimInterest::EcbPublicBuyer;
            claim.capitalise = false;
        } else if (word == u"indemnite" && (claim.interest == ClaimInterest::EcbPenalties ||
                                            claim.interest == ClaimInterest::EcbPublicBuyer)) {
            claim.recoveryIndemnity = true;
        } else if (i == 0 && word.startsWith(u"fixe:")) {
            claim.interest = ClaimInterest::Fixed;
            claim.fixedRate = word.mid(5).toString();
            if (!parseFixedRate(claim.fixedRate))
                return claimFail(quotedValue(word.mid(5)) +
                                 QStringLiteral(" n'est pas un taux fixe ; attendu plus de 0 et "
                                                "au plus 100, quatre décimales au plus, comme "
                                                "4,5"));
        } else if (const auto coefficient = coefficientWord(word);
                   coefficient && claim.interest == ClaimInterest::Legal) {
            claim.coefficient = *coefficient;
        } else if (word == u"+5" && claim.interest == ClaimInterest::Legal) {
            claim.majorated = true;
        } else if (word == u"sans-capitalisation" && claim.interest != ClaimInterest::None) {
            claim.capitalise = false;
        } else if (word.startsWith(u"capitalisation:") && claim.interest != ClaimInterest::None) {
            const Read<QDate> day = readDay(word.mid(15));
            if (!day.value)
                return claimFail(day.error);
            claim.capitalisationFrom = *day.value;
            claim.capitalise = true;
        } else {
            return claimFail(
                quotedValue(word) +
                QStringLiteral(" : attendu legal, fixe:TAUX, aucun, bce, bce+MARGE ou "
                               "commande-publique en premier, puis x1,5, +5, indemnite, "
                               "sans-capitalisation ou capitalisation:DATE (x1,5 et +5 pour le "
                               "taux légal seulement, indemnite pour bce et commande-publique)"));
        }
    }
    if (!claim.capitalise && claim.capitalisationFrom)
        return claimFail(QStringLiteral("sans-capitalisation et capitalisation:DATE s'excluent"));
    return Read<Claim>::ok(claim);
}

Read<Cost> readCost(QStringView text)
{
    const qsizetype equals = text.indexOf(u'=');
    const qsizetype colon = equals < 0 ? -1 : text.indexOf(u':', equals);
    if (equals < 0 || colon < 0)
        return Read<Cost>::fail(
            quotedValue(text) +
            QStringLiteral(" n'est pas un frais ; attendu DATE=MONTANT:LIBELLE, "
                           "comme 15/04/2024=120,50:Commandement"));
    const Read<QDate> day = readDay(text.left(equals));
    if (!day.value)
        return Read<Cost>::fail(day.error);
    const Read<Cents> amount = readAmount(text.mid(equals + 1, colon - equals - 1));
    if (!amount.value)
        return Read<Cost>::fail(amount.error);
    Cost cost{*day.value, text.mid(colon + 1).trimmed().toString(), *amount.value};
    if (cost.label.size() > kMaxLabelLength)
        return Read<Cost>::fail(
            QStringLiteral("le libellé du frais dépasse %1 caractères").arg(kMaxLabelLength));
    return Read<Cost>::ok(cost);
}

Read<TitlePayment> readTitlePayment(QStringView text)
{
    const qsizetype at = text.lastIndexOf(u'@');
    const Read<Payment> payment = readPayment(at < 0 ? text : text.left(at));
    if (!payment.value)
        return Read<TitlePayment>::fail(payment.error);
    int claim = -1;
    if (at >= 0) {
        bool ok = false;
        const int n = text.mid(at + 1).toInt(&ok);
        if (!ok || n < 1 || n > kMaxClaims)
            return Read<TitlePayment>::fail(
                quotedValue(text.mid(at + 1)) +
                QStringLiteral(" n'est pas un numéro de créance ; attendu 1 à %1, comme "
                               "15/01/2016=500@2")
                    .arg(kMaxClaims));
        claim = n - 1;
    }
    return Read<TitlePayment>::ok(TitlePayment{payment.value->date, payment.value->amount, claim});
}

Read<Imputation> readImputation(QStringView text)
{
    if (text == u"frais-interets-capital")
        return Read<Imputation>::ok(Imputation::CostsInterestCapital);
    if (text == u"capital-d-abord")
        return Read<Imputation>::ok(Imputation::CapitalFirst);
    return Read<Imputation>::fail(
        quotedValue(text) +
        QStringLiteral(" : attendu frais-interets-capital (par défaut) ou capital-d-abord"));
}
