#include "publication.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

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

// The whole text of an element, whatever inline elements split it, with
// its blanks (no-break ones included) made single spaces.
QString wholeText(QXmlStreamReader &xml)
{
    return xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
}

// Typographic apostrophes and case aside, the same words.
bool sameWords(QString a, const QString &b)
{
    a.replace(QChar(0x2019), u'\'');
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<Document> readDocument(const QByteArray &bytes, QString *error)
{
    QXmlStreamReader xml(bytes);
    Document doc;
    Table *table = nullptr;
    Row *row = nullptr;
    int tableDepth = -1;
    int depth = 0;
    bool rootSeen = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (--depth == tableDepth) {
                table = nullptr;
                tableDepth = -1;
            }
            if (xml.name() == u"Rangée")
                row = nullptr;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        const QStringView name = xml.name();
        if (!rootSeen) {
            rootSeen = true;
            if (name != u"Publication") {
                *error = QStringLiteral("ce n'est pas une publication (élément « %1 »)")
                             .arg(name.toString());
                return std::nullopt;
            }
            continue;
        }
        if (xml.namespaceUri() == kDublinCore && name == u"date") {
            doc.date = wholeText(xml);
            --depth;
        } else if (name == u"Tableau") {
            doc.tables.append(Table());
            table = &doc.tables.last();
            tableDepth = depth - 1;
            row = nullptr;
        } else if (table && name == u"Titre" && table->title.isEmpty() && table->rows.isEmpty()) {
            table->title = wholeText(xml);
            --depth;
        } else if (table && name == u"Rangée") {
            Row fresh;
            fresh.header = xml.attributes().value(QStringLiteral("type")) == u"header";
            table->rows.append(fresh);
            row = &table->rows.last();
        } else if (row && name == u"Cellule") {
            bool ok = false;
            const int span = xml.attributes().value(QStringLiteral("fusionHorizontale")).toInt(&ok);
            const QString text = wholeText(xml);
            --depth;
            row->cells.append(Cell{text, ok && span > 1 ? span : 1});
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("document XML illisible (%1, ligne %2)")
                     .arg(xml.errorString())
                     .arg(xml.lineNumber());
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
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return xml.name() == u"Publication";
    }
    return false;
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
        if (sameWords(candidate.title, QStringLiteral("Taux d'intérêt légal simple"))) {
            table = &candidate;
            break;
        }
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
            if (particulier && !autres)
                particuliersColumn = columns;
            else if (autres && !particulier)
                autresColumn = columns;
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
            if (!yearPattern.match(yearText).hasMatch())
                return {std::nullopt,
                        refuse(where + QStringLiteral("« %1 » n'est pas une année").arg(yearText))};
            year = yearText.toInt();
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
            return {std::nullopt,
                    refuse(where + QStringLiteral("« %1 » n'est pas un semestre").arg(cell(1)))};
        HalfYearRates rates;
        rates.year = year;
        rates.half = *half;
        for (auto [column, target] : {std::pair{autresColumn, &rates.autres},
                                      std::pair{particuliersColumn, &rates.particuliers}}) {
            const QString text = cell(column);
            const std::optional<QString> rate =
                text.endsWith(u'%') ? ReadRateText(text) : std::nullopt;
            if (!rate)
                return {
                    std::nullopt,
                    refuse(where +
                           QStringLiteral("« %1 » n'est pas un pourcentage de 0 à 30").arg(text))};
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
