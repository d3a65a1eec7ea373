#include "commands.h"

#include "cli/output.h"
#include "files/modules.h"
#include "output/clipboardtext.h"
#include "output/pdfmodule.h"
#include "output/safetext.h"
#include "output/statementexport.h"
#include "output/titleexport.h"
#include "rates/startmonth.h"
#include "schedule/ratecheck.h"
#include "schedule/tauxstate.h"
#include "update/locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <memory>

QString RatesFilePath(const QString &folder)
{
    // The package's copy is judged by the machine's date, as the windows do,
    // whatever date a command computes for.
    if (folder.isEmpty())
        return LocateRatesFile(QString(), QDate::currentDate());
    // The window's command line must end in its separator; a folder typed
    // without one is the same folder.
    QString prefix = QDir::fromNativeSeparators(folder);
    if (!prefix.endsWith(u'/'))
        prefix += u'/';
    return LocateRatesFile(prefix, QDate::currentDate());
}

const PdfFunctions *LoadPdfModule(const QString &programDir, QString *error)
{
    return LoadModuleTable<PdfFunctions>(programDir, QStringLiteral("tauxpdf"),
                                         "taux_pdf_functions", kPdfModuleVersion, error);
}

Outcome RatesFailure(const LoadResult &result, const QString &path)
{
    return {kRatesFailed, result.title + QStringLiteral(" : ") + result.message +
                              QStringLiteral("\nFichier des taux lu : ") +
                              QDir::toNativeSeparators(path)};
}

namespace {

Outcome written(const QByteArray &bytes, const QString &path)
{
    QString error;
    QString notice;
    if (!Deliver(bytes, path, &error, &notice))
        return {kWriteFailed, error};
    return {kDone, notice};
}

// The PDF written by the module, which main has loaded already.
template <typename Write> Outcome pdfWritten(Write write)
{
    QString error;
    const PdfFunctions *pdf = LoadPdfModule(QCoreApplication::applicationDirPath(), &error);
    if (!pdf)
        return {kWriteFailed, QStringLiteral("impossible d'écrire un PDF : le module qui les "
                                             "écrit est introuvable ; réinstallez le "
                                             "programme")};
    error.clear();
    if (write(*pdf, &error))
        return {};
    return {kWriteFailed, error.isEmpty() ? QStringLiteral("le PDF n'a pas pu être écrit") : error};
}

int rowOfMonth(const RateTable &table, const QDate &month)
{
    for (int i = 0; i < table.count; ++i) {
        if (table.rows[i].monthStart == month)
            return i;
    }
    return -1;
}

} // namespace

Outcome RunSchedule(const ScheduleRequest &request)
{
    const QLocale locale;
    // The state holds the whole table and sum column: too large for the
    // stack of a small program's main.
    auto state = std::make_unique<TauxState>();
    const QString path = RatesFilePath(request.common.ratesFolder);
    state->setRatesFile(path);
    if (const LoadResult loaded = state->ChangeCategory(request.common.category); !loaded.ok())
        return RatesFailure(loaded, path);

    // The window's options first: each only recomputes a schedule that is
    // not there yet, and the amount then computes it once.
    state->SetCoefficient(request.coefficientIndex);
    state->SetMajoration(request.majoration);
    state->SetCapitalise(request.capitalise);
    if (request.capitalMonth)
        state->NormaliseCapitalisationMonth(QString::number(*request.capitalMonth));

    int row = -1;
    if (request.startDate) {
        if (!state->ConfirmStartDate(*request.startDate)) {
            const QLocale french(QLocale::French, QLocale::France);
            return {kComputeFailed,
                    QStringLiteral("Calcul impossible : Pas de taux inférieur au ") +
                        french.toString(extraRowDate().date(), QLocale::ShortFormat)};
        }
        row = state->startRow();
    } else {
        row = rowOfMonth(state->table(), *request.startMonth);
        if (row < 0)
            return {kComputeFailed, QStringLiteral("Calcul impossible : le fichier des taux n'a "
                                                   "pas de ligne pour ") +
                                        monthInWords(*request.startMonth)};
    }
    if (state->EnterAmount(row, amountForSchedule(request.amount)) ==
        TauxState::AmountOutcome::Overflow)
        return {kComputeFailed, QStringLiteral("Calcul impossible : les sommes deviennent trop "
                                               "grandes pour être calculées")};

    switch (request.common.format) {
    case OutputFormat::Text:
        return written(ScheduleTextTable(*state, locale).toUtf8(), request.common.outputPath);
    case OutputFormat::Tsv:
        return written(ClipboardText(*state, locale).toUtf8(), request.common.outputPath);
    case OutputFormat::Csv:
        return written(ScheduleCsv(*state), request.common.outputPath);
    case OutputFormat::Json:
        return written(ScheduleJson(*state), request.common.outputPath);
    case OutputFormat::Pdf:
        return pdfWritten([&](const PdfFunctions &pdf, QString *error) {
            return pdf.writeReportPdf(request.common.outputPath, *state, locale, error);
        });
    }
    return {};
}

