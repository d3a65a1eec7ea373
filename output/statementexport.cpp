#include "statementexport.h"

#include "output/exportparts.h"
#include "output/safetext.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

using namespace exportparts;

namespace {

const QString kTitle = QStringLiteral("Décompte des intérêts au taux légal");

std::optional<QDate> capitalisationStart(const StatementInput &input)
{
    if (!input.capitalise)
        return std::nullopt;
    return input.capitalisationFrom.value_or(input.from);
}

Row inputRow(const QString &label, const QString &value)
{
    return {label, value};
}

QList<Row> inputRows(const StatementDocument &doc, const NumberForm &form)
{
    const StatementInput &in = doc.input;
    const std::optional<QDate> capitalisation = capitalisationStart(in);
    return {
        inputRow(QStringLiteral("Capital"), form.euros(in.principal)),
        inputRow(QStringLiteral("Intérêts à compter du"), formatDay(in.from)),
        inputRow(QStringLiteral("Jusqu'au (non compris)"), formatDay(in.to)),
        inputRow(QStringLiteral("Catégorie"), categoryText(doc.category)),
        inputRow(QStringLiteral("Coefficient"), form.number(in.coefficient)),
        inputRow(QStringLiteral("Majoration de cinq points à compter du"),
                 in.majorationFrom ? formatDay(*in.majorationFrom) : QStringLiteral("non")),
        inputRow(QStringLiteral("Capitalisation annuelle à compter du"),
                 capitalisation ? formatDay(*capitalisation) : QStringLiteral("non")),
        inputRow(QStringLiteral("Base de calcul"),
                 in.dayBase == DayBase::ActualYear
                     ? QStringLiteral("durée réelle de l'année (365 ou 366 jours)")
                     : QStringLiteral("365 jours")),
    };
}

// A credit is only ever left once everything else is paid, so the last
// row is either what the debtor owes or what is owed to him, never a
// negative total. `sameRows`: a spreadsheet keeps both rows whatever the
// case, the one that does not apply at zero.
QList<Row> totalRows(const Statement &s, const NumberForm &form, bool sameRows)
{
    QList<Row> rows{
        {QStringLiteral("Intérêts courus"), form.euros(s.accrued)},
        {QStringLiteral("Acomptes versés"), form.euros(s.paid)},
        {QStringLiteral("Capital restant dû"), form.euros(s.capital)},
        {QStringLiteral("Intérêts restant dus"), form.euros(s.interest)},
    };
    const Cents total = s.total();
    if (sameRows) {
        rows.append({QStringLiteral("Crédit du débiteur"), form.euros(std::max<Cents>(0, -total))});
        rows.append({QStringLiteral("Total dû"), form.euros(std::max<Cents>(0, total))});
    } else if (total < 0) {
        rows.append({QStringLiteral("Crédit du débiteur"), form.euros(-total)});
    } else {
        rows.append({QStringLiteral("Total dû"), form.euros(total)});
    }
    return rows;
}

// Where the rates come from, in the rates file's own words: its newest
// half-year and the note its last update left. Never the file's path: it
// says nothing to a reader and discloses the user's folders.
QList<Row> sourceRows(const StatementDocument &doc, bool evenEmpty)
{
    QList<Row> rows{{QStringLiteral("Taux connus jusqu'au"), halfYearText(doc.newestMonth)}};
    if (evenEmpty || !doc.ratesNote.isEmpty())
        rows.append({QStringLiteral("Origine des taux"), SafeLine(doc.ratesNote)});
    rows.append({QStringLiteral("Décompte établi le"), formatDay(doc.madeOn)});
    return rows;
}

// The whole statement as rows of fields, for the spreadsheet formats.
QList<Row> sheetRows(const StatementDocument &doc, const NumberForm &form)
{
    QList<Row> rows{{kTitle}, {}};
    rows += caseRows(doc.caseFields, true);
    rows.append(Row{});
    rows += inputRows(doc, form);
    rows.append(Row{});
    rows.append({QStringLiteral("Opération"), QStringLiteral("Du"), QStringLiteral("Au"),
                 QStringLiteral("Jours"), QStringLiteral("Capital"), QStringLiteral("Taux annuel"),
                 QStringLiteral("Intérêts"), QStringLiteral("Montant"),
                 QStringLiteral("Sur les intérêts"), QStringLiteral("Sur le capital"),
                 QStringLiteral("Au crédit")});
    for (const StatementLine &line : doc.statement.lines) {
        if (const auto *i = std::get_if<InterestLine>(&line)) {
            rows.append({QStringLiteral("Intérêts"), formatDay(i->from), formatDay(i->to),
                         QString::number(i->days), form.cents(i->capital), form.rate(i->rate),
                         form.cents(i->interest), QString(), QString(), QString(), QString()});
        } else if (const auto *p = std::get_if<PaymentLine>(&line)) {
            rows.append({QStringLiteral("Acompte"), formatDay(p->date), QString(), QString(),
                         QString(), QString(), QString(), form.cents(p->amount),
                         form.cents(p->onInterest), form.cents(p->onCapital),
                         form.cents(p->toCredit)});
        } else if (const auto *c = std::get_if<CapitalisationLine>(&line)) {
            rows.append({QStringLiteral("Capitalisation"), formatDay(c->date), QString(), QString(),
                         QString(), QString(), QString(), form.cents(c->amount), QString(),
                         QString(), QString()});
        }
    }
    rows.append(Row{});
    rows += totalRows(doc.statement, form, true);
    rows.append(Row{});
    rows += sourceRows(doc, true);
    return rows;
}

} // namespace

