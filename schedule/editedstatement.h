#pragma once

#include "schedule/statementfile.h"
#include "schedule/titlefile.h"

#include <QByteArray>
#include <QString>

// The statement being edited in a window: its inputs and case fields, the
// file it was opened from or last saved to, and whether it changed since it
// was created, opened or saved. The window shows it and hands it every
// change; what closing must ask is decided here, without a display.
class EditedStatement
{
public:
    // A new statement, empty or filled from elsewhere: nothing to save yet.
    void create(const SavedStatement &start);
    // The form's state as it is, title or one capital, becomes a new
    // statement's: nothing to save, no file yet.
    void startNew()
    {
        markUnchanged();
        m_filePath.clear();
    }

    // What the form holds now. Going back to what was created, opened or
    // saved clears the mark again.
    void edit(const SavedStatement &current);
    // A title of several claims, costs or named payments, saved as such.
    void edit(const SavedTitle &current);
    // The form holds something that cannot be read (a date being typed, an
    // amount in words): it differs from any saved state.
    void editUnreadable();

    const SavedStatement &current() const { return m_current; }
    // The title, when the form holds more than one capital or the file
    // opened was one.
    const std::optional<SavedTitle> &currentTitle() const { return m_title; }
    bool isReadable() const { return m_readable; }
    bool isModified() const;
    // The file it belongs to; empty until opened or saved.
    QString filePath() const { return m_filePath; }
    // "decompte.json" before a first save: what "Enregistrer sous…" proposes.
    QString suggestedFileName() const;

    // Writes the current inputs to `path`, whole or not at all; the file
    // becomes the statement's. False when it could not be written (or the
    // form is unreadable), the statement keeping its file and its mark.
    bool saveTo(const QString &path);

    // Reads a saved statement of any version and makes it the one edited. Returns the
    // reason in French when the file is refused, the statement unchanged.
    QString open(const QString &path);

    // Closing: asks "Enregistrer les modifications du décompte ?" only when
    // something would be lost.
    bool mustAskBeforeClosing() const { return isModified(); }
    enum class Answer { Save, Discard, Cancel };
    enum class CloseStep {
        Close,  // nothing to keep, or the user gives it up
        Save,   // save to the file it came from, then close
        SaveAs, // ask for a file name, save, then close
        Stay,   // the user cancelled: everything stays open
    };
    CloseStep closeStep(Answer answer) const;

private:
    void markUnchanged()
    {
        m_baseline = m_bytes;
        m_readable = true;
    }

    SavedStatement m_current;
    std::optional<SavedTitle> m_title;
    QByteArray m_bytes;    // the saved form of the current state
    QByteArray m_baseline; // the saved form of what was created, opened or saved
    bool m_readable = true;
    QString m_filePath;
};
