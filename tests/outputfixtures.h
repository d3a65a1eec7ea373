#pragma once

#include "poppler.h"
#include "schedule/tauxstate.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

// Schedules the output tests print and copy. TauxState is large, so each
// lives on the heap.
namespace fixtures {

// `months` months counted back from June 2015, each at 0.93 % (every
// fourth at 4.06 %, and a whole 12 now and then), and the extra row after
// them, with no sums.
// `sums` are put in their rows as they are, whatever a computation would
// make of them, so an output can be checked on any figures.
inline std::unique_ptr<TauxState> syntheticState(int months, int startRow = -1,
                                                 const std::map<int, double> &sums = {})
{
    auto table = std::make_unique<RateTable>();
    QDate month(2015, 6, 1);
    for (int i = 0; i < months; ++i, month = month.addMonths(-1)) {
        RateRow &row = table->rows[i];
        row.label = textemois(month.month()) + u' ' + QString::number(month.year());
        row.monthStart = month;
        row.rate = i % 7 == 3 ? 12.0 : i % 4 == 1 ? 4.06 : 0.93;
    }
    const int earliestYear = month.addMonths(1).year();
    table->rows[months].label = QStringLiteral("Décembre ") + QString::number(earliestYear - 1);
    table->count = static_cast<qint16>(months);
    auto column = std::make_unique<SumColumn>();
    for (const auto &[row, sum] : sums)
        (*column)[row] = sum;
    return std::make_unique<TauxState>(*table, *column, startRow);
}

// The bundled rates file, in the given category.
inline std::unique_ptr<TauxState> bundledState(RateCategory category = RateCategory::Autres)
{
    auto state = std::make_unique<TauxState>();
    state->setRatesFile(QStringLiteral(BUNDLED_RATES));
    if (!state->ChangeCategory(category).ok())
        return nullptr;
    return state;
}

inline QByteArray readGolden(const QString &name)
{
    QFile file(QStringLiteral(TESTS_DATA_DIR) + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("missing golden file ") + name.toUtf8();
    return file.readAll();
}

// A PDF as a reader sees it, for comparing with a golden one made on
// another machine: its text, page by page, and the fonts it embeds. Its bytes also carry the
// machine's font files, which a fresh system may not share. Anything else is compared as it is.
inline QByteArray comparable(const QByteArray &bytes, const QString &name)
{
    if (!name.endsWith(u".pdf"))
        return bytes;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("golden.pdf"));
    QFile file(pdf);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QByteArray("unwritable ") + pdf.toUtf8();
    file.close();
    QByteArray seen;
    for (const QStringList &command :
         {QStringList{QStringLiteral("pdftotext"), pdf, QStringLiteral("-")},
          QStringList{QStringLiteral("pdffonts"), pdf}}) {
        poppler::Process process;
        process.start(command.first(), command.mid(1));
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            return QByteArray("unreadable by ") + command.first().toUtf8();
        seen += process.readAllStandardOutput() + "\n";
    }
    // pdffonts numbers the fonts' objects, which is all it says of bytes.
    return seen;
}

// Set TAUX_WRITE_GOLDEN=1 to rewrite a golden file after a deliberate
// change of output; the diff then shows what changed.
inline void maybeWriteGolden(const QString &name, const QByteArray &bytes)
{
    if (qEnvironmentVariableIntValue("TAUX_WRITE_GOLDEN") != 1)
        return;
    QFile file(QStringLiteral(TESTS_DATA_DIR) + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace fixtures
