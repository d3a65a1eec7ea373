#include "ecbmerge.h"

#include <QLocale>

namespace {

// One CSV line's fields, quotes taken off ("a,""b""" -> a,"b").
QList<QByteArray> csvFields(QByteArrayView line)
{
    QList<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

QString dayText(const QDate &day)
{
    return day.toString(QStringLiteral("dd/MM/yyyy"));
}

QString rateText(qint32 thousandths)
{
    return EcbRateText(thousandths, QLocale(QLocale::French, QLocale::France));
}

} // namespace

EcbCsvRead ParseEcbCsv(const QByteArray &body)
{
    EcbCsvRead read;
    if (body.size() > kMaxEcbFileBytes) {
        read.error = QStringLiteral("la réponse de la BCE dépasse 1 Mio");
        return read;
    }
    const QList<QByteArray> lines = body.split('\n');
    int dateColumn = -1;
    int rateColumn = -1;
    int header = -1;
    for (int n = 0; n < lines.size(); ++n) {
        QByteArray line = lines.at(n);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        if (line.trimmed().isEmpty())
            continue;
        const QList<QByteArray> fields = csvFields(line);
        if (header < 0) {
            header = n;
            dateColumn = int(fields.indexOf("TIME_PERIOD"));
            rateColumn = int(fields.indexOf("OBS_VALUE"));
            if (dateColumn < 0 || rateColumn < 0) {
                read.error = QStringLiteral("la réponse de la BCE n'a pas les colonnes "
                                            "TIME_PERIOD et OBS_VALUE");
                return read;
            }
            continue;
        }
        // A line of the table, or its answer is not the table.
        const EcbRead one =
            ParseEcbTable("confirme-jusqu-au\t9999-12-31\n" + fields.value(dateColumn).trimmed() +
                          '\t' + fields.value(rateColumn).trimmed() + '\n');
        if (!one.table) {
            read.error =
                QStringLiteral("la ligne %1 de la réponse de la BCE est illisible (« %2 »)")
                    .arg(n + 1)
                    .arg(QString::fromUtf8(line.left(80)));
            read.changes.clear();
            return read;
        }
        const EcbChange change = one.table->changes.first();
        if (!read.changes.isEmpty() && change.from <= read.changes.last().from) {
            read.error = QStringLiteral("les dates de la réponse de la BCE ne vont pas du plus "
                                        "ancien au plus récent (ligne %1)")
                             .arg(n + 1);
            read.changes.clear();
            return read;
        }
        // One row a day: only the days the rate changed.
        if (read.changes.isEmpty() || read.changes.last().thousandths != change.thousandths)
            read.changes.append(change);
    }
    if (header < 0)
        read.error = QStringLiteral("la BCE a répondu sans rien envoyer");
    else if (read.changes.isEmpty())
        read.error = QStringLiteral("la réponse de la BCE ne contient aucun taux");
    return read;
}

EcbMerge MergeEcbChanges(const QByteArray &table, const QList<EcbChange> &fromEcb,
                         const QDate &today)
{
    EcbMerge merge;
    const EcbRead own = ParseEcbTable(table);
    if (!own.table) {
        merge.error = own.error;
        return merge;
    }
    // A rate in force from a day to come is announced, not applied: no
    // server may put it in the table.
    for (const EcbChange &change : fromEcb) {
        if (change.from > today) {
            merge.error = QStringLiteral("la BCE donne un taux à compter du %1, après aujourd'hui "
                                         "; le tableau n'est pas changé")
                              .arg(dayText(change.from));
            return merge;
        }
    }
    const QList<EcbChange> &mine = own.table->changes;
    const QDate newest = mine.last().from;
    // What the table has, as the ECB gives it: the same days, the same rates.
    for (const EcbChange &change : mine) {
        if (fromEcb.isEmpty() || change.from < fromEcb.first().from)
            continue;
        auto same = std::find_if(fromEcb.cbegin(), fromEcb.cend(),
                                 [&](const EcbChange &c) { return c.from == change.from; });
        if (same == fromEcb.cend() || same->thousandths != change.thousandths) {
            merge.disagreement =
                same == fromEcb.cend()
                    ? QStringLiteral("la BCE ne donne pas le changement du %1 (%2 %) que le "
                                     "tableau contient ; le tableau le garde")
                          .arg(dayText(change.from), rateText(change.thousandths))
                    : QStringLiteral("la BCE donne %1 % au %2 où le tableau a %3 % ; le tableau "
                                     "garde le sien")
                          .arg(rateText(same->thousandths), dayText(change.from),
                               rateText(change.thousandths));
            break;
        }
    }
    if (merge.disagreement.isEmpty()) {
        for (const EcbChange &change : fromEcb) {
            if (change.from < mine.first().from || change.from > newest)
                continue;
            if (std::none_of(mine.cbegin(), mine.cend(),
                             [&](const EcbChange &c) { return c.from == change.from; })) {
                merge.disagreement =
                    QStringLiteral("la BCE donne un changement au %1 (%2 %) que le tableau n'a "
                                   "pas ; le tableau reste tel qu'il est")
                        .arg(dayText(change.from), rateText(change.thousandths));
                break;
            }
        }
    }
    QByteArray bytes = table;
    for (const EcbChange &change : fromEcb) {
        if (change.from <= newest)
            continue;
        // A change that repeats the table's last rate is none.
        const qint32 last =
            merge.added.isEmpty() ? mine.last().thousandths : merge.added.last().thousandths;
        if (change.thousandths == last)
            continue;
        merge.added.append(change);
    }
    if (!merge.added.isEmpty()) {
        const bool crlf = bytes.contains("\r\n");
        if (!bytes.isEmpty() && !bytes.endsWith('\n'))
            bytes += crlf ? "\r\n" : "\n";
        for (const EcbChange &change : merge.added) {
            QByteArray rate = QByteArray::number(double(change.thousandths) / 1000.0, 'f', 3);
            while (rate.endsWith('0') && rate.indexOf('.') < rate.size() - 3)
                rate.chop(1);
            bytes +=
                change.from.toString(Qt::ISODate).toLatin1() + '\t' + rate + (crlf ? "\r\n" : "\n");
        }
    }
    // The day it is confirmed to moves on, the rest of its line kept.
    const QDate confirmed = std::max(own.table->confirmedUntil, today);
    if (confirmed != own.table->confirmedUntil) {
        const QByteArray key = "confirme-jusqu-au\t";
        const qsizetype at = bytes.startsWith(key) ? 0 : bytes.indexOf('\n' + key) + 1;
        bytes.replace(at + key.size(), 10, confirmed.toString(Qt::ISODate).toLatin1());
    }
    merge.ok = true;
    merge.changed = bytes != table;
    merge.bytes = bytes;
    return merge;
}
