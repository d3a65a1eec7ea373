#pragma once

#include <QByteArray>
#include <QString>

// The Windows code page the rates file and the settings file are written
// in (Windows-1252). Qt offers it only through ICU, which not every Qt
// build has, so the 32 characters where it differs from Latin-1 are
// mapped here. The five bytes the code page leaves undefined read as the
// control characters of the same value, as Windows reads them, and write
// back as the same bytes.
QString DecodeWindows1252(const QByteArray &bytes);

// A character the code page lacks is written as "?", as the system's own
// profile functions do; a character outside the basic plane is one "?".
QByteArray EncodeWindows1252(const QString &text);
