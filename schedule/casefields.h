#pragma once

#include <QString>

// Who and what a statement is for. Every field is optional and printed as
// the user typed it.
struct CaseFields
{
    QString creancier; // "Créancier"
    QString debiteur;  // "Débiteur"
    QString reference; // "Référence du dossier"
    QString titre;     // "Titre exécutoire"

    bool isEmpty() const
    {
        return creancier.isEmpty() && debiteur.isEmpty() && reference.isEmpty() && titre.isEmpty();
    }
};
