#include "statementexport.h"

#include "schedule/tauxstate.h"

StatementDocument MakeStatementDocument(const RateTable &table, RateCategory category,
                                        const StatementInput &input, const Statement &statement,
                                        const QDate &madeOn)
{
    StatementDocument document{input, statement, category, table.filePath, QDate(), madeOn};
    if (table.count > 0)
        document.newestMonth = table.rows[0].monthStart;
    return document;
}

QString formatCents(Cents, const QLocale &)
{
    return {};
}

QString StatementTextTable(const StatementDocument &, const QLocale &)
{
    return {};
}

QByteArray StatementTsv(const StatementDocument &, const QLocale &)
{
    return {};
}

QByteArray StatementCsv(const StatementDocument &)
{
    return {};
}

QByteArray StatementJson(const StatementDocument &)
{
    return {};
}

QByteArray ScheduleJson(const TauxState &)
{
    return {};
}

QString ScheduleTextTable(const TauxState &, const QLocale &)
{
    return {};
}
