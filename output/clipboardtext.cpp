#include "clipboardtext.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"

#include <QStringBuilder>

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
        QStringView rate;
        if (row.rate) {
            auto known = std::find_if(rates.cbegin(), rates.cend(),
                                      [&](const auto &rate) { return rate.first == *row.rate; });
            if (known == rates.cend())
                known = rates.insert(rates.cend(), {*row.rate, formatGeneral(*row.rate, locale)});
            rate = known->second;
        }
        // One append a row: each of Qt's appends costs more than a row's digits.
        text += row.label % u'\t' % rate % u'\t' % formatAmount(row.sum, locale) % endOfLine;
    }
    return text;
}

QString ClipboardText(const TauxState &state, const QLocale &locale)
{
    return ClipboardText(state.schedule(), locale);
}
