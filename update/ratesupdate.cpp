#include "ratesupdate.h"

#include "files/savefile.h"
#include "rates/ratesmerge.h"
#include "rates/ratetable.h"
#include "schedule/ratecheck.h"
#include "update/autoupdate.h"

#include <QDir>
#include <QRegularExpression>

#include <memory>
#include <optional>

namespace {

// A lock is held for a read and a write of a small file: one older than
// this was left by a program that no longer runs.
constexpr std::chrono::milliseconds kStaleLock{30000};

// The table of the bytes in both categories, the user may switch to
// either; null when they do not load.
std::unique_ptr<RateTable> loadBoth(const QByteArray &bytes)
{
    auto table = std::make_unique<RateTable>();
    if (!parseRates(bytes, RateCategory::PersonnesPhysiques, *table) ||
        !parseRates(bytes, RateCategory::Autres, *table))
        return nullptr;
    return table;
}

QDate newestOf(const RateTable &table)
{
    return table.count > 0 ? table.rows[0].monthStart : QDate();
}

RatesUpdateReport report(RatesUpdateReport::Status status, const QString &message)
{
    RatesUpdateReport r;
    r.status = status;
    r.message = message;
    return r;
}

RatesUpdateReport noRatesFile(const QString &path, const LoadResult &read = {})
{
    // The reading says why a file that is there cannot serve: a pipe, a
    // file far too large.
    const QString prefix = QStringLiteral("Fichier des taux corrompu : ");
    if (read.message.startsWith(prefix))
        return report(RatesUpdateReport::NoRatesFile,
                      QStringLiteral("Le fichier des taux %1 ne peut pas servir : %2 ; rien n'a "
                                     "été changé.")
                          .arg(path, read.message.mid(prefix.size())));
    return report(RatesUpdateReport::NoRatesFile,
                  QStringLiteral("Le fichier des taux %1 est absent ou corrompu : rien n'a été "
                                 "changé.")
                      .arg(path));
}

// The user's file as it is now, read under `lock` when one is given:
// whatever was seen before the lock may have been replaced since. Nothing
// when it reads; otherwise what to say.
std::optional<RatesUpdateReport> readRatesFile(const QString &path, QByteArray *bytes,
                                               const RatesFileLock *lock = nullptr)
{
    if (lock && !lock->held())
        return lock->refusal();
    const LoadResult read = ReadRatesFile(path, bytes);
    if (read.ok())
        return std::nullopt;
    return noRatesFile(path, read);
}

RatesUpdateReport writeFailed(const QString &path)
{
    return report(RatesUpdateReport::WriteFailed,
                  QStringLiteral("Le fichier des taux %1 n'a pas pu être écrit (dossier protégé "
                                 "ou disque plein ?) : il est resté tel quel.")
                      .arg(path));
}

RatesUpdateReport failed(const QString &why)
{
    return report(RatesUpdateReport::Failed, QStringLiteral("Mise à jour impossible : ") + why);
}

// The merge written and said in words.
RatesUpdateReport applyMerge(const QString &ratesPath, const RatesMerge &merge,
                             const QByteArray &current, const QString &source)
{
    RatesUpdateReport r;
    r.conflicts = merge.conflicts;
    QString warnings;
    for (const QString &conflict : merge.conflicts)
        warnings += QStringLiteral(" Attention : ") + conflict + u'.';
    switch (merge.status) {
    case RatesMerge::Refused:
        return report(RatesUpdateReport::Refused, merge.error);
    case RatesMerge::NothingNew:
        r.status = RatesUpdateReport::UpToDate;
        r.file = current;
        r.message = QStringLiteral("Les taux sont à jour : le fichier va jusqu'au %1 et %2 n'a "
                                   "rien de plus récent.")
                        .arg(NewestPeriodText(merge.newestBefore), source) +
                    warnings;
        return r;
    case RatesMerge::Added:
        break;
    }
    if (!SaveFileAtomically(ratesPath, merge.bytes)) {
        RatesUpdateReport w = writeFailed(ratesPath);
        w.conflicts = merge.conflicts;
        return w;
    }
    r.status = RatesUpdateReport::Added;
    r.added = merge.added;
    r.file = merge.bytes;
    QStringList lines;
    for (auto it = merge.added.crbegin(); it != merge.added.crend(); ++it)
        lines << DescribeRates(*it);
    r.message =
        (lines.size() > 1 ? QStringLiteral("Taux ajoutés : ") : QStringLiteral("Taux ajouté : ")) +
        lines.join(QStringLiteral(" ; ")) + u'.';
    r.message += warnings;
    return r;
}

} // namespace

