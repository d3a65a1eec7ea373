#include "recentstatements.h"

#include "update/settings.h"

#include <QUrl>

namespace {

const QString kRecentSection = QStringLiteral("DECOMPTE");
QString recentKey(int k)
{
    return QStringLiteral("RECENT%1").arg(k + 1);
}
// The settings file keeps at most 999 characters of a value.
constexpr int kMaxStoredLength = 999;

} // namespace

QStringList ReadRecentStatements(const QString &iniPath)
{
    QStringList paths;
    for (int k = 0; k < kMaxRecentStatements; ++k) {
        const QString stored = ReadIniValue(kRecentSection, recentKey(k), iniPath);
        const QString path = QUrl::fromPercentEncoding(stored.toLatin1());
        if (!path.isEmpty() && !paths.contains(path))
            paths << path;
    }
    return paths;
}

bool WriteRecentStatements(const QStringList &paths, const QString &iniPath)
{
    QStringList encoded;
    for (const QString &path : paths) {
        const QByteArray text = QUrl::toPercentEncoding(path, "/");
        if (text.size() <= kMaxStoredLength && encoded.size() < kMaxRecentStatements)
            encoded << QString::fromLatin1(text);
    }
    bool written = true;
    for (int k = 0; k < kMaxRecentStatements; ++k)
        written = WriteIniValue(kRecentSection, recentKey(k), encoded.value(k), iniPath) && written;
    return written;
}

QStringList WithRecentStatement(QStringList recent, const QString &path)
{
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kMaxRecentStatements)
        recent.removeLast();
    return recent;
}
