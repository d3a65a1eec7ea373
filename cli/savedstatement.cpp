#include "cli/commands.h"
#include "files/regularfile.h"
#include "schedule/titlefile.h"
#include "schedule/typedinput.h"

#include <QDir>

Outcome RunSavedStatement(const SavedFileRequest &request)
{
    const QString shownPath = quotedValue(QDir::toNativeSeparators(request.path));
    QByteArray bytes;
    const FileRead got = ReadRegularFile(request.path, kMaxSavedStatementBytes, &bytes);
    if (got != FileRead::Read)
        return {kUsage, QStringLiteral("--fichier %1 : %2")
                            .arg(shownPath, FileReadReason(got, kMaxSavedStatementBytes))};
    const SavedFileRead read = ReadSavedFile(bytes);
    if (!read.statement && !read.title)
        return {kUsage, QStringLiteral("--fichier %1 : %2").arg(shownPath, read.error)};

    // A file of one capital goes the way it always went, so that it gives
    // the same document it gave before titles existed.
    StatementRequest statement;
    statement.common = request.common;
    statement.madeOn = request.madeOn;
    if (read.statement) {
        statement.common.category = read.statement->category;
        statement.input = read.statement->input;
        statement.caseFields = read.statement->caseFields;
        if (request.to)
            statement.input.to = *request.to;
    } else {
        statement.common.category = read.title->input.category;
        statement.title = read.title->input;
        statement.caseFields = read.title->caseFields;
        if (request.to)
            statement.title->to = *request.to;
    }
    return RunStatement(statement);
}