RatesFileLock::RatesFileLock(const QString &ratesPath, std::chrono::milliseconds wait)
    : m_ratesPath(ratesPath), m_lock(ratesPath + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(kStaleLock);
    m_held = m_lock.tryLock(wait);
}

RatesUpdateReport RatesFileLock::refusal() const
{
    if (m_lock.error() == QLockFile::LockFailedError)
        return report(RatesUpdateReport::Busy,
                      QStringLiteral("Le fichier des taux %1 est en cours de mise à jour par un "
                                     "autre programme : rien n'a été changé, réessayez dans un "
                                     "instant.")
                          .arg(QDir::toNativeSeparators(m_ratesPath)));
    // No lock file beside it: the folder cannot be written, nor the file.
    return writeFailed(m_ratesPath);
}

RatesUpdateReport ReplaceRatesFile(const QString &ratesPath, const QByteArray &body,
                                   const QDate &today, std::chrono::milliseconds lockWait)
{
    const auto downloaded = loadBoth(body);
    if (!downloaded || downloaded->count == 0)
        return failed(QStringLiteral("le fichier des taux téléchargé ne se lit pas."));
    RatesFileLock lock(ratesPath, lockWait);
    QByteArray current;
    if (const auto failure = readRatesFile(ratesPath, &current, &lock))
        return *failure;
    const auto table = loadBoth(current);
    if (!table)
        return noRatesFile(ratesPath);
    if (const auto refusal = RefuseDownloadedMonths({table->count, newestOf(*table)},
                                                    {downloaded->count, newestOf(*downloaded)})) {
        const QString why =
            *refusal == UpdateOutcome::OlderMonths
                ? QStringLiteral("le fichier des taux téléchargé s'arrête avant le vôtre")
                : QStringLiteral("le fichier des taux téléchargé a bien moins de mois que le "
                                 "vôtre : transfert incomplet ?");
        return failed(why + u'.');
    }
    const QString ahead = TooFarAhead(newestOf(*downloaded), today);
    if (!ahead.isEmpty())
        return failed(QStringLiteral("le fichier des taux téléchargé va trop loin : ") + ahead +
                      u'.');
    const QString changed =
        ChangedMonthText(current, body, QStringLiteral("le fichier des taux téléchargé"));
    if (!changed.isEmpty())
        return failed(changed + QStringLiteral(" : votre fichier reste tel quel."));
    const QByteArray file = body + "\r\n";
    if (file == current) {
        RatesUpdateReport same =
            report(RatesUpdateReport::UpToDate,
                   QStringLiteral("Les taux sont à jour : le fichier téléchargé est celui que "
                                  "vous avez (jusqu'au %1).")
                       .arg(NewestPeriodText(newestOf(*table))));
        same.file = current;
        return same;
    }
    if (!SaveFileAtomically(ratesPath, file))
        return writeFailed(ratesPath);
    RatesUpdateReport replaced =
        report(RatesUpdateReport::Added,
               QStringLiteral("Fichier des taux remplacé par celui de l'adresse : il va "
                              "désormais jusqu'au %1.")
                   .arg(NewestPeriodText(newestOf(*downloaded))));
    replaced.file = file;
    return replaced;
}

BodyKind SniffBody(const QByteArray &body)
{
    if (IsPublication(body))
        return BodyKind::Publication;
    const auto table = loadBoth(body);
    if (table && table->count > 0)
        return BodyKind::RatesFile;
    return BodyKind::Other;
}

QString NewestPeriodText(const QDate &newestMonth)
{
    if (!newestMonth.isValid())
        return QStringLiteral("aucun mois");
    if (newestMonth.month() == 6 || newestMonth.month() == 12)
        return HalfYearRates{newestMonth.year(), newestMonth.month() / 6, {}, {}}.caption();
    return textemois(newestMonth.month()).toLower() + u' ' + QString::number(newestMonth.year());
}

RatesUpdateReport ApplyPublication(const QString &ratesPath, const QByteArray &body,
                                   const QString &address, const QDate &today,
                                   std::chrono::milliseconds lockWait)
{
    const PublicationRead read = ReadPublication(body);
    if (!read.publication)
        return failed(read.error + QStringLiteral(". Ajoutez le semestre à la main (« Ajouter un "
                                                  "semestre… »)."));
    RatesFileLock lock(ratesPath, lockWait);
    QByteArray current;
    if (const auto failure = readRatesFile(ratesPath, &current, &lock))
        return *failure;
    const RatesMerge merge =
        MergeHalfYears(current, read.publication->rates,
                       AddedRatesNote(today, address, read.publication->date), today);
    if (merge.status == RatesMerge::Refused)
        return failed(merge.error + u'.');
    return applyMerge(ratesPath, merge, current, QStringLiteral("la publication"));
}

