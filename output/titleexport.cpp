#include "titleexport.h"

#include "output/exportparts.h"
#include "output/safetext.h"
#include "output/statementexport.h"

#include <algorithm>

using namespace exportparts;

namespace {

const QString kTitle = QStringLiteral("Décompte des sommes dues");

QString claimName(const TitleInput &input, int index)
{
    const QString label = index >= 0 && index < input.claims.size()
                              ? SafeLine(input.claims.at(index).label)
                              : QString();
    return label.isEmpty() ? QStringLiteral("créance n° %1").arg(index + 1)
                           : QStringLiteral("créance n° %1 « %2 »").arg(index + 1).arg(label);
}

QString costName(const TitleInput &input, int index)
{
    const QString label = index >= 0 && index < input.costs.size()
                              ? SafeLine(input.costs.at(index).label)
                              : QString();
    return label.isEmpty() ? QStringLiteral("frais n° %1").arg(index + 1)
                           : QStringLiteral("frais n° %1 « %2 »").arg(index + 1).arg(label);
}

QString dayBaseText(DayBase base)
{
    return base == DayBase::ActualYear
               ? QStringLiteral("durée réelle de l'année (365 ou 366 jours)")
               : QStringLiteral("365 jours");
}

QString allocationsText(const TitleDocument &doc, const PaymentApplication &applied,
                        const NumberForm &form)
{
    QStringList parts;
    for (const Allocation &a : applied.allocations) {
        const QString amount = form.cents(a.amount);
        switch (a.to) {
        case Allocation::To::Cost:
            parts << QStringLiteral("%1 sur les %2").arg(amount, costName(doc.input, a.index));
            break;
        case Allocation::To::Interest:
            parts << QStringLiteral("%1 sur les intérêts de la %2")
                         .arg(amount, claimName(doc.input, a.index));
            break;
        case Allocation::To::Capital:
            parts << QStringLiteral("%1 sur le capital de la %2")
                         .arg(amount, claimName(doc.input, a.index));
            break;
        case Allocation::To::Credit:
            parts << QStringLiteral("%1 au crédit du débiteur").arg(amount);
            break;
        }
    }
    return parts.join(QStringLiteral(", "));
}

QString applicationText(const TitleDocument &doc, const PaymentApplication &applied,
                        const NumberForm &form)
{
    const QString head = applied.payment < 0
                             ? QStringLiteral("Crédit du débiteur imputé le %1 : %2")
                                   .arg(formatDay(applied.date), form.euros(applied.amount))
                             : QStringLiteral("Acompte du %1 : %2")
                                   .arg(formatDay(applied.date), form.euros(applied.amount));
    const QString where = allocationsText(doc, applied, form);
    return where.isEmpty() ? head : head + QStringLiteral(" (") + where + u')';
}

QString claimInterest(const Claim &claim, const ClaimStatement &statement, const NumberForm &form)
{
    QString text;
    switch (claim.interest) {
    case ClaimInterest::None:
        return QStringLiteral("sans intérêts");
    case ClaimInterest::Fixed:
        text = QStringLiteral("taux fixe de %1 % l'an").arg(SafeLine(claim.fixedRate).trimmed());
        break;
    case ClaimInterest::Legal:
        text = QStringLiteral("taux légal x ") + form.number(claim.coefficient);
        if (statement.majorationFrom.isValid())
            text += QStringLiteral(", majoré de cinq points à compter du ") +
                    formatDay(statement.majorationFrom);
        break;
    case ClaimInterest::EcbPenalties:
    case ClaimInterest::EcbPublicBuyer: {
        // "taux BCE au 1er juillet 2025 (2,15 %) + 10 points", each
        // half-year the claim ran in.
        const bool penalties = claim.interest == ClaimInterest::EcbPenalties;
        const QString points =
            penalties ? SafeLine(claim.margin).trimmed().replace(u'.', form.locale.decimalPoint())
                      : QStringLiteral("8");
        QStringList bases;
        for (const EcbBasis &basis : statement.ecbBases)
            bases << QStringLiteral("taux BCE au 1er %1 %2 (%3 %) + %4 points")
                         .arg(basis.halfYear.month() == 1 ? QStringLiteral("janvier")
                                                          : QStringLiteral("juillet"))
                         .arg(basis.halfYear.year())
                         .arg(form.rate(basis.rate / 1000.0), points);
        text = (penalties ? QStringLiteral("pénalités de retard : ")
                          : QStringLiteral("intérêts moratoires : ")) +
               bases.join(QStringLiteral(", puis "));
        break;
    }
    }
    if (claim.capitalise)
        text += QStringLiteral(", capitalisés chaque année à compter du ") +
                formatDay(claim.capitalisationFrom.value_or(claim.from));
    return text;
}

QList<Row> interestTable(const ClaimStatement &claim, const NumberForm &form)
{
    QList<Row> rows{{QStringLiteral("Du"), QStringLiteral("Au"), QStringLiteral("Jours"),
                     QStringLiteral("Capital"), QStringLiteral("Taux annuel"),
                     QStringLiteral("Intérêts")}};
    for (const StatementLine &line : claim.lines) {
        if (const auto *i = std::get_if<InterestLine>(&line)) {
            rows.append({formatDay(i->from), formatDay(i->to), QString::number(i->days),
                         form.cents(i->capital), form.rate(i->rate), form.cents(i->interest)});
        } else if (const auto *c = std::get_if<CapitalisationLine>(&line)) {
            rows.append({QStringLiteral("Capitalisation du %1 : %2 d'intérêts ajoutés au capital")
                             .arg(formatDay(c->date), form.cents(c->amount))});
        }
    }
    return rows;
}

QList<Row> totalRows(const TitleDocument &doc, const NumberForm &form, bool sameRows)
{
    const TitleStatement &s = doc.statement;
    QList<Row> rows{
        {QStringLiteral("Principal restant dû"), form.euros(s.capital)},
        {QStringLiteral("Frais restant dus"), form.euros(s.costs)},
        {QStringLiteral("Intérêts restant dus"), form.euros(s.interest)},
    };
    const Cents total = s.total();
    if (sameRows || total < 0)
        rows.append({QStringLiteral("Crédit du débiteur"), form.euros(std::max<Cents>(0, -total))});
    if (sameRows || total >= 0)
        rows.append({QStringLiteral("Total dû"), form.euros(std::max<Cents>(0, total))});
    if (doc.input.provision) {
        rows.append({QStringLiteral("Provision d'un mois d'intérêts"), form.euros(s.provision)});
        rows.append({QStringLiteral("Total avec la provision"),
                     form.euros(std::max<Cents>(0, s.totalWithProvision()))});
    }
    return rows;
}

QList<TitleSection> sections(const TitleDocument &doc, const NumberForm &form, bool forSheet)
{
    const TitleInput &in = doc.input;
    const TitleStatement &s = doc.statement;
    QList<TitleSection> out;

    TitleSection head;
    head.pairs = caseRows(doc.caseFields, forSheet);
    head.pairs += QList<Row>{
        {QStringLiteral("Catégorie"), categoryText(in.category)},
        {QStringLiteral("Jusqu'au (non compris)"), formatDay(in.to)},
        {QStringLiteral("Base de calcul"), dayBaseText(in.dayBase)},
        {QStringLiteral("Majoration de cinq points"), TitleMajorationText(in, s)},
        {QStringLiteral("Imputation des acomptes"), imputationInWords(in.imputation)},
    };
    out.append(head);

    for (int c = 0; c < in.claims.size() && c < s.claims.size(); ++c) {
        const Claim &claim = in.claims.at(c);
        TitleSection b;
        QString name = claimName(in, c);
        name[0] = name.at(0).toUpper();
        b.heading = name;
        b.pairs = {{QStringLiteral("Montant"), form.euros(claim.amount)},
                   {QStringLiteral("Dû à compter du"), formatDay(claim.from)},
                   {QStringLiteral("Intérêts"), claimInterest(claim, s.claims.at(c), form)}};
        if (claim.interest != ClaimInterest::None) {
            b.table = interestTable(s.claims.at(c), form);
            b.right = {false, false, true, true, true, true};
        }
        out.append(b);
    }

    if (!in.costs.isEmpty()) {
        TitleSection b;
        b.heading = QStringLiteral("Frais");
        b.table = {{QStringLiteral("N°"), QStringLiteral("Date"), QStringLiteral("Libellé"),
                    QStringLiteral("Montant"), QStringLiteral("Payé"),
                    QStringLiteral("Restant dû")}};
        for (int i = 0; i < in.costs.size(); ++i) {
            const Cost &cost = in.costs.at(i);
            const Cents paid = s.costPaid.value(i);
            b.table.append({QString::number(i + 1), formatDay(cost.date), SafeLine(cost.label),
                            form.cents(cost.amount), form.cents(paid),
                            form.cents(cost.amount - paid)});
        }
        b.right = {false, false, false, true, true, true};
        out.append(b);
    }

    if (!s.payments.isEmpty()) {
        TitleSection b;
        b.heading = QStringLiteral("Acomptes");
        if (forSheet) {
            b.table = {{QStringLiteral("Date"), QStringLiteral("Montant"), QStringLiteral("Sur"),
                        QStringLiteral("N°"), QStringLiteral("Imputé")}};
            for (const PaymentApplication &p : s.payments) {
                for (const Allocation &a : p.allocations) {
                    static const QString to[] = {
                        QStringLiteral("frais"), QStringLiteral("intérêts"),
                        QStringLiteral("capital"), QStringLiteral("crédit")};
                    b.table.append({formatDay(p.date),
                                    p.payment < 0 ? QStringLiteral("crédit") : form.cents(p.amount),
                                    to[int(a.to)],
                                    a.index < 0 ? QString() : QString::number(a.index + 1),
                                    form.cents(a.amount)});
                }
            }
        } else {
            for (const PaymentApplication &p : s.payments)
                b.table.append({applicationText(doc, p, form)});
        }
        out.append(b);
    }

    TitleSection summary;
    summary.heading = QStringLiteral("Récapitulatif");
    summary.table = {{QStringLiteral("Créance"), QStringLiteral("Principal"),
                      QStringLiteral("Intérêts courus"), QStringLiteral("Payé sur intérêts"),
                      QStringLiteral("Payé sur capital"), QStringLiteral("Capital dû"),
                      QStringLiteral("Intérêts dus")}};
    for (int c = 0; c < s.claims.size(); ++c) {
        const ClaimStatement &claim = s.claims.at(c);
        summary.table.append({QString::number(c + 1), form.cents(claim.principal),
                              form.cents(claim.accrued), form.cents(claim.paidInterest),
                              form.cents(claim.paidCapital), form.cents(claim.capital),
                              form.cents(claim.interest)});
    }
    summary.right = {false, true, true, true, true, true, true};
    out.append(summary);

    TitleSection totals;
    totals.pairs = {{QStringLiteral("Frais"), form.euros(s.costsAmount)},
                    {QStringLiteral("Frais payés"), form.euros(s.costsPaid)},
                    {QStringLiteral("Acomptes versés"), form.euros(s.paid)}};
    totals.pairs += totalRows(doc, form, forSheet);
    if (in.provision) {
        QString what = QStringLiteral("Provision du %1 au %2 (non compris)")
                           .arg(formatDay(in.to), formatDay(s.provisionUntil));
        if (s.provisionRateMonth.isValid())
            what +=
                QStringLiteral(", au dernier taux connu, ") + monthInWords(s.provisionRateMonth);
        totals.table = {{what + u'.'}};
    }
    out.append(totals);

    TitleSection source;
    source.pairs = {{QStringLiteral("Taux connus jusqu'au"), halfYearText(doc.newestMonth)}};
    if (doc.ecbConfirmedUntil.isValid())
        source.pairs.append({QStringLiteral("Taux de la BCE confirmés jusqu'au"),
                             formatDay(doc.ecbConfirmedUntil)});
    if (forSheet || !doc.ratesNote.isEmpty())
        source.pairs.append({QStringLiteral("Origine des taux"), SafeLine(doc.ratesNote)});
    source.pairs.append({QStringLiteral("Décompte établi le"), formatDay(doc.madeOn)});
    out.append(source);
    return out;
}

// The amounts of pairs line up on their right edge.
QList<Row> rightAlignedValues(QList<Row> rows)
{
    int width = 0;
    for (const Row &row : rows)
        width = std::max(width, int(row.at(1).size()));
    for (Row &row : rows)
        row[1] = row.at(1).rightJustified(width);
    return rows;
}

} // namespace

