#include "report.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"

QString chooseReportFace(const QStringList &families, const QString &currentFace)
{
    static const char *const candidates[] = {"Arial", "Helv", "Times New Roman", "Ms Sans Serif",
                                             "Courier"};
    for (const char *candidate : candidates) {
        const QString face = QString::fromLatin1(candidate);
        if (families.contains(face, Qt::CaseSensitive))
            return face;
    }
    return currentFace;
}

bool BuildReport(const TauxState &state, const QLocale &locale, double printableWidthCm,
                 ReportSink &sink)
{
    return BuildReport(state.schedule(), locale, printableWidthCm, sink);
}

bool BuildReport(const QList<ScheduleRow> &rows, const QLocale &locale, double printableWidthCm,
                 ReportSink &sink)
{
    // The page width comes from the printer in single precision; keeping
    // the column arithmetic there too puts the columns where they always were.
    const float width = static_cast<float>(printableWidthCm);
    const float column = (width - 2.0f) / 3.0f;
    const double rateX = column + 1.0f;
    const double sumX = 2.0f * column + 1.0f;

    if (!sink.setX(0) || !sink.print(QStringLiteral("Mois")) || !sink.setX(rateX) ||
        !sink.print(QStringLiteral("Taux annuel")) || !sink.setX(sumX) ||
        !sink.printLine(QStringLiteral("Somme")))
        return false;
    if (!sink.printLine(QString()))
        return false;

    for (const ScheduleRow &row : rows) {
        // The extra row has no rate: its column stays blank, spaces included.
        const QString rate = row.rate ? u' ' + formatGeneral(*row.rate, locale) + u' ' : QString();
        if (!sink.print(row.label) || !sink.setX(rateX) || !sink.print(rate) || !sink.setX(sumX) ||
            !sink.printLine(formatAmount(row.sum, locale)))
            return false;
    }

    return sink.printLine(QString()) && sink.endDocument();
}
