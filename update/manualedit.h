#pragma once

#include <QString>

// Opens the rates file in the desktop's text editor, detached, so the user
// can correct it by hand. Returns whether an editor could be started; the
// caller ends the program either way, so that the edited file is read at the
// next start.
bool EditRatesFileByHand(const QString &ratesPath);
