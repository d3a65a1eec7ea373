// The lot command: one statement per line of a CSV file, then their total.
// A lot is read and computed line by line and its statements kept in a
// temporary file, so that its memory does not grow with its length.
#include "cli/commands.h"
#include "cli/csvreader.h"
#include "cli/output.h"
#include "cli/titlevalues.h"
#include "output/safetext.h"
#include "output/statementexport.h"
#include "schedule/money.h"
#include "schedule/ratecheck.h"
#include "schedule/title.h"
#include "update/locations.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A lot may be as long as it likes, but one of its lines holds a claim
// and its payments: anything this long is a wrong file or a quote never
// closed, and reading on would hold it all in memory.
constexpr qsizetype kLongestRecord = 1024 * 1024;

// A lot is computed this many lines at a time, spread over at most so
// many threads.
constexpr size_t kPieceLines = 2048;
constexpr size_t kLargestThreadCount = 4;

// Output is handed on in pieces of about this size.
constexpr qsizetype kOutputPiece = 64 * 1024;

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
    Rate,
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
    "taux",
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

using Amounts = std::array<Cents, 7>;

// What the outputs show of one statement, as the spool keeps it.
struct Summary
{
    qint32 line = 0;
    QString reference;
    RateCategory category = RateCategory::Autres;
    QDate from;
    QDate to;
    QString basis; // the rate when it is not the legal one: "bce+10", "commande-publique", "4,5"
    // In the order of the columns: initial capital, interest accrued,
    // payments, capital, interest and credit at the end, total.
    Amounts amounts{};
};

QDataStream &operator<<(QDataStream &stream, const Summary &s)
{
    stream << s.line << s.reference << quint8(s.category == RateCategory::Autres ? 0 : 1) << s.from
           << s.to << s.basis;
    for (Cents c : s.amounts)
        stream << c;
    return stream;
}

QDataStream &operator>>(QDataStream &stream, Summary &s)
{
    quint8 category = 0;
    stream >> s.line >> s.reference >> category >> s.from >> s.to >> s.basis;
    s.category = category == 0 ? RateCategory::Autres : RateCategory::PersonnesPhysiques;
    for (Cents &c : s.amounts)
        stream >> c;
    return stream;
}

// The amounts of every statement added up, each sum checked.
struct Totals
{
    int count = 0;
    Amounts amounts{};

    // False, and nothing added, when a sum would go beyond what a cent
    // count holds.
    bool add(const Amounts &line)
    {
        Amounts sums = amounts;
        for (size_t i = 0; i < sums.size(); ++i) {
            if (!addCents(sums[i], line[i], &sums[i]))
                return false;
        }
        amounts = sums;
        ++count;
        return true;
    }
};

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

// Why a batch file cannot be opened, in words; empty when it is open.
// "-" is standard input, so that a lot can come down a pipe.
QString openBatchFile(const QString &path, QFile *file)
{
    if (path == u"-")
        return file->open(fileno(stdin), QIODevice::ReadOnly) ? QString()
                                                              : QStringLiteral("entrée illisible");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("fichier absent");
    if (info.isDir())
        return QStringLiteral("c'est un dossier ; attendu un fichier CSV");
    file->setFileName(path);
    if (!file->open(QIODevice::ReadOnly))
        return QStringLiteral("lecture refusée");
    return {};
}

// Where the output goes as it is made: standard output at once, or a
// temporary file handed whole to the -o file at the end, which is thus
// replaced whole or not at all.
class Sink
{
public:
    explicit Sink(const QString &path) : m_path(path) {}

    void write(const QString &text)
    {
        m_piece += text.toUtf8();
        if (m_piece.size() >= kOutputPiece)
            flush();
    }

