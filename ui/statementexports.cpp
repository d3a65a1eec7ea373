#include "statementwindow.h"

#include "files/savefile.h"
#include "output/busycursor.h"
#include "output/printing.h"
#include "output/statementpdf.h"
#include "output/titlepdf.h"
#include "ui/statementwindowparts.h"

#include "ui_statementwindow.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

using namespace statementwindow;

void StatementWindow::setExportsEnabled(bool on)
{
    for (QPushButton *button : m_exports)
        button->setEnabled(on);
}

StatementDocument StatementWindow::document() const
{
    return MakeStatementDocument(m_table, category(), m_input,
                                 m_result.statement.value_or(Statement{}), m_hooks.today(),
                                 caseFields());
}

QString StatementWindow::fileFor(const QString &caption, const QString &suggested,
                                 const QString &filter)
{
    return m_hooks.saveFileName(this, caption, suggested, filter);
}

void StatementWindow::warnNotWritten(const QString &path)
{
    QMessageBox::warning(this, kTitle,
                         QStringLiteral("Le fichier « %1 » n'a pas pu être écrit. Vérifiez que "
                                        "le dossier existe et que vous pouvez y écrire.")
                             .arg(QDir::toNativeSeparators(path)));
}

bool StatementWindow::writeExport(const QString &path, const QByteArray &bytes)
{
    BusyCursor busy;
    if (SaveFileAtomically(path, bytes))
        return true;
    busy.restore();
    warnNotWritten(path);
    return false;
}

void StatementWindow::ExportCsv()
{
    settle();
    if (!m_result.ok() && !m_title)
        return;
    const QString path = fileFor(QStringLiteral("Exporter en CSV"), QStringLiteral("decompte.csv"),
                                 QStringLiteral("Fichiers CSV (*.csv)"));
    if (!path.isEmpty())
        writeExport(path, m_title ? TitleCsv(titleDocument()) : StatementCsv(document()));
}

void StatementWindow::ExportPdf()
{
    settle();
    if (!m_result.ok() && !m_title)
        return;
    const QString path = fileFor(QStringLiteral("Exporter en PDF"), QStringLiteral("decompte.pdf"),
                                 QStringLiteral("Fichiers PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    BusyCursor busy;
    QString error;
    if (m_title ? WriteTitlePdf(path, titleDocument(), m_locale, &error)
                : WriteStatementPdf(path, document(), m_locale, &error))
        return;
    busy.restore();
    QMessageBox::warning(this, kTitle,
                         QStringLiteral("Le fichier « %1 » n'a pas pu être écrit : %2")
                             .arg(QDir::toNativeSeparators(path), error));
}

void StatementWindow::Print()
{
    settle();
    if (!m_result.ok() && !m_title)
        return;
    const PrintFunctions *printing = ProgramPrintModule();
    if (!printing) {
        QMessageBox::warning(this, kTitle,
                             QStringLiteral("L'impression n'est pas disponible : le module "
                                            "d'impression du programme est introuvable."));
        return;
    }
    if (m_title ? !printing->previewTitle(this, titleDocument(), m_locale)
                : !printing->previewStatement(this, document(), m_locale))
        QMessageBox::warning(this, kTitle, QStringLiteral("Le décompte n'a pas pu être imprimé."));
}

void StatementWindow::Copy()
{
    settle();
    if (!m_result.ok() && !m_title)
        return;
    BusyCursor busy;
    const QString text = QString::fromUtf8(m_title ? TitleTsv(titleDocument(), m_locale)
                                                   : StatementTsv(document(), m_locale));
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    // Reading back is the only way to know the clipboard took it.
    if (clipboard->text() == text)
        return;
    busy.restore();
    QMessageBox::warning(this, QStringLiteral("Copier"),
                         QStringLiteral("Le décompte n'a pas pu être copié dans le "
                                        "presse-papiers. Réessayez dans un instant."));
}
