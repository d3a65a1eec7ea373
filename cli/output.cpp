#include "output.h"

#include "schedule/formats.h"
#include "schedule/tauxstate.h"
#include "update/savefile.h"

#include <QLocale>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool Deliver(const QByteArray &bytes, const QString &path, QString *error, QString *notice)
{
    if (!path.isEmpty()) {
        const SaveOutcome saved = SaveFile(path, bytes);
        if (notice && !saved.notice.isEmpty())
            *notice =
                QStringLiteral("« ") + path + QStringLiteral(" » écrit, mais ") + saved.notice;
        if (saved.ok)
            return true;
        *error = QStringLiteral("impossible d'écrire le fichier « ") + path +
                 QStringLiteral(" » : ") + saved.reason;
        return false;
    }
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) &&
        std::fflush(stdout) == 0)
        return true;
    *error = QStringLiteral("impossible d'écrire sur la sortie standard : ") +
             QString::fromLocal8Bit(std::strerror(errno));
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

QByteArray jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += u'\\';
            out += c;
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\r') {
            out += QStringLiteral("\\r");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u < 0x20) {
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += u'"';
    return out.toUtf8();
}
