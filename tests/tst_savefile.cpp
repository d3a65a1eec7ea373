#include "files/savefile.h"
#include "testfiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

constexpr uid_t kNobody = 65534;

// SaveFile as a user who is not root: root writes any file, so when the
// tests run as root a child that has become nobody saves, in a folder
// given to nobody.
SaveOutcome saveAsAUser(const QString &path, const QByteArray &bytes)
{
    if (::geteuid() != 0)
        return SaveFile(path, bytes);
    if (::chown(QFile::encodeName(QFileInfo(path).path()), kNobody, kNobody) != 0)
        return {false, QStringLiteral("the folder could not be given to nobody"), {}};
    int ends[2];
    if (::pipe(ends) != 0)
        return {false, QStringLiteral("no pipe"), {}};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        const SaveOutcome outcome = SaveFile(path, bytes);
        const QByteArray said = (outcome.reason + u'\n' + outcome.notice).toUtf8();
        const bool written = ::write(ends[1], said.constData(), said.size()) == said.size();
        ::_exit(written ? (outcome.ok ? 0 : 1) : 3);
    }
    ::close(ends[1]);
    QByteArray said;
    char buffer[256];
    ssize_t n = 0;
    while ((n = ::read(ends[0], buffer, sizeof buffer)) > 0)
        said.append(buffer, n);
    ::close(ends[0]);
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1)
        return {false, QStringLiteral("the child could not save as nobody"), {}};
    const QStringList parts = QString::fromUtf8(said).split(u'\n');
    return {WEXITSTATUS(status) == 0, parts.value(0), parts.value(1)};
}

} // namespace

class TestSaveFile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void regularFiles_data();
    void regularFiles();
    void refusals_data();
    void refusals();
    void writtenInPlace_data();
    void writtenInPlace();
    void readOnlyFileRefusedToItsOwner_data();
    void readOnlyFileRefusedToItsOwner();
    void someoneElsesFileChangesOwnerWithANotice();
    void systemReasonsAreFrench();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSaveFile::init()
{
    ::umask(022);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSaveFile::regularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("sameFile");    // the written file's inode survives
    QTest::addColumn<QStringList>("left"); // the folder afterwards
    QTest::newRow("new file with the usual mode") << "new" << 0644 << false << QStringList{"out"};
    QTest::newRow("replaced atomically, its mode kept")
        << "plain" << 0640 << false << QStringList{"out"};
    QTest::newRow("another user's file keeps its owner")
        << "nobody" << 0604 << false << QStringList{"out"};
    QTest::newRow("another user's file in my group keeps its owner")
        << "nobody mine" << 0604 << false << QStringList{"out"};
    QTest::newRow("a hard link is kept: rewritten in place")
        << "hardlink" << 0600 << true << QStringList{"other", "out"};
    QTest::newRow("a symbolic link stays, its file gets the bytes")
        << "symlink" << 0640 << false << QStringList{"other", "out"};
    QTest::newRow("a killed run's temporary goes, a live one and the user's stay")
        << "stale" << 0644 << false
        << QStringList{"out", "out.backup", "out.tauxlegal-Live01", "out.tauxlegal-ab.def",
                       "out.tauxlegal-abcdefg"};
}