TitleDocument MakeTitleDocument(const RateTable &table, const TitleInput &input,
                                const TitleStatement &statement, const QDate &madeOn,
                                const CaseFields &caseFields)
{
    TitleDocument document;
    document.input = input;
    document.statement = statement;
    document.ratesPath = table.filePath;
    document.madeOn = madeOn;
    document.caseFields = caseFields;
    document.ratesNote = table.sourceNote;
    if (table.count > 0)
        document.newestMonth = table.rows[0].monthStart;
    return document;
}

QString TitleMajorationText(const TitleInput &input, const TitleStatement &statement)
{
    if (!statement.majorationFrom.isValid())
        return QStringLiteral("non");
    const QString from =
        QStringLiteral("majoration à compter du ") + formatDay(statement.majorationFrom);
    if (input.majoration.kind == TitleMajoration::Kind::ServedOn)
        return QStringLiteral("signifié le ") + formatDay(input.majoration.date) +
               QStringLiteral(" : ") + from;
    return from;
}

QString ClaimInterestText(const Claim &claim, const ClaimStatement &statement,
                          const QLocale &locale)
{
    return claimInterest(claim, statement, NumberForm{locale, true});
}

QString PaymentApplicationText(const TitleDocument &document, const PaymentApplication &applied,
                               const QLocale &locale)
{
    return applicationText(document, applied, NumberForm{locale, true});
}

