#pragma once

// What needs Qt's print support: the printer's settings, the system's
// spooler and the print preview. Built into the print module, which the
// program loads at its first print, and linked into the tests directly.
#include "output/printing.h"

#include <QLocale>

#include <optional>

class QPrinter;
class QWidget;
class TauxState;
struct StatementDocument;
struct TitleDocument;

// Prints the report on `printer`. False when any step failed; the job is
// then aborted so that no half-built document reaches the paper later.
bool PrintReport(QPrinter &printer, const TauxState &state, const QLocale &locale);

// Busy pointer, the report on `printer`, and the printing error box when it
// fails. Returns whether it printed.
bool PrintScheduleOn(QWidget *parent, QPrinter &printer, const TauxState &state);

// The system's default queue with its paper and margins; none when no
// default printer is configured.
std::optional<PrintQueue> DefaultPrintQueue();

// The report on a queue through the system's spooler, which reports a
// refused job to Qt's print engine there (Windows).
bool PrintReportOnQueue(QWidget *parent, const QString &queue, const TauxState &state);

// The statement's print preview, on A4. False when the user printed and the
// painting sent to the printer failed.
bool PreviewStatement(QWidget *parent, const StatementDocument &document, const QLocale &locale);
// The same for a title of several claims.
bool PreviewTitle(QWidget *parent, const TitleDocument &document, const QLocale &locale);
