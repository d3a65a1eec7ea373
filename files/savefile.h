#pragma once

#include <QByteArray>
#include <QString>

// How a file was written, and what the user should know of it.
struct SaveOutcome
{
    bool ok = false;
    // Why nothing, or not everything, was written: a French phrase that
    // follows "impossible d'écrire « chemin » : ".
    QString reason;
    // On success, what did not go as the file was before: its owner or its
    // mode could not be kept. Empty otherwise.
    QString notice;
};

// Writes `bytes` where `path` leads, as an output must reach it:
// - a regular file, new or not, is replaced whole or not at all, through a
//   temporary file beside it ("<name>.tauxlegal-XXXXXX") and a rename. An
//   existing file keeps its owner, group and mode when the system allows it
//   (root always; a user the group among their own); `notice` says what was
//   not kept. A file the user may not write is refused, as before.
// - a regular file with other names (hard links) is rewritten in place, so
//   that every name still shows the one file; the room is reserved first, so
//   a full disk leaves it untouched, but a failure of the disk half-way is
//   not undone.
// - a device, a FIFO, and the program's own standard output or error
//   ("/dev/stdout", "/dev/fd/1"...) are written in place: nothing is
//   truncated or replaced, and an output sent to a file with ">>" keeps
//   appending.
// - a folder is refused.
// A symbolic link is followed: the file it leads to is written, the link
// stays. A temporary file of an earlier write to the same name, left by a
// kill, is removed; one another run still writes is left alone.
SaveOutcome SaveFile(const QString &path, const QByteArray &bytes);

// SaveFile for the callers that only need to know whether it worked.
bool SaveFileAtomically(const QString &path, const QByteArray &bytes);

// A system error number in French words, whatever the locale: the reasons
// of the C library are English under LC_ALL=C.
QString SystemReason(int error);
