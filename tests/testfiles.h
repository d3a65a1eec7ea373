#pragma once

// Small file helpers the tests share.
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

// What a reader must refuse unread: a FIFO, or a link to a device that
// never ends. Unix only; elsewhere nothing is made and the test skips.
#ifdef Q_OS_UNIX
#define MAKE_UNENDING_FILE(kind, path)                                                             \
    do {                                                                                           \
        if ((kind) == u"fifo" || (kind) == u"pipe")                                                \
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);                      \
        else                                                                                       \
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), (path)));                             \
    } while (false)
#else
#define MAKE_UNENDING_FILE(kind, path) QSKIP("no FIFO nor /dev/zero here")
#endif

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Writes the file and gives it a modification time of its own, so a reload
// check sees a change whatever the file system's clock resolution.
inline bool writeFile(const QString &path, const QByteArray &bytes, const QDateTime &stamp)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() &&
           f.setFileTime(stamp, QFileDevice::FileModificationTime);
}

// A stand-in for a desktop calculator: it notes each start in "starts"
// beside itself, then stays open for `seconds`.
inline bool writeStandInCalculator(const QString &path, int seconds)
{
    QFile script(path);
    return script.open(QIODevice::WriteOnly) &&
           script.write("#!/bin/sh\necho $$ >> \"$(dirname \"$0\")/starts\"\nexec sleep " +
                        QByteArray::number(seconds) + "\n") > 0 &&
           script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

// `count` whole-year lines of rate 1, the newest first: 12 months each.
inline QByteArray yearLines(int newest, int count)
{
    QByteArray lines;
    for (int year = newest; year > newest - count; --year)
        lines += QByteArray::number(year) + "\t1\r\n";
    return lines;
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
