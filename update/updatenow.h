#pragma once

#include <QDate>
#include <QString>

class QWidget;

#include "update/ecbupdate.h"

#include <optional>

struct RatesUpdateOutcome
{
    bool added = false;    // the rates file gained at least one half-year
    QString message;       // what each table brought, a line each (French)
    bool ecbAdded = false; // the ECB's table gained a change
};
// Downloads now from the settings' addresses (Querdan.ini found as the main
// window finds it), the rates and then the ECB's table beside them, with a
// busy pointer and a Cancel button, the same bounds as the automatic
// update; shows nothing itself: the caller shows `message`. `today` bounds
// how far ahead a half-year may go.
RatesUpdateOutcome updateRatesNow(QWidget *parent, const QString &ratesFilePath,
                                  const QDate &today);
// The form "Ajouter un semestre…" for the half-year after the file's newest;
// true when one was added to the file.
bool addHalfYearByHand(QWidget *parent, const QString &ratesFilePath, const QDate &today);

// The same download from a given address (the update dialog's field, as
// the user left it).
RatesUpdateOutcome updateRatesNowFrom(QWidget *parent, const QString &ratesFilePath,
                                      const QString &address, const QString &ecbAddress,
                                      const QDate &today);

// Both updates of "Mettre à jour maintenant".
struct TablesUpdateReport
{
    RatesUpdateReport rates;
    // None when no ECB table lies beside the rates file, or the rates'
    // download was cancelled.
    std::optional<EcbUpdateReport> ecb;
    // The rates' sentence, then the ECB's on a line of its own.
    QString message() const;
};

// The update above with the whole report, for the update dialog, which
// lists the added half-years.
TablesUpdateReport updateTablesReport(QWidget *parent, const QString &ratesFilePath,
                                      const QString &address, const QString &ecbAddress,
                                      const QDate &today);
RatesUpdateReport addHalfYearReport(QWidget *parent, const QString &ratesFilePath,
                                    const QDate &today);
