#include "startmonth.h"

#include <algorithm>

namespace {

// Local time would refuse or shift a midnight that a clock change skips;
// UTC holds every calendar date and time as written.
QDateTime calendarValue(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

QDateTime extraRowDate()
{
    return calendarValue(QDate(1899, 12, 30), QTime(0, 0));
}

int findStartRow(const RateTable &table, const QDateTime &startDate)
{
    const QDateTime start = calendarValue(startDate.date(), startDate.time());
    if (!start.isValid())
        return -1;
    // A month's midnight before the start, compared on the date and the
    // time: a date-time a row would cost more than the rest of a short run.
    const QDate startDay = start.date();
    const bool afterMidnight = start.time() > QTime(0, 0);
    for (int i = 0; i <= table.count; ++i) {
        const QDate day = i == table.count ? extraRowDate().date() : table.rows[i].monthStart;
        if (!day.isValid() ? calendarValue(day, QTime(0, 0)) < start
                           : day < startDay || (day == startDay && afterMidnight))
            return i;
    }
    return -1;
}

int firstRowShowing(int startRow)
{
    return std::max(0, startRow - 20);
}
