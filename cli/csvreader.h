#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One record of a CSV file and the line of the file it starts on, so that an
// error can name the line a person sees in an editor.
struct CsvRecord
{
    int line = 0;
    QStringList fields;
    bool unclosedQuote = false; // the file ended inside a quoted field
};

struct CsvFile
{
    QChar separator;
    QList<CsvRecord> records; // blank lines left out
    QString error;            // set when the bytes cannot be read as text at all
};

// Reads a spreadsheet's CSV export: UTF-8 with or without a BOM, the field
// separator the header line uses (";" as French spreadsheets write it, else
// "," or TAB), fields in double quotes may hold the separator, quotes
// doubled and line breaks. Lines may end in LF or CR LF.
CsvFile ReadCsv(const QByteArray &bytes);
