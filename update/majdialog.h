#pragma once

#include "update/settings.h"

#include <QDate>
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
struct RatesUpdateReport;

// The update dialog "Maj": shows and edits the update settings in place, and
// offers the manual update. It is created once, hidden, and only shown and
// hidden afterwards, so its fields keep what they last held; a cancelled
// edit stays in the record, unsaved, until a later Ok writes it.
class MajDialog : public QDialog
{
    Q_OBJECT
public:
    MajDialog(UpdateSettings &settings, const QString &iniPath, QWidget *parent = nullptr);

    // The rates file that "Mettre à jour maintenant" and "Ajouter un
    // semestre…" complete, and whose newest half-years the dialog lists.
    void setRatesFile(const QString &path);
    // The day the updates take as today (the system's by default).
    void setClock(std::function<QDate()> today) { m_today = std::move(today); }

signals:
    // The user asked to edit the rates file by hand; the program ends then.
    void manualUpdateRequested();
    // The rates file gained half-years: the windows reload it now.
    void ratesFileChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void setUpWindow();
    void setUpKeys();
    void connectControls();
    void save();
    void showReport(const RatesUpdateReport &report);
    void showRates(int newRows);
    QString unsavableCharacter() const;
    template <typename T> T *control(const char *name) const;

    UpdateSettings &m_settings;
    std::function<QDate()> m_today = [] { return QDate::currentDate(); };
    QString m_iniPath;
    QLineEdit *m_ftp = nullptr;
    QCheckBox *m_checkConnection = nullptr;
    QCheckBox *m_checkMaj = nullptr;
    QTableWidget *m_rates = nullptr;
    QLabel *m_outcome = nullptr;
    QString m_ratesPath;
};
