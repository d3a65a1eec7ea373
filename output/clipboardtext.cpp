#include "clipboardtext.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"

QString ClipboardText(const TauxState &state, const QLocale &locale)
{
    const QLatin1String endOfLine("\r\n");
    QString text = QStringLiteral("Mois\tTaux annuel\tSomme") + endOfLine;
    for (int i = 0; i <= state.lastScheduleRow(); ++i) {
        const ScheduleRow row = state.scheduleRow(i);
        text += row.label + u'\t' + formatGeneral(row.rate, locale) + u'\t' +
                formatAmount(row.sum, locale) + endOfLine;
    }
    return text;
}
