#pragma once

// poppler's programs, which read back the PDFs the tests make, with the
// few calls of QProcess that the tests use. The Windows build's tests run
// under Wine, where the machine's own Linux programs are started through
// Wine's "start /unix": that passes neither the program's output nor its
// exit code, so a shell script given the files' Unix paths writes both to
// files, read back once it is done.

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#ifdef Q_OS_WIN
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#endif

namespace poppler {

inline bool available(const QString &tool)
{
#ifdef Q_OS_WIN
    return QFileInfo(QStringLiteral("Z:/usr/bin/") + tool).isFile();
#else
    return !QStandardPaths::findExecutable(tool).isEmpty();
#endif
}

#ifndef Q_OS_WIN
class Process
{
public:
    void start(const QString &tool, const QStringList &args) { m_process.start(tool, args); }
    bool waitForFinished(int msecs = 30000) { return m_process.waitForFinished(msecs); }
    int exitCode() const { return m_process.exitCode(); }
    QByteArray readAllStandardOutput() { return m_process.readAllStandardOutput(); }

private:
    QProcess m_process;
};
#else
class Process
{
public:
    void start(const QString &tool, const QStringList &args)
    {
        m_tool = tool;
        m_args = args;
    }

    bool waitForFinished(int msecs = 30000)
    {
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out"));
        const QString status = dir.filePath(QStringLiteral("status"));
        QString line = quoted(QStringLiteral("/usr/bin/") + m_tool);
        for (const QString &arg : m_args)
            line += u' ' + quoted(arg.size() > 2 && arg.at(1) == u':' ? unixPath(arg) : arg);
        line += QStringLiteral(" >%1 2>/dev/null; echo $? >%2.part; mv %2.part %2\n")
                    .arg(quoted(unixPath(out)), quoted(unixPath(status)));
        QFile script(dir.filePath(QStringLiteral("run.sh")));
        if (!script.open(QIODevice::WriteOnly) || script.write(line.toUtf8()) < 0)
            return false;
        script.close();
        QProcess::execute(QStringLiteral("start.exe"),
                          {QStringLiteral("/wait"), QStringLiteral("/unix"),
                           QStringLiteral("/bin/sh"), unixPath(script.fileName())});
        const QDeadlineTimer deadline(msecs);
        while (!QFileInfo::exists(status) && !deadline.hasExpired())
            QThread::msleep(20);
        QFile code(status);
        QFile output(out);
        if (!code.open(QIODevice::ReadOnly) || !output.open(QIODevice::ReadOnly))
            return false;
        m_exitCode = code.readAll().trimmed().toInt();
        m_out = output.readAll();
        return true;
    }

    int exitCode() const { return m_exitCode; }
    QByteArray readAllStandardOutput() { return m_out; }

private:
    static QString quoted(QString text)
    {
        return u'\'' + text.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
    }

    static QString unixPath(const QString &path)
    {
        QProcess winepath;
        winepath.start(QStringLiteral("winepath.exe"), {QStringLiteral("-u"), path});
        if (!winepath.waitForFinished(30000) || winepath.exitCode() != 0)
            return path;
        return QString::fromUtf8(winepath.readAllStandardOutput()).trimmed();
    }

    QString m_tool;
    QStringList m_args;
    int m_exitCode = -1;
    QByteArray m_out;
};
#endif

} // namespace poppler
