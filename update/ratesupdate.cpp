#include "ratesupdate.h"

#include "rates/ratesmerge.h"
#include "rates/ratetable.h"
#include "update/autoupdate.h"
#include "update/savefile.h"

#include <QFile>
#include <QRegularExpression>

#include <memory>

namespace {

constexpr qint64 kMaxRatesFileBytes = 1024 * 1024;

bool readRatesFile(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRatesFileBytes)
        return false;
    *bytes = file.read(kMaxRatesFileBytes + 1);
    return file.error() == QFileDevice::NoError && bytes->size() <= kMaxRatesFileBytes;
}

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

RatesUpdateReport noRatesFile(const QString &path)
{
    return report(RatesUpdateReport::NoRatesFile,
                  QStringLiteral("Le fichier des taux %1 est absent ou corrompu : rien n'a été "
                                 "changé.")
                      .arg(path));
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
                             const QString &source)
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
    r.removed = merge.removed;
    QStringList lines;
    for (auto it = merge.added.crbegin(); it != merge.added.crend(); ++it)
        lines << DescribeRates(*it);
    r.message =
        (lines.size() > 1 ? QStringLiteral("Taux ajoutés : ") : QStringLiteral("Taux ajouté : ")) +
        lines.join(QStringLiteral(" ; ")) + u'.';
    if (!merge.removed.isEmpty())
        r.message += QStringLiteral(" Pour tenir en 600 mois, le fichier perd ses périodes les "
                                    "plus anciennes : %1.")
                         .arg(merge.removed.join(QStringLiteral(", ")));
    r.message += warnings;
    return r;
}

// A rates file as the answer: it replaces the user's file under the
// automatic update's safeguards.
RatesUpdateReport applyRatesFile(const QString &ratesPath, const QByteArray &current,
                                 const QByteArray &body)
{
    const auto table = loadBoth(current);
    const auto downloaded = loadBoth(body);
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
    if (body + "\r\n" == current)
        return report(RatesUpdateReport::UpToDate,
                      QStringLiteral("Les taux sont à jour : le fichier téléchargé est celui que "
                                     "vous avez (jusqu'au %1).")
                          .arg(NewestPeriodText(newestOf(*table))));
    if (!SaveFileAtomically(ratesPath, body + "\r\n"))
        return writeFailed(ratesPath);
    return report(RatesUpdateReport::Added,
                  QStringLiteral("Fichier des taux remplacé par celui de l'adresse : il va "
                                 "désormais jusqu'au %1.")
                      .arg(NewestPeriodText(newestOf(*downloaded))));
}

} // namespace

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
                                   const QString &address, const QDate &today)
{
    const PublicationRead read = ReadPublication(body);
    if (!read.publication)
        return failed(read.error + QStringLiteral(". Ajoutez le semestre à la main (« Ajouter un "
                                                  "semestre… »)."));
    QByteArray current;
    if (!readRatesFile(ratesPath, &current))
        return noRatesFile(ratesPath);
    const RatesMerge merge = MergeHalfYears(current, read.publication->rates,
                                            AddedRatesNote(today, address, read.publication->date));
    if (merge.status == RatesMerge::Refused)
        return failed(merge.error + u'.');
    return applyMerge(ratesPath, merge, QStringLiteral("la publication"));
}

RatesUpdateReport UpdateRatesFromAddress(const QString &ratesPath, const QString &address,
                                         const QDate &today, const Downloader &download)
{
    if (address.trimmed().isEmpty())
        return failed(QStringLiteral("aucune adresse de téléchargement n'est donnée."));
    QByteArray current;
    if (!readRatesFile(ratesPath, &current) || !loadBoth(current))
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
        return ApplyPublication(ratesPath, reply.body, address, today);
    case BodyKind::RatesFile:
        return applyRatesFile(ratesPath, current, reply.body);
    case BodyKind::Other:
        break;
    }
    return failed(reply.body.isEmpty()
                      ? QStringLiteral("le serveur a répondu sans rien envoyer.")
                      : QStringLiteral("la réponse du serveur n'est ni la publication des taux ni "
                                       "un fichier des taux."));
}

HalfYearRates NextHalfYearOf(const QString &ratesPath)
{
    QByteArray current;
    std::unique_ptr<RateTable> table;
    if (!readRatesFile(ratesPath, &current) || !(table = loadBoth(current)) || table->count == 0)
        return {};
    const QDate newest = newestOf(*table);
    return nextHalfYear(newest.year(), newest.month() <= 6 ? 1 : 2);
}

RatesUpdateReport AddHalfYear(const QString &ratesPath, const QString &periodKey,
                              const QString &autres, const QString &particuliers,
                              const QDate &today)
{
    const HalfYearRates next = NextHalfYearOf(ratesPath);
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
    QByteArray current;
    if (!readRatesFile(ratesPath, &current))
        return noRatesFile(ratesPath);
    return applyMerge(ratesPath, MergeHalfYears(current, {rates}, AddedRatesNote(today)),
                      QString());
}
