#pragma once

#include <QDate>
#include <QString>

class QWidget;

struct RatesUpdateOutcome
{
    bool added = false; // the rates file gained at least one half-year
    QString message;    // the sentence shown to the user (French)
};
// Downloads now from the settings' address (Querdan.ini found as the main
// window finds it), with a busy pointer and a Cancel button, the same bounds
// as the automatic update; shows nothing itself: the caller shows `message`.
// `today` bounds how far ahead a half-year may go.
RatesUpdateOutcome updateRatesNow(QWidget *parent, const QString &ratesFilePath,
                                  const QDate &today);
// The form "Ajouter un semestre…" for the half-year after the file's newest;
// true when one was added to the file.
bool addHalfYearByHand(QWidget *parent, const QString &ratesFilePath, const QDate &today);

// The same download from a given address (the update dialog's field, as
// the user left it).
RatesUpdateOutcome updateRatesNowFrom(QWidget *parent, const QString &ratesFilePath,
                                      const QString &address, const QDate &today);

struct RatesUpdateReport;

// The two above with the whole report, for the update dialog, which lists
// the added half-years.
RatesUpdateReport updateRatesReport(QWidget *parent, const QString &ratesFilePath,
                                    const QString &address, const QDate &today);
RatesUpdateReport addHalfYearReport(QWidget *parent, const QString &ratesFilePath,
                                    const QDate &today);
