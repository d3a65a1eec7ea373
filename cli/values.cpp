#include "values.h"

#include "ui/dateinput.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString quoted(QStringView text)
{
    return quotedValue(text);
}

const QLocale &french()
{
    static const QLocale locale(QLocale::French, QLocale::France);
    return locale;
}

} // namespace

Read<Cents> readAmount(QStringView text)
{
    TypedAmount read = ReadTypedAmount(text);
    if (!read.cents)
        return Read<Cents>::fail(std::move(read.error));
    return Read<Cents>::ok(*read.cents);
}

QString amountForSchedule(Cents cents)
{
    return centsPlain(cents, QStringLiteral("."));
}

Read<QDateTime> readInstant(QStringView text)
{
    if (const std::optional<QDateTime> instant = parseStartDate(text, french()))
        return Read<QDateTime>::ok(*instant);
    return Read<QDateTime>::fail(quoted(text) +
                                 QStringLiteral(" n'est pas une date ; attendu une date comme "
                                                "15/03/2015, 15 mars 2015 ou 2015-03-15"));
}

Read<QDate> readDay(QStringView text)
{
    const Read<QDateTime> instant = readInstant(text);
    if (!instant.value)
        return Read<QDate>::fail(instant.error);
    return Read<QDate>::ok(instant.value->date());
}

Read<QDate> readMonth(QStringView text)
{
    static const QRegularExpression monthYear(QStringLiteral(R"(^(\d{1,2})\s*[/.\-]\s*(\d{4})$)"));
    static const QRegularExpression yearMonth(QStringLiteral(R"(^(\d{4})\s*-\s*(\d{1,2})$)"));
    static const QRegularExpression named(QStringLiteral(R"(^(\S+)\s+(\d{4})$)"));
    const QString input = text.trimmed().toString();
    int year = 0;
    int month = 0;
    if (const auto m = monthYear.match(input); m.hasMatch()) {
        month = m.captured(1).toInt();
        year = m.captured(2).toInt();
    } else if (const auto m = yearMonth.match(input); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
    } else if (const auto m = named.match(input); m.hasMatch()) {
        // The first of the month through the date reader, which knows the
        // French month names and their abbreviations.
        if (const auto day = parseStartDate(QStringLiteral("1 ") + input, french())) {
            year = day->date().year();
            month = day->date().month();
        }
    }
    const QDate first(year, month, 1);
    if (year < 1 || !first.isValid())
        return Read<QDate>::fail(quoted(text) +
                                 QStringLiteral(" n'est pas un mois ; attendu un mois comme "
                                                "03/2015, 2015-03 ou mars 2015"));
    return Read<QDate>::ok(first);
}

Read<int> readCoefficientIndex(QStringView text)
{
    const QString t = text.trimmed().toString();
    if (t == u"1")
        return Read<int>::ok(0);
    if (t == u"1,5" || t == u"1.5")
        return Read<int>::ok(1);
    if (t == u"2")
        return Read<int>::ok(2);
    if (t == u"3")
        return Read<int>::ok(3);
    return Read<int>::fail(quoted(text) +
                           QStringLiteral(" n'est pas un coefficient ; attendu 1, 1,5, 2 ou 3"));
}

double coefficientOfIndex(int index)
{
    static const double coefficients[] = {1.0, 1.5, 2.0, 3.0};
    return coefficients[index];
}

Read<RateCategory> readCategory(QStringView text)
{
    const QString t = text.trimmed().toString().toLower();
    if (t == u"autres")
        return Read<RateCategory>::ok(RateCategory::Autres);
    if (t == u"particulier" || t == u"personnes-physiques" || t == u"personnes_physiques")
        return Read<RateCategory>::ok(RateCategory::PersonnesPhysiques);
    return Read<RateCategory>::fail(
        quoted(text) + QStringLiteral(" n'est pas une catégorie ; attendu autres ou particulier "
                                      "(personnes physiques hors besoins professionnels)"));
}

QString categoryName(RateCategory category)
{
    return category == RateCategory::Autres ? QStringLiteral("autres")
                                            : QStringLiteral("personnes_physiques");
}

Read<DayBase> readDayBase(QStringView text)
{
    const QString t = text.trimmed().toString().toLower();
    if (t == u"365")
        return Read<DayBase>::ok(DayBase::Fixed365);
    if (t == u"annee" || t == u"année")
        return Read<DayBase>::ok(DayBase::ActualYear);
    return Read<DayBase>::fail(
        quoted(text) + QStringLiteral(" n'est pas une base de calcul ; attendu 365 (chaque année "
                                      "compte 365 jours) ou annee (la durée réelle de l'année)"));
}

Read<int> readCapitalMonth(QStringView text)
{
    bool ok = false;
    const int month = text.trimmed().toInt(&ok);
    if (!ok || month < 1 || month > 12)
        return Read<int>::fail(quoted(text) +
                               QStringLiteral(" n'est pas un mois ; attendu un nombre de 1 à 12"));
    return Read<int>::ok(month);
}

Read<Payment> readPayment(QStringView text)
{
    const qsizetype equals = text.lastIndexOf(u'=');
    if (equals < 0)
        return Read<Payment>::fail(
            quoted(text) + QStringLiteral(" n'est pas un acompte ; attendu DATE=MONTANT, comme "
                                          "15/01/2016=500"));
    const Read<QDate> day = readDay(text.left(equals));
    if (!day.value)
        return Read<Payment>::fail(day.error);
    const Read<Cents> amount = readAmount(text.mid(equals + 1));
    if (!amount.value)
        return Read<Payment>::fail(amount.error);
    return Read<Payment>::ok(Payment{*day.value, *amount.value});
}

QString centsPlain(Cents cents, const QString &decimalMark)
{
    // Built by hand: a lot writes seven of these a line. The magnitude is
    // unsigned, so that the most negative count has one too.
    const quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    QString out;
    out.reserve(24);
    if (cents < 0)
        out += u'-';
    out += QString::number(magnitude / 100);
    out += decimalMark;
    const auto rest = char16_t(magnitude % 100);
    out += QChar(char16_t(u'0' + rest / 10));
    out += QChar(char16_t(u'0' + rest % 10));
    return out;
}

QString centsJson(Cents cents)
{
    return centsPlain(cents, QStringLiteral("."));
}

Read<OutputFormat> readFormat(QStringView text)
{
    const QString t = text.trimmed().toString().toLower();
    if (t == u"texte")
        return Read<OutputFormat>::ok(OutputFormat::Text);
    if (t == u"tsv")
        return Read<OutputFormat>::ok(OutputFormat::Tsv);
    if (t == u"csv")
        return Read<OutputFormat>::ok(OutputFormat::Csv);
    if (t == u"json")
        return Read<OutputFormat>::ok(OutputFormat::Json);
    if (t == u"pdf")
        return Read<OutputFormat>::ok(OutputFormat::Pdf);
    return Read<OutputFormat>::fail(
        quoted(text) +
        QStringLiteral(" n'est pas un format ; attendu texte, tsv, csv, json ou pdf"));
}
