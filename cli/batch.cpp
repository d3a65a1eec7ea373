// The lot command: one statement per line of a CSV file, then their total.
#include "cli/commands.h"
#include "cli/csvreader.h"
#include "cli/output.h"
#include "output/statementexport.h"
#include "schedule/ratecheck.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace {

// A batch file is typed or exported by a person; anything this large is a
// wrong file, not a list of claims.
constexpr qint64 kLargestBatchFile = 64 * 1024 * 1024;

enum Column {
    Amount,
    From,
    To,
    Reference,
    Category,
    Coefficient,
    MajorationFrom,
    CapitalisationFrom,
    Base,
    Payments,
    ColumnCount
};

const std::array<const char *, ColumnCount> kColumnNames = {
    "montant",
    "depuis",
    "au",
    "reference",
    "categorie",
    "coefficient",
    "majoration-depuis",
    "capitalisation-depuis",
    "base",
    "acomptes",
};

// Spreadsheet headers come typed by hand: "Référence", "majoration_depuis".
QString columnKey(const QString &header)
{
    QString key = header.trimmed().toLower();
    key.replace(u'_', u'-');
    key.replace(u'é', u'e');
    key.replace(u'è', u'e');
    key.replace(u' ', u'-');
    return key;
}

struct Summary
{
    int line = 0;
    QString reference;
    RateCategory category = RateCategory::Autres;
    StatementInput input;
    Statement statement;
};

struct Totals
{
    Cents principal = 0;
    Cents accrued = 0;
    Cents paid = 0;
    Cents capital = 0;
    Cents interest = 0;
    Cents credit = 0;
    Cents total = 0;

    void add(const Summary &s)
    {
        principal += s.input.principal;
        accrued += s.statement.accrued;
        paid += s.statement.paid;
        capital += s.statement.capital;
        interest += s.statement.interest;
        credit += s.statement.credit;
        total += s.statement.total();
    }
};

// The amounts of a summary, or of the totals, in the order of the columns.
std::array<Cents, 7> amountsOf(const Summary &s)
{
    return {s.input.principal,    s.statement.accrued, s.statement.paid,   s.statement.capital,
            s.statement.interest, s.statement.credit,  s.statement.total()};
}

std::array<Cents, 7> amountsOf(const Totals &t)
{
    return {t.principal, t.accrued, t.paid, t.capital, t.interest, t.credit, t.total};
}

const QStringList &amountHeadings()
{
    static const QStringList headings = {QStringLiteral("Capital initial"),
                                         QStringLiteral("Intérêts courus"),
                                         QStringLiteral("Acomptes versés"),
                                         QStringLiteral("Capital restant dû"),
                                         QStringLiteral("Intérêts restant dus"),
                                         QStringLiteral("Crédit du débiteur"),
                                         QStringLiteral("Total dû")};
    return headings;
}

const std::array<const char *, 7> kAmountKeys = {
    "capital_initial", "interets_courus", "acomptes", "capital", "interets", "credit", "total"};

