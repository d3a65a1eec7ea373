#include "formats.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// A double's magnitude has at most 309 integer digits; two decimals and a
// carry on top.
constexpr int kMaxAmountDigits = 320;

// The magnitude's first 15 significant digits, the first at 10^exponent.
struct Digits
{
    char digit[15];
    int count = 0;
    int exponent = 0;
};

int exponentOf(const char *from, const char *to)
{
    const bool negative = from < to && *from == '-';
    if (from < to && (*from == '-' || *from == '+'))
        ++from;
    int exponent = 0;
    std::from_chars(from, to, exponent);
    return negative ? -exponent : exponent;
}

// The standard conversion is exact and far quicker than Qt's. Sixteen digits
// are asked for and the last rounds the others: a 16-digit rounding cannot
// step over a 15-digit midpoint without landing on it, so the result is the
// direct one unless the sixteenth digit is a 5. Such a value may be an exact
// tie, which Qt rounds up and the standard conversion to even: it keeps
// Qt's conversion.
// The digits without a decimal conversion, for the sums a schedule writes
// (1 to 10^13): the magnitude times a power of ten, in the 64-bit mantissa
// of a long double, is within 10^-4 of its exact value, so it rounds to
// the same fifteen digits unless it lies that close to a half. Then, and
// for any other magnitude, nothing.
std::optional<Digits> fifteenDigitsQuickly(double magnitude)
{
    static const double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
    if (!(magnitude >= 1.0 && magnitude < 1e13) || std::numeric_limits<long double>::digits < 64)
        return std::nullopt;
    int exponent = 0;
    while (exponent < 12 && magnitude >= powers[exponent + 1])
        ++exponent;
    const long double scaled = static_cast<long double>(magnitude) * powers[14 - exponent];
    const long double whole = std::floor(scaled);
    const long double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5L) < 1e-3L)
        return std::nullopt;
    auto n = static_cast<unsigned long long>(whole) + (fraction > 0.5L ? 1 : 0);
    if (n == 1000000000000000ULL) { // 999…9,5 rounds up to a digit more
        n /= 10;
        ++exponent;
    }
    Digits d;
    for (int i = 14; i >= 0; --i, n /= 10)
        d.digit[i] = char('0' + n % 10);
    d.count = 15;
    d.exponent = exponent;
    return d;
}

Digits fifteenDigits(double magnitude)
{
    if (const std::optional<Digits> quick = fifteenDigitsQuickly(magnitude))
        return *quick;
    Digits d;
    char buffer[64];
    const auto sixteen =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 15);
    if (sixteen.ec == std::errc() && buffer[16] != '5' && buffer[17] == 'e') {
        d.digit[0] = buffer[0];
        std::copy(buffer + 2, buffer + 16, d.digit + 1);
        d.count = 15;
        d.exponent = exponentOf(buffer + 18, sixteen.ptr);
        if (buffer[16] > '5') {
            int i = 14;
            while (i >= 0 && d.digit[i] == '9')
                d.digit[i--] = '0';
            if (i >= 0) {
                ++d.digit[i];
            } else {
                d.digit[0] = '1';
                ++d.exponent;
            }
        }
        return d;
    }
    // "d.dddddddddddddde+XX"
    const QByteArray sci = QByteArray::number(magnitude, 'e', 14);
    const qsizetype ePos = sci.indexOf('e');
    for (qsizetype i = 0; i < ePos && d.count < 15; ++i) {
        if (sci.at(i) != '.')
            d.digit[d.count++] = sci.at(i);
    }
    d.exponent = exponentOf(sci.constData() + ePos + 1, sci.constData() + sci.size());
    return d;
}

} // namespace

QString formatGeneral(double value, const QLocale &locale)
{
    if (value == 0.0)
        value = 0.0; // never "-0"
    QLocale plain = locale;
    plain.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', 15);
}

QString formatGeneral(const std::optional<double> &value, const QLocale &locale)
{
    return value ? formatGeneral(*value, locale) : QString();
}

QString formatAmount(double value, const QLocale &locale)
{
    if (!std::isfinite(value))
        return locale.toString(value);

    // Work on the decimal digits of the value as written with 15 significant
    // digits, in one buffer and no string per step: a schedule writes
    // hundreds of sums.
    const Digits sci = fifteenDigits(std::fabs(value));
    const int exponent = sci.exponent;
    // The k-th digit, the first at 10^exponent; zeros beyond the fifteenth.
    const auto digitAt = [&](int k) { return k >= 0 && k < sci.count ? sci.digit[k] : '0'; };

    // The integer digits and two decimals; the third decimal alone decides
    // the rounding, half away from zero on the magnitude.
    char kept[kMaxAmountDigits];
    int size = 1; // room for a carry in front
    for (int power = std::max(exponent, 0); power >= -2; --power)
        kept[size++] = digitAt(exponent - power);
    kept[0] = '0';
    if (digitAt(exponent + 3) >= '5') {
        int i = size - 1;
        while (kept[i] == '9')
            kept[i--] = '0';
        ++kept[i];
    }
    int first = 0;
    while (first < size - 3 && kept[first] == '0')
        ++first;
    const int integerDigits = size - 2 - first;
    const char *integer = kept + first;
    const char *decimals = kept + size - 2;

    // Qt's separators cost more than the digits: they are read once for the
    // last locale asked, per thread, as a schedule asks for one locale only.
    struct Separators
    {
        QLocale locale;
        QString negative;
        QString decimal;
    };
    thread_local std::optional<Separators> separators;
    if (!separators || !(separators->locale == locale))
        separators = Separators{locale, locale.negativeSign(), locale.decimalPoint()};

    const bool negative = value < 0 && (integerDigits > 1 || integer[0] != '0' ||
                                        decimals[0] != '0' || decimals[1] != '0');
    QString out(integerDigits + 3 + (negative ? separators->negative.size() : 0) +
                    separators->decimal.size(),
                Qt::Uninitialized);
    QChar *to = out.data();
    const auto put = [&](const QString &text) {
        std::copy(text.cbegin(), text.cend(), to);
        to += text.size();
    };
    if (negative)
        put(separators->negative);
    const int last = std::min(3, integerDigits);
    to = std::copy(integer, integer + integerDigits - last, to);
    *to++ = u' ';
    to = std::copy(integer + integerDigits - last, integer + integerDigits, to);
    put(separators->decimal);
    std::copy(decimals, decimals + 2, to);
    return out;
}

QString formatAmount(const std::optional<double> &value, const QLocale &locale)
{
    return value ? formatAmount(*value, locale) : QString();
}
