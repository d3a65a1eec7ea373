#pragma once

#include <QString>

// The ECB's series of its main refinancing rate, keyless, over HTTPS.
QString DefaultEcbAddress();

// The three update settings, read once at start-up and bound to the update
// dialog's fields for the rest of the run.
struct UpdateSettings
{
    QString address;
    bool testConnection = true;
    bool autoUpdate = false;
    // The ECB's series, kEcbAddress unless an administrator names a mirror
    // ("ADRESSEBCE" in the same section, read but never written).
    QString ecbAddress = DefaultEcbAddress();
};

// The built-in download address: the administration's fiche on the legal
// rate, whose XML holds the rates of every half-year, over HTTPS.
QString DefaultAddress();

// "Querdan.ini" in the given folder (the executable's).
QString SettingsFilePath(const QString &executableDir);

// The value of `key` in `section` of the profile file, read as Windows-1252
// and cut to 999 characters. A missing or 16-bit file, section or key reads
// as "". Section and key names match without regard to case, and blanks
// around the value are dropped.
QString ReadIniValue(const QString &section, const QString &key, const QString &iniPath);

// Sets `key` in `section` to `value` in Windows-1252, creating the file, the
// section or the key as needed; every other byte of the file stays as it
// was. The file is replaced atomically. False when it could not be written,
// or is 16-bit text, which is left alone.
bool WriteIniValue(const QString &section, const QString &key, const QString &value,
                   const QString &iniPath);

UpdateSettings LoadUpdateSettings(const QString &iniPath);

// Writes the three keys of section "FTP" in one atomic replacement of the
// file. A failure is for the caller to ignore: the settings stay in memory.
bool SaveUpdateSettings(const UpdateSettings &settings, const QString &iniPath);
