#include "formats.h"

#include <QByteArray>

#include <cmath>

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
    // digits: "d.dddddddddddddde+XX".
    const QByteArray sci = QByteArray::number(std::fabs(value), 'e', 14);
    const qsizetype ePos = sci.indexOf('e');
    QByteArray mantissa = sci.left(ePos);
    mantissa.remove(1, 1); // drop the point: 15 digits, the first at 10^exponent
    const int exponent = sci.mid(ePos + 1).toInt();

    // Split into integer digits and decimals, at least three of them.
    QByteArray intPart;
    QByteArray fracPart;
    if (exponent >= 0) {
        const int intDigits = exponent + 1;
        if (intDigits >= mantissa.size()) {
            intPart = mantissa + QByteArray(intDigits - mantissa.size(), '0');
        } else {
            intPart = mantissa.left(intDigits);
            fracPart = mantissa.mid(intDigits);
        }
    } else {
        intPart = "0";
        fracPart = QByteArray(-exponent - 1, '0') + mantissa;
    }
    while (fracPart.size() < 3)
        fracPart.append('0');

    // Half away from zero on the magnitude: the third decimal alone decides.
    QByteArray kept = intPart + fracPart.left(2);
    if (fracPart.at(2) >= '5') {
        int i = kept.size() - 1;
        while (i >= 0 && kept[i] == '9') {
            kept[i] = '0';
            --i;
        }
        if (i >= 0)
            kept[i] = kept[i] + 1;
        else
            kept.prepend('1');
    }
    QByteArray integer = kept.left(kept.size() - 2);
    const QByteArray decimals = kept.right(2);
    while (integer.size() > 1 && integer.front() == '0')
        integer.remove(0, 1);

    QString out;
    if (value < 0 && (integer != "0" || decimals != "00"))
        out += locale.negativeSign();
    if (integer.size() > 3)
        out += QString::fromLatin1(integer.left(integer.size() - 3));
    out += u' ';
    out += QString::fromLatin1(integer.right(std::min<qsizetype>(3, integer.size())));
    out += locale.decimalPoint();
    out += QString::fromLatin1(decimals);
    return out;
}

QString formatAmount(const std::optional<double> &value, const QLocale &locale)
{
    return value ? formatAmount(*value, locale) : QString();
}
