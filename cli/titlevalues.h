#pragma once

#include "cli/values.h"
#include "schedule/title.h"

#include <QStringView>

// The parts of a title typed on the command line, each refused with a
// French sentence that says what was expected.

// "LIBELLE;MONTANT;DATE[;INTERETS]": a claim, owed and bearing interest
// from DATE. INTERETS is "legal" (the default), "fixe:4,5" or "aucun",
// followed by any of "x1,5" (x 1, 1,5, 2 or 3, legal only), "+5" (legal
// only), "sans-capitalisation" and "capitalisation:DATE", separated by
// spaces. Interest is capitalised each year from the claim's first day
// unless "sans-capitalisation" says otherwise.
Read<Claim> readClaim(QStringView text);

// A lot's "taux" cell, the way its one claim bears interest: "legal",
// "bce" or "bce+MARGE" (penalties, ten points by default),
// "commande-publique", or a fixed rate in percent ("4,5", "4,5 %"). The
// other fields are the claim's defaults; only the legal rate and a fixed
// rate are capitalised.
Read<Claim> readRateBasis(QStringView text);

// "DATE=MONTANT:LIBELLE": a cost of enforcement.
Read<Cost> readCost(QStringView text);

// "DATE=MONTANT" or "DATE=MONTANT@N": a payment, given first to claim N
// (counted from 1) when it names one.
Read<TitlePayment> readTitlePayment(QStringView text);

// "frais-interets-capital" (the default) or "capital-d-abord".
Read<Imputation> readImputation(QStringView text);