    // False with the reason when the output could not all be written;
    // `notice` says what a written file did not keep.
    bool finish(QString *error, QString *notice)
    {
        flush();
        if (!m_error.isEmpty()) {
            *error = m_error;
            return false;
        }
        if (m_path.isEmpty())
            return true;
        // Mapped, not read: the pages come from the temporary file as they
        // are copied and never all stay in memory.
        const qint64 size = m_spool.size();
        uchar *data = size > 0 ? m_spool.map(0, size) : nullptr;
        if (size > 0 && !data) {
            *error = QStringLiteral("impossible de relire la sortie mise de côté");
            return false;
        }
        return Deliver(QByteArray::fromRawData(reinterpret_cast<const char *>(data), size), m_path,
                       error, notice);
    }

private:
    void flush()
    {
        if (m_piece.isEmpty() || !m_error.isEmpty())
            return;
        if (m_path.isEmpty()) {
            WriteStandardOutput(m_piece, &m_error);
        } else if ((!m_spool.isOpen() && !m_spool.open()) ||
                   m_spool.write(m_piece) != m_piece.size()) {
            m_error = QStringLiteral("impossible de mettre la sortie de côté dans un fichier "
                                     "temporaire (disque plein ?)");
        }
        m_piece.clear();
    }

    QString m_path;
    QByteArray m_piece;
    QTemporaryFile m_spool;
    QString m_error;
};

// A temporary file of records written once and then read, from the start,
// as often as an output needs.
class Spool
{
public:
    bool open()
    {
        if (!m_file.open())
            return false;
        m_stream.setDevice(&m_file);
        return true;
    }
    template <typename T> void append(const T &value)
    {
        m_stream << value;
        ++m_count;
    }
    // Reads each record back in order; false when the file fails.
    template <typename T, typename Visit> bool forEach(Visit visit)
    {
        if (!m_file.flush() || !m_file.seek(0))
            return false;
        m_stream.resetStatus();
        for (qint64 i = 0; i < m_count; ++i) {
            T value;
            m_stream >> value;
            if (m_stream.status() != QDataStream::Ok)
                return false;
            visit(value);
        }
        return m_file.seek(m_file.size());
    }
    qint64 count() const { return m_count; }
    bool failed() const { return m_stream.status() != QDataStream::Ok; }

private:
    QTemporaryFile m_file;
    QDataStream m_stream;
    qint64 m_count = 0;
};

struct RefusedLine
{
    qint32 line = 0;
    QString message;
};

QDataStream &operator<<(QDataStream &stream, const RefusedLine &r)
{
    return stream << r.line << r.message;
}

QDataStream &operator>>(QDataStream &stream, RefusedLine &r)
{
    return stream >> r.line >> r.message;
}

// One line of a lot once computed.
struct Computed
{
    QString error; // empty when computed
    Summary summary;
    bool ratesFailed = false;
};

class Batch
{
public:
    explicit Batch(const BatchRequest &request) : m_request(request) {}

    Outcome run();

private:
    // The table of a category, read, checked and indexed once; nullptr
    // after a rates failure, which `m_ratesFailure` then holds.
    const StatementRates *table(RateCategory category);
    // The ECB's table beside the rates file, read once; nullptr when it
    // does not read, and `m_ecbError` says why.
    const EcbTable *ecbTable();
    // A line whose claim bears another rate than the legal one, as a title
    // of that one claim.
    QString computeOtherRate(const Claim &basis, const StatementInput &input, Summary *summary,
                             bool *ratesFailed);
    std::optional<Outcome> readHeader(const CsvRecord &header);
    // Computes one record into `summary` or says what is wrong with it;
    // `ratesFailed` when the table it needs could not be read. Safe to
    // call from several threads at once.
    QString check(const CsvRecord &record, Summary *summary, bool *ratesFailed);
    QString compute(const CsvRecord &record, Summary *summary, bool *ratesFailed);
    // Every record of `piece` into the result of the same index, spread
    // over the cores.
    void computeAll(const std::vector<CsvRecord> &piece, std::vector<Computed> *results);
    void refuse(int line, const QString &message);

