#include "safetext.h"

bool IsBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E ||
           u == 0x200F || u == 0x061C;
}

QString WithoutBidiControls(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!IsBidiControl(c))
            out += c;
    }
    return out;
}

QString SafeLine(QStringView text, qsizetype maxLength)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (IsBidiControl(c))
            continue;
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            out += u' ';
        else
            out += c;
    }
    if (maxLength > 0 && out.size() > maxLength) {
        out.truncate(maxLength - 1);
        // Never leave half of a surrogate pair at the cut.
        if (!out.isEmpty() && out.back().isHighSurrogate())
            out.chop(1);
        out += QChar(0x2026);
    }
    return out;
}