void TestSaveFile::regularFiles()
{
    QFETCH(QString, kind);
    QFETCH(int, mode);
    const QString out = m_dir->filePath(QStringLiteral("out"));
    const QString other = m_dir->filePath(QStringLiteral("other"));
    const bool nobody = kind.startsWith(u"nobody");
    if (nobody && ::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    if (kind != u"new") {
        QVERIFY(writeFile(out, "old content, longer than the new"));
        QCOMPARE(::chmod(QFile::encodeName(out), mode_t(mode)), 0);
    }
    if (nobody)
        QCOMPARE(::chown(QFile::encodeName(out), 65534, kind == u"nobody" ? 65534 : ::getegid()),
                 0);
    if (kind == u"hardlink")
        QCOMPARE(::link(QFile::encodeName(out), QFile::encodeName(other)), 0);
    if (kind == u"symlink")
        QVERIFY(QFile::rename(out, other) && QFile::link(other, out));
    int live = -1;
    if (kind == u"stale") {
        // Every letter and digit a temporary's name may end with, the
        // first and last of each range among them.
        for (const char *name :
             {"out.backup", "out.tauxlegal-Stale9", "out.tauxlegal-AZaz09", "out.tauxlegal-Live01",
              "out.tauxlegal-abcdefg", "out.tauxlegal-ab.def"})
            QVERIFY(writeFile(m_dir->filePath(QString::fromLatin1(name)), "x"));
        live = ::open(QFile::encodeName(m_dir->filePath(QStringLiteral("out.tauxlegal-Live01"))),
                      O_RDONLY);
        QCOMPARE(::flock(live, LOCK_EX), 0);
    }
    const QString written = kind == u"symlink" ? other : out;
    const ino_t before = statOf(written).st_ino;

    const SaveOutcome outcome = SaveFile(out, "new");
    if (live >= 0)
        ::close(live);
    QVERIFY2(outcome.ok, qPrintable(outcome.reason));
    QCOMPARE(outcome.notice, QString());
    QCOMPARE(readFile(written), QByteArray("new"));
    const struct stat after = statOf(written);
    QCOMPARE(int(after.st_mode & 07777), mode);
    QCOMPARE(after.st_uid, nobody ? 65534u : ::geteuid());
    QTEST(after.st_ino == before, "sameFile");
    if (kind == u"hardlink")
        QCOMPARE(readFile(other), QByteArray("new"));
    QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
    left.sort();
    QTEST(left, "left");
}

void TestSaveFile::refusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("a folder has its own words")
        << "folder"
        << "c'est un dossier ; indiquez le nom d'un fichier" << QStringList{};
    QTest::newRow("a missing folder") << "missing"
                                      << "dossier absent" << QStringList{"out"};
    QTest::newRow("a file as a folder")
        << "through"
        << "un élément du chemin n'est pas un dossier" << QStringList{"out"};
    QTest::newRow("too large for the limit: the old file stays whole")
        << "limit"
        << "fichier trop grand" << QStringList{"out"};
    QTest::newRow("too large with a hard link: nothing changed either")
        << "limit link"
        << "fichier trop grand" << QStringList{"other", "out"};
    QTest::newRow("a link to itself") << "loop"
                                      << "trop de liens symboliques" << QStringList{"loop", "out"};
    QTest::newRow("no name") << "empty"
                             << "aucun nom de fichier" << QStringList{"out"};
}

void TestSaveFile::refusals()
{
    QFETCH(QString, kind);
    const QString out = m_dir->filePath(QStringLiteral("out"));
    const QByteArray old = "old content";
    QVERIFY(writeFile(out, old));
    QString path = out;
    if (kind == u"folder") {
        QVERIFY(QFile::remove(out) && QDir().mkdir(out));
    } else if (kind == u"missing") {
        path = m_dir->filePath(QStringLiteral("absent/out"));
    } else if (kind == u"through") {
        path = out + QStringLiteral("/inside");
    } else if (kind == u"empty") {
        path.clear();
    } else if (kind == u"loop") {
        path = m_dir->filePath(QStringLiteral("loop"));
        QVERIFY(QFile::link(path, path));
    } else if (kind.endsWith(u"link")) {
        QCOMPARE(::link(QFile::encodeName(out), QFile::encodeName(m_dir->filePath("other"))), 0);
    }
    // A file size limit makes a write fail part-way, as a full disk would.
    struct rlimit previous;
    ::getrlimit(RLIMIT_FSIZE, &previous);
    if (kind.startsWith(u"limit")) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small = {20, previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    const SaveOutcome outcome = SaveFile(path, QByteArray(100, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    QVERIFY(!outcome.ok);
    QTEST(outcome.reason, "reason");
    if (kind != u"folder")
        QCOMPARE(readFile(out), old);
    QTEST(QDir(m_dir->path()).entryList(QDir::Files | QDir::System | QDir::Hidden), "left");
}

void TestSaveFile::writtenInPlace_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a FIFO reaches its reader") << "fifo";
    QTest::newRow("a device stays a device") << "device";
    QTest::newRow("standard output appended to by the shell") << "/dev/stdout";
    QTest::newRow("standard output by its descriptor") << "/dev/fd/1";
    QTest::newRow("standard output through proc") << "/proc/self/fd/1";
    QTest::newRow("standard error") << "/dev/stderr";
    QTest::newRow("standard error by its descriptor") << "/dev/fd/2";
    QTest::newRow("standard error through proc") << "/proc/self/fd/2";
}

void TestSaveFile::writtenInPlace()
{
    QFETCH(QString, kind);
    const QString node = m_dir->filePath(QStringLiteral("node"));
    const QString log = m_dir->filePath(QStringLiteral("log"));
    QString path = node;
    int reader = -1;
    int savedOut = -1;
    int stream = 1; // the descriptor a "/dev/..." name stands for
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(node), 0600), 0);
        reader = ::open(QFile::encodeName(node), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
    } else if (kind == u"device") {
        // Root tries on a null device of its own: a fault replacing the
        // node must never reach the machine's /dev/null.
        if (::geteuid() == 0)
            QCOMPARE(::mknod(QFile::encodeName(node), S_IFCHR | 0666, makedev(1, 3)), 0);
        else
            path = QStringLiteral("/dev/null");
    } else {
        QVERIFY(writeFile(log, "before\n"));
        stream = kind.endsWith(u'2') || kind.endsWith(u"stderr") ? 2 : 1;
        std::fflush(stream == 1 ? stdout : stderr);
        savedOut = ::dup(stream);
        const int appending = ::open(QFile::encodeName(log), O_WRONLY | O_APPEND);
        ::dup2(appending, stream);
        ::close(appending);
        path = kind;
    }
    // Standard output is the log only while it is redirected.
    const QString written = kind.startsWith(u'/') ? log : path;
    const struct stat before = statOf(written);

    const SaveOutcome outcome = SaveFile(path, "bytes\n");
    if (savedOut >= 0) {
        ::dup2(savedOut, stream);
        ::close(savedOut);
    }
    char received[64] = {};
    if (reader >= 0) {
        const ssize_t n = ::read(reader, received, sizeof received - 1);
        ::close(reader);
        QCOMPARE(n, ssize_t(6));
    }
    QVERIFY2(outcome.ok, qPrintable(outcome.reason));
    const struct stat after = statOf(written);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    if (kind == u"fifo")
        QCOMPARE(QByteArray(received), QByteArray("bytes\n"));
    if (kind.startsWith(u'/'))
        QCOMPARE(readFile(log), QByteArray("before\nbytes\n"));
}

