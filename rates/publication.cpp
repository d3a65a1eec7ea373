#include "publication.h"

#include "output/safetext.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

const QString kDublinCore = QStringLiteral("http://purl.org/dc/elements/1.1/");

struct Cell
{
    QString text;
    int span = 1;
};

struct Row
{
    bool header = false;
    QList<Cell> cells;
};

struct Table
{
    QString title;
    QList<Row> rows;
};

struct Document
{
    QString date; // dc:date as written
    QList<Table> tables;
};

// Typographic apostrophes and case aside, the same words.
bool sameWords(QString a, const QString &b)
{
    a.replace(QChar(0x2019), u'\'');
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A fiche nests a dozen elements and gives a few attributes to each.
// Beyond these the document is not one, and Qt's reader would spend
// quadratic time checking the attributes of one tag against each other.
constexpr int kMaxDepth = 64;
constexpr int kMaxAttributes = 64;
constexpr int kFirstYear = 1975;
constexpr int kLastYear = 2100;

// What a scan of the raw bytes finds before any XML reader sees them.
struct Shape
{
    QByteArray root;    // the name of the first element, as written
    int depth = 0;      // the deepest nesting of elements
    int attributes = 0; // the most attributes of one tag
};

bool nameChar(char c)
{
    return c != '>' && c != '/' && c != ' ' && c != '\t' && c != '\r' && c != '\n';
}

// Walks the tags in one linear pass: the equals signs outside quotes count
// the attributes of a tag; comments, CDATA and processing instructions are
// skipped whole. Stops counting once a bound is passed.
Shape scanShape(const QByteArray &bytes)
{
    Shape shape;
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    int depth = 0;
    const auto skipPast = [&](const char *marker) {
        const qsizetype at = bytes.indexOf(marker, p - bytes.constData());
        p = at < 0 ? end : bytes.constData() + at + qstrlen(marker);
    };
    while (p < end) {
        if (*p != '<') {
            ++p;
            continue;
        }
        const QByteArrayView rest(p, end - p);
        if (rest.startsWith("<!--")) {
            p += 4;
            skipPast("-->");
            continue;
        }
        if (rest.startsWith("<![CDATA[")) {
            p += 9;
            skipPast("]]>");
            continue;
        }
        if (rest.startsWith("<?")) {
            p += 2;
            skipPast("?>");
            continue;
        }
        const bool closing = rest.startsWith("</");
        const bool declaration = rest.startsWith("<!");
        p += closing || declaration ? 2 : 1;
        const char *const nameStart = p;
        while (p < end && nameChar(*p))
            ++p;
        const QByteArray name(nameStart, p - nameStart);
        int equals = 0;
        char quote = 0;
        bool selfClosing = false;
        while (p < end) {
            const char c = *p++;
            // A declaration's quotes may hold an entity's markup, tags and
            // their attributes included.
            if (c == '=' && (!quote || declaration))
                ++equals;
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                selfClosing = p - 2 >= nameStart && p[-2] == '/';
                break;
            }
        }
        shape.attributes = std::max(shape.attributes, equals);
        if (declaration)
            continue;
        if (closing) {
            --depth;
            continue;
        }
        if (shape.root.isEmpty())
            shape.root = name;
        if (!selfClosing)
            shape.depth = std::max(shape.depth, ++depth);
        if (shape.depth > kMaxDepth || shape.attributes > kMaxAttributes)
            break;
    }
    return shape;
}

// Collects the whole text of an element, whatever inline elements split
// it, without a reader's recursion: the characters met until the element
// ends, with blanks (no-break ones included) made single spaces.
struct TextTarget
{
    QString *text = nullptr;
    int depth = -1; // of the element whose text it is
};