// "-" is standard input, so that a lot can come down a pipe. Reads one
// byte beyond the limit, so that the caller sees a file that is too large
// without holding all of it.
bool readBatchFile(const QString &path, QByteArray *bytes)
{
    QFile file;
    if (path == u"-") {
        if (!file.open(stdin, QIODevice::ReadOnly))
            return false;
    } else {
        file.setFileName(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return false;
    }
    *bytes = file.read(kLargestBatchFile + 1);
    return file.error() == QFileDevice::NoError;
}

class Batch
{
public:
    explicit Batch(const BatchRequest &request) : m_request(request) {}

    Outcome run();

private:
    // The table of a category, read once; nullptr after a rates failure,
    // which `m_ratesFailure` then holds.
    const RateTable *table(RateCategory category);
    // Computes one record or says what is wrong with it.
    QString compute(const CsvRecord &record);

    QByteArray text(const QLocale &locale) const;
    QByteArray separated(QChar separator, const QString &decimalMark, bool quote) const;
    QByteArray json() const;

    const BatchRequest &m_request;
    std::array<int, ColumnCount> m_column{};
    std::array<std::unique_ptr<RateTable>, 2> m_tables;
    std::optional<Outcome> m_ratesFailure;
    QList<Summary> m_summaries;
    QStringList m_errors;
    QList<int> m_errorLines;
    Totals m_totals;
};

const RateTable *Batch::table(RateCategory category)
{
    std::unique_ptr<RateTable> &slot = m_tables[category == RateCategory::Autres ? 0 : 1];
    if (!slot) {
        slot = std::make_unique<RateTable>();
        slot->filePath = RatesFilePath(m_request.common.ratesFolder);
        if (const LoadResult loaded = LoadCheckedRatesFile(*slot, category); !loaded.ok()) {
            m_ratesFailure = RatesFailure(loaded, slot->filePath);
            slot.reset();
            return nullptr;
        }
    }
    return slot.get();
}

QString Batch::compute(const CsvRecord &record)
{
    auto field = [&](Column c) -> QString {
        const int index = m_column[c];
        return index < 0 ? QString() : record.fields.value(index);
    };
    auto named = [](Column c, const QString &error) {
        return QString::fromLatin1(kColumnNames[c]) + QStringLiteral(" : ") + error;
    };

    Summary summary;
    summary.line = record.line;
    summary.reference = field(Reference);
    StatementInput &input = summary.input;

    for (Column c : {Amount, From, To}) {
        if (field(c).isEmpty())
            return QString::fromLatin1(kColumnNames[c]) + QStringLiteral(" : case vide");
    }
    const Read<Cents> amount = readAmount(field(Amount));
    if (!amount.value)
        return named(Amount, amount.error);
    input.principal = *amount.value;
    const Read<QDate> from = readDay(field(From));
    if (!from.value)
        return named(From, from.error);
    input.from = *from.value;
    const Read<QDate> to = readDay(field(To));
    if (!to.value)
        return named(To, to.error);
    input.to = *to.value;

    summary.category = m_request.common.category;
    if (!field(Category).isEmpty()) {
        const Read<RateCategory> category = readCategory(field(Category));
        if (!category.value)
            return named(Category, category.error);
        summary.category = *category.value;
    }
    int coefficient = m_request.coefficientIndex;
    if (!field(Coefficient).isEmpty()) {
        const Read<int> read = readCoefficientIndex(field(Coefficient));
        if (!read.value)
            return named(Coefficient, read.error);
        coefficient = *read.value;
    }
    input.coefficient = coefficientOfIndex(coefficient);
    if (!field(MajorationFrom).isEmpty()) {
        const Read<QDate> read = readDay(field(MajorationFrom));
        if (!read.value)
            return named(MajorationFrom, read.error);
        input.majorationFrom = *read.value;
    }
    input.capitalise = m_request.capitalise;
    const QString capitalisation = field(CapitalisationFrom).toLower();
    if (capitalisation == u"non" || capitalisation == u"sans") {
        input.capitalise = false;
    } else if (capitalisation == u"oui") {
        input.capitalise = true;
    } else if (!capitalisation.isEmpty()) {
        const Read<QDate> read = readDay(capitalisation);
        if (!read.value)
            return named(CapitalisationFrom, read.error + QStringLiteral(", ou non"));
        input.capitalise = true;
        input.capitalisationFrom = *read.value;
    }
    if (input.capitalise && !input.capitalisationFrom)
        input.capitalisationFrom = input.from;
    input.dayBase = m_request.dayBase;
    if (!field(Base).isEmpty()) {
        const Read<DayBase> read = readDayBase(field(Base));
        if (!read.value)
            return named(Base, read.error);
        input.dayBase = *read.value;
    }
    for (const QString &text : field(Payments).split(u'|', Qt::SkipEmptyParts)) {
        if (text.trimmed().isEmpty())
            continue;
        const Read<Payment> payment = readPayment(text);
        if (!payment.value)
            return named(Payments, payment.error);
        input.payments.append(*payment.value);
    }

    const RateTable *rates = table(summary.category);
    if (!rates)
        return {};
    const StatementResult result = ComputeStatement(*rates, input);
    if (!result.ok())
        return result.error ? result.error->message : QStringLiteral("calcul impossible");
    summary.statement = *result.statement;
    m_totals.add(summary);
    m_summaries.append(std::move(summary));
    return {};
}

Outcome Batch::run()
{
    const QString usage = QStringLiteral("\nAide : taux-legal-cli lot --help");
    QByteArray bytes;
    if (!readBatchFile(m_request.csvPath, &bytes))
        return {kUsage, QStringLiteral("impossible de lire « ") + m_request.csvPath +
                            QStringLiteral(" »") + usage};
    if (bytes.size() > kLargestBatchFile)
        return {kUsage, m_request.csvPath + QStringLiteral(" : fichier trop grand pour un lot "
                                                           "(plus de 64 Mio)")};
    const CsvFile csv = ReadCsv(bytes);
    if (!csv.error.isEmpty())
        return {kUsage, m_request.csvPath + QStringLiteral(" : ") + csv.error};
    if (csv.records.isEmpty())
        return {kUsage, m_request.csvPath +
                            QStringLiteral(" : fichier vide ; attendu une ligne "
                                           "d'en-tête nommant les colonnes") +
                            usage};

    const CsvRecord &header = csv.records.first();
    if (header.unclosedQuote)
        return {kUsage, QStringLiteral("ligne %1 : guillemet ouvert et jamais fermé dans l'en-tête")
                            .arg(header.line)};
    m_column.fill(-1);
    QStringList known;
    for (const char *name : kColumnNames)
        known.append(QString::fromLatin1(name));
    for (qsizetype i = 0; i < header.fields.size(); ++i) {
        const QString key = columnKey(header.fields.at(i));
        const qsizetype column = known.indexOf(key);
        if (column < 0)
            return {kUsage, QStringLiteral("ligne %1 : colonne inconnue « %2 » ; attendu les "
                                           "colonnes ")
                                    .arg(header.line)
                                    .arg(header.fields.at(i)) +
                                known.join(QStringLiteral(", ")) + usage};
        if (m_column[column] >= 0)
            return {kUsage, QStringLiteral("ligne %1 : la colonne %2 est nommée deux fois")
                                .arg(header.line)
                                .arg(key)};
        m_column[column] = int(i);
    }
    for (Column c : {Amount, From, To}) {
        if (m_column[c] < 0)
            return {kUsage, QStringLiteral("ligne %1 : la colonne %2 manque ; les colonnes "
                                           "montant, depuis et au sont obligatoires")
                                    .arg(header.line)
                                    .arg(QString::fromLatin1(kColumnNames[c])) +
                                usage};
    }

    for (qsizetype i = 1; i < csv.records.size(); ++i) {
        const CsvRecord &record = csv.records.at(i);
        QString error;
        if (record.unclosedQuote)
            error = QStringLiteral("guillemet ouvert et jamais fermé : la ligne et toutes les "
                                   "suivantes sont lues comme une seule case");
        else if (record.fields.size() > header.fields.size())
            error = QStringLiteral("%1 cases pour %2 colonnes")
                        .arg(record.fields.size())
                        .arg(header.fields.size());
        else
            error = compute(record);
        if (m_ratesFailure)
            return *m_ratesFailure;
        if (!error.isEmpty()) {
            m_errors.append(QStringLiteral("ligne %1 : ").arg(record.line) + error);
            m_errorLines.append(record.line);
        }
    }

    const QLocale locale;
    QByteArray out;
    switch (m_request.common.format) {
    case OutputFormat::Text:
        out = text(locale);
        break;
    case OutputFormat::Tsv:
        out = separated(u'\t', locale.decimalPoint(), false);
        break;
    case OutputFormat::Csv:
        out = "\xEF\xBB\xBF" + separated(u';', QStringLiteral(","), true);
        break;
    case OutputFormat::Json:
    case OutputFormat::Pdf:
        out = json();
        break;
    }
    QString writeError;
    const bool written = Deliver(out, m_request.common.outputPath, &writeError);
    QStringList messages = m_errors;
    if (!written)
        messages.append(writeError);
    const int status = !written ? kWriteFailed : m_errors.isEmpty() ? kDone : kComputeFailed;
    return {status, messages.join(u'\n')};
}

QByteArray Batch::text(const QLocale &locale) const
{
    QList<QStringList> rows;
    QStringList heading = {QStringLiteral("Ligne"), QStringLiteral("Référence"),
                           QStringLiteral("Du"), QStringLiteral("Jusqu'au")};
    heading += amountHeadings();
    rows.append(heading);
    for (const Summary &s : m_summaries) {
        QStringList row = {QString::number(s.line), s.reference, formatDay(s.input.from),
                           formatDay(s.input.to)};
        for (Cents c : amountsOf(s))
            row.append(formatCents(c, locale));
        rows.append(row);
    }
    QStringList total = {QStringLiteral("Total"),
                         QStringLiteral("%1 décompte(s)").arg(m_summaries.size()), QString(),
                         QString()};
    for (Cents c : amountsOf(m_totals))
        total.append(formatCents(c, locale));

    QList<qsizetype> widths(heading.size(), 0);
    for (const QStringList &row : rows + QList<QStringList>{total}) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }
    auto line = [&](const QStringList &row) {
        QString text;
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += QStringLiteral("  ");
            // Numbers right-aligned so their digits line up; words left.
            const bool number = i == 0 || i >= 4;
            text +=
                number ? row.at(i).rightJustified(widths[i]) : row.at(i).leftJustified(widths[i]);
        }
        while (text.endsWith(u' '))
            text.chop(1);
        return text + u'\n';
    };
    QString text;
    for (const QStringList &row : rows)
        text += line(row);
    text += u'\n' + line(total);
    if (!m_errorLines.isEmpty()) {
        QStringList numbers;
        for (int n : m_errorLines)
            numbers.append(QString::number(n));
        text += QStringLiteral("\nLignes refusées (voir les messages d'erreur) : ") +
                numbers.join(QStringLiteral(", ")) + u'\n';
    }
    text += QStringLiteral("\nDécomptes établis le ") + formatDay(m_request.madeOn) + u'\n';
    return text.toUtf8();
}

