#include "csvreader.h"

#include <QStringDecoder>

namespace {

// The separator is the one the header uses most; a header of one column
// has none, and then any will do.
QChar guessSeparator(QStringView text)
{
    const QStringView header = text.left(text.indexOf(u'\n'));
    qsizetype best = 0;
    QChar separator = u';';
    for (const QChar candidate : {QChar(u';'), QChar(u','), QChar(u'\t')}) {
        const qsizetype n = header.count(candidate);
        if (n > best) {
            best = n;
            separator = candidate;
        }
    }
    return separator;
}

} // namespace

CsvFile ReadCsv(const QByteArray &bytes)
{
    CsvFile file;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        file.error = QStringLiteral("le fichier n'est pas du texte UTF-8 ; enregistrez-le en "
                                    "« CSV UTF-8 » depuis le tableur");
        return file;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    file.separator = guessSeparator(text);

    CsvRecord record;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the current field had quotes: keep it even when empty
    bool anyContent = false; // the record has something besides separators
    int line = 1;
    record.line = 1;
    auto endField = [&] {
        record.fields.append(wasQuoted ? field : field.trimmed());
        if (!field.trimmed().isEmpty() || wasQuoted)
            anyContent = true;
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        if (anyContent)
            file.records.append(record);
        record = CsvRecord();
        anyContent = false;
    };

    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < size && text.at(i + 1) == u'"') {
                    field.append(u'"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                if (c != u'\r')
                    field.append(c);
            }
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == file.separator) {
            endField();
        } else if (c == u'\n') {
            endRecord();
            ++line;
            record.line = line;
        } else if (c != u'\r') {
            field.append(c);
        }
    }
    if (quoted) {
        record.unclosedQuote = true;
        anyContent = true;
    }
    endRecord();
    return file;
}
