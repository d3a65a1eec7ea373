// Times the command line as a script sees it, from start to exit: a batch
// of ten thousand statements, one of half a million with its peak memory,
// and one schedule, whose start is set against a Qt Core program that
// prints a line.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Milliseconds from start to exit; negative when the run failed.
double timedRun(const QStringList &arguments, QByteArray *out = nullptr,
                const QString &program = QStringLiteral(TAUX_CLI))
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (out)
        *out = process.readAllStandardOutput();
    return ms;
}

// `count` claims of a few years each, some with payments, the five points
// and the other category, as a firm's ledger would give.
QByteArray ledger(int count)
{
    QByteArray csv = "reference;montant;depuis;au;categorie;majoration-depuis;acomptes\r\n";
    for (int i = 0; i < count; ++i) {
        const int year = 2001 + i % 40;
        const int month = 1 + i % 12;
        const QByteArray from = "15/" + QByteArray::number(month).rightJustified(2, '0') + '/' +
                                QByteArray::number(year);
        const QByteArray to = "03/02/" + QByteArray::number(year + 1 + i % 8);
        csv += "D" + QByteArray::number(i) + ';' + QByteArray::number(1000 + i * 7) + ",50;" +
               from + ';' + to + ';' + (i % 3 ? "autres" : "particulier") + ';' +
               (i % 5 ? QByteArray() : "01/06/" + QByteArray::number(year + 1)) + ';' +
               (i % 4 ? QByteArray() : "01/01/" + QByteArray::number(year + 1) + "=300") + "\r\n";
    }
    return csv;
}

struct Measure
{
    double ms = -1; // negative when the run failed
    long peakKiB = 0;
};

// Runs the program with its output to `outputFile`, waiting for it alone so
// that its own peak resident memory comes back with its status.
Measure measuredRun(const QStringList &arguments, const QString &outputFile)
{
    QList<QByteArray> owned = {QByteArray(TAUX_CLI)};
    for (const QString &argument : arguments)
        owned.append(argument.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &argument : owned)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const QByteArray output = outputFile.toUtf8();

    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = ::open(output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0)
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Measure measure;
    int status = 0;
    struct rusage usage = {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return measure;
    measure.ms = double(timer.nsecsElapsed()) / 1e6;
    measure.peakKiB = usage.ru_maxrss;
    return measure;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    // Fifty years of half-years, as a full rates file holds.
    QByteArray rates = "' 600 months\r\n";
    for (int year = 2049; year >= 2000; --year) {
        rates += "2S" + QByteArray::number(year) + "\t3.25\t6.5\r\n";
        rates += "1S" + QByteArray::number(year) + "\t2.75\t5.5\r\n";
    }
    if (!writeFile(dir.filePath(QStringLiteral("QUERDAN.TXT")), rates))
        return 1;

    const QByteArray csv = ledger(10000);
    const QString batch = dir.filePath(QStringLiteral("lot.csv"));
    if (!writeFile(batch, csv))
        return 1;

    QByteArray out;
    const double batchMs =
        timedRun({QStringLiteral("lot"), batch, QStringLiteral("--format"), QStringLiteral("csv"),
                  QStringLiteral("--taux"), dir.path(), QStringLiteral("--date-du-decompte"),
                  QStringLiteral("01/01/2050")},
                 &out);
    if (batchMs < 0)
        return 1;

    // The best of several runs: the first pays for cold caches. The two
    // programs take turns, so that a busy moment of the machine falls on
    // both alike.
    constexpr int runs = 20;
    double scheduleMs = 1e9;
    double coreLineMs = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double ms = timedRun({QStringLiteral("echeancier"), QStringLiteral("--depuis"),
                                    QStringLiteral("15/03/2000"), QStringLiteral("--montant"),
                                    QStringLiteral("10000"), QStringLiteral("--format"),
                                    QStringLiteral("tsv"), QStringLiteral("--taux"), dir.path()});
        const double coreMs = timedRun({}, nullptr, QStringLiteral(CORE_LINE));
        if (ms < 0 || coreMs < 0)
            return 1;
        scheduleMs = std::min(scheduleMs, ms);
        coreLineMs = std::min(coreLineMs, coreMs);
    }

    // Half a million lines, written to a file as a script would keep them:
    // the memory must stay that of one line and the totals.
    const QString large = dir.filePath(QStringLiteral("grand-lot.csv"));
    if (!writeFile(large, ledger(500000)))
        return 1;
    const Measure largeRun =
        measuredRun({QStringLiteral("lot"), large, QStringLiteral("--format"),
                     QStringLiteral("csv"), QStringLiteral("--taux"), dir.path(),
                     QStringLiteral("--date-du-decompte"), QStringLiteral("01/01/2050"),
                     QStringLiteral("-o"), dir.filePath(QStringLiteral("grand-lot-sortie.csv"))},
                    dir.filePath(QStringLiteral("grand-lot-stdout")));
    if (largeRun.ms < 0)
        return 1;

    std::printf("lot of 10 000 lines:  %8.1f ms   target 2000 ms   ratio %.3f   (%lld bytes)\n",
                batchMs, batchMs / 2000.0, static_cast<long long>(out.size()));
    std::printf("lot of 500 000 lines: %8.1f ms   target 8000 ms   ratio %.3f\n", largeRun.ms,
                largeRun.ms / 8000.0);
    std::printf("  its peak memory:    %8ld KiB  target 153600 KiB ratio %.3f\n", largeRun.peakKiB,
                double(largeRun.peakKiB) / 153600.0);
    std::printf("echeancier, to exit:  %8.1f ms   target   50 ms   ratio %.3f\n", scheduleMs,
                scheduleMs / 50.0);
    std::printf("  against Qt Core printing a line (%.1f ms): %.2fx   target 1.3x  ratio %.3f\n",
                coreLineMs, scheduleMs / coreLineMs, scheduleMs / coreLineMs / 1.3);
    return 0;
}
