#include "statementfile.h"

#include "output/safetext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>

namespace {

constexpr int kVersion = 2;

} // namespace

namespace savedfile {

QString DecimalCents(Cents cents)
{
    const Cents magnitude = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

// Digits and at most two decimals after a full stop: the only form the
// file writes, so the only one it reads.
std::optional<Cents> CentsFromDecimal(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,13})(?:\\.([0-9]{1,2}))?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    Cents cents = m.captured(1).toLongLong() * 100;
    QString decimals = m.captured(2);
    if (!decimals.isEmpty())
        cents += decimals.leftJustified(2, QLatin1Char('0')).toLongLong();
    return cents;
}

QJsonValue IsoDate(const std::optional<QDate> &date)
{
    if (!date || !date->isValid())
        return QJsonValue::Null;
    return date->toString(Qt::ISODate);
}

std::optional<QDate> DateFromIso(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace savedfile

namespace {

using namespace savedfile;

SavedStatementRead failure(const QString &why)
{
    return {std::nullopt,
            QStringLiteral("Ce fichier n'est pas un décompte enregistré lisible : %1.").arg(why)};
}

QString dateExpected(const QString &field)
{
    return QStringLiteral("« %1 » doit être une date au format AAAA-MM-JJ").arg(field);
}

} // namespace

QByteArray SavedStatementJson(const SavedStatement &saved)
{
    const StatementInput &in = saved.input;
    QJsonObject object;
    object[QStringLiteral("format")] = kFormat;
    object[QStringLiteral("version")] = kVersion;
    object[QStringLiteral("categorie")] = saved.category == RateCategory::PersonnesPhysiques
                                              ? QStringLiteral("personnes_physiques")
                                              : QStringLiteral("autres");
    object[QStringLiteral("capital")] = DecimalCents(in.principal);
    object[QStringLiteral("du")] = IsoDate(in.from);
    object[QStringLiteral("au")] = IsoDate(in.to);
    object[QStringLiteral("coefficient")] = QString::number(in.coefficient);
    object[QStringLiteral("majoration_du")] = IsoDate(in.majorationFrom);
    object[QStringLiteral("capitalisation_du")] =
        in.capitalise ? IsoDate(in.capitalisationFrom ? in.capitalisationFrom : in.from)
                      : QJsonValue(QJsonValue::Null);
    object[QStringLiteral("base")] =
        in.dayBase == DayBase::ActualYear ? QStringLiteral("reelle") : QStringLiteral("365");
    QJsonArray payments;
    for (const Payment &p : in.payments)
        payments.append(QJsonObject{{QStringLiteral("date"), IsoDate(p.date)},
                                    {QStringLiteral("montant"), DecimalCents(p.amount)}});
    object[QStringLiteral("acomptes")] = payments;
    for (const CaseKey &c : kCaseKeys) {
        // A direction override would make the file, and all that is made
        // from it, read otherwise than what it holds.
        const QString text = WithoutBidiControls(saved.caseFields.*c.field);
        object[QLatin1String(c.key)] = text.isEmpty() ? QJsonValue(QJsonValue::Null) : text;
    }
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

SavedStatementRead ReadSavedStatement(const QByteArray &bytes)
{
    if (bytes.size() > kMaxSavedStatementBytes)
        return failure(QStringLiteral("il dépasse 1 Mio"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failure(
            QStringLiteral("le texte JSON est mal formé (position %1)").arg(parseError.offset));
    if (!document.isObject())
        return failure(QStringLiteral("il ne contient pas d'objet JSON"));
    const QJsonObject o = document.object();
    if (o.value(QStringLiteral("format")).toString() != kFormat)
        return failure(QStringLiteral("« format » doit valoir « %1 »").arg(kFormat));
    const QJsonValue version = o.value(QStringLiteral("version"));
    if (!version.isDouble() || (version.toDouble() != 1 && version.toDouble() != kVersion)) {
        if (version.isDouble() && version.toDouble() > kVersion)
            return failure(QStringLiteral("il vient d'une version plus récente du programme"));
        return failure(QStringLiteral("« version » doit valoir 1 ou 2"));
    }
    // What every statement needs is named when it is missing, rather than
    // reported as malformed.
    for (const char *key : {"categorie", "capital", "du", "au", "coefficient", "base"}) {
        if (o.value(QLatin1String(key)).isUndefined())
            return failure(QStringLiteral("le champ « %1 » manque").arg(QLatin1String(key)));
    }

    SavedStatement saved;
    StatementInput &in = saved.input;
    const QString category = o.value(QStringLiteral("categorie")).toString();
    if (category == QLatin1String("autres"))
        saved.category = RateCategory::Autres;
    else if (category == QLatin1String("personnes_physiques"))
        saved.category = RateCategory::PersonnesPhysiques;
    else
        return failure(QStringLiteral("« categorie » doit valoir « autres » ou "
                                      "« personnes_physiques »"));

    const auto principal = CentsFromDecimal(o.value(QStringLiteral("capital")).toString());
    if (!principal)
        return failure(QStringLiteral("« capital » doit être un montant comme \"2000.00\""));
    in.principal = *principal;

    const auto from = DateFromIso(o.value(QStringLiteral("du")).toString());
    if (!from)
        return failure(dateExpected(QStringLiteral("du")));
    in.from = *from;
    const auto to = DateFromIso(o.value(QStringLiteral("au")).toString());
    if (!to)
        return failure(dateExpected(QStringLiteral("au")));
    in.to = *to;

    const QString coefficient = o.value(QStringLiteral("coefficient")).toString();
    bool knownCoefficient = false;
    for (const Coefficient &c : kCoefficients) {
        if (coefficient == QLatin1String(c.text)) {
            in.coefficient = c.value;
            knownCoefficient = true;
        }
    }
    if (!knownCoefficient)
        return failure(
            QStringLiteral("« coefficient » doit valoir \"1\", \"1.5\", \"2\" ou \"3\""));

    // An optional date is null or absent when it is not used.
    for (const auto &[key, target] :
         {std::pair{QStringLiteral("majoration_du"), &in.majorationFrom},
          std::pair{QStringLiteral("capitalisation_du"), &in.capitalisationFrom}}) {
        const QJsonValue value = o.value(key);
        if (value.isNull() || value.isUndefined())
            continue;
        const auto date = DateFromIso(value.toString());
        if (!date)
            return failure(dateExpected(key) + QStringLiteral(" ou null"));
        *target = *date;
    }
    in.capitalise = in.capitalisationFrom.has_value();

    const QString base = o.value(QStringLiteral("base")).toString();
    if (base == QLatin1String("365"))
        in.dayBase = DayBase::Fixed365;
    else if (base == QLatin1String("reelle"))
        in.dayBase = DayBase::ActualYear;
    else
        return failure(QStringLiteral("« base » doit valoir \"365\" ou \"reelle\""));

    const QJsonValue payments = o.value(QStringLiteral("acomptes"));
    if (!payments.isArray() && !payments.isUndefined())
        return failure(QStringLiteral("« acomptes » doit être une liste"));
    const QJsonArray list = payments.toArray();
    if (list.size() > kMaxSavedPayments)
        return failure(QStringLiteral("il contient plus de %1 acomptes").arg(kMaxSavedPayments));
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QJsonObject p = list.at(i).toObject();
        const auto date = DateFromIso(p.value(QStringLiteral("date")).toString());
        const auto amount = CentsFromDecimal(p.value(QStringLiteral("montant")).toString());
        if (!date || !amount)
            return failure(QStringLiteral("l'acompte n° %1 doit avoir une « date » AAAA-MM-JJ "
                                          "et un « montant » comme \"500.00\"")
                               .arg(i + 1));
        in.payments.append({*date, *amount});
    }

    // Version 1 has no case fields; version 2 may leave any of them out.
    for (const CaseKey &c : kCaseKeys) {
        const QJsonValue value = o.value(QLatin1String(c.key));
        if (value.isNull() || value.isUndefined())
            continue;
        if (!value.isString())
            return failure(
                QStringLiteral("« %1 » doit être un texte ou null").arg(QLatin1String(c.key)));
        saved.caseFields.*c.field = WithoutBidiControls(value.toString());
    }
    return {saved, QString()};
}
