#include "updatenow.h"

#include "output/busycursor.h"
#include "update/locations.h"
#include "update/ratesupdate.h"
#include "update/settings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The form "Ajouter un semestre…": the half-year is the one after the
// file's newest; the two rates are checked when the user adds them, and the
// form stays open with the reason while they are refused.
class HalfYearForm : public QDialog
{
public:
    HalfYearForm(const QString &ratesPath, const HalfYearRates &next, const QDate &today,
                 QWidget *parent)
        : QDialog(parent), m_ratesPath(ratesPath), m_next(next), m_today(today)
    {
        setObjectName(QStringLiteral("AjoutSemestre"));
        setWindowTitle(QStringLiteral("Ajouter un semestre"));
        auto *intro = new QLabel(
            QStringLiteral("Les taux de l'arrêté publié au Journal officiel pour le semestre qui "
                           "suit le dernier du fichier, en pour cent l'an (virgule ou point)."),
            this);
        intro->setWordWrap(true);
        auto *period = new QLabel(next.caption(), this);
        period->setObjectName(QStringLiteral("semestre"));
        QFont bold = period->font();
        bold.setBold(true);
        period->setFont(bold);
        m_autres = new QLineEdit(this);
        m_autres->setObjectName(QStringLiteral("autres"));
        m_autres->setPlaceholderText(QStringLiteral("2,94"));
        m_particuliers = new QLineEdit(this);
        m_particuliers->setObjectName(QStringLiteral("particuliers"));
        m_particuliers->setPlaceholderText(QStringLiteral("6,31"));
        m_error = new QLabel(this);
        m_error->setObjectName(QStringLiteral("erreur"));
        m_error->setWordWrap(true);
        QPalette red = m_error->palette();
        red.setColor(QPalette::WindowText, QColor(170, 0, 0));
        m_error->setPalette(red);

        auto *form = new QFormLayout;
        form->addRow(QStringLiteral("Semestre :"), period);
        form->addRow(QStringLiteral("Autres cas (%) :"), m_autres);
        form->addRow(QStringLiteral("Particuliers (%) :"), m_particuliers);
        auto *buttons = new QDialogButtonBox(this);
        buttons->addButton(QStringLiteral("Ajouter"), QDialogButtonBox::AcceptRole)
            ->setObjectName(QStringLiteral("ajouter"));
        buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &HalfYearForm::add);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

        auto *layout = new QVBoxLayout(this);
        layout->addWidget(intro);
        layout->addLayout(form);
        layout->addWidget(m_error);
        layout->addWidget(buttons);
        setMinimumWidth(360);
    }

    const RatesUpdateReport &report() const { return m_report; }

private:
    void add()
    {
        m_report = AddHalfYear(m_ratesPath, m_next.periodKey(), m_autres->text(),
                               m_particuliers->text(), m_today);
        if (m_report.status == RatesUpdateReport::Added)
            return accept();
        m_error->setText(m_report.message.left(1).toUpper() + m_report.message.mid(1));
    }

    QString m_ratesPath;
    HalfYearRates m_next;
    QDate m_today;
    QLineEdit *m_autres = nullptr;
    QLineEdit *m_particuliers = nullptr;
    QLabel *m_error = nullptr;
    RatesUpdateReport m_report;
};

} // namespace

QString TablesUpdateReport::message() const
{
    if (!ecb)
        return rates.message;
    return rates.message.isEmpty() ? ecb->message : rates.message + u'\n' + ecb->message;
}

TablesUpdateReport updateTablesReport(QWidget *parent, const QString &ratesFilePath,
                                      const QString &address, const QString &ecbAddress,
                                      const QDate &today)
{
    QProgressDialog progress(QStringLiteral("Téléchargement des taux depuis\n") + address,
                             QStringLiteral("Annuler"), 0, 0, parent);
    progress.setObjectName(QStringLiteral("telechargement"));
    progress.setWindowTitle(QStringLiteral("Mise à jour des taux"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.show();
    BusyCursor busy;
    const Downloader download = [&progress](const QString &url) {
        return Download(url, {}, [&progress] { return progress.wasCanceled(); });
    };
    TablesUpdateReport report;
    report.rates = UpdateRatesFromAddress(ratesFilePath, address, today, download);
    // A cancel stops both.
    const QString ecbPath = EcbTableBeside(ratesFilePath);
    if (ecbPath.isEmpty() || progress.wasCanceled())
        return report;
    progress.setLabelText(QStringLiteral("Téléchargement des taux de la BCE depuis\n") +
                          ecbAddress);
    report.ecb = UpdateEcbTable(ecbPath, ecbAddress, today, download);
    return report;
}

RatesUpdateOutcome updateRatesNowFrom(QWidget *parent, const QString &ratesFilePath,
                                      const QString &address, const QString &ecbAddress,
                                      const QDate &today)
{
    const TablesUpdateReport report =
        updateTablesReport(parent, ratesFilePath, address, ecbAddress, today);
    return {report.rates.status == RatesUpdateReport::Added && !report.rates.added.isEmpty(),
            report.message(), report.ecb && report.ecb->status == EcbUpdateReport::Added};
}

RatesUpdateOutcome updateRatesNow(QWidget *parent, const QString &ratesFilePath, const QDate &today)
{
    const UpdateSettings settings =
        LoadUpdateSettings(LocateSettingsFile(QCoreApplication::applicationDirPath()));
    return updateRatesNowFrom(parent, ratesFilePath, settings.address, settings.ecbAddress, today);
}

RatesUpdateReport addHalfYearReport(QWidget *parent, const QString &ratesFilePath,
                                    const QDate &today)
{
    const HalfYearRates next = NextHalfYearOf(ratesFilePath);
    if (next.year == 0) {
        RatesUpdateReport report;
        report.status = RatesUpdateReport::NoRatesFile;
        report.message = QStringLiteral("Le fichier des taux %1 est absent ou corrompu : aucun "
                                        "semestre ne peut y être ajouté.")
                             .arg(ratesFilePath);
        return report;
    }
    HalfYearForm form(ratesFilePath, next, today, parent);
    form.exec();
    RatesUpdateReport report = form.report();
    if (report.status != RatesUpdateReport::Added) {
        report.status = RatesUpdateReport::Refused;
        report.message.clear();
    }
    return report;
}

bool addHalfYearByHand(QWidget *parent, const QString &ratesFilePath, const QDate &today)
{
    const RatesUpdateReport report = addHalfYearReport(parent, ratesFilePath, today);
    if (report.status == RatesUpdateReport::NoRatesFile)
        QMessageBox::critical(parent, QStringLiteral("Ajouter un semestre"), report.message);
    return report.status == RatesUpdateReport::Added;
}