QList<TitleSection> TitleSections(const TitleDocument &document, const QLocale &locale)
{
    return sections(document, NumberForm{locale, true}, false);
}

QString TitleTextTable(const TitleDocument &document, const QLocale &locale)
{
    QString out = kTitle + QStringLiteral("\n\n");
    const QList<TitleSection> parts = TitleSections(document, locale);
    for (int i = 0; i < parts.size(); ++i) {
        const TitleSection &b = parts.at(i);
        if (!b.heading.isEmpty())
            out += b.heading + u'\n';
        // The totals' amounts line up; the other values are words.
        const bool amounts = i == parts.size() - 2;
        if (!b.pairs.isEmpty())
            out += alignedPairs(amounts ? rightAlignedValues(b.pairs) : b.pairs);
        if (!b.table.isEmpty()) {
            if (!b.pairs.isEmpty())
                out += u'\n';
            out += alignedTable(b.table, b.right.isEmpty() ? QList<bool>{false} : b.right);
        }
        if (i + 1 < parts.size())
            out += u'\n';
    }
    return out;
}

namespace {

// The sections one field a cell for a spreadsheet; every field typed by
// someone is one safe line already, so only the separator needs `cell`.
QString sheetText(const TitleDocument &document, const NumberForm &form, QChar separator,
                  QString (*cell)(const QString &))
{
    QString out;
    const auto add = [&](const Row &row) {
        QStringList fields;
        for (const QString &field : row)
            fields << cell(defused(field));
        out += fields.join(separator) + QStringLiteral("\r\n");
    };
    add({kTitle});
    for (const TitleSection &b : sections(document, form, true)) {
        add({});
        if (!b.heading.isEmpty())
            add({b.heading});
        for (const Row &row : b.pairs)
            add(row);
        for (const Row &row : b.table)
            add(row);
    }
    return out;
}

QString asIs(const QString &field)
{
    return field;
}

} // namespace