QByteArray Batch::separated(QChar separator, const QString &decimalMark, bool quote) const
{
    auto cell = [&](const QString &value) {
        if (!quote || !(value.contains(separator) || value.contains(u'"') ||
                        value.contains(u'\n') || value.contains(u'\r')))
            return value;
        QString escaped = value;
        escaped.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + escaped + u'"';
    };
    auto line = [&](const QStringList &row) {
        QStringList cells;
        for (const QString &value : row)
            cells.append(cell(value));
        return cells.join(separator) + QStringLiteral("\r\n");
    };
    QStringList heading = {QStringLiteral("Ligne"), QStringLiteral("Référence"),
                           QStringLiteral("Du"), QStringLiteral("Jusqu'au")};
    QString text = line(heading + amountHeadings());
    for (const Summary &s : m_summaries) {
        // A reference cannot break the columns of a TSV file.
        QString reference = s.reference;
        if (!quote)
            reference.replace(QRegularExpression(QStringLiteral("[\t\r\n]")), QStringLiteral(" "));
        QStringList row = {QString::number(s.line), reference, formatDay(s.input.from),
                           formatDay(s.input.to)};
        for (Cents c : amountsOf(s))
            row.append(centsPlain(c, decimalMark));
        text += line(row);
    }
    QStringList total = {QStringLiteral("Total"), QString(), QString(), QString()};
    for (Cents c : amountsOf(m_totals))
        total.append(centsPlain(c, decimalMark));
    text += line(total);
    return text.toUtf8();
}

