#include "statementwindow.h"

#include "output/busycursor.h"
#include "ui/statementwindowparts.h"
#include "update/recentstatements.h"

#include "ui_statementwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

using namespace statementwindow;

void StatementWindow::startAfresh()
{
    Recompute();
    m_edited.startNew();
    updateTitle();
}

void StatementWindow::updateTitle()
{
    // The file's name first, as desktop programs show the document they
    // hold, with the mark of unsaved changes.
    const QString path = m_edited.filePath();
    setWindowFilePath(path);
    setWindowTitle(path.isEmpty()
                       ? kTitle + QStringLiteral("[*]")
                       : QStringLiteral("%1[*] – %2").arg(QFileInfo(path).fileName(), kTitle));
    setWindowModified(m_edited.isModified());
}

bool StatementWindow::Save()
{
    if (m_edited.filePath().isEmpty())
        return SaveAs();
    Recompute();
    if (!m_edited.isReadable()) {
        QMessageBox::warning(this, QStringLiteral("Enregistrer"),
                             QStringLiteral("Le décompte ne peut pas être enregistré tant que le "
                                            "capital ou un acompte est illisible ou manquant."));
        return false;
    }
    BusyCursor busy;
    if (!m_edited.saveTo(m_edited.filePath())) {
        busy.restore();
        warnNotWritten(m_edited.filePath());
        return false;
    }
    noteRecent(m_edited.filePath());
    updateTitle();
    return true;
}

bool StatementWindow::SaveAs()
{
    Recompute();
    if (!m_edited.isReadable()) {
        QMessageBox::warning(this, QStringLiteral("Enregistrer"),
                             QStringLiteral("Le décompte ne peut pas être enregistré tant que le "
                                            "capital ou un acompte est illisible ou manquant."));
        return false;
    }
    const QString path =
        fileFor(QStringLiteral("Enregistrer le décompte"), m_edited.suggestedFileName(),
                QStringLiteral("Décomptes enregistrés (*.json)"));
    if (path.isEmpty())
        return false;
    BusyCursor busy;
    if (!m_edited.saveTo(path)) {
        busy.restore();
        warnNotWritten(path);
        return false;
    }
    noteRecent(path);
    updateTitle();
    return true;
}

void StatementWindow::Open()
{
    const QString path = m_hooks.openFileName(
        this, QStringLiteral("Ouvrir un décompte"),
        QStringLiteral("Décomptes enregistrés (*.json);;Tous les fichiers (*)"));
    if (!path.isEmpty())
        OpenFile(path);
}

bool StatementWindow::OpenFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    // The form keeps what it showed when the file is refused; unsaved work
    // is asked about only once the file has been read.
    EditedStatement opened;
    const QString error = opened.open(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Ouvrir"),
                             QStringLiteral("« %1 » : %2").arg(name, error));
        return false;
    }
    if (!MayClose())
        return false;
    m_edited = opened;
    if (const std::optional<SavedTitle> &title = m_edited.currentTitle()) {
        m_savesTitle = true;
        fillTitleForm(TitleDraft::of(*title, m_locale));
    } else {
        fillForm(m_edited.current().input, m_edited.current().category,
                 m_edited.current().caseFields);
    }
    noteRecent(m_edited.filePath());
    updateTitle();
    return true;
}

bool StatementWindow::MayClose()
{
    Recompute();
    if (!m_edited.mustAskBeforeClosing())
        return true;
    QMessageBox box(QMessageBox::Question, kTitle,
                    QStringLiteral("Enregistrer les modifications du décompte ?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("enregistrerModifications"));
    box.button(QMessageBox::Save)->setText(QStringLiteral("Enregistrer"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Ne pas enregistrer"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annuler"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    if (!m_edited.filePath().isEmpty())
        box.setInformativeText(QFileInfo(m_edited.filePath()).fileName());
    // The window comes forward first: the question must say which one it is
    // about when the main window or the session closes several.
    if (isMinimized())
        showNormal();
    raise();
    box.exec();
    EditedStatement::Answer answer = EditedStatement::Answer::Cancel;
    if (box.clickedButton() == box.button(QMessageBox::Save))
        answer = EditedStatement::Answer::Save;
    else if (box.clickedButton() == box.button(QMessageBox::Discard))
        answer = EditedStatement::Answer::Discard;
    switch (m_edited.closeStep(answer)) {
    case EditedStatement::CloseStep::Close:
        return true;
    case EditedStatement::CloseStep::Save:
        return Save();
    case EditedStatement::CloseStep::SaveAs:
        return SaveAs();
    case EditedStatement::CloseStep::Stay:
        break;
    }
    return false;
}

void StatementWindow::closeEvent(QCloseEvent *event)
{
    if (!MayClose()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void StatementWindow::noteRecent(const QString &path)
{
    if (m_iniPath.isEmpty() || path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    WriteRecentStatements(WithRecentStatement(ReadRecentStatements(m_iniPath), absolute),
                          m_iniPath);
}

void StatementWindow::fillRecentMenu()
{
    m_recent->clear();
    const QStringList recent =
        m_iniPath.isEmpty() ? QStringList() : ReadRecentStatements(m_iniPath);
    if (recent.isEmpty()) {
        m_recent->addAction(QStringLiteral("Aucun décompte récent"))->setEnabled(false);
        return;
    }
    for (int k = 0; k < recent.size(); ++k) {
        const QString path = recent[k];
        // "1 decompte.json", the folder beside it so that two files of the
        // same name are told apart.
        QAction *action =
            m_recent->addAction(QStringLiteral("&%1 %2 — %3")
                                    .arg(k + 1)
                                    .arg(QFileInfo(path).fileName(),
                                         QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path); });
    }
}
