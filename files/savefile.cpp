#include "savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_WIN
#include <QSaveFile>
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char kTemporaryMark[] = ".tauxlegal-";
constexpr int kRandomLength = 6;

SaveOutcome failure(const QString &reason)
{
    SaveOutcome outcome;
    outcome.reason = reason;
    return outcome;
}

SaveOutcome success(const QString &notice = QString())
{
    SaveOutcome outcome;
    outcome.ok = true;
    outcome.notice = notice;
    return outcome;
}

#ifndef Q_OS_WIN

SaveOutcome systemFailure(int error)
{
    return failure(SystemReason(error));
}

// Closes on every way out, keeping errno for the caller.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Every byte, through short writes and signals; errno tells why not.
bool writeAll(int fd, const QByteArray &bytes, off_t offset = -1)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n =
            offset < 0 ? ::write(fd, data, size_t(left)) : ::pwrite(fd, data, size_t(left), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        left -= n;
        if (offset >= 0)
            offset += n;
    }
    return true;
}

// The descriptor of the program's own output or error when `path` names
// it, -1 otherwise. Opening "/dev/stdout" anew would truncate the file a
// shell appends to, or start over on a terminal.
int ownStream(const QString &path)
{
    static const struct
    {
        const char *name;
        int fd;
    } streams[] = {{"/dev/stdout", 1}, {"/dev/stderr", 2},     {"/dev/fd/1", 1},
                   {"/dev/fd/2", 2},   {"/proc/self/fd/1", 1}, {"/proc/self/fd/2", 2}};
    const QString clean = QDir::cleanPath(path);
    for (const auto &stream : streams) {
        if (clean == QLatin1String(stream.name))
            return stream.fd;
    }
    return -1;
}

