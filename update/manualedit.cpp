#include "manualedit.h"

#include <QProcess>
#include <QStringList>

#ifdef Q_OS_WIN
#include <QDir>

#include <windows.h>
#endif

bool EditRatesFileByHand(const QString &ratesPath)
{
#ifdef Q_OS_WIN
    // The command line is not quoted: the short form of the path keeps it
    // free of blanks. With no short form the word processor opens empty.
    const QString nativePath = QDir::toNativeSeparators(ratesPath);
    wchar_t shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameW(reinterpret_cast<const wchar_t *>(nativePath.utf16()),
                                      shortPath, MAX_PATH);
    const QString shortText =
        n > 0 && n < MAX_PATH ? QString::fromWCharArray(shortPath, int(n)) : QString();
    const HWND open = FindWindowW(L"MSWRITE_MENU", nullptr);
    if (open)
        return BringWindowToTop(open) != 0;
    QProcess process;
    process.setProgram(QStringLiteral("WRITE.EXE"));
    process.setNativeArguments(shortText);
    return process.startDetached();
#else
    return QProcess::startDetached(QStringLiteral("xdg-open"), {ratesPath});
#endif
}
