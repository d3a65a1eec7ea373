#pragma once

#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

class QIODevice;

// One record of a CSV file and the line of the file it starts on, so that an
// error can name the line a person sees in an editor.
struct CsvRecord
{
    int line = 0;
    QStringList fields;
    bool unclosedQuote = false; // the file ended inside a quoted field
};

// Reads a spreadsheet's CSV export one record at a time, so that a file of
// any length takes the memory of one record: UTF-8 with or without a BOM,
// the field separator the header line uses (";" as French spreadsheets
// write it, else "," or TAB), fields in double quotes may hold the
// separator, quotes doubled and line breaks. Lines may end in LF, CR LF or
// CR alone (as old spreadsheets on a Mac save them).
class CsvReader
{
public:
    enum class Failure {
        None,
        Unreadable, // the device gave an error
        NotText,    // the bytes are not UTF-8
        TooLarge,   // one record longer than the limit
    };

    // Reads from `device`, open, to its end however long: only a record
    // longer than `limit` characters (a file that is not a CSV file, a
    // quote never closed) stops it, so that its memory stays that of one
    // record.
    CsvReader(QIODevice *device, qsizetype limit);

    // The next record with something besides separators in it; false at the
    // end of the input or when reading failed (see failure()).
    bool next(CsvRecord *record);

    // The separator the header line uses, known after the first record.
    QChar separator() const { return m_separator; }
    Failure failure() const { return m_failure; }

private:
    bool fill();
    void guessSeparator();

    QIODevice *m_device;
    qsizetype m_limit;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QByteArray m_tail; // the last bytes read, for a sequence cut at the end
    QString m_text;    // decoded and not parsed yet
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    Failure m_failure = Failure::None;
    QChar m_separator;
    int m_line = 1;
    bool m_afterCr = false; // a CR just ended a line; an LF now is the same break
};
