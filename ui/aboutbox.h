#pragma once

#include <QDialog>

// The maker's box: logo, name and address on black. Built anew at each
// opening and gone when closed.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);

    // The six lines of LabelTolmen, joined by CR LF.
    static QString tolmenText();
};

// Opens the about box, modal, and returns when the user closes it.
void ShowAboutBox(QWidget *parent);
