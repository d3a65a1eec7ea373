// Times a statement of fifty years with a hundred payments, as the window
// recomputes it on every edit, on the rates of the title's benchmark.
#include "bigtitle.h"
#include "output/statementexport.h"
#include "schedule/statement.h"

#include <QElapsedTimer>

#include <cstdio>

int main()
{
    const RateTable table = bigtitle::rates();

    StatementInput input;
    input.principal = 12345678;
    input.from = QDate(2000, 1, 17);
    input.to = QDate(2049, 12, 31);
    input.majorationFrom = QDate(2000, 5, 17);
    input.capitalise = true;
    input.coefficient = 1.5;
    input.dayBase = DayBase::ActualYear;
    for (int i = 0; i < 100; ++i)
        input.payments.append({input.from.addDays(180 * i + 7), 20000 + 100 * i});

    constexpr int runs = 2000;
    qint64 checksum = 0;
    int lines = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i) {
        const StatementResult result = ComputeStatement(table, input);
        if (!result.ok())
            return 1;
        checksum += result.statement->total();
        lines = int(result.statement->lines.size());
    }
    const double computeUs = double(timer.nsecsElapsed()) / runs / 1000.0;

    const StatementResult result = ComputeStatement(table, input);
    const StatementDocument document = MakeStatementDocument(
        table, RateCategory::Autres, input, *result.statement, QDate(2049, 12, 31));
    constexpr int exports = 200;
    qsizetype bytes = 0;
    timer.restart();
    for (int i = 0; i < exports; ++i)
        bytes += StatementJson(document).size() + StatementCsv(document).size();
    const double exportUs = double(timer.nsecsElapsed()) / exports / 1000.0;

    std::printf("statement lines: %d\n", lines);
    std::printf("statement 50 years, 100 payments: %8.1f us   target 1000 us   ratio %.3f\n",
                computeUs, computeUs / 1000.0);
    std::printf("(its JSON and CSV: %.1f us, %lld bytes; checksum %lld)\n", exportUs,
                static_cast<long long>(bytes / exports), static_cast<long long>(checksum));
    return 0;
}
