#include "schedule.h"

#include <cmath>

namespace {

// The month field is compared with month numbers as text, so only "1".."12"
// written without a leading zero can ever match; anything else never does.
int capitalMonthNumber(const QString &text)
{
    for (int m = 1; m <= 12; ++m) {
        if (text == QString::number(m))
            return m;
    }
    return -1;
}

} // namespace

bool ComputeSchedule(int p, const RateTable &table, const ScheduleOptions &options, SumColumn &sums)
{
    if (p < 0 || p > table.count)
        return true;

    bool finite = true;
    if (sums[p].has_value()) {
        const bool everyTwelveMonths = options.capitalMonth.isEmpty();
        const int capitalMonth = capitalMonthNumber(options.capitalMonth);
        double capital = *sums[p];
        double interest = 0.0;
        int months = 0;
        for (int n = p - 1; n >= 0; --n) {
            const RateRow &row = table.rows[n];
            if (options.capitalise) {
                const bool due = everyTwelveMonths
                                     ? months == 12
                                     : months >= 12 && row.monthStart.month() == capitalMonth;
                if (due) {
                    capital = capital + interest;
                    interest = 0.0;
                    months = 0;
                }
            }
            interest = interest + (options.coefficient * capital) *
                                      ((options.majoration + row.rate.value_or(0.0)) / 1200);
            months = months + 1;
            sums[n] = capital + interest;
            if (!std::isfinite(*sums[n])) {
                // Beyond what a double holds: no month from here shows a sum.
                for (int m = n; m >= 0; --m)
                    sums[m].reset();
                finite = false;
                break;
            }
        }
    } else {
        // A start date was confirmed but no amount typed yet: there is
        // nothing to grow, so the later months stay empty.
        for (int n = p - 1; n >= 0; --n)
            sums[n].reset();
    }

    if (p != table.count) {
        for (int n = p + 1; n <= table.count; ++n)
            sums[n].reset();
    }
    return finite;
}
