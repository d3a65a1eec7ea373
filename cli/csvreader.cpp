#include "csvreader.h"

#include <QIODevice>

#include <algorithm>

namespace {

constexpr qint64 kChunk = 64 * 1024;

// True when the bytes end part-way through a UTF-8 sequence: the decoder
// keeps such a start for the next chunk, and at the end there is none.
bool endsInsideSequence(const QByteArray &bytes)
{
    for (qsizetype back = 1; back <= 4 && back <= bytes.size(); ++back) {
        const auto byte = uchar(bytes.at(bytes.size() - back));
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return back < length;
    }
    return false;
}

bool isBreak(QChar c)
{
    return c == u'\n' || c == u'\r';
}

} // namespace

CsvReader::CsvReader(QIODevice *device, qsizetype limit) : m_device(device), m_limit(limit) {}

bool CsvReader::fill()
{
    if (m_atEnd || m_failure != Failure::None)
        return false;
    m_text.remove(0, m_pos);
    m_pos = 0;
    QByteArray bytes(kChunk, Qt::Uninitialized);
    const qint64 got = m_device->read(bytes.data(), bytes.size());
    if (got < 0) {
        m_failure = Failure::Unreadable;
        return false;
    }
    if (got == 0) {
        m_atEnd = true;
        if (endsInsideSequence(m_tail))
            m_failure = Failure::NotText;
        return false;
    }
    bytes.truncate(got);
    m_tail = bytes.right(4);
    const QString text = m_decoder.decode(bytes);
    if (m_decoder.hasError()) {
        m_failure = Failure::NotText;
        return false;
    }
    m_text += text;
    return true;
}

// The separator is the one the header uses most; a header of one column
// has none, and then any will do.
void CsvReader::guessSeparator()
{
    qsizetype end = m_pos;
    while (true) {
        while (end < m_text.size() && !isBreak(m_text.at(end)))
            ++end;
        if (end < m_text.size())
            break;
        const qsizetype scanned = end - m_pos;
        if (scanned > m_limit) {
            m_failure = Failure::TooLarge;
            return;
        }
        if (!fill())
            break;
        end = m_pos + scanned;
    }
    const QStringView header = QStringView(m_text).mid(m_pos, end - m_pos);
    qsizetype best = 0;
    m_separator = u';';
    for (const QChar candidate : {QChar(u';'), QChar(u','), QChar(u'\t')}) {
        const qsizetype n = header.count(candidate);
        if (n > best) {
            best = n;
            m_separator = candidate;
        }
    }
}

bool CsvReader::next(CsvRecord *record)
{
    if (m_separator.isNull())
        guessSeparator();
    if (m_failure != Failure::None)
        return false;
    *record = CsvRecord();
    record->line = m_line;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool afterQuote = false; // a quote inside a quoted field: doubled, or the end of it
    bool wasQuoted = false;  // the current field had quotes: keep it even when empty
    bool anyContent = false; // the record has something besides separators
    auto endField = [&] {
        record->fields.append(wasQuoted ? field : field.trimmed());
        if (wasQuoted || !field.trimmed().isEmpty())
            anyContent = true;
        field.clear();
        wasQuoted = false;
    };

    qsizetype length = 0;
    while (true) {
        if (m_pos == m_text.size() && !fill())
            break;
        if (++length > m_limit) {
            m_failure = Failure::TooLarge;
            return false;
        }
        const QChar c = m_text.at(m_pos++);
        if (m_afterCr) {
            m_afterCr = false;
            if (c == u'\n')
                continue;
        }
        if (quoted) {
            if (afterQuote) {
                afterQuote = false;
                if (c == u'"') {
                    field.append(u'"');
                    continue;
                }
                quoted = false; // and the character is read as outside quotes
            } else if (c == u'"') {
                afterQuote = true;
                continue;
            } else if (isBreak(c)) {
                ++m_line;
                m_afterCr = c == u'\r';
                field.append(u'\n');
                continue;
            } else {
                field.append(c);
                continue;
            }
        }
        if (c == u'"' && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == m_separator) {
            endField();
        } else if (isBreak(c)) {
            ++m_line;
            m_afterCr = c == u'\r';
            endField();
            if (anyContent)
                return true;
            length = 0;
            *record = CsvRecord();
            record->line = m_line;
        } else {
            field.append(c);
        }
    }
    if (m_failure != Failure::None)
        return false;
    if (quoted && !afterQuote) {
        record->unclosedQuote = true;
        anyContent = true;
    }
    endField();
    return anyContent;
}
