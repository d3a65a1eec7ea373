#include "locations.h"

#include "rates/ecbtable.h"

#include "files/regularfile.h"
#include "files/savefile.h"
#include "rates/ratesmerge.h"
#include "rates/ratetable.h"
#include "update/ratesupdate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

namespace {

const QString kRatesName = QStringLiteral("QUERDAN.TXT");
const QString kSettingsName = QStringLiteral("Querdan.ini");

bool readSmallFile(const QString &path, QByteArray &bytes)
{
    return ReadRatesFile(path, &bytes).ok();
}

QDate newestMonthOf(const QString &path)
{
    QByteArray bytes;
    return readSmallFile(path, bytes) ? NewestMonth(bytes) : QDate();
}

} // namespace

QString ApplicationId()
{
    return QStringLiteral("com.example.tauxlegal");
}

bool InstalledCopy(const QString &executableDir, const QString &installPrefix)
{
    const QString dir = QDir::cleanPath(QDir(executableDir).absolutePath());
    QString prefix = QDir::cleanPath(installPrefix);
    if (!prefix.endsWith(u'/'))
        prefix += u'/';
    return (dir + u'/').startsWith(prefix) ||
           QFileInfo(QDir(dir).filePath(QStringLiteral(TAUX_DATA_DIR_FROM_BIN))).isDir();
}

bool SettingsBesideExecutable(bool installed, bool fileExistsThere, bool folderWritable)
{
    return !installed && (fileExistsThere || folderWritable);
}

QString LocateSettingsFile(const QString &executableDir, const QString &installPrefix)
{
    const QString beside = QDir(executableDir).filePath(kSettingsName);
    if (SettingsBesideExecutable(InstalledCopy(executableDir, installPrefix),
                                 QFileInfo::exists(beside), QFileInfo(executableDir).isWritable()))
        return beside;
    // Without a home folder there is nowhere to keep them: the settings then
    // last for the run, as when the folder cannot be written.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return QString();
    return config + u'/' + ApplicationId() + u'/' + kSettingsName;
}

QString LocateSettingsFile(const QString &executableDir)
{
    return LocateSettingsFile(executableDir, QStringLiteral(TAUX_INSTALL_PREFIX));
}

bool PrepareSettingsFolder(const QString &iniPath)
{
    return QDir().mkpath(QFileInfo(iniPath).absolutePath());
}

RatesChoice ChooseRatesFile(const RatesFiles &files)
{
    if (files.inCurrentFolder)
        return RatesChoice::CurrentFolder;
    const bool packagedReads = files.packagedExists && files.packagedNewest.isValid();
    if (files.userCopyExists) {
        // A user's copy that does not read is theirs to mend: replacing it
        // would throw away a hand edit.
        if (packagedReads && files.userNewest.isValid() &&
            files.packagedNewest > files.userNewest && files.packagedKeepsUserMonths &&
            !files.packagedTooFarAhead)
            return RatesChoice::ReplaceUserCopy;
        return RatesChoice::UserCopy;
    }
    if (packagedReads)
        return RatesChoice::SeedUserCopy;
    // A broken packaged copy is read where it lies, so its own message
    // appears, rather than copied where it would outlive a fixed package.
    return files.packagedExists ? RatesChoice::PackagedCopy : RatesChoice::None;
}

QDate NewestMonth(const QByteArray &bytes)
{
    // The table is large; it is only needed for the time of the check.
    auto table = std::make_unique<RateTable>();
    if (!parseRates(bytes, RateCategory::Autres, *table) || table->count < 1)
        return QDate();
    return table->rows[0].monthStart;
}

QString PackagedCopyRefusal(const QByteArray &user, const QByteArray &packaged, const QDate &today)
{
    const QString changed =
        ChangedMonthText(user, packaged, QStringLiteral("la copie des taux du paquet"));
    if (!changed.isEmpty())
        return QStringLiteral("Taux légal : %1 : elle ne remplace pas la vôtre.").arg(changed);
    const QString ahead = TooFarAhead(NewestMonth(packaged), today);
    if (!ahead.isEmpty())
        return QStringLiteral("Taux légal : la copie des taux du paquet ne remplace pas la "
                              "vôtre : %1.")
            .arg(ahead);
    return QString();
}

bool InstallUserCopy(const QString &packagedPath, const QString &userPath, const QDate &today,
                     QString *refusal)
{
    QByteArray bytes;
    if (!readSmallFile(packagedPath, bytes) || !QDir().mkpath(QFileInfo(userPath).absolutePath()))
        return false;
    RatesFileLock lock(userPath, kRatesLockWait);
    if (!lock.held())
        return false;
    // Another program may have written the user's copy since it was looked at.
    QByteArray user;
    if (QFileInfo::exists(userPath) && readSmallFile(userPath, user)) {
        const QString why = PackagedCopyRefusal(user, bytes, today);
        if (!why.isEmpty()) {
            if (refusal)
                *refusal = why;
            return false;
        }
    }
    return SaveFileAtomically(userPath, bytes);
}

