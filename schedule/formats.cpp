#include "formats.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// A double's magnitude has at most 309 integer digits; two decimals and a
// carry on top.
constexpr int kMaxAmountDigits = 320;

// The magnitude with 15 significant digits, "d.dddddddddddddde+XX". The
// standard conversion is exact and far quicker than Qt's, but settles an
// exact tie on the even digit where Qt rounds up; a tie shows as a 5 in the
// sixteenth digit, and such a value keeps Qt's conversion.
QByteArray fifteenDigits(double magnitude)
{
    char buffer[64];
    const auto sixteen =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 15);
    if (sixteen.ec != std::errc() || buffer[16] == '5')
        return QByteArray::number(magnitude, 'e', 14);
    const auto fifteen =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14);
    if (fifteen.ec != std::errc())
        return QByteArray::number(magnitude, 'e', 14);
    return QByteArray(buffer, fifteen.ptr - buffer);
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
    // digits: "d.dddddddddddddde+XX". One buffer, no string per step: a
    // schedule writes hundreds of sums.
    const QByteArray sci = fifteenDigits(std::fabs(value));
    const qsizetype ePos = sci.indexOf('e');
    const int exponent = sci.mid(ePos + 1).toInt();
    // The k-th digit of the mantissa, the first at 10^exponent; zeros
    // beyond it.
    const auto digitAt = [&](int k) {
        if (k == 0)
            return sci.at(0);
        return k > 0 && k + 1 < ePos ? sci.at(k + 1) : '0';
    };

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

    QString out;
    out.reserve(integerDigits + 5);
    if (value < 0 &&
        (integerDigits > 1 || integer[0] != '0' || decimals[0] != '0' || decimals[1] != '0'))
        out += locale.negativeSign();
    if (integerDigits > 3)
        out += QLatin1StringView(integer, integerDigits - 3);
    out += u' ';
    const int last = std::min(3, integerDigits);
    out += QLatin1StringView(integer + integerDigits - last, last);
    out += locale.decimalPoint();
    out += QLatin1StringView(decimals, 2);
    return out;
}

QString formatAmount(const std::optional<double> &value, const QLocale &locale)
{
    return value ? formatAmount(*value, locale) : QString();
}
