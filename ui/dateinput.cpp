#include "dateinput.h"

#include <QList>
#include <QRegularExpression>
#include <QString>

namespace {

// Lower case without accents or a final full stop, so "Déc." meets "dec".
QString folded(QStringView word)
{
    QString out;
    const QString decomposed = word.toString().normalized(QString::NormalizationForm_D);
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toLower();
    }
    while (out.endsWith(u'.'))
        out.chop(1);
    return out;
}

int monthFromName(QStringView word, const QLocale &locale)
{
    static const char *const french[12][4] = {
        {"janvier", "janv", "jan", nullptr},   {"fevrier", "fevr", "fev", nullptr},
        {"mars", "mar", nullptr, nullptr},     {"avril", "avr", nullptr, nullptr},
        {"mai", nullptr, nullptr, nullptr},    {"juin", nullptr, nullptr, nullptr},
        {"juillet", "juil", nullptr, nullptr}, {"aout", nullptr, nullptr, nullptr},
        {"septembre", "sept", "sep", nullptr}, {"octobre", "oct", nullptr, nullptr},
        {"novembre", "nov", nullptr, nullptr}, {"decembre", "dec", nullptr, nullptr}};
    const QString w = folded(word);
    if (w.isEmpty())
        return 0;
    for (int m = 0; m < 12; ++m) {
        for (const char *name : french[m]) {
            if (name && w == QLatin1String(name))
                return m + 1;
        }
    }
    // The user's own language too, when it is not French.
    for (int m = 1; m <= 12; ++m) {
        for (QLocale::FormatType f : {QLocale::LongFormat, QLocale::ShortFormat}) {
            if (w == folded(locale.monthName(m, f)) ||
                w == folded(locale.standaloneMonthName(m, f)))
                return m;
        }
    }
    return 0;
}

enum class Order { DayMonthYear, MonthDayYear };

// Only whether the locale writes the month before the day matters: a
// four-digit year at the front is recognised by itself.
Order localeOrder(const QLocale &locale)
{
    const QString f = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = f.indexOf(u'd');
    const qsizetype m = f.indexOf(u'M');
    if (d >= 0 && m >= 0 && m < d)
        return Order::MonthDayYear;
    return Order::DayMonthYear;
}

std::optional<int> fullYear(QStringView digits)
{
    bool ok = false;
    const int y = digits.toInt(&ok);
    if (!ok)
        return std::nullopt;
    if (digits.size() <= 2)
        return y <= 29 ? 2000 + y : 1900 + y;
    if (y < 100 || y > 9999)
        return std::nullopt;
    return y;
}

// "12:00", "12:00:30", "12h", "12h30"; an empty text is midnight.
std::optional<QTime> timeOfDay(QStringView text)
{
    if (text.trimmed().isEmpty())
        return QTime(0, 0);
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(\d{1,2})\s*(?:[:hH]\s*(\d{2})?(?:\s*:\s*(\d{2}))?)\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

// "15/03/2015" and "1/3/2015", as scripts and most people type a date,
// split without the expressions below: compiling them is most of what a
// short command costs at start. Anything else goes to the expressions.
bool plainNumericDate(QStringView text, QStringView *a, QStringView *b, QStringView *c)
{
    const auto digitsAt = [&](qsizetype from, qsizetype most) {
        qsizetype to = from;
        while (to < text.size() && to - from < most && text[to] >= u'0' && text[to] <= u'9')
            ++to;
        return to - from;
    };
    const qsizetype aSize = digitsAt(0, 2);
    if (aSize == 0 || aSize >= text.size() || text[aSize] != u'/')
        return false;
    const qsizetype bSize = digitsAt(aSize + 1, 2);
    const qsizetype cFrom = aSize + 1 + bSize + 1;
    if (bSize == 0 || cFrom > text.size() || text[cFrom - 1] != u'/')
        return false;
    if (digitsAt(cFrom, 4) != 4 || cFrom + 4 != text.size())
        return false;
    *a = text.left(aSize);
    *b = text.mid(aSize + 1, bSize);
    *c = text.mid(cFrom);
    return true;
}

} // namespace

std::optional<QDateTime> parseStartDate(QStringView text, const QLocale &locale)
{
    const QString input = text.trimmed().toString();
    if (input.isEmpty())
        return std::nullopt;

    // Numeric: three groups of digits separated by / - . or blanks.
    static const QRegularExpression numeric(QStringLiteral(
        R"(^(\d{1,4})\s*[/.\-\s]\s*(\d{1,2})\s*[/.\-\s]\s*(\d{1,4})(?:[\sT]+(.*))?$)"));
    // With a month name: 15 mars 2015, 1er janvier 2016, 15-déc.-2015.
    static const QRegularExpression named(
        QStringLiteral(
            R"(^(\d{1,2})\s*(?:er)?[\s/.\-]*([^\d\s/\-]+)[\s/.\-]*(\d{1,4})(?:[\sT]+(.*))?$)"),
        QRegularExpression::CaseInsensitiveOption);

    int day = 0;
    int month = 0;
    std::optional<int> year;
    QString rest;
    QStringView a;
    QStringView b;
    QStringView c;
    QRegularExpressionMatch m;
    bool isNumeric = plainNumericDate(input, &a, &b, &c);
    if (!isNumeric) {
        m = numeric.match(input);
        isNumeric = m.hasMatch();
        if (isNumeric) {
            a = m.capturedView(1);
            b = m.capturedView(2);
            c = m.capturedView(3);
            rest = m.captured(4);
        }
    }
    if (isNumeric) {
        if (a.size() == 4 && c.size() <= 2) {
            // 2015-03-15 reads the same in every locale.
            year = fullYear(a);
            month = b.toInt();
            day = c.toInt();
        } else if (a.size() > 2 || c.size() == 3) {
            return std::nullopt; // "15/03/201" is a digit short, not the year 201
        } else if (localeOrder(locale) == Order::MonthDayYear) {
            month = a.toInt();
            day = b.toInt();
            year = fullYear(c);
        } else {
            day = a.toInt();
            month = b.toInt();
            year = fullYear(c);
        }
    } else if (const auto n = named.match(input); n.hasMatch()) {
        day = n.captured(1).toInt();
        month = monthFromName(n.capturedView(2), locale);
        if (n.capturedView(3).size() == 3)
            return std::nullopt;
        year = fullYear(n.capturedView(3));
        rest = n.captured(4);
    } else {
        return std::nullopt;
    }

    if (!year || month < 1)
        return std::nullopt;
    const QDate date(*year, month, day);
    if (!date.isValid())
        return std::nullopt;
    const std::optional<QTime> time = timeOfDay(rest);
    if (!time)
        return std::nullopt;
    return QDateTime(date, *time, Qt::UTC);
}