QByteArray Batch::json() const
{
    auto amounts = [](const std::array<Cents, 7> &values) {
        QByteArray out;
        for (size_t i = 0; i < values.size(); ++i)
            out += ", \"" + QByteArray(kAmountKeys[i]) + "\": " + jsonString(centsJson(values[i]));
        return out;
    };
    QByteArray out = "{\n  \"decomptes\": [";
    for (qsizetype i = 0; i < m_summaries.size(); ++i) {
        const Summary &s = m_summaries.at(i);
        out += i == 0 ? "\n" : ",\n";
        out += "    {\"ligne\": " + jsonString(QString::number(s.line)) +
               ", \"reference\": " + jsonString(s.reference) +
               ", \"categorie\": " + jsonString(categoryName(s.category)) +
               ", \"du\": " + jsonString(s.input.from.toString(Qt::ISODate)) +
               ", \"jusqu_au\": " + jsonString(s.input.to.toString(Qt::ISODate)) +
               amounts(amountsOf(s)) + "}";
    }
    out += m_summaries.isEmpty() ? "],\n" : "\n  ],\n";
    out += "  \"erreurs\": [";
    for (qsizetype i = 0; i < m_errors.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        const QString message = m_errors.at(i).section(QStringLiteral(" : "), 1);
        out += "    {\"ligne\": " + jsonString(QString::number(m_errorLines.at(i))) +
               ", \"message\": " + jsonString(message) + "}";
    }
    out += m_errors.isEmpty() ? "],\n" : "\n  ],\n";
    out += "  \"total\": {\"decomptes\": " + jsonString(QString::number(m_summaries.size())) +
           amounts(amountsOf(m_totals)) + "},\n";
    out += "  \"etabli_le\": " + jsonString(m_request.madeOn.toString(Qt::ISODate)) + "\n}\n";
    return out;
}

} // namespace

Outcome RunBatch(const BatchRequest &request)
{
    return Batch(request).run();
}
