#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include <optional>

// The rates of one half-year in both categories, as decimal texts with a
// full stop ("6.65"): exactly the digits published, never through a float.
struct HalfYearRates
{
    int year = 0;
    int half = 1; // 1: January to June, 2: July to December
    QString autres;
    QString particuliers;

    QDate firstMonth() const { return QDate(year, half == 1 ? 1 : 7, 1); }
    // "2S2026", the key of its line in the rates file.
    QString periodKey() const;
    // "2e semestre 2026", "1er semestre 2027".
    QString caption() const;
};

// The half-year after `year`/`half`.
HalfYearRates nextHalfYear(int year, int half);

// The legal rates the administration publishes in the XML of its
// "Vos droits" fiches: the date of the fiche and the table of simple legal
// rates, newest half-year first.
struct Publication
{
    QDate date; // of dc:date; invalid when the fiche gives none
    QList<HalfYearRates> rates;
};

struct PublicationRead
{
    std::optional<Publication> publication;
    QString error; // why it was refused, in French, when there is none
};

// A fiche is some tens of kilobytes; as for a rates file, more is refused.
constexpr qsizetype kMaxPublicationBytes = 1024 * 1024;

// Whether the bytes are an XML document whose root element is Publication.
bool IsPublication(const QByteArray &bytes);

// Reads the table "Taux d'intérêt légal simple" of a publication. Refuses,
// with the reason, a document that does not hold exactly that table: a
// missing table or category, a row that is not a year and a half-year, a
// rate that is not a percentage from 0 to 30, a half-year given twice or
// one missing between two others.
PublicationRead ReadPublication(const QByteArray &bytes);

// A rate as the user or the publication writes it ("6,65", "6.65",
// "6,65 %") to the file's form ("6.65"); nothing when it is not a decimal
// number from 0 to 30.
std::optional<QString> ReadRateText(const QString &text);

// "6,65" for "6.65": the file's rate as French readers write it.
QString FrenchRate(const QString &fileRate);