RatesUpdateReport UpdateRatesFromAddress(const QString &ratesPath, const QString &address,
                                         const QDate &today, const Downloader &download,
                                         std::chrono::milliseconds lockWait)
{
    if (address.trimmed().isEmpty())
        return failed(QStringLiteral("aucune adresse de téléchargement n'est donnée."));
    // Nothing is downloaded for a file that could not take it; the file is
    // read again, under the lock, once the answer is there.
    QByteArray current;
    if (const auto failure = readRatesFile(ratesPath, &current))
        return *failure;
    if (!loadBoth(current))
        return noRatesFile(ratesPath);

    const DownloadReply reply = download(address);
    switch (reply.failure) {
    case DownloadReply::None:
        break;
    case DownloadReply::NoConnection:
        return failed(QStringLiteral("pas de connexion au serveur (%1).").arg(reply.reason));
    case DownloadReply::Cut:
        return failed(QStringLiteral("le téléchargement s'est interrompu (%1).").arg(reply.reason));
    case DownloadReply::TooLarge:
        return failed(QStringLiteral("la réponse du serveur dépasse 1 Mio : ce n'est pas la "
                                     "publication des taux."));
    case DownloadReply::Cancelled:
        return failed(QStringLiteral("téléchargement annulé."));
    case DownloadReply::Unreadable:
        return failed(QStringLiteral("réponse compressée illisible : le fichier des taux n'a "
                                     "pas été changé."));
    }
    if (reply.status >= 400)
        return failed(QStringLiteral("le serveur a répondu %1 : la publication n'est plus à "
                                     "cette adresse ? Voyez la page du site qui publie les taux.")
                          .arg(reply.status));
    switch (SniffBody(reply.body)) {
    case BodyKind::Publication:
        return ApplyPublication(ratesPath, reply.body, address, today, lockWait);
    case BodyKind::RatesFile:
        return ReplaceRatesFile(ratesPath, reply.body, today, lockWait);
    case BodyKind::Other:
        break;
    }
    return failed(reply.body.isEmpty()
                      ? QStringLiteral("le serveur a répondu sans rien envoyer.")
                      : QStringLiteral("la réponse du serveur n'est ni la publication des taux ni "
                                       "un fichier des taux."));
}

namespace {

HalfYearRates nextHalfYearOf(const QByteArray &bytes)
{
    const auto table = loadBoth(bytes);
    if (!table || table->count == 0)
        return {};
    const QDate newest = newestOf(*table);
    return nextHalfYear(newest.year(), newest.month() <= 6 ? 1 : 2);
}

} // namespace

HalfYearRates NextHalfYearOf(const QString &ratesPath)
{
    QByteArray current;
    if (!ReadRatesFile(ratesPath, &current).ok())
        return {};
    return nextHalfYearOf(current);
}

RatesUpdateReport AddHalfYear(const QString &ratesPath, const QString &periodKey,
                              const QString &autres, const QString &particuliers,
                              const QDate &today, std::chrono::milliseconds lockWait)
{
    RatesFileLock lock(ratesPath, lockWait);
    // The half-year that may go in is the one after the file's newest as
    // it is now: another update may have added it meanwhile.
    QByteArray current;
    if (const auto failure = readRatesFile(ratesPath, &current, &lock))
        return *failure;
    const HalfYearRates next = nextHalfYearOf(current);
    if (next.year == 0)
        return noRatesFile(ratesPath);
    HalfYearRates rates = next;
    if (periodKey.trimmed().compare(next.periodKey(), Qt::CaseInsensitive) != 0)
        return report(RatesUpdateReport::Refused,
                      QStringLiteral("seul le semestre qui suit le dernier du fichier peut être "
                                     "ajouté : %1 (%2)")
                          .arg(next.periodKey(), next.caption()));
    const std::optional<QString> a = ReadRateText(autres);
    const std::optional<QString> p = ReadRateText(particuliers);
    if (!a || !p)
        return report(RatesUpdateReport::Refused,
                      QStringLiteral("« %1 » n'est pas un taux de 0 à 30 (par exemple 2,94)")
                          .arg(!a ? autres : particuliers));
    rates.autres = *a;
    rates.particuliers = *p;
    return applyMerge(ratesPath, MergeHalfYears(current, {rates}, AddedRatesNote(today), today),
                      current, QString());
}
