#include "modalguard.h"
#include "output/clipboard.h"
#include "output/clipboardtext.h"
#include "output/printing.h"
#include "outputfixtures.h"

#include <QClipboard>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kErrorTitle = QStringLiteral("Erreur d'impression");
const QString kErrorText = QStringLiteral(
    "Pas d'imprimante par défaut. Modifiez votre configuration avant de relancer l'impression.");

// The pages of a report as pdftotext lays them out, blank lines dropped.
QList<QStringList> pdfPages(const QString &pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                     pdf, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    QList<QStringList> pages;
    const QStringList texts = QString::fromUtf8(pdftotext.readAllStandardOutput()).split(u'\f');
    for (const QString &text : texts) {
        QStringList lines;
        for (const QString &line : text.split(u'\n'))
            if (!line.trimmed().isEmpty())
                lines << line;
        if (!lines.isEmpty())
            pages << lines;
    }
    return pages;
}

struct Word
{
    double x = 0; // points from the left edge of the sheet
    double y = 0;
    QString text;
};

// The words of the first page with where each begins.
QList<Word> pdfWords(const QString &pdf)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                                  QStringLiteral("1"), pdf, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re"));
    QList<Word> words;
    const QString html = QString::fromUtf8(pdftotext.readAllStandardOutput());
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3)});
    }
    return words;
}

Word findWord(const QList<Word> &words, const QString &text, int occurrence = 0)
{
    for (const Word &w : words)
        if (w.text == text && occurrence-- == 0)
            return w;
    return {};
}

struct MessageSeen
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

void recordMessage(QDialog *dialog, MessageSeen &seen)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
    }
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void reportOnPaper();
    void longScheduleRunsOnOverPages();
    void noDefaultPrinterShowsTheMessage();
    void failedPrinterShowsTheMessage();
    void copyPutsTheTextOnTheClipboard();

private:
    QString renderPdf(const TauxState &state, const QString &name);
    QTemporaryDir m_dir;
};

void TestPrinting::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QVERIFY(m_dir.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QFAIL("pdftotext (poppler-utils) is needed: run scripts/setup.sh");
}

QString TestPrinting::renderPdf(const TauxState &state, const QString &name)
{
    const QString path = m_dir.filePath(name);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (!PrintReport(printer, state, QLocale()))
        return QString();
    return path;
}

void TestPrinting::reportOnPaper()
{
    // Rows 0 and 1 stay empty: their lines still carry label and rate. Row 5
    // lies beyond the start row.
    auto state =
        fixtures::syntheticState(30, 4, {{4, 12.5}, {3, 1234.5}, {2, 1234567.891}, {5, 4242.0}});

    const QString pdf = renderPdf(*state, QStringLiteral("rows.pdf"));
    QVERIFY(!pdf.isEmpty());
    const QList<QStringList> pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    const QStringList &lines = pages.first();
    QCOMPARE(lines.size(), 6); // the heading and five rows

    const QString heading = lines[0];
    const int rateColumn = heading.indexOf(QStringLiteral("Taux annuel"));
    const int sumColumn = heading.indexOf(QStringLiteral("Somme"));
    QVERIFY2(heading.startsWith(QStringLiteral("Mois")) && rateColumn > 4 && sumColumn > rateColumn,
             qPrintable(heading));

    QCOMPARE(lines[1].simplified(), QStringLiteral("Juin 2015 0,93"));
    QCOMPARE(lines[2].simplified(), QStringLiteral("Mai 2015 4,06"));
    QCOMPARE(lines[3].simplified(), QStringLiteral("Avril 2015 0,93 1234 567,89"));
    QCOMPARE(lines[4].simplified(), QStringLiteral("Mars 2015 12 1 234,50"));
    QCOMPARE(lines[5].simplified(), QStringLiteral("Février 2015 0,93 12,50"));

    // Where the words stand: columns at K + 1 and 2K + 1 cm of the
    // printable width, and a leading space before every rate and before a
    // sum under 1000.
    QPrinter a4(QPrinter::HighResolution);
    a4.setOutputFormat(QPrinter::PdfFormat);
    a4.setPageSize(QPageSize(QPageSize::A4));
    const QRectF paint = a4.pageLayout().paintRect(QPageLayout::Point);
    const double pointsPerCm = 72 / 2.54;
    const double k = (paint.width() / pointsPerCm - 2) / 3;
    const QList<Word> words = pdfWords(pdf);
    const Word mois = findWord(words, QStringLiteral("Mois"));
    const Word taux = findWord(words, QStringLiteral("Taux"));
    const Word somme = findWord(words, QStringLiteral("Somme"));
    QVERIFY(!mois.text.isEmpty() && !taux.text.isEmpty() && !somme.text.isEmpty());
    QCOMPARE(qRound(mois.x), qRound(paint.left()));
    QCOMPARE(qRound(taux.x), qRound(paint.left() + (k + 1) * pointsPerCm));
    QCOMPARE(qRound(somme.x), qRound(paint.left() + (2 * k + 1) * pointsPerCm));
    const auto isOneSpaceRight = [](double x, double column) {
        return x - column > 2.0 && x - column < 5.0; // a space at 11 pt
    };
    QVERIFY(isOneSpaceRight(findWord(words, QStringLiteral("4,06")).x, taux.x));
    QVERIFY(isOneSpaceRight(findWord(words, QStringLiteral("12")).x, taux.x));
    QVERIFY(isOneSpaceRight(findWord(words, QStringLiteral("12,50")).x, somme.x));
    QCOMPARE(qRound(findWord(words, QStringLiteral("1234")).x), qRound(somme.x));
    QCOMPARE(qRound(findWord(words, QStringLiteral("1")).x), qRound(somme.x));
    // Lines one line height apart, the empty line under the heading included.
    const double step =
        findWord(words, QStringLiteral("2015"), 1).y - findWord(words, QStringLiteral("2015"), 0).y;
    QVERIFY(step > 11 && step < 16);
    QCOMPARE(qRound(findWord(words, QStringLiteral("Juin")).y - mois.y), qRound(2 * step));
    QVERIFY(!lines.join(u'\n').contains(QStringLiteral("Janvier 2015")));
    QVERIFY(!lines.join(u'\n').contains(QStringLiteral("4 242")));
}