QString defused(const QString &field)
{
    const QString start = field.trimmed();
    if (!start.isEmpty() && QStringLiteral("=+-@").contains(start.front()))
        return u'\'' + field;
    return field;
}

namespace {

QString paymentSentenceOf(const PaymentLine &p, const NumberForm &form)
{
    QString text = QStringLiteral("Acompte du %1 : %2 (%3 sur les intérêts, %4 sur le capital")
                       .arg(formatDay(p.date), form.cents(p.amount), form.cents(p.onInterest),
                            form.cents(p.onCapital));
    if (p.toCredit != 0)
        text += QStringLiteral(", %1 au crédit du débiteur").arg(form.cents(p.toCredit));
    return text + u')';
}

} // namespace

// JSON, written by hand so the keys keep the documented order.
QString jsonString(const QString &text)
{
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u' ' && c != u'"' && c != u'\\' && !c.isSurrogate();
    });
    if (plain)
        return u'"' + text + u'"';
    // Qt's writer escapes quotes, backslashes and control characters.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

StatementDocument MakeStatementDocument(const RateTable &table, RateCategory category,
                                        const StatementInput &input, const Statement &statement,
                                        const QDate &madeOn, const CaseFields &caseFields)
{
    StatementDocument document;
    document.input = input;
    document.statement = statement;
    document.category = category;
    document.ratesPath = table.filePath;
    document.madeOn = madeOn;
    document.caseFields = caseFields;
    document.ratesNote = table.sourceNote;
    if (table.count > 0)
        document.newestMonth = table.rows[0].monthStart;
    return document;
}

QString formatCents(Cents cents, const QLocale &locale)
{
    return NumberForm{locale, true}.cents(cents);
}

QString formatRate(double rate, const QLocale &locale)
{
    QString text = formatGeneral(rate, locale);
    if (text.contains(u'e', Qt::CaseInsensitive))
        return text;
    const QString point = locale.decimalPoint();
    const qsizetype mark = text.indexOf(point);
    if (mark < 0)
        return text + point + QStringLiteral("00");
    const qsizetype decimals = text.size() - mark - point.size();
    return decimals < 2 ? text + QString(2 - decimals, u'0') : text;
}

QList<QStringList> StatementCaseRows(const StatementDocument &document)
{
    return caseRows(document.caseFields, false);
}

QList<QStringList> StatementSourceRows(const StatementDocument &document)
{
    return sourceRows(document, false);
}

QList<QStringList> StatementInputRows(const StatementDocument &document, const QLocale &locale)
{
    return inputRows(document, NumberForm{locale, true});
}

QList<QStringList> StatementTotalRows(const Statement &statement, const QLocale &locale)
{
    return totalRows(statement, NumberForm{locale, true}, false);
}

QString StatementSentence(const PaymentLine &line, const QLocale &locale)
{
    return paymentSentenceOf(line, NumberForm{locale, true});
}

