// Times one change typed in the statement window while it holds the largest
// title (fifty claims, two hundred costs, a thousand payments over thirty
// years): the window computes and shows the whole document again.
#include "bigtitle.h"
#include "schedule/titlefile.h"
#include "ui/statementwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// bigtitle::rates() as a rates file, newest half-year first.
QByteArray ratesFile()
{
    QByteArray text;
    for (int h = 0; h < kMaxMonths / 6; ++h) {
        const int year = 2049 - h / 2;
        const QByteArray rate = QByteArray::number(0.5 + (h % 17) * 0.37, 'f', 2);
        text +=
            (h % 2 ? "1S" : "2S") + QByteArray::number(year) + '\t' + rate + '\t' + rate + "\r\n";
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString rates = dir.filePath(QStringLiteral("QUERDAN.TXT"));
    const QString saved = dir.filePath(QStringLiteral("titre.json"));
    SavedTitle title;
    title.input = bigtitle::input();
    if (!write(rates, ratesFile()) || !write(saved, SavedTitleJson(title)))
        return 1;

    StatementWindow window(rates);
    StatementWindow::Hooks hooks;
    hooks.today = [] { return QDate(2030, 1, 17); };
    window.setHooks(hooks);
    if (!window.LoadRates().ok())
        return 1;
    window.show();
    QElapsedTimer timer;
    timer.start();
    if (!window.OpenFile(saved) || !window.title()) {
        std::printf("the title was not computed\n");
        return 1;
    }
    // Opened, laid out and painted before the typing starts.
    QCoreApplication::processEvents();
    const double openMs = double(timer.nsecsElapsed()) / 1e6;

    // A name typed key by key: each key is echoed at once, the document
    // follows once the typing pauses.
    auto *field = window.findChild<QLineEdit *>(QStringLiteral("creancier"));
    auto *lines = window.findChild<QTableWidget *>(QStringLiteral("lignes"));
    const QString name = QStringLiteral("Mme Jeanne Durand");
    field->setFocus();
    timer.restart();
    for (const QChar key : name) {
        QTest::keyClick(field, key.toLatin1());
        QCoreApplication::processEvents();
    }
    const double keyMs = double(timer.nsecsElapsed()) / name.size() / 1e6;
    timer.restart();
    auto shown = [&] {
        for (int row = 0; row < 6 && row < lines->rowCount(); ++row) {
            if (lines->item(row, 0) && lines->item(row, 0)->text().contains(name))
                return true;
        }
        return false;
    };
    while (!shown() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double shownMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("window, a key typed in that title: %6.1f ms   target 50 ms   ratio %.3f\n"
                "window, the document shown after the typing stops: %6.1f ms   target 500 ms   "
                "ratio %.3f\n(opening it: %.0f ms)\n",
                keyMs, keyMs / 50.0, shownMs, shownMs / 500.0, openMs);
    if (!shown())
        return 1;
    return window.title() ? 0 : 1;
}
