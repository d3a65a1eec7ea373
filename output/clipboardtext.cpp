#include "clipboardtext.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"

QString ClipboardText(const QList<ScheduleRow> &rows, const QLocale &locale)
{
    const QLatin1String endOfLine("\r\n");
    QString text = QStringLiteral("Mois\tTaux annuel\tSomme") + endOfLine;
    for (const ScheduleRow &row : rows) {
        text += row.label + u'\t' + formatGeneral(row.rate, locale) + u'\t' +
                formatAmount(row.sum, locale) + endOfLine;
    }
    return text;
}

QString ClipboardText(const TauxState &state, const QLocale &locale)
{
    return ClipboardText(state.schedule(), locale);
}
