#include "schedule/formats.h"
#include "schedule/tauxstate.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    TauxState state;
    state.table.filePath = args.join(u' ') + QStringLiteral("QUERDAN.TXT");
    const LoadResult result = state.loadRates(RateCategory::Autres);
    QTextStream out(stdout);
    if (!result.ok()) {
        QTextStream(stderr) << result.title << ": " << result.message << '\n';
        return 1;
    }
    const QLocale locale;
    for (int i = 0; i <= state.table.count; ++i) {
        const ScheduleRow row = state.scheduleRow(i);
        out << row.label << '\t' << formatGeneral(row.rate, locale) << '\n';
    }
    return 0;
}