void TestPrinting::longScheduleRunsOnOverPages()
{
    auto state = fixtures::syntheticState(600, 600, {{600, 1000.0}});
    state->Recompute();

    const QString pdf = renderPdf(*state, QStringLiteral("long.pdf"));
    QVERIFY(!pdf.isEmpty());
    const QList<QStringList> pages = pdfPages(pdf);
    QVERIFY2(pages.size() >= 5, qPrintable(QString::number(pages.size())));

    QStringList labels;
    for (int p = 0; p < pages.size(); ++p) {
        for (const QString &line : pages[p]) {
            if (line.contains(QStringLiteral("Taux annuel"))) {
                QVERIFY2(p == 0 && labels.isEmpty(), "heading printed again");
                continue;
            }
            labels << line.simplified().section(u' ', 0, 1);
        }
    }
    QCOMPARE(labels.size(), 601);
    for (int i = 0; i <= 600; ++i)
        QCOMPARE(labels[i], state->table().rows[i].label);
}

void TestPrinting::noDefaultPrinterShowsTheMessage()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer: the test would print on it");
    MessageSeen seen;
    ModalGuard guard([&](QDialog *d) { recordMessage(d, seen); });
    auto state = fixtures::syntheticState(3);
    PrintSchedule(nullptr, *state);
    QCOMPARE(guard.seen(), 1);
    QCOMPARE(seen.title, kErrorTitle);
    QCOMPARE(seen.text, kErrorText);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY(!QApplication::overrideCursor());
}

void TestPrinting::failedPrinterShowsTheMessage()
{
    // A printer whose output cannot be opened fails when the report starts.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_dir.filePath(QStringLiteral("missing/folder/report.pdf")));
    MessageSeen seen;
    bool cursorRestoredBeforeMessage = false;
    ModalGuard guard([&](QDialog *d) {
        recordMessage(d, seen);
        cursorRestoredBeforeMessage = !QApplication::overrideCursor();
    });
    auto state = fixtures::syntheticState(3, 1);
    QVERIFY(!PrintScheduleOn(nullptr, printer, *state));
    QCOMPARE(guard.seen(), 1);
    QCOMPARE(seen.title, kErrorTitle);
    QCOMPARE(seen.text, kErrorText);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY(cursorRestoredBeforeMessage);
    QVERIFY(!QApplication::overrideCursor());
}

void TestPrinting::copyPutsTheTextOnTheClipboard()
{
    auto state = fixtures::syntheticState(5, 2, {{2, 512.3}});
    state->Recompute();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    ModalGuard guard;
    QVERIFY(CopySchedule(nullptr, *state));
    QCOMPARE(guard.seen(), 0);
    // The user's locale, French here, shapes the numbers.
    const QString expected = ClipboardText(*state, QLocale(QLocale::French, QLocale::France));
    QVERIFY(expected.contains(QStringLiteral("Avril 2015\t0,93\t 512,30\r\n")));
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
