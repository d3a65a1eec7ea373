// Times the statement of a title of fifty claims, two hundred costs and a
// thousand payments over thirty years, as the window recomputes it on every
// edit.
#include "bigtitle.h"

#include <QElapsedTimer>

#include <cstdio>

int main()
{
    const RateTable table = bigtitle::rates();
    const TitleInput input = bigtitle::input();
    const StatementRates rates(table);
    constexpr int runs = 200;
    qint64 checksum = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i) {
        const TitleResult result = ComputeTitle(rates, input);
        if (!result.ok()) {
            std::printf("%s\n", qPrintable(result.error->message));
            return 1;
        }
        checksum += result.statement->totalWithProvision();
    }
    const double computeMs = double(timer.nsecsElapsed()) / runs / 1e6;
    std::printf("title of 50 claims, 200 costs, 1000 payments, 30 years: %6.2f ms   target 20 ms"
                "   ratio %.3f\n(checksum %lld)\n",
                computeMs, computeMs / 20.0, static_cast<long long>(checksum));
    return 0;
}
