#include "output.h"

#include "cli/values.h"
#include "files/savefile.h"
#include "schedule/formats.h"
#include "schedule/tauxstate.h"

#include <QLocale>

#include <cerrno>
#include <cstdio>

bool Deliver(const QByteArray &bytes, const QString &path, QString *error, QString *notice)
{
    if (!path.isEmpty()) {
        const SaveOutcome saved = SaveFile(path, bytes);
        if (notice && !saved.notice.isEmpty())
            *notice = QStringLiteral("« ") + visibleValue(path) +
                      QStringLiteral(" » écrit, mais ") + saved.notice;
        if (saved.ok)
            return true;
        *error = QStringLiteral("impossible d'écrire le fichier « ") + visibleValue(path) +
                 QStringLiteral(" » : ") + saved.reason;
        return false;
    }
    return WriteStandardOutput(bytes, error);
}

bool WriteStandardOutput(QByteArrayView bytes, QString *error)
{
    if (std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
        std::fflush(stdout) == 0)
        return true;
    // A reader that has what it wanted and goes away (| head) is no
    // failure of ours: the rest is simply not needed.
    if (errno == EPIPE)
        return true;
    *error = QStringLiteral("impossible d'écrire sur la sortie standard : ") + SystemReason(errno);
    return false;
}

QByteArray ScheduleCsv(const TauxState &state)
{
    const QLocale french(QLocale::French, QLocale::France);
    QString text = QStringLiteral("\uFEFFMois;Taux annuel;Somme\r\n");
    for (const ScheduleRow &row : state.schedule()) {
        // The amount format's literal space would make the spreadsheet read
        // the sum as text.
        QString sum = row.sum ? formatAmount(*row.sum, french) : QString();
        sum.remove(u' ');
        text += row.label + u';' + formatGeneral(row.rate, french) + u';' + sum +
                QStringLiteral("\r\n");
    }
    return text.toUtf8();
}
