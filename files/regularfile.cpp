#include "regularfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

FileRead ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray *bytes, QDateTime *stamp)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return FileRead::Missing;
    if (!info.isFile())
        return FileRead::NotRegular;
    const QDateTime time = info.lastModified();
    if (!time.isValid())
        return FileRead::Missing;
    if (stamp)
        *stamp = time;
    if (info.size() > maxBytes)
        return FileRead::TooLarge;

    QFile file;
#ifdef Q_OS_UNIX
    // The file may have been swapped for a pipe since the check: opened
    // without waiting, it is checked again on what was opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileRead::Missing;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileRead::NotRegular;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return FileRead::Missing;
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileRead::Missing;
    if (file.isSequential())
        return FileRead::NotRegular;
#endif
    *bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return FileRead::Failed;
    if (bytes->size() > maxBytes)
        return FileRead::TooLarge;
    return FileRead::Read;
}

QString FileReadReason(FileRead read, qint64 maxBytes)
{
    switch (read) {
    case FileRead::Read:
        return QString();
    case FileRead::Missing:
        return QStringLiteral("il est introuvable ou ne peut pas être ouvert");
    case FileRead::NotRegular:
        return QStringLiteral("ce n'est pas un fichier ordinaire (un tube, un périphérique…), il "
                              "n'a pas été lu");
    case FileRead::TooLarge:
        if (maxBytes > 0 && maxBytes % (1 << 20) == 0)
            return QStringLiteral("il dépasse %1 Mio").arg(QLocale().toString(maxBytes >> 20));
        return QStringLiteral("il dépasse %1 octets").arg(QLocale().toString(maxBytes));
    case FileRead::Failed:
        break;
    }
    return QStringLiteral("il n'a pas pu être lu jusqu'au bout");
}