void TestSaveFile::readOnlyFileRefusedToItsOwner_data()
{
    QTest::addColumn<bool>("linked"); // a second name: the in-place path
    QTest::newRow("a read-only file in a writable folder") << false;
    QTest::newRow("a read-only file with a hard link") << true;
}

void TestSaveFile::readOnlyFileRefusedToItsOwner()
{
    QFETCH(bool, linked);
    const QString out = m_dir->filePath(QStringLiteral("out"));
    const QByteArray native = QFile::encodeName(out);
    QVERIFY(writeFile(out, "kept"));
    if (linked)
        QCOMPARE(::link(native, QFile::encodeName(m_dir->filePath("other"))), 0);
    QCOMPARE(::chmod(native, 0444), 0);
    if (::geteuid() == 0)
        QCOMPARE(::chown(native, kNobody, kNobody), 0);

    const SaveOutcome outcome = saveAsAUser(out, "replaced");
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.reason, QStringLiteral("accès refusé"));
    QCOMPARE(readFile(out), QByteArray("kept"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::System | QDir::Hidden),
             linked ? QStringList({"other", "out"}) : QStringList{"out"});
}

void TestSaveFile::someoneElsesFileChangesOwnerWithANotice()
{
    if (::geteuid() != 0)
        QSKIP("only root can give a file to another user");
    const QString out = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(writeFile(out, "root's"));
    QCOMPARE(::chmod(QFile::encodeName(out), 0666), 0);

    const SaveOutcome outcome = saveAsAUser(out, "nobody's");
    QVERIFY2(outcome.ok, qPrintable(outcome.reason));
    QCOMPARE(outcome.notice,
             QStringLiteral("il appartient maintenant à nobody et non plus à root ; "
                            "son groupe n'a pas pu être gardé"));
    QCOMPARE(readFile(out), QByteArray("nobody's"));
    const struct stat after = statOf(out);
    QCOMPARE(after.st_uid, kNobody);
    QCOMPARE(int(after.st_mode & 07777), 0666);
}

void TestSaveFile::systemReasonsAreFrench()
{
    // Whatever the locale: the C library's words are English under LC_ALL=C.
    QCOMPARE(SystemReason(ENOSPC), QStringLiteral("disque plein"));
    QCOMPARE(SystemReason(EACCES), QStringLiteral("accès refusé"));
    QCOMPARE(SystemReason(EROFS), QStringLiteral("disque en lecture seule"));
    QCOMPARE(SystemReason(9999), QStringLiteral("erreur système n° 9999"));
}

QTEST_GUILESS_MAIN(TestSaveFile)
#include "tst_savefile.moc"