    void text(Sink &sink, const QLocale &locale);
    void separated(Sink &sink, QChar separator, const QString &decimalMark, bool quote);
    void json(Sink &sink);

    const BatchRequest &m_request;
    std::array<int, ColumnCount> m_column{};
    qsizetype m_headerSize = 0; // the header's cells, without empty ones at its end
    QList<bool> m_unnamed;      // cells of the header left empty
    std::mutex m_tablesLock;    // the tables are read by the first line that needs each
    std::array<std::unique_ptr<StatementRates>, 2> m_tables;
    std::optional<Outcome> m_ratesFailure;
    std::once_flag m_ecbRead;
    std::optional<EcbTable> m_ecb;
    QString m_ecbError;
    Spool m_summaries;
    Spool m_refused;
    Totals m_totals;
};

const StatementRates *Batch::table(RateCategory category)
{
    const std::lock_guard<std::mutex> lock(m_tablesLock);
    std::unique_ptr<StatementRates> &slot = m_tables[category == RateCategory::Autres ? 0 : 1];
    if (!slot && !m_ratesFailure) {
        auto table = std::make_unique<RateTable>();
        table->filePath = RatesFilePath(m_request.common.ratesFolder);
        if (const LoadResult loaded = LoadCheckedRatesFile(*table, category); !loaded.ok()) {
            m_ratesFailure = RatesFailure(loaded, table->filePath);
            return nullptr;
        }
        slot = std::make_unique<StatementRates>(*table);
    }
    return slot.get();
}

const EcbTable *Batch::ecbTable()
{
    std::call_once(m_ecbRead, [this] {
        const EcbRead read =
            ReadEcbTableFile(LocateEcbFile(RatesFilePath(m_request.common.ratesFolder)));
        m_ecb = read.table;
        m_ecbError = read.error;
    });
    return m_ecb ? &*m_ecb : nullptr;
}

void Batch::refuse(int line, const QString &message)
{
    // Said at once, so that a long lot shows its faults as it goes.
    const QByteArray text =
        QStringLiteral("taux-legal-cli lot : ligne %1 : %2\n").arg(line).arg(message).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    m_refused.append(RefusedLine{line, message});
}

std::optional<Outcome> Batch::readHeader(const CsvRecord &header)
{
    const QString usage = QStringLiteral("\nAide : taux-legal-cli lot --help");
    if (header.unclosedQuote)
        return Outcome{kUsage,
                       QStringLiteral("ligne %1 : guillemet ouvert et jamais fermé dans l'en-tête")
                           .arg(header.line)};
    m_column.fill(-1);
    QStringList known;
    for (const char *name : kColumnNames)
        known.append(QString::fromLatin1(name));
    // A spreadsheet saves the empty cells at the end of a header as well;
    // a column left without a name between others is unused.
    m_headerSize = header.fields.size();
    while (m_headerSize > 0 && header.fields.at(m_headerSize - 1).isEmpty())
        --m_headerSize;
    m_unnamed.fill(false, m_headerSize);
    for (qsizetype i = 0; i < m_headerSize; ++i) {
        if (header.fields.at(i).trimmed().isEmpty()) {
            m_unnamed[i] = true;
            continue;
        }
        const QString key = columnKey(header.fields.at(i));
        const qsizetype column = known.indexOf(key);
        if (column < 0)
            return Outcome{kUsage, QStringLiteral("ligne %1 : colonne inconnue %2 ; attendu les "
                                                  "colonnes ")
                                           .arg(header.line)
                                           .arg(quotedValue(header.fields.at(i))) +
                                       known.join(QStringLiteral(", ")) + usage};
        if (m_column[column] >= 0)
            return Outcome{kUsage, QStringLiteral("ligne %1 : la colonne %2 est nommée deux fois")
                                       .arg(header.line)
                                       .arg(key)};
        m_column[column] = int(i);
    }
    for (Column c : {Amount, From, To}) {
        if (m_column[c] < 0)
            return Outcome{kUsage, QStringLiteral("ligne %1 : la colonne %2 manque ; les colonnes "
                                                  "montant, depuis et au sont obligatoires")
                                           .arg(header.line)
                                           .arg(QString::fromLatin1(kColumnNames[c])) +
                                       usage};
    }
    return std::nullopt;
}

