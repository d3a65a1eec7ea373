#include "exportparts.h"

#include "output/safetext.h"
#include "output/statementexport.h"
#include "schedule/formats.h"

#include <algorithm>

namespace exportparts {

// Cents as "-2 089,01" (grouped) or "-2089,01"; the sign and the decimal
// mark are given so that a file format can fix them whatever the locale.
QString centsText(Cents cents, const QString &minus, const QString &decimal, bool grouped)
{
    // Magnitude as unsigned, so the most negative value has one too.
    const quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    const QString digits = QString::number(magnitude / 100);
    QString integer;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (grouped && i > 0 && (digits.size() - i) % 3 == 0)
            integer += u' ';
        integer += digits.at(i);
    }
    return (cents < 0 ? minus : QString()) + integer + decimal +
           QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString categoryText(RateCategory category)
{
    return category == RateCategory::PersonnesPhysiques
               ? QStringLiteral("Personnes physiques hors besoins professionnel")
               : QStringLiteral("Autres");
}

QString halfYearText(const QDate &month)
{
    if (!month.isValid())
        return QStringLiteral("aucun");
    return (month.month() <= 6 ? QStringLiteral("premier semestre ")
                               : QStringLiteral("second semestre ")) +
           QString::number(month.year());
}

QList<Row> caseRows(const CaseFields &fields, bool evenEmpty)
{
    QList<Row> rows;
    const std::pair<QString, QString> pairs[] = {
        {QStringLiteral("Créancier"), fields.creancier},
        {QStringLiteral("Débiteur"), fields.debiteur},
        {QStringLiteral("Référence du dossier"), fields.reference},
        {QStringLiteral("Titre exécutoire"), fields.titre},
    };
    for (const auto &[label, value] : pairs) {
        if (evenEmpty || !value.isEmpty())
            rows.append({label, SafeLine(value)});
    }
    return rows;
}

QString csvField(const QString &field)
{
    if (!field.contains(u';') && !field.contains(u'"') && !field.contains(u'\n') &&
        !field.contains(u'\r'))
        return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

namespace {

// Text padded to a column: numbers to the right, words to the left.
QString padded(const QString &text, int width, bool right)
{
    return right ? text.rightJustified(width) : text.leftJustified(width);
}

} // namespace

QString alignedPairs(const QList<Row> &rows)
{
    int width = 0;
    for (const Row &row : rows)
        width = std::max(width, int(row.at(0).size()));
    QString out;
    for (const Row &row : rows)
        out += padded(row.at(0), width + 2, false) + row.at(1) + u'\n';
    return out;
}

QString alignedTable(const QList<Row> &rows, const QList<bool> &rightAligned)
{
    QList<int> widths(rightAligned.size(), 0);
    for (const Row &row : rows) {
        if (row.size() != widths.size())
            continue;
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], int(row.at(c).size()));
    }
    QString out;
    for (const Row &row : rows) {
        QString line;
        for (int c = 0; c < row.size() && c < widths.size(); ++c) {
            if (c > 0)
                line += QStringLiteral("  ");
            line += padded(row.at(c), widths[c], rightAligned[c]);
        }
        // A line set apart spans the columns as one sentence.
        out += (row.size() == 1 ? row.at(0) : line).trimmed() + u'\n';
    }
    return out;
}

QString jsonCents(Cents cents)
{
    return jsonString(centsText(cents, QStringLiteral("-"), QStringLiteral("."), false));
}

QString jsonDate(const std::optional<QDate> &date)
{
    return date ? jsonString(date->toString(Qt::ISODate)) : QStringLiteral("null");
}

// A rate with the digits it was given: 12 decimals hide the binary
// residue of 4.29 + 5, and the trailing zeros go.
QString jsonRate(double rate)
{
    QString text = QString::number(rate == 0.0 ? 0.0 : rate, 'f', 12);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return jsonString(text);
}

QString jsonObject(const QList<std::pair<const char *, QString>> &members)
{
    QStringList parts;
    for (const auto &[key, value] : members)
        parts << QStringLiteral("\"%1\": %2").arg(QLatin1String(key), value);
    return u'{' + parts.join(QStringLiteral(", ")) + u'}';
}

QString jsonList(const QStringList &items, const QString &indent)
{
    if (items.isEmpty())
        return QStringLiteral("[]");
    return QStringLiteral("[\n") + indent + QStringLiteral("  ") +
           items.join(QStringLiteral(",\n") + indent + QStringLiteral("  ")) + u'\n' + indent +
           u']';
}

QString jsonLine(const StatementLine &line)
{
    if (const auto *i = std::get_if<InterestLine>(&line))
        return jsonObject({{"type", jsonString(QStringLiteral("interets"))},
                           {"du", jsonDate(i->from)},
                           {"au", jsonDate(i->to)},
                           {"jours", jsonString(QString::number(i->days))},
                           {"capital", jsonCents(i->capital)},
                           {"taux", jsonRate(i->rate)},
                           {"interets", jsonCents(i->interest)}});
    if (const auto *p = std::get_if<PaymentLine>(&line))
        return jsonObject({{"type", jsonString(QStringLiteral("acompte"))},
                           {"date", jsonDate(p->date)},
                           {"montant", jsonCents(p->amount)},
                           {"sur_interets", jsonCents(p->onInterest)},
                           {"sur_capital", jsonCents(p->onCapital)},
                           {"credit", jsonCents(p->toCredit)}});
    const auto &c = std::get<CapitalisationLine>(line);
    return jsonObject({{"type", jsonString(QStringLiteral("capitalisation"))},
                       {"date", jsonDate(c.date)},
                       {"montant", jsonCents(c.amount)}});
}

} // namespace exportparts