namespace {

CaseFields shownCaseFields(CaseFields fields)
{
    for (QString *field : {&fields.creancier, &fields.debiteur, &fields.reference, &fields.titre})
        *field = WithoutBidiControls(*field);
    return fields;
}

Outcome runTitle(const StatementRequest &request, const RateTable &table)
{
    const QLocale locale;
    TitleInput input = WithRecoveryIndemnities(*request.title);
    input.category = request.common.category;
    // The ECB's rates are read only for a claim that bears them.
    const bool ecb = std::any_of(input.claims.cbegin(), input.claims.cend(), [](const Claim &c) {
        return c.interest == ClaimInterest::EcbPenalties ||
               c.interest == ClaimInterest::EcbPublicBuyer;
    });
    const EcbRead rates = ecb ? ReadEcbTableFile(LocateEcbFile(table.filePath)) : EcbRead{};
    if (ecb && !rates.table)
        return {kRatesFailed, rates.error};
    const TitleResult result = ComputeTitle(table, input, rates.table ? &*rates.table : nullptr);
    if (!result.ok())
        return {kComputeFailed,
                result.error ? result.error->message : QStringLiteral("Calcul impossible")};
    TitleDocument document = MakeTitleDocument(table, input, *result.statement, request.madeOn,
                                               shownCaseFields(request.caseFields));
    if (rates.table)
        document.ecbConfirmedUntil = rates.table->confirmedUntil;
    switch (request.common.format) {
    case OutputFormat::Text:
        return written(TitleTextTable(document, locale).toUtf8(), request.common.outputPath);
    case OutputFormat::Csv:
        return written(TitleCsv(document), request.common.outputPath);
    case OutputFormat::Json:
        return written(TitleJson(document), request.common.outputPath);
    case OutputFormat::Tsv:
        return written(TitleTsv(document, locale), request.common.outputPath);
    case OutputFormat::Pdf:
        return pdfWritten([&](const PdfFunctions &pdf, QString *error) {
            return pdf.writeTitlePdf(request.common.outputPath, document, locale, error);
        });
    }
    return {};
}

} // namespace

Outcome RunStatement(const StatementRequest &request)
{
    const QLocale locale;
    auto table = std::make_unique<RateTable>();
    // The statement names its source; a path relative to wherever the
    // command ran would mean nothing once the statement is filed.
    table->filePath = QFileInfo(RatesFilePath(request.common.ratesFolder)).absoluteFilePath();
    if (const LoadResult loaded = LoadCheckedRatesFile(*table, request.common.category);
        !loaded.ok())
        return RatesFailure(loaded, table->filePath);

    if (request.title)
        return runTitle(request, *table);
    const StatementResult result = ComputeStatement(*table, request.input);
    if (!result.ok())
        return {kComputeFailed,
                result.error ? result.error->message : QStringLiteral("Calcul impossible")};
    // A direction override in a case field would print it in another order
    // than typed: it is dropped before any output sees it.
    CaseFields caseFields = request.caseFields;
    for (QString *field :
         {&caseFields.creancier, &caseFields.debiteur, &caseFields.reference, &caseFields.titre})
        *field = WithoutBidiControls(*field);
    const StatementDocument document =
        MakeStatementDocument(*table, request.common.category, request.input, *result.statement,
                              request.madeOn, caseFields);

    switch (request.common.format) {
    case OutputFormat::Text:
        return written(StatementTextTable(document, locale).toUtf8(), request.common.outputPath);
    case OutputFormat::Tsv:
        return written(StatementTsv(document, locale), request.common.outputPath);
    case OutputFormat::Csv:
        return written(StatementCsv(document), request.common.outputPath);
    case OutputFormat::Json:
        return written(StatementJson(document), request.common.outputPath);
    case OutputFormat::Pdf:
        return pdfWritten([&](const PdfFunctions &pdf, QString *error) {
            return pdf.writeStatementPdf(request.common.outputPath, document, locale, error);
        });
    }
    return {};
}
