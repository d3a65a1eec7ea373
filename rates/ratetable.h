#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

// Which rate column of the rates file the table holds.
enum class RateCategory {
    Autres,            // first rate field
    PersonnesPhysiques // second rate field, or the first when there is only one
};

struct RateRow
{
    QString label;              // "Juin 2015"
    QDate monthStart;           // invalid for the extra row and unused slots
    std::optional<double> rate; // annual percent; empty for the extra row
};

// A century of months: every month since 1975 and decades to come, while a
// file of more is no rates file (it is refused as corrupt).
constexpr int kMaxMonths = 1200;
constexpr int kTableSlots = kMaxMonths + 1; // and the extra row after them

// A century of half-years is a few kilobytes: anything larger is not a
// rates file, and is not read to find out.
constexpr qint64 kMaxRatesFileBytes = 1024 * 1024;

// The month rows of the rates file, newest first. Row `count` is the extra
// row that closes the list (label only); slots above it are empty.
struct RateTable
{
    std::array<RateRow, kTableSlots> rows;
    qint16 count = 0;
    QString filePath;
    QDateTime fileTime;
    // Where the newest rates came from: the comment line right above the
    // first period line, without its apostrophe, when it begins with
    // "Taux ajoutés" (written by a rates update); empty otherwise.
    QString sourceNote;
};

// French month name for 1..12, empty text for anything else.
QString textemois(int month);

// Reads the bytes of a rates file (Windows-1252) into `table`'s rows, count
// and source note. Returns false for a corrupt file; `table` is then unspecified.
bool parseRates(const QByteArray &bytes, RateCategory category, RateTable &table);

struct LoadResult
{
    enum Status { Loaded, MissingFile, CorruptFile };
    Status status = Loaded;
    QString message; // the text and title of the stop box for a failure
    QString title;

    bool ok() const { return status == Loaded; }
};

// Reads the rates file at `path` whole into `bytes`, with its time stamp
// taken before it was opened. Only a regular file is opened, a link being
// followed first: a pipe would block the read, and a device would never end
// it. On failure the result carries the message the user must see.
LoadResult ReadRatesFile(const QString &path, QByteArray *bytes, QDateTime *stamp = nullptr);

// parseRates with the failure the user must see: the bytes of a file read
// once give both categories of one and the same file.
LoadResult ParseRatesFile(const QByteArray &bytes, RateCategory category, RateTable &table);

// Reads table.filePath with the given category and refills the table. On
// failure the result carries the message the user must see; the table is
// then not to be used.
LoadResult LoadRatesFile(RateTable &table, RateCategory category);

// True when the file's time stamp differs from the one of the last load
// (earlier or later), or can no longer be read.
bool ratesFileChanged(const RateTable &table);
