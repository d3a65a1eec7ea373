#pragma once

// Statements saved by earlier versions of the program, and what each gave
// in every output: whatever the statement grows into, a file a user kept
// must still give the same document, byte for byte. The core's test and
// the window's share them.
#include "output/statementexport.h"
#include "output/statementpdf.h"
#include "testfiles.h"

#include <QTemporaryDir>

namespace savedgolden {

inline QString dir()
{
    return QStringLiteral(TESTS_DATA_DIR "saved/");
}

// v1-acomptes: version 1, two payments on interest and capital.
// v2-credit: version 2, the five points, capitalisation, payments in no
// order and a last one that leaves a credit, every case field.
// v2-annee-reelle: the actual year's days, coefficient 1,5, a payment on
// 29 February, case fields a spreadsheet must not run or split.
inline const char *const kFiles[] = {"v1-acomptes", "v2-credit", "v2-annee-reelle"};
inline const char *const kFormats[] = {"txt", "tsv", "csv", "json", "pdf"};

// The day the golden documents were made on: a statement prints it.
inline const QDate kMadeOn(2026, 12, 8);

// A rates file of their own, so that a newer half-year in the bundled one
// does not change "Taux connus jusqu'au".
inline QString ratesFile()
{
    return dir() + QStringLiteral("taux.txt");
}

// The JSON names the rates file: the documents were made from the
// installed one.
inline const QString kShownRatesPath = QStringLiteral("/usr/share/taux-legal/QUERDAN.TXT");

inline QString goldenName(const QString &file, const QString &format)
{
    return QStringLiteral("saved/%1.golden.%2").arg(file, format);
}

// The output in `format`; the PDF through the writer the export and the
// command line use. The document's date is the PDF's, so nothing varies
// from run to run. Empty when the PDF could not be written.
inline QByteArray output(const StatementDocument &document, const QString &format)
{
    const QLocale french(QLocale::French, QLocale::France);
    if (format == u"txt")
        return StatementTextTable(document, french).toUtf8();
    if (format == u"tsv")
        return StatementTsv(document, french);
    if (format == u"csv")
        return StatementCsv(document);
    if (format == u"json")
        return StatementJson(document);
    QTemporaryDir temporary;
    const QString path = temporary.filePath(QStringLiteral("decompte.pdf"));
    if (!WriteStatementPdf(path, document, french, nullptr))
        return {};
    return readFile(path);
}

} // namespace savedgolden