QString Batch::check(const CsvRecord &record, Summary *summary, bool *ratesFailed)
{
    qsizetype filled = record.fields.size();
    while (filled > 0 && record.fields.at(filled - 1).isEmpty())
        --filled;
    if (record.unclosedQuote)
        return QStringLiteral("guillemet ouvert et jamais fermé : la ligne et toutes les "
                              "suivantes sont lues comme une seule case");
    if (filled > m_headerSize)
        return QStringLiteral("%1 cases pour %2 colonnes").arg(filled).arg(m_headerSize);
    for (qsizetype i = 0; i < filled; ++i) {
        if (m_unnamed.at(i) && !record.fields.at(i).isEmpty())
            return QStringLiteral("la case %1 est remplie (%2) mais sa colonne n'a pas de nom")
                .arg(i + 1)
                .arg(quotedValue(record.fields.at(i)));
    }
    return compute(record, summary, ratesFailed);
}

void Batch::computeAll(const std::vector<CsvRecord> &piece, std::vector<Computed> *results)
{
    auto computeRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            Computed &result = (*results)[i];
            result.error = check(piece[i], &result.summary, &result.ratesFailed);
        }
    };
    const size_t threads =
        std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kLargestThreadCount);
    if (threads == 1 || piece.size() < 2 * threads) {
        computeRange(0, piece.size());
        return;
    }
    std::vector<std::thread> others;
    const size_t share = (piece.size() + threads - 1) / threads;
    for (size_t t = 1; t < threads; ++t)
        others.emplace_back(computeRange, std::min(piece.size(), t * share),
                            std::min(piece.size(), (t + 1) * share));
    computeRange(0, share);
    for (std::thread &other : others)
        other.join();
}