std::optional<Document> readDocument(const QByteArray &bytes, QString *error)
{
    const Shape shape = scanShape(bytes);
    if (shape.depth > kMaxDepth) {
        *error =
            QStringLiteral("document illisible : plus de %1 éléments imbriqués").arg(kMaxDepth);
        return std::nullopt;
    }
    if (shape.attributes > kMaxAttributes) {
        *error = QStringLiteral("document illisible : plus de %1 attributs dans un élément")
                     .arg(kMaxAttributes);
        return std::nullopt;
    }
    QXmlStreamReader xml(bytes);
    Document doc;
    Table *table = nullptr;
    Row *row = nullptr;
    int tableDepth = -1;
    int depth = 0;
    bool rootSeen = false;
    TextTarget target;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::Characters) {
            if (target.text)
                target.text->append(xml.text());
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            if (target.text && depth == target.depth) {
                *target.text = target.text->simplified();
                target = {};
            }
            if (--depth == tableDepth) {
                table = nullptr;
                tableDepth = -1;
            }
            if (!target.text && xml.name() == u"Rangée")
                row = nullptr;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        // The scan counted what the reader will meet; this holds should
        // they ever disagree.
        if (++depth > kMaxDepth) {
            *error =
                QStringLiteral("document illisible : plus de %1 éléments imbriqués").arg(kMaxDepth);
            return std::nullopt;
        }
        const QStringView name = xml.name();
        if (table && name == u"Tableau") {
            *error = QStringLiteral("un tableau est placé dans un autre");
            return std::nullopt;
        }
        if (target.text)
            continue;
        if (!rootSeen) {
            rootSeen = true;
            if (name != u"Publication") {
                *error = QStringLiteral("ce n'est pas une publication (élément « %1 »)")
                             .arg(SafeLine(name, 200));
                return std::nullopt;
            }
            continue;
        }
        if (xml.namespaceUri() == kDublinCore && name == u"date") {
            target = {&doc.date, depth};
        } else if (name == u"Tableau") {
            doc.tables.append(Table());
            table = &doc.tables.last();
            tableDepth = depth - 1;
            row = nullptr;
        } else if (table && name == u"Titre" && table->title.isEmpty() && table->rows.isEmpty()) {
            target = {&table->title, depth};
        } else if (table && name == u"Rangée") {
            Row fresh;
            fresh.header = xml.attributes().value(QStringLiteral("type")) == u"header";
            table->rows.append(fresh);
            row = &table->rows.last();
        } else if (row && name == u"Cellule") {
            bool ok = false;
            const int span = xml.attributes().value(QStringLiteral("fusionHorizontale")).toInt(&ok);
            // Clamped, so that the columns' count cannot overflow; a span that
            // wide matches no row anyway.
            row->cells.append(Cell{QString(), ok && span > 1 ? std::min(span, 1000) : 1});
            target = {&row->cells.last().text, depth};
        }
    }
    if (xml.hasError()) {
        *error = xml.error() == QXmlStreamReader::PrematureEndOfDocumentError
                     ? QStringLiteral("document XML incomplet (ligne %1)").arg(xml.lineNumber())
                     : QStringLiteral("document XML illisible (ligne %1)").arg(xml.lineNumber());
        return std::nullopt;
    }
    if (!rootSeen) {
        *error = QStringLiteral("document vide");
        return std::nullopt;
    }
    return doc;
}

QDate publicationDate(const QString &text)
{
    static const QRegularExpression day(QStringLiteral("(\\d{4})-(\\d{2})-(\\d{2})"));
    const QRegularExpressionMatch m = day.match(text);
    return m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt())
                        : QDate();
}

