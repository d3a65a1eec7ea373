#pragma once

#include "schedule/casefields.h"
#include "schedule/statementfile.h"
#include "schedule/title.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A whole title as saved (version 3): the case fields, the category, the
// day base, the end date, the majoration, the imputation, the provision,
// the claims, the costs and the payments. The keys come in this order:
// {"format": "taux-legal-decompte", "version": 3,
//  "categorie": "autres" or "personnes_physiques", "base": "365" or "reelle",
//  "au": "2025-01-01", "signifie_le": date or null, "majoration_du": date or
//  null (at most one of the two), "imputation": "frais-interets-capital" or
//  "capital-d-abord", "provision": false,
//  "creances": [{"libelle", "montant", "du", "interets": "legal", "fixe" or
//   "aucun", "coefficient": "1" (legal) or null, "majoree": bool,
//   "taux": "4,5" as typed (fixe) or null, "capitalisation_du": date or null}],
//  "frais": [{"date", "libelle", "montant"}],
//  "acomptes": [{"date", "montant", "creance": claim number from 1, or null}],
//  "creancier", "debiteur", "reference", "titre_executoire": text or null}
struct SavedTitle
{
    TitleInput input; // input.category is the file's
    CaseFields caseFields;
};

QByteArray SavedTitleJson(const SavedTitle &saved);

// A saved file of any version: versions 1 and 2 give one capital, read
// exactly as ReadSavedStatement reads them; version 3 gives a title.
struct SavedFileRead
{
    std::optional<SavedStatement> statement;
    std::optional<SavedTitle> title;
    QString error; // in French, ready to show, when nothing was read
};

SavedFileRead ReadSavedFile(const QByteArray &bytes);

// One capital as a title of one legal-rate claim with the same figures,
// which ComputeTitle computes as ComputeStatement computes the capital.
SavedTitle TitleOfStatement(const SavedStatement &saved);
