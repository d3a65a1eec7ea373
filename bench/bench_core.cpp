// Times the two operations that run on every user action or load: reading
// a 600-month rates file and computing a 600-row schedule.
#include "schedule/tauxstate.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main()
{
    QByteArray file = "' 600 months\r\n";
    for (int year = 2049; year >= 2000; --year)
        file += QByteArray::number(year) + "\t3.25\t6.5\r\n";

    QTemporaryDir dir;
    TauxState state;
    const QString path = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    state.setRatesFile(path);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        return 1;
    out.close();

    constexpr int loads = 2000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < loads; ++i) {
        if (!state.LoadRatesFile().ok())
            return 1;
    }
    const double loadUs = double(timer.nsecsElapsed()) / loads / 1000.0;

    constexpr int computes = 20000;
    if (state.EnterAmount(state.table().count, u"10000") != TauxState::AmountOutcome::Computed)
        return 1;
    double checksum = 0;
    timer.restart();
    for (int i = 0; i < computes; ++i) {
        state.Recompute();
        checksum += *state.sums()[0];
    }
    const double computeUs = double(timer.nsecsElapsed()) / computes / 1000.0;

    std::printf("rows loaded: %d\n", int(state.table().count));
    std::printf("load 600 months:     %8.1f us   target 1000 us   ratio %.3f\n", loadUs,
                loadUs / 1000.0);
    std::printf("compute 600 rows:    %8.2f us   target   20 us   ratio %.3f\n", computeUs,
                computeUs / 20.0);
    std::printf("(checksum %.6g)\n", checksum);
    return 0;
}
