#pragma once

#include <QtGlobal>

// Sums of cents are checked: an amount beyond what can be added is refused
// in words by the caller, never wrapped into a wrong total.
inline bool addCents(qint64 a, qint64 b, qint64 *sum)
{
    return !__builtin_add_overflow(a, b, sum);
}
