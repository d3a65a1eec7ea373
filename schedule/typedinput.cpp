#include "typedinput.h"

#include <QRegularExpression>

namespace {

// Longer than this, a value is cut in a message: a terminal page of one
// pasted argument hides the sentence that says what is wrong with it.
constexpr qsizetype kLongestShown = 60;

constexpr int kMostEuroDigits = 13;

// The characters a person cannot see, which a spreadsheet or a copy and
// paste leaves in a value, by a name that tells what they are.
QString invisibleName(QChar c)
{
    switch (c.unicode()) {
    case 0x0000:
        return QStringLiteral("NUL");
    case 0x0009:
        return QStringLiteral("TAB");
    case 0x000A:
        return QStringLiteral("LF");
    case 0x000D:
        return QStringLiteral("CR");
    case 0xFEFF:
        return QStringLiteral("BOM");
    }
    const QChar::Category category = c.category();
    if (category == QChar::Other_Control || category == QChar::Other_Format)
        return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return {};
}

} // namespace

QString visibleValue(QStringView text)
{
    QString out;
    const QStringView shown = text.left(kLongestShown);
    for (const QChar c : shown) {
        const QString name = invisibleName(c);
        out += name.isEmpty() ? QString(c) : u'<' + name + u'>';
    }
    if (shown.size() < text.size())
        out += QStringLiteral("… (%1 caractères)").arg(text.size());
    return out;
}

QString quotedValue(QStringView text)
{
    QStringList notes;
    for (const QChar c : text.left(kLongestShown)) {
        const QString name = invisibleName(c);
        QString note;
        if (c == QChar(0xFEFF))
            note = QStringLiteral("<BOM> : marque d'ordre des octets U+FEFF, invisible");
        else if (c.isNull())
            note = QStringLiteral("<NUL> : caractère nul, invisible");
        else if (name.startsWith(u'U'))
            note = u'<' + name + QStringLiteral("> : caractère de contrôle invisible");
        if (!note.isEmpty() && !notes.contains(note))
            notes.append(note);
    }
    QString out = QStringLiteral("« ") + visibleValue(text) + QStringLiteral(" »");
    if (!notes.isEmpty())
        out += QStringLiteral(" (") + notes.join(QStringLiteral(" ; ")) + u')';
    return out;
}

TypedAmount ReadTypedAmount(QStringView text)
{
    // People often write the currency after the amount.
    QStringView t = text.trimmed();
    if (t.endsWith(u'€'))
        t = t.chopped(1);
    const std::optional<Cents> cents = parseCents(t);
    // A lot reads thousands of amounts: the words only for a refusal.
    if (cents && *cents >= 0 && *cents <= kLargestTypedCents)
        return {cents, QString()};
    const auto refused = [&](const QString &why) {
        return TypedAmount{std::nullopt, quotedValue(text) + why};
    };
    const QString tooLarge = QStringLiteral(" est trop grand ; attendu au plus "
                                            "9 999 999 999 999,99 € (treize chiffres avant la "
                                            "virgule)");
    if (cents && *cents < 0)
        return refused(QStringLiteral(" est négatif ; attendu un montant positif ou nul, comme "
                                      "1500,50"));
    if (cents)
        return refused(tooLarge);

    // Say why, for the two mistakes a person makes most, when the rest
    // reads as a number.
    QString digits = t.toString();
    digits.remove(QRegularExpression(QStringLiteral("[ \\x{00A0}\\x{202F}]")));
    static const QRegularExpression number(QStringLiteral("^[-+]?([0-9]+)(?:[.,]([0-9]+))?$"));
    const QRegularExpressionMatch m = number.match(digits);
    if (m.hasMatch() && m.capturedLength(2) > 2)
        return refused(QStringLiteral(" a plus de deux décimales ; attendu un montant au "
                                      "centime, comme 1500,50"));
    if (m.hasMatch() && m.capturedLength(1) > kMostEuroDigits)
        return refused(tooLarge);
    return refused(QStringLiteral(" n'est pas un montant ; attendu un montant en euros comme "
                                  "1500, 1500,50 ou 1 500,50 (une seule marque décimale, des "
                                  "espaces pour les milliers)"));
}
