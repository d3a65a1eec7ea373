#include "ecbupdate.h"

#include "files/regularfile.h"
#include "files/savefile.h"
#include "output/safetext.h"

#include <QDir>
#include <QLocale>

namespace {

EcbUpdateReport report(EcbUpdateReport::Status status, const QString &what)
{
    return {status, QStringLiteral("Taux de la BCE : ") + what, {}};
}

QString day(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

EcbUpdateReport UpdateEcbTable(const QString &ecbPath, const QString &address, const QDate &today,
                               const Downloader &download, std::chrono::milliseconds lockWait)
{
    if (address.trimmed().isEmpty())
        return report(EcbUpdateReport::Failed, QStringLiteral("aucune adresse n'est donnée."));
    // Nothing is downloaded for a table that could not take it.
    if (const EcbRead before = ReadEcbTableFile(ecbPath); !before.table)
        return report(EcbUpdateReport::NoTable, before.error);

    const DownloadReply reply = download(address);
    switch (reply.failure) {
    case DownloadReply::None:
        break;
    case DownloadReply::NoConnection:
        return report(EcbUpdateReport::Failed,
                      QStringLiteral("pas de connexion au serveur (%1).").arg(reply.reason));
    case DownloadReply::Cut:
        return report(EcbUpdateReport::Failed,
                      QStringLiteral("le téléchargement s'est interrompu (%1).").arg(reply.reason));
    case DownloadReply::TooLarge:
        return report(EcbUpdateReport::Failed,
                      QStringLiteral("la réponse du serveur dépasse 1 Mio : ce n'est pas la série "
                                     "des taux de la BCE."));
    case DownloadReply::Cancelled:
        return report(EcbUpdateReport::Failed, QStringLiteral("téléchargement annulé."));
    case DownloadReply::Unreadable:
        return report(EcbUpdateReport::Failed,
                      QStringLiteral("réponse compressée illisible : le tableau n'a pas été "
                                     "changé."));
    }
    if (reply.status >= 400)
        return report(EcbUpdateReport::Failed,
                      QStringLiteral("le serveur a répondu %1 : le tableau n'a pas été changé.")
                          .arg(reply.status));
    const EcbCsvRead answer = ParseEcbCsv(reply.body);
    if (!answer.error.isEmpty())
        return report(EcbUpdateReport::Failed,
                      SafeLine(answer.error).left(200) +
                          QStringLiteral(" : le tableau n'a pas été changé."));

    RatesFileLock lock(ecbPath, lockWait);
    if (!lock.held())
        return report(EcbUpdateReport::Busy,
                      QStringLiteral("le tableau %1 est en cours de mise à jour par un autre "
                                     "programme : rien n'a été changé, réessayez dans un instant.")
                          .arg(QDir::toNativeSeparators(ecbPath)));
    QByteArray current;
    if (ReadRegularFile(ecbPath, kMaxEcbFileBytes, &current) != FileRead::Read)
        return report(EcbUpdateReport::NoTable,
                      QStringLiteral("le tableau %1 ne peut plus être lu.")
                          .arg(QDir::toNativeSeparators(ecbPath)));
    const EcbMerge merge = MergeEcbChanges(current, answer.changes, today);
    if (!merge.ok)
        return report(merge.error.startsWith(QLatin1String("Tableau")) ? EcbUpdateReport::NoTable
                                                                       : EcbUpdateReport::Failed,
                      merge.error + u'.');
    if (merge.changed && !SaveFileAtomically(ecbPath, merge.bytes))
        return report(EcbUpdateReport::WriteFailed,
                      QStringLiteral("le tableau %1 n'a pas pu être écrit ; il reste tel qu'il "
                                     "était.")
                          .arg(QDir::toNativeSeparators(ecbPath)));
    const QLocale french(QLocale::French, QLocale::France);
    const QString disagreement = merge.disagreement.isEmpty()
                                     ? QString()
                                     : QStringLiteral(" Attention : ") + merge.disagreement + u'.';
    const EcbTable after = ParseEcbTable(merge.bytes).table.value_or(EcbTable{});
    if (merge.added.isEmpty())
        return report(EcbUpdateReport::UpToDate,
                      QStringLiteral("aucun changement depuis le %1 (%2 %), tableau confirmé "
                                     "jusqu'au %3.")
                              .arg(day(after.changes.last().from),
                                   EcbRateText(after.changes.last().thousandths, french),
                                   day(after.confirmedUntil)) +
                          disagreement);
    QStringList added;
    for (const EcbChange &change : merge.added)
        added << QStringLiteral("%1 % au %2")
                     .arg(EcbRateText(change.thousandths, french), day(change.from));
    EcbUpdateReport done =
        report(EcbUpdateReport::Added,
               QStringLiteral("ajouté %1, tableau confirmé jusqu'au %2.")
                       .arg(added.join(QStringLiteral(", ")), day(after.confirmedUntil)) +
                   disagreement);
    done.added = merge.added;
    return done;
}
