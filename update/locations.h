#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// Where the settings file and the rates file live. A copy run from a folder
// of its own keeps both beside it; an installed copy, whose folder is read
// only, keeps them in the user's configuration and data folders.

// The one application id: desktop file, metainfo and the per-user folders.
QString ApplicationId();

// True when the program in `executableDir` is an installed copy: its
// folder lies under `installPrefix`, the prefix the package installs to, or
// the package's data folder lies where an install puts it beside that
// folder (a package unpacked anywhere).
bool InstalledCopy(const QString &executableDir, const QString &installPrefix);

// True when "Querdan.ini" belongs beside the executable rather than in the
// user's configuration folder: only for a copy that is not installed, whose
// folder holds the file or can be written. An installed copy never writes
// beside itself, not even for root, who can write anywhere.
bool SettingsBesideExecutable(bool installed, bool fileExistsThere, bool folderWritable);

// The settings file for this run. Nothing is created: the folder is made
// when the settings are first saved.
QString LocateSettingsFile(const QString &executableDir, const QString &installPrefix);
// The same with the prefix this build installs to.
QString LocateSettingsFile(const QString &executableDir);

// Creates the folder of the settings file before a save; false when it
// could not be made (the save then fails quietly, as any failed save).
bool PrepareSettingsFolder(const QString &iniPath);

// What exists, for the choice of the rates file on an empty command line.
// A newest month is invalid when the file is missing or does not read.
struct RatesFiles
{
    bool inCurrentFolder = false;
    bool userCopyExists = false;
    QDate userNewest;
    bool packagedExists = false;
    QDate packagedNewest;
    // Whether the packaged copy holds every month of the user's at the same
    // rates: one that would change the user's months never replaces them.
    bool packagedKeepsUserMonths = true;
    // Whether the packaged copy holds a month past LatestPublishableMonth
    // of today: a clock or a package gone wrong, never the user's rates.
    bool packagedTooFarAhead = false;
};

enum class RatesChoice {
    CurrentFolder,   // "QUERDAN.TXT" in the current folder
    UserCopy,        // the per-user copy, as it is
    SeedUserCopy,    // create the per-user copy from the packaged one
    ReplaceUserCopy, // the packaged copy is newer: it replaces the user's
    PackagedCopy,    // read the packaged copy where it lies
    None             // nothing to read: the missing-file message follows
};

RatesChoice ChooseRatesFile(const RatesFiles &files);

// The newest month of a rates file's bytes, invalid when they do not read.
QDate NewestMonth(const QByteArray &bytes);

// Why the packaged copy's bytes may not replace the user's on `today`, or an
// empty text: "Taux légal : la copie des taux du paquet ne remplace pas la
// vôtre : …", naming the first month it changes or drops, or the half-year
// that starts too far ahead (TooFarAhead).
QString PackagedCopyRefusal(const QByteArray &user, const QByteArray &packaged, const QDate &today);

// Copies `packagedPath` over `userPath` atomically, creating the folder,
// under the rates file's lock. A user's copy that is there by then is kept
// when PackagedCopyRefusal refuses the packaged copy; `refusal` then says why.
bool InstallUserCopy(const QString &packagedPath, const QString &userPath, const QDate &today,
                     QString *refusal = nullptr);

// The rates file for this run. A non-empty command line is the folder of the
// file, ending in its separator, as it always was. An empty one takes
// "QUERDAN.TXT" in the current folder, or else the per-user copy, seeded or
// refreshed from the packaged copy found among `dataDirs`; when none
// exists, the plain "QUERDAN.TXT", so that the usual missing-file message
// names it. A newer packaged copy that may not replace the user's leaves it
// as it is, and `refusal` says why (PackagedCopyRefusal).
QString LocateRatesFile(const QString &commandLine, const QString &userDataDir,
                        const QStringList &dataDirs, const QDate &today,
                        QString *refusal = nullptr);

// The same, with the user's data folder and the system data folders of
// this machine; a refusal goes to standard error.
QString LocateRatesFile(const QString &commandLine, const QDate &today);

// The ECB's rates, "TAUXBCE.TXT", beside the rates file at `ratesPath`.
// When it is not there, the packaged copy (the first one in `dataDirs`) is
// read in place, or, when the rates file is the user's own copy in
// `userDataDir`, seeds the user's copy as the rates file's was seeded. A
// packaged copy replaces the user's only when it keeps every change of it
// and is confirmed to a later day.
QString LocateEcbFile(const QString &ratesPath, const QString &userDataDir,
                      const QStringList &dataDirs);
// The same with the system data folders of this machine.
QString LocateEcbFile(const QString &ratesPath);
// The ECB's table beside the rates file, the only one an update writes (a
// packaged copy is read, never updated); empty when there is none.
QString EcbTableBeside(const QString &ratesPath);
