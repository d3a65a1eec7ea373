#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Why a file the program reads was not read.
enum class FileRead {
    Read,
    Missing,    // no such file, a folder, or it cannot be opened
    NotRegular, // a pipe, a device, a socket (or a link to one): it might never end
    TooLarge,   // more than the bound asked for
    Failed,     // an error while reading
};

// Reads a whole regular file of at most `maxBytes` into `bytes`, with its
// time stamp. A pipe or a device is refused before anything waits on it, and
// no more than `maxBytes` + 1 bytes are ever read.
FileRead ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray *bytes,
                         QDateTime *stamp = nullptr);

// The reason in French, as the end of a sentence ("le fichier … : <reason>").
QString FileReadReason(FileRead read, qint64 maxBytes);
