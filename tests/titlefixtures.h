#pragma once

// The titles the exports of a title are checked on.

#include "rates/ratetable.h"
#include "schedule/title.h"

#include <QLocale>

namespace titlefixtures {

inline const QLocale french(QLocale::French, QLocale::France);

// 2019 at 3,65 %: on 365 days a capital earns a ten-thousandth of itself a
// day.
inline RateTable flatTable()
{
    RateTable table;
    int count = 0;
    for (QDate m(2026, 6, 1); m >= QDate(2019, 1, 1); m = m.addMonths(-1), ++count) {
        table.rows[count].monthStart = m;
        table.rows[count].rate = 3.65;
    }
    table.count = qint16(count);
    table.filePath = QStringLiteral("/srv/taux/QUERDAN.TXT");
    return table;
}

// The same rates as a rates file: 3,65 % every half-year from 2019 to the
// first of 2026, in both categories.
inline QByteArray flatRatesFile()
{
    QString rates;
    for (int year = 2026; year >= 2019; --year)
        rates += QStringLiteral("2S%1\t3.65\t3.65\r\n1S%1\t3.65\t3.65\r\n").arg(year);
    return rates.mid(18).toLatin1();
}

inline Claim claim(const QString &label, Cents amount, const QDate &from)
{
    Claim c;
    c.label = label;
    c.amount = amount;
    c.from = from;
    return c;
}

// 10 000 euros of principal from 1 January 2019, 1 500 euros under article
// 700 from 1 March, 800 euros of dépens without interest, a commandement of
// 120 euros on 1 April; paid 2 000 euros on 1 April and 1 000 on 1 June.
inline TitleInput judgment(int which = 0)
{
    TitleInput input;
    input.claims = {claim(QStringLiteral("Principal"), 1000000, QDate(2019, 1, 1)),
                    claim(QStringLiteral("Article 700"), 150000, QDate(2019, 3, 1)),
                    claim(QStringLiteral("Dépens"), 80000, QDate(2019, 3, 1))};
    input.claims[2].interest = ClaimInterest::None;
    input.costs = {{QDate(2019, 4, 1), QStringLiteral("Commandement"), 12000}};
    input.payments = {{QDate(2019, 4, 1), 200000, -1}, {QDate(2019, 6, 1), 100000, -1}};
    input.to = QDate(2019, 7, 1);
    if (which == 0)
        return input;
    // 1 000 euros at the legal rate served on 15/03/2026, 1 000 euros at a
    // fixed 4,5 %, both from 1 May 2026 to 16 June, with the month's
    // provision past the rates file's June.
    input = TitleInput();
    input.claims = {claim(QStringLiteral("Principal"), 100000, QDate(2026, 5, 1)),
                    claim(QStringLiteral("Prêt"), 100000, QDate(2026, 5, 1))};
    input.claims[0].majorated = true;
    input.claims[1].interest = ClaimInterest::Fixed;
    input.claims[1].fixedRate = QStringLiteral("4,5");
    input.majoration = {TitleMajoration::Kind::ServedOn, QDate(2026, 3, 15)};
    input.provision = true;
    input.to = QDate(2026, 6, 16);
    return input;
}

} // namespace titlefixtures