QByteArray TitleTsv(const TitleDocument &document, const QLocale &locale)
{
    return sheetText(document, NumberForm{locale, false}, u'\t', asIs).toUtf8();
}

QByteArray TitleCsv(const TitleDocument &document)
{
    return QByteArray("\xEF\xBB\xBF") +
           sheetText(document, NumberForm{QLocale(QLocale::French, QLocale::France), false}, u';',
                     csvField)
               .toUtf8();
}

namespace {

QString jsonText(const QString &text)
{
    // Kept whole, escaped, but never reordered on the reader's screen.
    const QString shown = WithoutBidiControls(text);
    return shown.isEmpty() ? QStringLiteral("null") : jsonString(shown);
}

QString jsonIndex(int index)
{
    return index < 0 ? QStringLiteral("null") : QString::number(index + 1);
}

QString jsonLines(const ClaimStatement &claim)
{
    QStringList lines;
    for (const StatementLine &line : claim.lines)
        lines << jsonLine(line);
    return jsonList(lines, QStringLiteral("      "));
}

QString interestKind(ClaimInterest interest)
{
    switch (interest) {
    case ClaimInterest::Legal:
        return QStringLiteral("legal");
    case ClaimInterest::Fixed:
        return QStringLiteral("fixe");
    case ClaimInterest::EcbPenalties:
        return QStringLiteral("bce");
    case ClaimInterest::EcbPublicBuyer:
        return QStringLiteral("commande-publique");
    case ClaimInterest::None:
        break;
    }
    return QStringLiteral("aucun");
}

QString members(const QStringList &parts, const QString &indent)
{
    return QStringLiteral("{\n") + indent + QStringLiteral("  ") +
           parts.join(QStringLiteral(",\n") + indent + QStringLiteral("  ")) + u'\n' + indent +
           u'}';
}

} // namespace

