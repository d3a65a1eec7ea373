#include "clipboardtext.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"

#include <algorithm>

QString ClipboardText(const QList<ScheduleRow> &rows, const QLocale &locale)
{
    const QLatin1String endOfLine("\r\n");
    QString text = QStringLiteral("Mois\tTaux annuel\tSomme") + endOfLine;
    text.reserve(text.size() + rows.size() * 40);
    // A file holds only a few distinct rates, each for six months or more:
    // each is written once for the run.
    QList<std::pair<double, QString>> rates;
    for (const ScheduleRow &row : rows) {
        text += row.label;
        text += u'\t';
        if (row.rate) {
            auto known = std::find_if(rates.cbegin(), rates.cend(),
                                      [&](const auto &rate) { return rate.first == *row.rate; });
            if (known == rates.cend())
                known = rates.insert(rates.cend(), {*row.rate, formatGeneral(*row.rate, locale)});
            text += known->second;
        }
        text += u'\t';
        text += formatAmount(row.sum, locale);
        text += endOfLine;
    }
    return text;
}

QString ClipboardText(const TauxState &state, const QLocale &locale)
{
    return ClipboardText(state.schedule(), locale);
}
