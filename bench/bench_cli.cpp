// Times the command line as a script sees it, from start to exit: a batch
// of ten thousand statements, and one schedule.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Milliseconds from start to exit; negative when the run failed.
double timedRun(const QStringList &arguments, QByteArray *out = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(TAUX_CLI), arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (out)
        *out = process.readAllStandardOutput();
    return ms;
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

    // Ten thousand claims of a few years each, some with payments, the
    // five points and the other category, as a firm's ledger would give.
    QByteArray csv = "reference;montant;depuis;au;categorie;majoration-depuis;acomptes\r\n";
    for (int i = 0; i < 10000; ++i) {
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

    // The best of several runs: the first pays for cold caches.
    constexpr int runs = 20;
    double scheduleMs = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double ms = timedRun({QStringLiteral("echeancier"), QStringLiteral("--depuis"),
                                    QStringLiteral("15/03/2000"), QStringLiteral("--montant"),
                                    QStringLiteral("10000"), QStringLiteral("--format"),
                                    QStringLiteral("tsv"), QStringLiteral("--taux"), dir.path()});
        if (ms < 0)
            return 1;
        scheduleMs = std::min(scheduleMs, ms);
    }

    std::printf("lot of 10 000 lines:  %8.1f ms   target 2000 ms   ratio %.3f   (%lld bytes)\n",
                batchMs, batchMs / 2000.0, static_cast<long long>(out.size()));
    std::printf("echeancier, to exit:  %8.1f ms   target   50 ms   ratio %.3f\n", scheduleMs,
                scheduleMs / 50.0);
    return 0;
}
