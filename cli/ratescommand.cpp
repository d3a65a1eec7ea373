// The command "taux": what the rates file holds, and keeping it current.
#include "cli/commands.h"
#include "cli/output.h"
#include "output/safetext.h"
#include "rates/publication.h"
#include "update/download.h"
#include "update/ecbupdate.h"
#include "update/locations.h"
#include "update/ratesupdate.h"
#include "update/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <memory>

namespace {

// The newest half-year of the file, both rates, the file and where the
// rates came from.
QString summary(const RateTable &autres, const RateTable &particuliers, const QString &path)
{
    QString text = QStringLiteral("Fichier des taux : ") + QDir::toNativeSeparators(path) + u'\n';
    if (autres.count == 0)
        return text + QStringLiteral("Dernier semestre : aucun (le fichier ne donne aucun taux)\n");
    const QDate month = autres.rows[0].monthStart;
    text += QStringLiteral("Dernier semestre : ") + NewestPeriodText(month) +
            QStringLiteral(" : ") + FrenchRate(QString::number(*autres.rows[0].rate, 'g', 15)) +
            QStringLiteral(" % (autres cas), ") +
            FrenchRate(QString::number(*particuliers.rows[0].rate, 'g', 15)) +
            QStringLiteral(" % (particuliers)\n");
    if (!autres.sourceNote.isEmpty())
        // The note is a line of the file, which anyone may have written.
        text += QStringLiteral("Source : ") + SafeLine(autres.sourceNote, 300) + u'\n';
    return text;
}

QString ecbSummary(const QString &path)
{
    const EcbRead read = ReadEcbTableFile(path);
    if (!read.table)
        return SafeLine(read.error, 300) + u'\n';
    const QLocale french(QLocale::French, QLocale::France);
    const EcbChange &last = read.table->changes.last();
    return QStringLiteral("Taux de la BCE : %1 % depuis le %2, tableau confirmé jusqu'au %3 (%4)\n")
        .arg(EcbRateText(last.thousandths, french), formatDay(last.from),
             formatDay(read.table->confirmedUntil), QDir::toNativeSeparators(path));
}

int statusOf(RatesUpdateReport::Status status)
{
    switch (status) {
    case RatesUpdateReport::Added:
    case RatesUpdateReport::UpToDate:
        return kDone;
    case RatesUpdateReport::Failed:
    case RatesUpdateReport::Busy:
        return kUpdateFailed;
    case RatesUpdateReport::WriteFailed:
        return kWriteFailed;
    case RatesUpdateReport::NoRatesFile:
        return kRatesFailed;
    case RatesUpdateReport::Refused:
        return kUsage;
    }
    return kUpdateFailed;
}

} // namespace

Outcome RunRates(const RatesRequest &request)
{
    const QString path = RatesFilePath(request.ratesFolder);
    // Read once: both categories, and the newest half-year said, come from
    // one and the same file, whatever another program writes meanwhile.
    QByteArray bytes;
    const LoadResult read = ReadRatesFile(path, &bytes);
    if (!read.ok())
        return RatesFailure(read, path);
    auto autres = std::make_unique<RateTable>();
    const LoadResult load = ParseRatesFile(bytes, RateCategory::Autres, *autres);
    if (!load.ok())
        return RatesFailure(load, path);

    QString said;
    // The addresses not given take Querdan.ini's, found as the window finds it.
    const UpdateSettings settings =
        request.update
            ? LoadUpdateSettings(LocateSettingsFile(QCoreApplication::applicationDirPath()))
            : UpdateSettings();
    const QString ecbAddress =
        request.ecbAddress.isEmpty() ? settings.ecbAddress : request.ecbAddress;
    if (request.update || !request.addedPeriod.isEmpty()) {
        RatesUpdateReport report;
        if (request.update) {
            const QString address = request.address.isEmpty() ? settings.address : request.address;
            report = UpdateRatesFromAddress(path, address, request.today,
                                            [](const QString &url) { return Download(url); });
        } else {
            report = AddHalfYear(path, request.addedPeriod, request.autres, request.particuliers,
                                 request.today);
        }
        const int status = statusOf(report.status);
        if (status != kDone) {
            const QString why = report.status == RatesUpdateReport::Refused
                                    ? QStringLiteral("--ajouter : ") + report.message
                                    : report.message;
            // The ECB's table is brought up to date all the same.
            if (request.update) {
                if (const QString ecbPath = EcbTableBeside(path); !ecbPath.isEmpty()) {
                    const EcbUpdateReport ecb =
                        UpdateEcbTable(ecbPath, ecbAddress, request.today,
                                       [](const QString &url) { return Download(url); });
                    QString error;
                    Deliver((ecb.message + u'\n').toUtf8(), QString(), &error);
                }
            }
            return {status, why};
        }
        said = report.message + u'\n';
        // What this update wrote, or found under the lock: not what the
        // file may hold by now.
        bytes = report.file;
        const LoadResult reload = ParseRatesFile(bytes, RateCategory::Autres, *autres);
        if (!reload.ok())
            return RatesFailure(reload, path);
    }
    auto particuliers = std::make_unique<RateTable>();
    const LoadResult other = ParseRatesFile(bytes, RateCategory::PersonnesPhysiques, *particuliers);
    if (!other.ok())
        return RatesFailure(other, path);

    // The ECB's table, beside the rates file, goes with them.
    const QString ecbPath = EcbTableBeside(path);
    Outcome ecbOutcome;
    if (request.update && !ecbPath.isEmpty()) {
        const EcbUpdateReport ecb = UpdateEcbTable(
            ecbPath, ecbAddress, request.today, [](const QString &url) { return Download(url); });
        if (ecb.status == EcbUpdateReport::Added || ecb.status == EcbUpdateReport::UpToDate)
            said += ecb.message + u'\n';
        else
            ecbOutcome = {ecb.status == EcbUpdateReport::WriteFailed ? kWriteFailed : kUpdateFailed,
                          ecb.message};
    }
    QString text = said + summary(*autres, *particuliers, path);
    if (!ecbPath.isEmpty())
        text += ecbSummary(ecbPath);
    QString error;
    if (!Deliver(text.toUtf8(), QString(), &error))
        return {kWriteFailed, error};
    return ecbOutcome;
}
