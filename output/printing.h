#pragma once

#include <QLocale>
#include <QMessageBox>
#include <QPageLayout>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TauxState;
struct StatementDocument;
struct TitleDocument;

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
    // Whether the program's print support loads; unset, it does.
    std::function<bool()> supportLoads;
};

// The system's default printer and print server, through the print module
// of the program in `programDir`.
PrintHooks SystemPrintHooks(const QString &programDir);
// The running program's.
PrintHooks SystemPrintHooks();

// Prints the schedule on the default printer, with no dialog. Without a
// default printer, or when the job cannot be built or is refused, shows
// the printing error box; without the program's print support, a box that
// says so. Returns whether the job was accepted.
bool PrintSchedule(QWidget *parent, const TauxState &state,
                   const PrintHooks &hooks = SystemPrintHooks());

// The box of every printing failure.
inline void ShowPrintFailure(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Erreur d'impression"), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

// For an install that lacks the program's print module: no printer
// setting would mend that.
inline void ShowPrintSupportMissing(QWidget *parent)
{
    ShowPrintFailure(parent,
                     QStringLiteral("L'impression n'est pas disponible : le module d'impression "
                                    "du programme est introuvable. Réinstallez le programme."));
}

inline void ShowPrintError(QWidget *parent)
{
    ShowPrintFailure(parent, QStringLiteral("Pas d'imprimante par défaut. Modifiez votre "
                                            "configuration avant de relancer l'impression."));
}

// What needs Qt's print support lives in a module loaded at the first
// print (printsupport.h): the start does not load that library. The
// module's taux_print_functions() returns this table; the version changes
// with its layout, so that a module of another build is refused.
constexpr int kPrintModuleVersion = 2;

struct PrintFunctions
{
    int version;
    std::optional<PrintQueue> (*defaultQueue)();
    bool (*printReportOnQueue)(QWidget *parent, const QString &queue, const TauxState &state);
    bool (*previewStatement)(QWidget *parent, const StatementDocument &document,
                             const QLocale &locale);
    bool (*previewTitle)(QWidget *parent, const TitleDocument &document, const QLocale &locale);
};

// The print module of the program in `programDir`, loading it the first
// time; null with the reasons in `error` when it cannot be loaded.
const PrintFunctions *LoadPrintModule(const QString &programDir, QString *error = nullptr);
// The running program's.
const PrintFunctions *ProgramPrintModule();