std::optional<int> readHalf(const QString &text)
{
    static const QRegularExpression half(
        QStringLiteral("^([12]) ?(?:er|re|e|ème|eme|nd|nde)? semestre$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = half.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

int halfIndex(const HalfYearRates &r)
{
    return r.year * 2 + (r.half - 1);
}

QString refuse(const QString &why)
{
    return QStringLiteral("la publication n'a pas la forme attendue : ") + why;
}

} // namespace

QString HalfYearRates::periodKey() const
{
    return QString::number(half) + u'S' + QString::number(year);
}

QString HalfYearRates::caption() const
{
    return (half == 1 ? QStringLiteral("1er semestre ") : QStringLiteral("2e semestre ")) +
           QString::number(year);
}

HalfYearRates nextHalfYear(int year, int half)
{
    HalfYearRates next;
    next.year = half == 2 ? year + 1 : year;
    next.half = half == 2 ? 1 : 2;
    return next;
}

std::optional<QString> ReadRateText(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^(\\d{1,3})(?:[.,](\\d{1,6}))? ?%?$"));
    const QRegularExpressionMatch m = number.match(text.simplified());
    if (!m.hasMatch())
        return std::nullopt;
    const int whole = m.captured(1).toInt();
    const QString decimals = m.captured(2);
    const bool fractional = decimals.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (whole > 30 || (whole == 30 && fractional))
        return std::nullopt;
    QString rate = QString::number(whole);
    if (!decimals.isEmpty())
        rate += u'.' + decimals;
    return rate;
}

QString FrenchRate(const QString &fileRate)
{
    QString text = fileRate;
    return text.replace(u'.', u',');
}

bool IsPublication(const QByteArray &bytes)
{
    // The reader parses the document once, in ReadPublication; a root
    // with thousands of attributes must not be parsed here first.
    const QByteArray root = scanShape(bytes).root;
    return root.mid(root.indexOf(':') + 1) == "Publication";
}

PublicationRead ReadPublication(const QByteArray &bytes)
{
    if (bytes.size() > kMaxPublicationBytes)
        return {std::nullopt, refuse(QStringLiteral("plus de 1 Mio"))};
    QString error;
    const std::optional<Document> doc = readDocument(bytes, &error);
    if (!doc)
        return {std::nullopt, refuse(error)};

    const Table *table = nullptr;
    for (const Table &candidate : doc->tables) {
        if (!sameWords(candidate.title, QStringLiteral("Taux d'intérêt légal simple")))
            continue;
        // Which of two would be the right one cannot be told.
        if (table)
            return {std::nullopt, refuse(QStringLiteral("deux tableaux s'intitulent « Taux "
                                                        "d'intérêt légal simple »"))};
        table = &candidate;
    }
    if (!table)
        return {std::nullopt, refuse(QStringLiteral("le tableau « Taux d'intérêt légal simple » "
                                                    "est absent"))};

    // The header names the two categories; their columns count the spans
    // of the cells before them.
    int columns = 0;
    int autresColumn = -1;
    int particuliersColumn = -1;
    bool headerSeen = false;
    for (const Row &row : table->rows) {
        if (!row.header)
            continue;
        headerSeen = true;
        columns = 0;
        for (const Cell &cell : row.cells) {
            const bool particulier = cell.text.contains(u"particulier", Qt::CaseInsensitive);
            const bool autres = cell.text.contains(u"autres cas", Qt::CaseInsensitive);
            int *column = particulier && !autres   ? &particuliersColumn
                          : autres && !particulier ? &autresColumn
                                                   : nullptr;
            // A category named twice leaves its rates in doubt.
            if (column && *column >= 0)
                return {std::nullopt,
                        refuse(column == &autresColumn
                                   ? QStringLiteral("l'en-tête nomme deux colonnes « Autres cas »")
                                   : QStringLiteral("l'en-tête nomme deux colonnes des "
                                                    "particuliers"))};
            if (column)
                *column = columns;
            columns += cell.span;
        }
        break;
    }
    if (!headerSeen)
        return {std::nullopt, refuse(QStringLiteral("le tableau n'a pas de ligne d'en-tête"))};
    if (particuliersColumn < 2)
        return {std::nullopt, refuse(QStringLiteral("la colonne des particuliers est absente"))};
    if (autresColumn < 2)
        return {std::nullopt, refuse(QStringLiteral("la colonne « Autres cas » est absente"))};

    Publication publication;
    publication.date = publicationDate(doc->date);
    static const QRegularExpression yearPattern(QStringLiteral("^\\d{4}$"));
    int year = 0;
    int line = 0;
    for (const Row &row : table->rows) {
        if (row.header)
            continue;
        ++line;
        const QString where = QStringLiteral("ligne %1 du tableau : ").arg(line);
        // A year spanning several rows leaves the rows after its first
        // without a year cell: the year carries down.
        int first = 0;
        if (row.cells.size() == columns) {
            const QString yearText = row.cells.at(0).text;
            // The legal rate is published since 1975; a year such as 0000
            // or 9999 would make the file look current, or never current.
            const int value = yearText.toInt();
            if (!yearPattern.match(yearText).hasMatch() || value < kFirstYear || value > kLastYear)
                return {std::nullopt,
                        refuse(where + QStringLiteral("« %1 » n'est pas une année de %2 à %3")
                                           .arg(SafeLine(yearText, 200))
                                           .arg(kFirstYear)
                                           .arg(kLastYear))};
            year = value;
        } else if (row.cells.size() == columns - 1 && year > 0) {
            first = 1;
        } else {
            return {
                std::nullopt,
                refuse(
                    where +
                    QStringLiteral("%1 cases au lieu de %2").arg(row.cells.size()).arg(columns))};
        }
        const auto cell = [&](int column) { return row.cells.at(column - first).text; };
        const std::optional<int> half = readHalf(cell(1));
        if (!half)
            return {
                std::nullopt,
                refuse(where +
                       QStringLiteral("« %1 » n'est pas un semestre").arg(SafeLine(cell(1), 200)))};
        HalfYearRates rates;
        rates.year = year;
        rates.half = *half;
        for (auto [column, target] : {std::pair{autresColumn, &rates.autres},
                                      std::pair{particuliersColumn, &rates.particuliers}}) {
            const QString text = cell(column);
            const std::optional<QString> rate =
                text.endsWith(u'%') ? ReadRateText(text) : std::nullopt;
            if (!rate)
                return {std::nullopt,
                        refuse(where + QStringLiteral("« %1 » n'est pas un pourcentage de 0 à 30")
                                           .arg(SafeLine(text, 200)))};
            *target = *rate;
        }
        for (const HalfYearRates &earlier : std::as_const(publication.rates)) {
            if (halfIndex(earlier) == halfIndex(rates))
                return {std::nullopt,
                        refuse(QStringLiteral("le %1 est donné deux fois").arg(rates.caption()))};
        }
        if (!publication.rates.isEmpty()) {
            const HalfYearRates &previous = publication.rates.last();
            if (halfIndex(rates) != halfIndex(previous) - 1)
                return {std::nullopt, refuse(QStringLiteral("le %1 suit le %2 : les semestres "
                                                            "ne se suivent pas")
                                                 .arg(rates.caption(), previous.caption()))};
        }
        publication.rates.append(rates);
    }
    if (publication.rates.isEmpty())
        return {std::nullopt, refuse(QStringLiteral("le tableau ne donne aucun taux"))};
    return {publication, {}};
}