QString StatementSentence(const CapitalisationLine &line, const QLocale &locale)
{
    return QStringLiteral("Capitalisation du %1 : %2 d'intérêts ajoutés au capital")
        .arg(formatDay(line.date), formatCents(line.amount, locale));
}

QString StatementTextTable(const StatementDocument &document, const QLocale &locale)
{
    const NumberForm form{locale, true};
    QList<Row> table{{QStringLiteral("Du"), QStringLiteral("Au"), QStringLiteral("Jours"),
                      QStringLiteral("Capital"), QStringLiteral("Taux annuel"),
                      QStringLiteral("Intérêts")}};
    for (const StatementLine &line : document.statement.lines) {
        if (const auto *i = std::get_if<InterestLine>(&line)) {
            table.append({formatDay(i->from), formatDay(i->to), QString::number(i->days),
                          form.cents(i->capital), form.rate(i->rate), form.cents(i->interest)});
        } else if (const auto *p = std::get_if<PaymentLine>(&line)) {
            table.append({StatementSentence(*p, locale)});
        } else if (const auto *c = std::get_if<CapitalisationLine>(&line)) {
            table.append({StatementSentence(*c, locale)});
        }
    }

    // The totals' amounts line up on their right edge.
    QList<Row> totals = StatementTotalRows(document.statement, locale);
    int amountWidth = 0;
    for (const Row &row : totals)
        amountWidth = std::max(amountWidth, int(row.at(1).size()));
    for (Row &row : totals)
        row[1] = row.at(1).rightJustified(amountWidth);

    const QString caseFields = document.caseFields.isEmpty()
                                   ? QString()
                                   : alignedPairs(StatementCaseRows(document)) + u'\n';
    return kTitle + QStringLiteral("\n\n") + caseFields +
           alignedPairs(StatementInputRows(document, locale)) + u'\n' +
           alignedTable(table, {false, false, true, true, true, true}) + u'\n' +
           alignedPairs(totals) + u'\n' + alignedPairs(StatementSourceRows(document));
}

