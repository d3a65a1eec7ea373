#pragma once

class QClipboard;
class QWidget;
class TauxState;

// Puts the schedule on the clipboard as plain text, replacing whatever it
// held. When the clipboard does not take it (another program holding it,
// for one), says so in a short message and leaves everything else as it
// was. Returns whether the clipboard now holds the text.
bool CopySchedule(QWidget *parent, const TauxState &state);