QString Batch::compute(const CsvRecord &record, Summary *summary, bool *ratesFailed)
{
    auto field = [&](Column c) -> QString {
        const int index = m_column[c];
        return index < 0 ? QString() : record.fields.value(index);
    };
    auto named = [](Column c, const QString &error) {
        return QString::fromLatin1(kColumnNames[c]) + QStringLiteral(" : ") + error;
    };

    summary->line = record.line;
    summary->reference = field(Reference);
    StatementInput input;

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

    summary->category = m_request.common.category;
    if (!field(Category).isEmpty()) {
        const Read<RateCategory> category = readCategory(field(Category));
        if (!category.value)
            return named(Category, category.error);
        summary->category = *category.value;
    }
    std::optional<Claim> basis; // none for the legal rate
    if (!field(Rate).isEmpty()) {
        const Read<Claim> read = readRateBasis(field(Rate));
        if (!read.value)
            return named(Rate, read.error);
        if (read.value->interest != ClaimInterest::Legal)
            basis = *read.value;
    }
    if (basis) {
        // What only the legal rate takes.
        for (Column c : {Coefficient, MajorationFrom}) {
            if (!field(c).isEmpty())
                return named(c, QStringLiteral("pour le taux légal seulement, pas pour le taux "
                                               "« %1 »")
                                    .arg(field(Rate).trimmed()));
        }
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
    // The ECB's rates are compounded only when the line asks.
    input.capitalise = basis ? basis->capitalise && m_request.capitalise : m_request.capitalise;
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

    if (basis)
        return computeOtherRate(*basis, input, summary, ratesFailed);
    const StatementRates *rates = table(summary->category);
    if (!rates) {
        *ratesFailed = true;
        return {};
    }
    const StatementResult result = ComputeStatement(*rates, input);
    if (!result.ok())
        return result.error ? result.error->message : QStringLiteral("calcul impossible");
    // The engine keeps every amount of a statement far below what a cent
    // count holds, so its total cannot overflow; the lot's totals can.
    const Statement &statement = *result.statement;
    summary->from = input.from;
    summary->to = input.to;
    summary->amounts = {input.principal,    statement.accrued, statement.paid,   statement.capital,
                        statement.interest, statement.credit,  statement.total()};
    return {};
}

QString Batch::computeOtherRate(const Claim &basis, const StatementInput &input, Summary *summary,
                                bool *ratesFailed)
{
    TitleInput title;
    Claim claim = basis;
    claim.label = QStringLiteral("Principal");
    claim.amount = input.principal;
    claim.from = input.from;
    claim.capitalise = input.capitalise;
    claim.capitalisationFrom = input.capitalisationFrom;
    title.claims = {claim};
    for (const Payment &payment : input.payments)
        title.payments.append({payment.date, payment.amount, -1});
    title.category = summary->category;
    title.dayBase = input.dayBase;
    title.to = input.to;
    const bool ecb = basis.interest == ClaimInterest::EcbPenalties ||
                     basis.interest == ClaimInterest::EcbPublicBuyer;
    const EcbTable *ecbRates = ecb ? ecbTable() : nullptr;
    if (ecb && !ecbRates)
        return m_ecbError;
    // The legal rates are not needed, but a lot reads them as any line.
    const StatementRates *rates = table(summary->category);
    if (!rates) {
        *ratesFailed = true;
        return {};
    }
    const TitleResult result = ComputeTitle(*rates, title, ecbRates);
    if (!result.ok())
        return result.error
                   ? result.error->reason.isEmpty() ? result.error->message : result.error->reason
                   : QStringLiteral("calcul impossible");
    const TitleStatement &statement = *result.statement;
    summary->from = input.from;
    summary->to = input.to;
    switch (basis.interest) {
    case ClaimInterest::EcbPenalties:
        summary->basis = QStringLiteral("bce+") + basis.margin;
        break;
    case ClaimInterest::EcbPublicBuyer:
        summary->basis = QStringLiteral("commande-publique");
        break;
    default:
        summary->basis = basis.fixedRate;
        break;
    }
    summary->amounts = {input.principal,    statement.accrued, statement.paid,   statement.capital,
                        statement.interest, statement.credit,  statement.total()};
    return {};
}

Outcome Batch::run()
{
    const QString usage = QStringLiteral("\nAide : taux-legal-cli lot --help");
    const QString shownPath = quotedValue(m_request.csvPath);
    QFile file;
    if (const QString why = openBatchFile(m_request.csvPath, &file); !why.isEmpty())
        return {kUsage, QStringLiteral("impossible de lire ") + shownPath + QStringLiteral(" : ") +
                            why + usage};
    CsvReader reader(&file, kLongestRecord);
    CsvRecord record;
    auto readFailure = [&]() -> std::optional<Outcome> {
        switch (reader.failure()) {
        case CsvReader::Failure::None:
            return std::nullopt;
        case CsvReader::Failure::Unreadable:
            return Outcome{kUsage, QStringLiteral("impossible de lire ") + shownPath +
                                       QStringLiteral(" jusqu'au bout")};
        case CsvReader::Failure::NotText:
            return Outcome{kUsage, shownPath + QStringLiteral(" : le fichier n'est pas du texte "
                                                              "UTF-8 ; enregistrez-le en « CSV "
                                                              "UTF-8 » depuis le tableur")};
        case CsvReader::Failure::TooLarge:
            return Outcome{kUsage,
                           shownPath + QStringLiteral(" : ligne %1 : plus d'un million de "
                                                      "caractères sans fin de ligne ; le fichier "
                                                      "n'est pas un CSV, ou un guillemet n'est "
                                                      "jamais fermé")
                                           .arg(record.line)};
        }
        return std::nullopt;
    };

    if (!reader.next(&record)) {
        if (auto failure = readFailure())
            return *failure;
        return {kUsage, shownPath +
                            QStringLiteral(" : fichier vide ; attendu une ligne "
                                           "d'en-tête nommant les colonnes") +
                            usage};
    }
    if (auto refused = readHeader(record))
        return *refused;
    if (!m_summaries.open() || !m_refused.open())
        return {kWriteFailed, QStringLiteral("impossible de créer un fichier temporaire pour le "
                                             "lot (dossier temporaire absent ou plein ?)")};

    // The lines are computed a piece at a time on every core, then taken
    // in their order: the totals, the refusals said on standard error and
    // the outputs come out as from one line after the other, and the
    // memory stays that of one piece.
    std::vector<CsvRecord> piece;
    std::vector<Computed> results;
    piece.reserve(kPieceLines);
    bool more = true;
    while (more) {
        piece.clear();
        while (piece.size() < kPieceLines && (more = reader.next(&record)))
            piece.push_back(std::move(record));
        results.assign(piece.size(), Computed{});
        computeAll(piece, &results);
        for (size_t i = 0; i < piece.size(); ++i) {
            Computed &result = results[i];
            if (result.ratesFailed)
                return *m_ratesFailure;
            if (result.error.isEmpty() && !m_totals.add(result.summary.amounts))
                result.error = QStringLiteral("les montants deviennent trop grands pour être "
                                              "additionnés au total du lot");
            if (result.error.isEmpty())
                m_summaries.append(result.summary);
            else
                refuse(piece[i].line, result.error);
        }
    }
    if (auto failure = readFailure())
        return *failure;

    const QLocale locale;
    Sink sink(m_request.common.outputPath);
    switch (m_request.common.format) {
    case OutputFormat::Text:
        text(sink, locale);
        break;
    case OutputFormat::Tsv:
        separated(sink, u'\t', locale.decimalPoint(), false);
        break;
    case OutputFormat::Csv:
        sink.write(QStringLiteral("\uFEFF"));
        separated(sink, u';', QStringLiteral(","), true);
        break;
    case OutputFormat::Json:
    case OutputFormat::Pdf:
        json(sink);
        break;
    }
    QString writeError;
    QString notice;
    if (m_summaries.failed() || m_refused.failed())
        writeError = QStringLiteral("impossible de relire les décomptes mis de côté dans un "
                                    "fichier temporaire (disque plein ?)");
    else if (!sink.finish(&writeError, &notice) && writeError.isEmpty())
        writeError = QStringLiteral("la sortie n'a pas pu être écrite");
    if (!writeError.isEmpty())
        return {kWriteFailed, writeError};
    return {m_refused.count() == 0 ? kDone : kComputeFailed, notice};
}

void Batch::text(Sink &sink, const QLocale &locale)
{
    auto rowOf = [&](const Summary &s) {
        QStringList row = {QString::number(s.line), SafeLine(s.reference), formatDay(s.from),
                           formatDay(s.to)};
        for (Cents c : s.amounts)
            row.append(formatCents(c, locale));
        return row;
    };
    QStringList heading = {QStringLiteral("Ligne"), QStringLiteral("Référence"),
                           QStringLiteral("Du"), QStringLiteral("Jusqu'au")};
    heading += amountHeadings();
    QStringList total = {QStringLiteral("Total"),
                         QStringLiteral("%1 décompte(s)").arg(m_totals.count), QString(),
                         QString()};
    for (Cents c : m_totals.amounts)
        total.append(formatCents(c, locale));

    // The widths first, from every row, then the rows.
    QList<qsizetype> widths(heading.size(), 0);
    auto widen = [&](const QStringList &row) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    };
    widen(heading);
    widen(total);
    m_summaries.forEach<Summary>([&](const Summary &s) { widen(rowOf(s)); });

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
    sink.write(line(heading));
    m_summaries.forEach<Summary>([&](const Summary &s) { sink.write(line(rowOf(s))); });
    sink.write(u'\n' + line(total));
    if (m_refused.count() > 0) {
        sink.write(QStringLiteral("\nLignes refusées (voir les messages d'erreur) : "));
        bool first = true;
        m_refused.forEach<RefusedLine>([&](const RefusedLine &r) {
            sink.write((first ? QString() : QStringLiteral(", ")) + QString::number(r.line));
            first = false;
        });
        sink.write(QStringLiteral("\n"));
    }
    sink.write(QStringLiteral("\nDécomptes établis le ") + formatDay(m_request.madeOn) + u'\n');
}

