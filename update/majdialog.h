#pragma once

#include "update/settings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The update dialog "Maj": shows and edits the update settings in place, and
// offers the manual update. It is created once, hidden, and only shown and
// hidden afterwards, so its fields keep what they last held; a cancelled
// edit stays in the record, unsaved, until a later Ok writes it.
class MajDialog : public QDialog
{
    Q_OBJECT
public:
    MajDialog(UpdateSettings &settings, const QString &iniPath, QWidget *parent = nullptr);

signals:
    // The user asked to edit the rates file by hand; the program ends then.
    void manualUpdateRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void setUpWindow();
    void setUpKeys();
    void connectControls();
    void save();
    template <typename T> T *control(const char *name) const;

    UpdateSettings &m_settings;
    QString m_iniPath;
    QLineEdit *m_ftp = nullptr;
    QCheckBox *m_checkConnection = nullptr;
    QCheckBox *m_checkMaj = nullptr;
};