QByteArray TitleJson(const TitleDocument &document)
{
    const TitleInput &in = document.input;
    const TitleStatement &s = document.statement;

    QStringList claims;
    for (int c = 0; c < in.claims.size(); ++c) {
        const Claim &claim = in.claims.at(c);
        const ClaimStatement *result = c < s.claims.size() ? &s.claims.at(c) : nullptr;
        QStringList parts{
            QStringLiteral("\"libelle\": ") + jsonText(SafeLine(claim.label)),
            QStringLiteral("\"montant\": ") + jsonCents(claim.amount),
            QStringLiteral("\"du\": ") + jsonDate(claim.from),
            QStringLiteral("\"interets\": ") + jsonString(interestKind(claim.interest)),
            QStringLiteral("\"coefficient\": ") + (claim.interest == ClaimInterest::Legal
                                                       ? jsonRate(claim.coefficient)
                                                       : QStringLiteral("null")),
            QStringLiteral("\"taux_fixe\": ") +
                (claim.interest == ClaimInterest::Fixed
                     ? jsonString(QString(claim.fixedRate).trimmed().replace(u',', u'.'))
                     : QStringLiteral("null")),
            QStringLiteral("\"majoree\": ") +
                QLatin1String(claim.majorated && claim.interest == ClaimInterest::Legal ? "true"
                                                                                        : "false"),
            QStringLiteral("\"capitalisation_du\": ") +
                (claim.capitalise && claim.interest != ClaimInterest::None
                     ? jsonDate(claim.capitalisationFrom.value_or(claim.from))
                     : QStringLiteral("null")),
        };
        if (claim.interest == ClaimInterest::EcbPenalties)
            parts << QStringLiteral("\"marge\": ") +
                         jsonString(QString(claim.margin).trimmed().replace(u',', u'.'));
        if (result && !result->ecbBases.isEmpty()) {
            QStringList bases;
            for (const EcbBasis &basis : result->ecbBases)
                bases << QStringLiteral("{\"semestre\": %1, \"taux\": %2}")
                             .arg(jsonDate(basis.halfYear), jsonRate(basis.rate / 1000.0));
            parts << QStringLiteral("\"taux_bce\": [") + bases.join(QStringLiteral(", ")) + u']';
        }
        if (result) {
            parts << QStringLiteral("\"majoration_du\": ") + (result->majorationFrom.isValid()
                                                                  ? jsonDate(result->majorationFrom)
                                                                  : QStringLiteral("null"))
                  << QStringLiteral("\"lignes\": ") + jsonLines(*result)
                  << QStringLiteral("\"interets_courus\": ") + jsonCents(result->accrued)
                  << QStringLiteral("\"capitalises\": ") + jsonCents(result->capitalised)
                  << QStringLiteral("\"paye_sur_interets\": ") + jsonCents(result->paidInterest)
                  << QStringLiteral("\"paye_sur_capital\": ") + jsonCents(result->paidCapital)
                  << QStringLiteral("\"capital\": ") + jsonCents(result->capital)
                  << QStringLiteral("\"interets_dus\": ") + jsonCents(result->interest)
                  << QStringLiteral("\"provision\": ") + jsonCents(result->provision);
        }
        claims << members(parts, QStringLiteral("    "));
    }

    QStringList costs;
    for (int i = 0; i < in.costs.size(); ++i) {
        const Cost &cost = in.costs.at(i);
        costs << jsonObject({{"date", jsonDate(cost.date)},
                             {"libelle", jsonText(SafeLine(cost.label))},
                             {"montant", jsonCents(cost.amount)},
                             {"paye", jsonCents(s.costPaid.value(i))}});
    }

    QStringList payments;
    for (const TitlePayment &p : in.payments)
        payments << jsonObject({{"date", jsonDate(p.date)},
                                {"montant", jsonCents(p.amount)},
                                {"creance", jsonIndex(p.claim)}});

    QStringList applied;
    for (const PaymentApplication &p : s.payments) {
        QStringList where;
        for (const Allocation &a : p.allocations) {
            static const char *const to[] = {"frais", "interets", "capital", "credit"};
            where << jsonObject({{"sur", jsonString(QLatin1String(to[int(a.to)]))},
                                 {"numero", jsonIndex(a.index)},
                                 {"montant", jsonCents(a.amount)}});
        }
        applied << QStringLiteral("{\"date\": %1, \"acompte\": %2, \"montant\": %3, "
                                  "\"imputation\": [%4]}")
                       .arg(jsonDate(p.date), jsonIndex(p.payment), jsonCents(p.amount),
                            where.join(QStringLiteral(", ")));
    }

    const CaseFields &fields = document.caseFields;
    const TitleMajoration &m = in.majoration;
    const QString entree = members(
        {
            QStringLiteral("\"creancier\": ") + jsonText(fields.creancier),
            QStringLiteral("\"debiteur\": ") + jsonText(fields.debiteur),
            QStringLiteral("\"reference\": ") + jsonText(fields.reference),
            QStringLiteral("\"titre_executoire\": ") + jsonText(fields.titre),
            QStringLiteral("\"jusqu_au\": ") + jsonDate(in.to),
            QStringLiteral("\"categorie\": ") +
                jsonString(in.category == RateCategory::PersonnesPhysiques
                               ? QStringLiteral("personnes_physiques")
                               : QStringLiteral("autres")),
            QStringLiteral("\"base\": ") + jsonString(in.dayBase == DayBase::ActualYear
                                                          ? QStringLiteral("annee_reelle")
                                                          : QStringLiteral("365")),
            QStringLiteral("\"signifie_le\": ") + (m.kind == TitleMajoration::Kind::ServedOn
                                                       ? jsonDate(m.date)
                                                       : QStringLiteral("null")),
            QStringLiteral("\"majoration_du\": ") +
                (s.majorationFrom.isValid() ? jsonDate(s.majorationFrom) : QStringLiteral("null")),
            QStringLiteral("\"imputation\": ") +
                jsonString(in.imputation == Imputation::CapitalFirst
                               ? QStringLiteral("capital-d-abord")
                               : QStringLiteral("frais-interets-capital")),
            QStringLiteral("\"provision\": ") + QLatin1String(in.provision ? "true" : "false"),
            QStringLiteral("\"acomptes\": ") + jsonList(payments, QStringLiteral("    ")),
        },
        QStringLiteral("  "));

    const QString provision =
        in.provision
            ? jsonObject({{"montant", jsonCents(s.provision)},
                          {"jusqu_au", jsonDate(s.provisionUntil)},
                          {"dernier_taux_connu", s.provisionRateMonth.isValid()
                                                     ? jsonString(s.provisionRateMonth.toString(
                                                           QStringLiteral("yyyy-MM")))
                                                     : QStringLiteral("null")},
                          {"total", jsonCents(s.totalWithProvision())}})
            : QStringLiteral("null");
    const QString newest =
        document.newestMonth.isValid()
            ? jsonString(document.newestMonth.toString(QStringLiteral("yyyy-MM")))
            : QStringLiteral("null");
    return (members(
                {
                    QStringLiteral("\"entree\": ") + entree,
                    QStringLiteral("\"creances\": ") + jsonList(claims, QStringLiteral("  ")),
                    QStringLiteral("\"frais\": ") + jsonList(costs, QStringLiteral("  ")),
                    QStringLiteral("\"imputations\": ") + jsonList(applied, QStringLiteral("  ")),
                    QStringLiteral("\"principal\": ") + jsonCents(s.principal),
                    QStringLiteral("\"interets_courus\": ") + jsonCents(s.accrued),
                    QStringLiteral("\"frais_montant\": ") + jsonCents(s.costsAmount),
                    QStringLiteral("\"acomptes\": ") + jsonCents(s.paid),
                    QStringLiteral("\"capital\": ") + jsonCents(s.capital),
                    QStringLiteral("\"frais_dus\": ") + jsonCents(s.costs),
                    QStringLiteral("\"interets\": ") + jsonCents(s.interest),
                    QStringLiteral("\"credit\": ") + jsonCents(s.credit),
                    QStringLiteral("\"total\": ") + jsonCents(s.total()),
                    QStringLiteral("\"provision\": ") + provision,
                    QStringLiteral("\"fichier_des_taux\": ") + jsonString(document.ratesPath),
                    QStringLiteral("\"dernier_mois_des_taux\": ") + newest,
                    QStringLiteral("\"origine_des_taux\": ") + jsonText(document.ratesNote),
                    QStringLiteral("\"etabli_le\": ") + jsonDate(document.madeOn),
                },
                QString()) +
            u'\n')
        .toUtf8();
}
