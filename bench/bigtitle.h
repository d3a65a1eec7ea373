#pragma once

// The largest title a statement holds: fifty claims, two hundred costs and
// a thousand payments over thirty years, on rates that change every
// half-year; what the benchmarks of the title time.
#include "schedule/title.h"

#include <algorithm>

namespace bigtitle {

inline RateTable rates()
{
    RateTable table;
    QDate month(2049, 12, 1);
    for (int i = 0; i < kMaxMonths; ++i, month = month.addMonths(-1)) {
        table.rows[i].monthStart = month;
        // A new rate every half-year, as the published rates go.
        table.rows[i].rate = 0.5 + (i / 6 % 17) * 0.37;
    }
    table.count = kMaxMonths;
    return table;
}

inline TitleInput input()
{
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

    return input;
}

} // namespace bigtitle
