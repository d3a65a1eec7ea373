#pragma once

#include <QStringView>

// Numbers in the rates file and in the input fields are read the same way:
// blanks anywhere are ignored, then an optional sign, digits, an optional
// full stop with decimals and an optional exponent are taken, and reading
// stops at the first other character. Text without a leading number reads
// as 0. The full stop is the only decimal mark, whatever the locale.
struct LeadingNumber
{
    double value = 0.0;
    bool overflow = false; // too large for a double (1e400, 400 nines...)
};

LeadingNumber readLeadingNumber(QStringView text);
