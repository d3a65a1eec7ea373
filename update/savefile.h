#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file with `bytes` through a temporary file and a rename, so
// a failure part-way leaves the old file whole. False when nothing changed.
bool SaveFileAtomically(const QString &path, const QByteArray &bytes);
