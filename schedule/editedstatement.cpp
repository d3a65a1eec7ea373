#include "editedstatement.h"

#include "files/regularfile.h"
#include "files/savefile.h"
#include "schedule/titlefile.h"

#include <QFileInfo>

void EditedStatement::create(const SavedStatement &start)
{
    edit(start);
    markUnchanged();
    m_filePath.clear();
}

void EditedStatement::edit(const SavedStatement &current)
{
    m_current = current;
    m_title.reset();
    m_bytes = SavedStatementJson(current);
    m_readable = true;
}

void EditedStatement::edit(const SavedTitle &current)
{
    m_title = current;
    m_bytes = SavedTitleJson(current);
    m_readable = true;
}

void EditedStatement::editUnreadable()
{
    m_readable = false;
}

bool EditedStatement::isModified() const
{
    return !m_readable || m_bytes != m_baseline;
}

QString EditedStatement::suggestedFileName() const
{
    return m_filePath.isEmpty() ? QStringLiteral("decompte.json") : m_filePath;
}

bool EditedStatement::saveTo(const QString &path)
{
    if (!m_readable || path.isEmpty())
        return false;
    if (!SaveFileAtomically(path, m_bytes))
        return false;
    m_baseline = m_bytes;
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
    const SavedFileRead read = ReadSavedFile(bytes);
    if (read.statement)
        edit(*read.statement);
    else if (read.title)
        edit(*read.title);
    else
        return read.error;
    markUnchanged();
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
