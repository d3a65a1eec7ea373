#include "statement.h"

StatementResult ComputeStatement(const RateTable &, const StatementInput &)
{
    return {};
}

QString monthInWords(const QDate &date)
{
    return textemois(date.month()).toLower() + u' ' + QString::number(date.year());
}
