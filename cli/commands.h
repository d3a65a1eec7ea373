#pragma once

#include "cli/values.h"
#include "rates/ratetable.h"
#include "schedule/casefields.h"
#include "schedule/statement.h"
#include "schedule/title.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// The exit statuses scripts can rely on.
enum ExitStatus {
    kDone = 0,
    kWriteFailed = 1,   // the output could not be written
    kUsage = 2,         // an option or a value is wrong
    kRatesFailed = 3,   // the rates file is missing or corrupt
    kComputeFailed = 4, // a missing rate, a date out of range, a refused batch line
    kUpdateFailed = 5,  // the rates update could not be done (download, publication)
};

struct Outcome
{
    int status = kDone;
    QString message; // for standard error, without the program's name
};

// What every command reads.
struct CommonRequest
{
    QString ratesFolder; // empty: the window's own lookup
    RateCategory category = RateCategory::Autres;
    OutputFormat format = OutputFormat::Text;
    QString outputPath; // empty: standard output
};

struct ScheduleRequest
{
    CommonRequest common;
    std::optional<QDateTime> startDate; // as the window's date field
    std::optional<QDate> startMonth;    // or the row of this month directly
    Cents amount = 0;
    int coefficientIndex = 0;
    bool majoration = false;
    bool capitalise = true;
    std::optional<int> capitalMonth;
};

struct StatementRequest
{
    CommonRequest common;
    StatementInput input;
    // A title of several claims, costs and payments applied by rule, in
    // place of `input` when set.
    std::optional<TitleInput> title;
    QDate madeOn;
    CaseFields caseFields;
};

// A saved statement brought up to date: the file says everything but the
// end date and the statement's date, which the command line may give.
struct SavedFileRequest
{
    CommonRequest common; // its category is the file's
    QString path;
    std::optional<QDate> to; // in place of the file's end date
    QDate madeOn;
};

// A batch: each line of the file gives its own values; what a line leaves
// empty comes from these.
struct BatchRequest
{
    CommonRequest common;
    QString csvPath;
    int coefficientIndex = 0;
    DayBase dayBase = DayBase::Fixed365;
    bool capitalise = true;
    QDate madeOn;
};

// The rates file for `folder` (the window's command line), found the way the
// window finds it.
QString RatesFilePath(const QString &folder);

// The rates-file failure as the window words it, and the file it read.
Outcome RatesFailure(const LoadResult &result, const QString &path);

// The command "taux": the newest half-year of the rates file, or an update
// from the publication, or a half-year added by hand.
struct RatesRequest
{
    QString ratesFolder;
    bool update = false;
    QString address;     // empty: the settings' address
    QString ecbAddress;  // empty: the ECB's data portal
    QString addedPeriod; // "2S2026"; empty: nothing to add
    QString autres;
    QString particuliers;
    QDate today;
};

struct PdfFunctions;

// The module that writes PDF files, from the folder of the program;
// null with the reasons in `error` when it cannot be loaded.
const PdfFunctions *LoadPdfModule(const QString &programDir, QString *error);

Outcome RunSchedule(const ScheduleRequest &request);
Outcome RunStatement(const StatementRequest &request);
Outcome RunSavedStatement(const SavedFileRequest &request);
Outcome RunBatch(const BatchRequest &request);
Outcome RunRates(const RatesRequest &request);