QByteArray StatementTsv(const StatementDocument &document, const QLocale &locale)
{
    QString out;
    // Every field typed by someone is one safe line already (caseRows,
    // sourceRows): nothing in it can end a cell or a row.
    for (Row row : sheetRows(document, NumberForm{locale, false})) {
        for (QString &field : row)
            field = defused(field);
        out += row.join(u'\t') + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

QByteArray StatementCsv(const StatementDocument &document)
{
    QString out;
    for (Row row :
         sheetRows(document, NumberForm{QLocale(QLocale::French, QLocale::France), false})) {
        for (QString &field : row)
            field = csvField(defused(field));
        out += row.join(u';') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QByteArray StatementJson(const StatementDocument &document)
{
    const StatementInput &in = document.input;
    const Statement &s = document.statement;

    QStringList payments;
    for (const Payment &p : in.payments)
        payments << jsonObject({{"date", jsonDate(p.date)}, {"montant", jsonCents(p.amount)}});

    QStringList lines;
    for (const StatementLine &line : s.lines)
        lines << jsonLine(line);

    const auto jsonText = [](const QString &text) {
        // Kept whole, escaped, but never reordered on the reader's screen.
        const QString shown = WithoutBidiControls(text);
        return shown.isEmpty() ? QStringLiteral("null") : jsonString(shown);
    };
    const CaseFields &fields = document.caseFields;
    const QString entree =
        QStringLiteral("{\n") +
        QStringList{
            QStringLiteral("    \"creancier\": ") + jsonText(fields.creancier),
            QStringLiteral("    \"debiteur\": ") + jsonText(fields.debiteur),
            QStringLiteral("    \"reference\": ") + jsonText(fields.reference),
            QStringLiteral("    \"titre_executoire\": ") + jsonText(fields.titre),
            QStringLiteral("    \"capital\": ") + jsonCents(in.principal),
            QStringLiteral("    \"du\": ") + jsonDate(in.from),
            QStringLiteral("    \"jusqu_au\": ") + jsonDate(in.to),
            QStringLiteral("    \"categorie\": ") +
                jsonString(document.category == RateCategory::PersonnesPhysiques
                               ? QStringLiteral("personnes_physiques")
                               : QStringLiteral("autres")),
            QStringLiteral("    \"coefficient\": ") + jsonRate(in.coefficient),
            QStringLiteral("    \"majoration_du\": ") + jsonDate(in.majorationFrom),
            QStringLiteral("    \"capitalisation_du\": ") + jsonDate(capitalisationStart(in)),
            QStringLiteral("    \"base\": ") + jsonString(in.dayBase == DayBase::ActualYear
                                                              ? QStringLiteral("annee_reelle")
                                                              : QStringLiteral("365")),
            QStringLiteral("    \"acomptes\": ") + jsonList(payments, QStringLiteral("    ")),
        }
            .join(QStringLiteral(",\n")) +
        QStringLiteral("\n  }");

    const QString newest =
        document.newestMonth.isValid()
            ? jsonString(document.newestMonth.toString(QStringLiteral("yyyy-MM")))
            : QStringLiteral("null");
    const QStringList members{
        QStringLiteral("  \"entree\": ") + entree,
        QStringLiteral("  \"lignes\": ") + jsonList(lines, QStringLiteral("  ")),
        QStringLiteral("  \"capital\": ") + jsonCents(s.capital),
        QStringLiteral("  \"interets\": ") + jsonCents(s.interest),
        QStringLiteral("  \"credit\": ") + jsonCents(s.credit),
        QStringLiteral("  \"interets_courus\": ") + jsonCents(s.accrued),
        QStringLiteral("  \"acomptes\": ") + jsonCents(s.paid),
        QStringLiteral("  \"total\": ") + jsonCents(s.total()),
        QStringLiteral("  \"fichier_des_taux\": ") + jsonString(document.ratesPath),
        QStringLiteral("  \"dernier_mois_des_taux\": ") + newest,
        QStringLiteral("  \"origine_des_taux\": ") + jsonText(document.ratesNote),
        QStringLiteral("  \"etabli_le\": ") + jsonDate(document.madeOn),
    };
    return (QStringLiteral("{\n") + members.join(QStringLiteral(",\n")) + QStringLiteral("\n}\n"))
        .toUtf8();
}

namespace {

// "Juin 2015" -> 2015-06-01, when the label is a month name and a year.
QDate monthOfLabel(const QString &label)
{
    const qsizetype space = label.lastIndexOf(u' ');
    if (space < 0)
        return {};
    bool ok = false;
    const int year = label.mid(space + 1).toInt(&ok);
    if (!ok)
        return {};
    for (int month = 1; month <= 12; ++month) {
        if (label.left(space) == textemois(month))
            return QDate(year, month, 1);
    }
    return {};
}

QString jsonNumber(const std::optional<double> &value)
{
    if (!value || !std::isfinite(*value))
        return QStringLiteral("null");
    return jsonString(
        QString::number(*value == 0.0 ? 0.0 : *value, 'f', QLocale::FloatingPointShortest));
}

} // namespace

QByteArray ScheduleJson(const TauxState &state)
{
    QStringList rows;
    for (int i = 0; i <= state.lastScheduleRow(); ++i) {
        const ScheduleRow row = state.scheduleRow(i);
        const QDate month = monthOfLabel(row.label);
        rows << jsonObject(
            {{"mois", month.isValid() ? jsonString(month.toString(QStringLiteral("yyyy-MM")))
                                      : QStringLiteral("null")},
             {"libelle", jsonString(row.label)},
             {"taux", jsonNumber(row.rate)},
             {"somme", jsonNumber(row.sum)}});
    }
    return (QStringLiteral("{\n  \"lignes\": ") + jsonList(rows, QStringLiteral("  ")) +
            QStringLiteral("\n}\n"))
        .toUtf8();
}

QString ScheduleTextTable(const TauxState &state, const QLocale &locale)
{
    QList<Row> rows{
        {QStringLiteral("Mois"), QStringLiteral("Taux annuel"), QStringLiteral("Somme")}};
    for (int i = 0; i <= state.lastScheduleRow(); ++i) {
        const ScheduleRow row = state.scheduleRow(i);
        rows.append(
            {row.label, formatGeneral(row.rate, locale), formatAmount(row.sum, locale).trimmed()});
    }
    return alignedTable(rows, {false, true, true});
}
