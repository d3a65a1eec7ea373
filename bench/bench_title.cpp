// Times the statement of a title of fifty claims, two hundred costs and a
// thousand payments over thirty years, as the window recomputes it on every
// edit.
#include "schedule/title.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

int main()
{
    RateTable table;
    QDate month(2049, 12, 1);
    for (int i = 0; i < kMaxMonths; ++i, month = month.addMonths(-1)) {
        table.rows[i].monthStart = month;
        // A new rate every half-year, as the published rates go.
        table.rows[i].rate = 0.5 + (i / 6 % 17) * 0.37;
    }
    table.count = kMaxMonths;

    TitleInput input;
    const QDate from(2000, 1, 17);
    input.to = QDate(2030, 1, 17);
    input.dayBase = DayBase::ActualYear;
    input.majoration = {TitleMajoration::Kind::ServedOn, QDate(2000, 3, 15)};
    input.provision = true;
    for (int i = 0; i < kMaxClaims; ++i) {
        Claim claim;
        claim.label = QStringLiteral("Créance %1").arg(i + 1);
        claim.amount = 1000000 + 12345 * i;
        claim.from = from.addDays(73 * i);
        claim.interest = i % 5 == 4   ? ClaimInterest::None
                         : i % 5 == 3 ? ClaimInterest::Fixed
                                      : ClaimInterest::Legal;
        claim.fixedRate = QStringLiteral("4,125");
        claim.coefficient = i % 2 ? 1.5 : 1.0;
        claim.majorated = claim.interest == ClaimInterest::Legal && i % 3 == 0;
        claim.capitalise = i % 4 == 0;
        input.claims.append(claim);
    }
    for (int i = 0; i < kMaxCosts; ++i)
        input.costs.append({from.addDays(53 * i + 3), QStringLiteral("Frais"), 5000 + 10 * i});
    for (int i = 0; i < 1000; ++i)
        input.payments.append(
            {from.addDays(10 * i + 5), 20000 + 50 * i, i % 7 ? -1 : std::min(49, 10 * i / 73)});

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
