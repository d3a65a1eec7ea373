#include "startmonth.h"

#include <algorithm>

QDateTime extraRowDate()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

int findStartRow(const RateTable &table, const QDateTime &startDate)
{
    for (int i = 0; i <= table.count; ++i) {
        const QDateTime d =
            i == table.count ? extraRowDate() : QDateTime(table.rows[i].monthStart, QTime(0, 0));
        if (d < startDate)
            return i;
    }
    return -1;
}

int firstRowShowing(int startRow)
{
    return std::max(0, startRow - 20);
}
