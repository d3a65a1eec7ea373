#pragma once

// What writes a PDF needs Qt Gui and its forty libraries: the command line
// loads it in this module only when a PDF is asked for, so that every other
// command starts with Qt Core alone. The module's taux_pdf_functions()
// returns this table; the version changes with its layout, so that a
// module of another build is refused rather than called wrongly.
#include <QLocale>
#include <QString>

#include <functional>

class TauxState;
struct StatementDocument;
struct TitleDocument;

constexpr int kPdfModuleVersion = 2;

struct PdfFunctions
{
    int version;
    // Runs `run` with the application object painting needs (offscreen: a
    // PDF needs fonts, not a display), created from the program's own
    // arguments, and returns what `run` returns.
    int (*withPainting)(int &argc, char **argv, const std::function<int()> &run);
    // As WriteReportPdf, WriteStatementPdf and WriteTitlePdf, within
    // withPainting only.
    bool (*writeReportPdf)(const QString &path, const TauxState &state, const QLocale &locale,
                           QString *error);
    bool (*writeStatementPdf)(const QString &path, const StatementDocument &document,
                              const QLocale &locale, QString *error);
    bool (*writeTitlePdf)(const QString &path, const TitleDocument &document, const QLocale &locale,
                          QString *error);
};
