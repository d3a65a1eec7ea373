#include "leadingnumber.h"

#include <QByteArrayView>
#include <QVarLengthArray>

namespace {

bool isIgnoredBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == QChar(0x00A0);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Power of ten of the leading significant digit of a well-formed number
// text, saturated so that absurd exponents cannot overflow the sum.
qint64 decimalMagnitude(QByteArrayView number)
{
    qint64 leading = 0;
    bool seenPoint = false;
    bool seenSignificant = false;
    qint64 exponent = 0;
    qsizetype i = 0;
    for (; i < number.size(); ++i) {
        const char c = number.at(i);
        if (c == '+' || c == '-')
            continue;
        if (c == '.') {
            seenPoint = true;
            continue;
        }
        if (c == 'e')
            break;
        if (!seenPoint) {
            if (seenSignificant || c != '0') {
                seenSignificant = true;
                ++leading;
            }
        } else if (!seenSignificant) {
            if (c == '0')
                --leading;
            else
                seenSignificant = true;
        }
    }
    leading -= 1; // "123" has its leading digit at 10^2, "0.05" at 10^-2
    bool negative = false;
    for (++i; i < number.size(); ++i) {
        const char c = number.at(i);
        if (c == '-')
            negative = true;
        else if (c >= '0' && c <= '9' && exponent < 1000000)
            exponent = exponent * 10 + (c - '0');
    }
    return leading + (negative ? -exponent : exponent);
}

} // namespace

LeadingNumber readLeadingNumber(QStringView text)
{
    // Collect the numeric prefix with blanks removed; the result is plain
    // ASCII, read by Qt without any locale involved.
    // On the stack for any number a file or a field holds; the rates file
    // alone reads hundreds at every start.
    QVarLengthArray<char, 64> digits;
    enum class Stage { Sign, Mantissa, ExponentSign, ExponentDigits };
    Stage stage = Stage::Sign;
    bool seenPoint = false;
    bool mantissaDigits = false;
    qsizetype exponentStart = -1; // where "e" was appended, to drop a bare exponent

    for (QChar c : text) {
        if (isIgnoredBlank(c))
            continue;
        const char a = c.toLatin1();
        bool taken = true;
        switch (stage) {
        case Stage::Sign:
            stage = Stage::Mantissa;
            if (a == '+' || a == '-') {
                digits.append(a);
                break;
            }
            Q_FALLTHROUGH();
        case Stage::Mantissa:
            if (isDigit(c)) {
                digits.append(a);
                mantissaDigits = true;
            } else if (a == '.' && !seenPoint) {
                digits.append(a);
                seenPoint = true;
            } else if ((a == 'e' || a == 'E') && mantissaDigits) {
                exponentStart = digits.size();
                digits.append('e');
                stage = Stage::ExponentSign;
            } else {
                taken = false;
            }
            break;
        case Stage::ExponentSign:
            stage = Stage::ExponentDigits;
            if (a == '+' || a == '-') {
                digits.append(a);
                break;
            }
            Q_FALLTHROUGH();
        case Stage::ExponentDigits:
            if (isDigit(c)) {
                digits.append(a);
                exponentStart = -1; // the exponent is complete
            } else {
                taken = false;
            }
            break;
        }
        if (!taken)
            break;
    }

    if (exponentStart >= 0)
        digits.resize(exponentStart); // "1e" and "1e+" read as 1
    if (!mantissaDigits)
        return {};

    bool ok = false;
    const QByteArrayView number(digits.constData(), digits.size());
    const double v = number.toDouble(&ok);
    if (ok)
        return {v == 0.0 ? 0.0 : v, false};
    // The text is a well-formed number, so the conversion failed on range:
    // too small reads as 0, too large is an overflow.
    return {0.0, decimalMagnitude(number) > 0};
}