// Devices and FIFOs take the bytes as they come: no truncation, no
// temporary file, no rename over the node.
SaveOutcome writeInPlace(const QByteArray &native, const QByteArray &bytes)
{
    const Descriptor fd(::open(native.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || !writeAll(fd.get(), bytes))
        return systemFailure(errno);
    return success();
}

// A file with several names: replacing it would leave the other names on
// the old content. The room is taken before the first byte changes.
SaveOutcome rewriteInPlace(const QByteArray &native, const QByteArray &bytes)
{
    const Descriptor fd(::open(native.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return systemFailure(errno);
    if (!bytes.isEmpty()) {
        const int reserved = ::posix_fallocate(fd.get(), 0, off_t(bytes.size()));
        if (reserved == ENOSPC || reserved == EDQUOT || reserved == EFBIG)
            return systemFailure(reserved);
    }
    if (!writeAll(fd.get(), bytes, 0) || ::ftruncate(fd.get(), off_t(bytes.size())) != 0 ||
        ::fsync(fd.get()) != 0)
        return failure(SystemReason(errno) +
                       QStringLiteral(" (le fichier, qui a plusieurs noms, a été réécrit sur "
                                      "place et peut être incomplet)"));
    return success();
}

bool isOurRandomPart(const QString &text)
{
    if (text.size() != kRandomLength)
        return false;
    for (const QChar c : text) {
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

// Temporaries of this name that a killed run left behind. A run still
// writing holds a lock on its own, so only abandoned ones go.
void removeStaleTemporaries(const QString &folder, const QString &name)
{
    const QString prefix = name + QLatin1String(kTemporaryMark);
    const QStringList candidates =
        QDir(folder).entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &candidate : candidates) {
        if (!isOurRandomPart(candidate.mid(prefix.size())))
            continue;
        const QByteArray native = QFile::encodeName(QDir(folder).filePath(candidate));
        struct stat st;
        if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        const Descriptor fd(
            ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() >= 0 && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(native.constData());
    }
}

QString userName(uid_t uid)
{
    struct passwd entry;
    struct passwd *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("l'utilisateur n° %1").arg(uid);
}

// The temporary takes the place of `existing`: its owner, group and mode
// go over when the system lets them. The owner first: a change of owner
// clears the set-id bits the mode then puts back.
QString keepOwnerAndMode(int fd, const struct stat &existing)
{
    QStringList lost;
    struct stat now;
    if (::fstat(fd, &now) != 0)
        return SystemReason(errno);
    if (now.st_uid != existing.st_uid || now.st_gid != existing.st_gid) {
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            if (now.st_uid != existing.st_uid)
                lost << QStringLiteral("il appartient maintenant à %1 et non plus à %2")
                            .arg(userName(now.st_uid), userName(existing.st_uid));
            if (now.st_gid != existing.st_gid && ::fchown(fd, uid_t(-1), existing.st_gid) != 0)
                lost << QStringLiteral("son groupe n'a pas pu être gardé");
        }
    }
    if (::fchmod(fd, existing.st_mode & 07777) != 0)
        lost << QStringLiteral("ses droits d'accès n'ont pas pu être gardés");
    return lost.join(QStringLiteral(" ; "));
}

// Replaces `target` (a regular file or nothing yet) with the bytes, through
// a locked temporary beside it and a rename.
SaveOutcome replace(const QString &target, const QByteArray &bytes, const struct stat *existing)
{
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    removeStaleTemporaries(folder, info.fileName());
    const QByteArray native = QFile::encodeName(target);
    if (existing && ::access(native.constData(), W_OK) != 0)
        return systemFailure(errno);

    // A new file gets the usual mode, the umask applied by the system; the
    // mode of an existing one is set once the bytes are in.
    const mode_t mode = existing ? 0600 : 0666;
    QByteArray temporary;
    int created = -1;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
        QString random;
        static const char alphabet[] =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        for (int i = 0; i < kRandomLength; ++i)
            random += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(62)]);
        temporary = QFile::encodeName(target + QLatin1String(kTemporaryMark) + random);
        created = ::open(temporary.constData(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (created < 0 && errno != EEXIST)
            break;
    }
    const Descriptor fd(created);
    if (fd.get() < 0)
        return systemFailure(errno);
    // Held until the rename is done, so that another run's clean-up sees
    // this temporary is not abandoned.
    ::flock(fd.get(), LOCK_EX | LOCK_NB);

    QString notice;
    const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (written && existing)
        notice = keepOwnerAndMode(fd.get(), *existing);
    if (!written || ::rename(temporary.constData(), native.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return systemFailure(error);
    }
    // The rename itself reaches the disk with its folder.
    const Descriptor dir(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return success(notice);
}

} // namespace

SaveOutcome SaveFile(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier"));
    if (const int fd = ownStream(path); fd >= 0) {
        if (!writeAll(fd, bytes))
            return systemFailure(errno);
        return success();
    }

    // A link is followed to the file it leads to, even a file yet to be.
    QString target = path;
    for (int hops = 0; hops < 40 && QFileInfo(target).isSymLink(); ++hops)
        target = QFileInfo(target).symLinkTarget();

    const QByteArray native = QFile::encodeName(target);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        if (errno != ENOENT)
            return systemFailure(errno);
        return replace(target, bytes, nullptr);
    }
    if (S_ISDIR(st.st_mode))
        return failure(QStringLiteral("c'est un dossier ; indiquez le nom d'un fichier"));
    if (!S_ISREG(st.st_mode))
        return writeInPlace(native, bytes);
    if (st.st_nlink > 1)
        return rewriteInPlace(native, bytes);
    return replace(target, bytes, &st);
}

#else // Q_OS_WIN

} // namespace

// On Windows the file is written beside itself by QSaveFile and put in its
// place by the system's replacing rename: whole or not at all. Owners,
// modes and hard links are Unix matters and are left to the system.
SaveOutcome SaveFile(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return failure(QStringLiteral("aucun nom de fichier"));
    if (QFileInfo(path).isDir())
        return failure(QStringLiteral("c'est un dossier ; indiquez le nom d'un fichier"));
    QSaveFile file(path);
    auto reason = [&file] {
        switch (file.error()) {
        case QFileDevice::PermissionsError:
            return QStringLiteral("accès refusé");
        case QFileDevice::ResourceError:
            return QStringLiteral("disque plein");
        case QFileDevice::RenameError:
            return QStringLiteral("le fichier n'a pas pu être remplacé (il est peut-être ouvert "
                                  "dans un autre programme)");
        case QFileDevice::OpenError:
            return QFileInfo(QFileInfo(file.fileName()).absolutePath()).isDir()
                       ? QStringLiteral("accès refusé")
                       : QStringLiteral("dossier absent");
        default:
            return QStringLiteral("erreur d'écriture sur le disque");
        }
    };
    if (!file.open(QIODevice::WriteOnly))
        return failure(reason());
    if (file.write(bytes) != bytes.size()) {
        const QString why = reason();
        file.cancelWriting();
        return failure(why);
    }
    if (!file.commit())
        return failure(reason());
    return success();
}

#endif

bool SaveFileAtomically(const QString &path, const QByteArray &bytes)
{
    return SaveFile(path, bytes).ok;
}

QString SystemReason(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("dossier absent");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EROFS:
        return QStringLiteral("disque en lecture seule");
    case ENOSPC:
        return QStringLiteral("disque plein");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("quota du disque atteint");
#endif
    case EFBIG:
        return QStringLiteral("fichier trop grand");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case ENAMETOOLONG:
        return QStringLiteral("nom trop long");
    case ELOOP:
        return QStringLiteral("trop de liens symboliques");
    case EIO:
        return QStringLiteral("erreur d'entrée-sortie du disque");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("périphérique absent");
    case EPIPE:
        return QStringLiteral("le programme qui lisait s'est arrêté");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("fichier occupé");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers ouverts");
    case ENOMEM:
        return QStringLiteral("mémoire insuffisante");
    case EAGAIN:
        return QStringLiteral("ressource momentanément indisponible");
    default:
        break;
    }
    return QStringLiteral("erreur système n° %1").arg(error);
}
