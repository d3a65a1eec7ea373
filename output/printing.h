#pragma once

#include <QLocale>
#include <QPageLayout>
#include <QString>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;
class TauxState;

// Prints the report on `printer`. False when any step failed; the job is
// then aborted so that no half-built document reaches the paper later.
bool PrintReport(QPrinter &printer, const TauxState &state, const QLocale &locale);

// As PrintSchedule, on a given printer: busy pointer, the report, and the
// printing error box when it fails. Returns whether it printed.
bool PrintScheduleOn(QWidget *parent, QPrinter &printer, const TauxState &state);

// The queue a report goes to, with its paper and margins.
struct PrintQueue
{
    QString name;
    QPageLayout layout;
    int resolution = 1200;
};

// What printing asks of the system; tests replace these.
struct PrintHooks
{
    // The default queue, none when no default printer is configured.
    std::function<std::optional<PrintQueue>()> defaultPrinter;
    // Hands a PDF file to a queue. False when the job was not accepted,
    // with the reason in `error`.
    std::function<bool(const QString &queue, const QString &pdfPath, QString *error)> submit;
};

// The system's default printer and print server.
PrintHooks SystemPrintHooks();

// Prints the schedule on the default printer, with no dialog. Without a
// default printer, or when the job cannot be built or is refused, shows
// the printing error box. Returns whether the job was accepted.
bool PrintSchedule(QWidget *parent, const TauxState &state,
                   const PrintHooks &hooks = SystemPrintHooks());