QString LocateRatesFile(const QString &commandLine, const QString &userDataDir,
                        const QStringList &dataDirs, const QDate &today, QString *refusal)
{
    if (!commandLine.isEmpty())
        return commandLine + kRatesName;

    RatesFiles files;
    files.inCurrentFolder = QFileInfo(kRatesName).isFile();
    if (files.inCurrentFolder)
        return kRatesName;

    const QString relative = ApplicationId() + u'/' + kRatesName;
    const QString userPath =
        userDataDir.isEmpty() ? QString() : QDir(userDataDir).filePath(relative);
    QString packagedPath;
    for (const QString &dir : dataDirs) {
        const QString candidate = QDir(dir).filePath(relative);
        if (candidate != userPath && QFileInfo(candidate).isFile()) {
            packagedPath = candidate;
            break;
        }
    }

    files.userCopyExists = !userPath.isEmpty() && QFileInfo::exists(userPath);
    if (files.userCopyExists)
        files.userNewest = newestMonthOf(userPath);
    files.packagedExists = !packagedPath.isEmpty();
    if (files.packagedExists)
        files.packagedNewest = newestMonthOf(packagedPath);
    QByteArray user;
    QByteArray packaged;
    if (files.userNewest.isValid() && files.packagedNewest.isValid() &&
        readSmallFile(userPath, user) && readSmallFile(packagedPath, packaged)) {
        files.packagedKeepsUserMonths = ChangedMonthText(user, packaged, QString()).isEmpty();
        files.packagedTooFarAhead = !TooFarAhead(files.packagedNewest, today).isEmpty();
        // Only a copy that would have replaced the user's is worth a word.
        if (files.packagedNewest > files.userNewest && refusal)
            *refusal = PackagedCopyRefusal(user, packaged, today);
    }

    switch (ChooseRatesFile(files)) {
    case RatesChoice::CurrentFolder:
        return kRatesName;
    case RatesChoice::UserCopy:
        return userPath;
    case RatesChoice::ReplaceUserCopy:
        // When the replacement fails the user's older copy still serves.
        InstallUserCopy(packagedPath, userPath, today, refusal);
        return userPath;
    case RatesChoice::SeedUserCopy:
        // Without a writable data folder the packaged copy is read in place;
        // downloads then fail quietly, as on any read-only file.
        return !userPath.isEmpty() && InstallUserCopy(packagedPath, userPath, today, refusal)
                   ? userPath
                   : packagedPath;
    case RatesChoice::PackagedCopy:
        return packagedPath;
    case RatesChoice::None:
        break;
    }
    return kRatesName;
}

QString LocateRatesFile(const QString &commandLine, const QDate &today)
{
    const QString userDataDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QString refusal;
    const QString path = LocateRatesFile(
        commandLine, userDataDir,
        QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation), today, &refusal);
    if (!refusal.isEmpty())
        std::fprintf(stderr, "%s\n", qUtf8Printable(refusal));
    return path;
}

QString LocateEcbFile(const QString &ratesPath, const QString &userDataDir,
                      const QStringList &dataDirs)
{
    const QString name = QStringLiteral("TAUXBCE.TXT");
    const QString beside = QFileInfo(ratesPath).dir().filePath(name);
    QString packaged;
    for (const QString &dir : dataDirs) {
        const QString candidate = QDir(dir).filePath(ApplicationId() + u'/' + name);
        if (QFileInfo(candidate).absoluteFilePath() != QFileInfo(beside).absoluteFilePath() &&
            QFileInfo(candidate).isFile()) {
            packaged = candidate;
            break;
        }
    }
    if (packaged.isEmpty())
        return beside;
    // Only the user's own folder is written to, never one a rates file was
    // merely read from.
    const bool userCopy =
        !userDataDir.isEmpty() &&
        QFileInfo(beside).absolutePath() ==
            QFileInfo(QDir(userDataDir).filePath(ApplicationId() + u'/' + name)).absolutePath();
    if (!userCopy)
        return QFileInfo::exists(beside) ? beside : packaged;
    QByteArray packagedBytes;
    const EcbRead fromPackage =
        ReadRegularFile(packaged, kMaxEcbFileBytes, &packagedBytes) == FileRead::Read
            ? ParseEcbTable(packagedBytes)
            : EcbRead{};
    if (!fromPackage.table)
        return QFileInfo::exists(beside) ? beside : packaged;
    if (QFileInfo::exists(beside)) {
        // Only a table that keeps every change and knows more replaces it.
        const EcbRead own = ReadEcbTableFile(beside);
        if (!own.table)
            return beside;
        const QList<EcbChange> &mine = own.table->changes;
        const QList<EcbChange> &theirs = fromPackage.table->changes;
        const bool keepsMine =
            theirs.size() >= mine.size() && std::equal(mine.cbegin(), mine.cend(), theirs.cbegin(),
                                                       [](const EcbChange &a, const EcbChange &b) {
                                                           return a.from == b.from &&
                                                                  a.thousandths == b.thousandths;
                                                       });
        if (!keepsMine || fromPackage.table->confirmedUntil <= own.table->confirmedUntil)
            return beside;
    }
    return SaveFileAtomically(beside, packagedBytes) ? beside : packaged;
}

QString LocateEcbFile(const QString &ratesPath)
{
    return LocateEcbFile(ratesPath,
                         QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

QString EcbTableBeside(const QString &ratesPath)
{
    const QString located = LocateEcbFile(ratesPath);
    return QFileInfo(located).absolutePath() == QFileInfo(ratesPath).absolutePath() &&
                   QFileInfo(located).isFile()
               ? located
               : QString();
}
