#pragma once

#include <QString>
#include <QStringView>

// Text that comes from someone else (a case field, a reference of a lot,
// the rates file's note, what a server says) goes to terminals,
// spreadsheets, PDF pages and files. These make it show what it holds.

// True for the characters that reorder text without being seen: the
// embeddings, overrides and isolates, and the direction marks.
bool IsBidiControl(QChar c);

// The text without its bidirectional controls: "RG \u202E43210/51\u202C"
// would print as "RG 15/01234" and must read "RG 43210/51", as saved.
QString WithoutBidiControls(QStringView text);

// The text as one line: bidirectional controls removed, every other
// control character (C0, DEL, C1) and the line and paragraph separators
// made a space, so that nothing ends a cell or a row or drives a terminal.
// With `maxLength` > 0, longer text is cut there and ends with "…".
QString SafeLine(QStringView text, qsizetype maxLength = 0);