void Batch::separated(Sink &sink, QChar separator, const QString &decimalMark, bool quote)
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
    const QStringList heading = {QStringLiteral("Ligne"), QStringLiteral("Référence"),
                                 QStringLiteral("Du"), QStringLiteral("Jusqu'au")};
    sink.write(line(heading + amountHeadings()));
    m_summaries.forEach<Summary>([&](const Summary &s) {
        // A reference is typed freely: a spreadsheet must not run it, and
        // nothing in it may end a cell or a row.
        const QString reference = defused(SafeLine(s.reference));
        QStringList row = {QString::number(s.line), reference, formatDay(s.from), formatDay(s.to)};
        for (Cents c : s.amounts)
            row.append(centsPlain(c, decimalMark));
        sink.write(line(row));
    });
    QStringList total = {QStringLiteral("Total"), QString(), QString(), QString()};
    for (Cents c : m_totals.amounts)
        total.append(centsPlain(c, decimalMark));
    sink.write(line(total));
}

void Batch::json(Sink &sink)
{
    auto amounts = [](const Amounts &values) {
        QString out;
        for (size_t i = 0; i < values.size(); ++i)
            out += QStringLiteral(", \"%1\": %2")
                       .arg(QLatin1String(kAmountKeys[i]), jsonString(centsJson(values[i])));
        return out;
    };
    sink.write(QStringLiteral("{\n  \"decomptes\": ["));
    bool first = true;
    m_summaries.forEach<Summary>([&](const Summary &s) {
        sink.write(
            (first ? QStringLiteral("\n") : QStringLiteral(",\n")) +
            QStringLiteral("    {\"ligne\": ") + jsonString(QString::number(s.line)) +
            QStringLiteral(", \"reference\": ") + jsonString(WithoutBidiControls(s.reference)) +
            QStringLiteral(", \"categorie\": ") + jsonString(categoryName(s.category)) +
            (s.basis.isEmpty() ? QString() : QStringLiteral(", \"taux\": ") + jsonString(s.basis)) +
            QStringLiteral(", \"du\": ") + jsonString(s.from.toString(Qt::ISODate)) +
            QStringLiteral(", \"jusqu_au\": ") + jsonString(s.to.toString(Qt::ISODate)) +
            amounts(s.amounts) + u'}');
        first = false;
    });
    sink.write(first ? QStringLiteral("],\n") : QStringLiteral("\n  ],\n"));
    sink.write(QStringLiteral("  \"erreurs\": ["));
    first = true;
    m_refused.forEach<RefusedLine>([&](const RefusedLine &r) {
        sink.write((first ? QStringLiteral("\n") : QStringLiteral(",\n")) +
                   QStringLiteral("    {\"ligne\": ") + jsonString(QString::number(r.line)) +
                   QStringLiteral(", \"message\": ") + jsonString(r.message) + u'}');
        first = false;
    });
    sink.write(first ? QStringLiteral("],\n") : QStringLiteral("\n  ],\n"));
    sink.write(QStringLiteral("  \"total\": {\"decomptes\": ") +
               jsonString(QString::number(m_totals.count)) + amounts(m_totals.amounts) +
               QStringLiteral("},\n"));
    sink.write(QStringLiteral("  \"etabli_le\": ") +
               jsonString(m_request.madeOn.toString(Qt::ISODate)) + QStringLiteral("\n}\n"));
}

} // namespace

Outcome RunBatch(const BatchRequest &request)
{
    return Batch(request).run();
}
