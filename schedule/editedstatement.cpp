#include "editedstatement.h"

#include "files/regularfile.h"
#include "files/savefile.h"
#include "schedule/titlefile.h"

#include <QFileInfo>

void EditedStatement::create(const SavedStatement &start)
{
    m_current = start;
    m_readable = true;
    m_baseline = SavedStatementJson(start);
    m_filePath.clear();
}

void EditedStatement::edit(const SavedStatement &current)
{
    m_current = current;
    m_readable = true;
}

void EditedStatement::editUnreadable()
{
    m_readable = false;
}

bool EditedStatement::isModified() const
{
    return !m_readable || SavedStatementJson(m_current) != m_baseline;
}

QString EditedStatement::suggestedFileName() const
{
    return m_filePath.isEmpty() ? QStringLiteral("decompte.json") : m_filePath;
}

bool EditedStatement::saveTo(const QString &path)
{
    if (!m_readable || path.isEmpty())
        return false;
    const QByteArray bytes = SavedStatementJson(m_current);
    if (!SaveFileAtomically(path, bytes))
        return false;
    m_baseline = bytes;
    m_filePath = path;
    return true;
}

QString EditedStatement::open(const QString &path)
{
    QByteArray bytes;
    const FileRead got = ReadRegularFile(path, kMaxSavedStatementBytes, &bytes);
    if (got == FileRead::NotRegular || got == FileRead::TooLarge)
        return QStringLiteral("Ce fichier n'est pas un décompte enregistré lisible : %1.")
            .arg(FileReadReason(got, kMaxSavedStatementBytes));
    if (got != FileRead::Read)
        return QStringLiteral("le fichier ne peut pas être lu.");
    const SavedStatementRead read = ReadSavedStatement(bytes);
    if (!read.saved) {
        // This program's own file of several claims is no newer program's.
        if (ReadSavedFile(bytes).title)
            return QStringLiteral("ce décompte a plusieurs créances, que cette fenêtre ne montre "
                                  "pas encore : « taux-legal-cli decompte --fichier » le calcule.");
        return read.error;
    }
    m_current = *read.saved;
    m_readable = true;
    m_baseline = SavedStatementJson(m_current);
    m_filePath = QFileInfo(path).absoluteFilePath();
    return QString();
}

EditedStatement::CloseStep EditedStatement::closeStep(Answer answer) const
{
    if (!isModified())
        return CloseStep::Close;
    switch (answer) {
    case Answer::Save:
        return m_filePath.isEmpty() ? CloseStep::SaveAs : CloseStep::Save;
    case Answer::Discard:
        return CloseStep::Close;
    case Answer::Cancel:
        break;
    }
    return CloseStep::Stay;
}
