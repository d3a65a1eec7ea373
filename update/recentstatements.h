#pragma once

#include <QString>
#include <QStringList>

// The statements opened or saved most recently, newest first, as the
// settings file keeps them (section "DECOMPTE", keys "RECENT1" to "RECENT8";
// the paths are percent-encoded so that any name survives the file's code
// page).
constexpr int kMaxRecentStatements = 8;
QStringList ReadRecentStatements(const QString &iniPath);
bool WriteRecentStatements(const QStringList &paths, const QString &iniPath);
// `path` moved to the front of `recent`, at most kMaxRecentStatements kept.
QStringList WithRecentStatement(QStringList recent, const QString &path);
