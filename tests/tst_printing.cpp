#include "modalguard.h"
#include "output/clipboard.h"
#include "output/clipboardtext.h"
#include "output/printing.h"
#include "output/printsupport.h"
#include "output/reportpdf.h"
#include "outputfixtures.h"
#include "poppler.h"
#include "testfiles.h"

#include <QClipboard>
#include <QDir>
#include <QMap>
#include <QMessageBox>
#include <QPaintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kErrorTitle = QStringLiteral("Erreur d'impression");
const QString kErrorText = QStringLiteral(
    "Pas d'imprimante par défaut. Modifiez votre configuration avant de relancer l'impression.");

// The pages of a report as pdftotext lays them out, blank lines dropped.
QList<QStringList> pdfPages(const QString &pdf)
{
    poppler::Process pdftotext;
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
    poppler::Process pdftotext;
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

// The first page's size in points, as pdftotext reads it.
QSizeF pdfPageSize(const QString &pdf)
{
    poppler::Process pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                                  QStringLiteral("1"), pdf, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        return {};
    static const QRegularExpression page(
        QStringLiteral(R"re(<page width="([0-9.]+)" height="([0-9.]+)")re"));
    const QRegularExpressionMatch m =
        page.match(QString::fromUtf8(pdftotext.readAllStandardOutput()));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

ino_t inode(const QString &path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// A print server of the test's own, on a socket in `dir`: it is reached
// through CUPS_SERVER, so no system queue ever sees a job.
class PrivatePrintServer
{
public:
    explicit PrivatePrintServer(const QString &dir) : m_dir(dir) {}
    ~PrivatePrintServer()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(10000))
                m_daemon.kill();
            m_daemon.waitForFinished(10000);
        }
    }

    QString socket() const { return m_dir + QStringLiteral("/cups.sock"); }
    QString spool() const { return m_dir + QStringLiteral("/spool"); }

    // Empty when it started, else why not.
    QString start()
    {
        const QString cupsd = tool(QStringLiteral("cupsd"));
        if (cupsd.isEmpty() || tool(QStringLiteral("lpadmin")).isEmpty())
            return QStringLiteral("cupsd and lpadmin are not installed");
        for (const char *sub : {"spool", "cache", "state", "tmp", "log"})
            QDir(m_dir).mkpath(QString::fromLatin1(sub));
        const QByteArray conf = "Listen " + socket().toUtf8() +
                                "\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                                "DefaultAuthType None\n<Policy default>\n<Limit All>\n"
                                "Order allow,deny\nAllow all\n</Limit>\n</Policy>\n";
        const QByteArray root = m_dir.toUtf8();
        const QByteArray files = "ServerRoot " + root + "\nRequestRoot " + root +
                                 "/spool\nCacheDir " + root + "/cache\nStateDir " + root +
                                 "/state\nTempDir " + root + "/tmp\nErrorLog " + root +
                                 "/log/error_log\nAccessLog " + root + "/log/access_log\nPageLog " +
                                 root + "/log/page_log\n";
        if (!writeFile(m_dir + QStringLiteral("/cupsd.conf"), conf) ||
            !writeFile(m_dir + QStringLiteral("/cups-files.conf"), files))
            return QStringLiteral("cannot write the server's configuration");
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        m_daemon.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
                               m_dir + QStringLiteral("/cupsd.conf"), QStringLiteral("-s"),
                               m_dir + QStringLiteral("/cups-files.conf")});
        if (!m_daemon.waitForStarted(10000))
            return QStringLiteral("cupsd does not start");
        for (int i = 0; i < 200 && !QFile::exists(socket()); ++i) {
            if (m_daemon.state() == QProcess::NotRunning)
                return QStringLiteral("cupsd stopped: ") +
                       QString::fromLocal8Bit(m_daemon.readAll());
            QTest::qWait(50);
        }
        return QFile::exists(socket()) ? QString() : QStringLiteral("cupsd opens no socket");
    }

    // Runs one of the server's administration tools against it.
    bool admin(const QString &name, const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), socket());
        process.setProcessEnvironment(env);
        process.start(tool(name), arguments);
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    // The documents the server took, in the order it took them.
    QStringList documents() const
    {
        QStringList paths;
        const QDir spool(this->spool());
        for (const QString &name : spool.entryList({QStringLiteral("d*")}, QDir::Files, QDir::Name))
            paths << spool.filePath(name);
        return paths;
    }

private:
    static QString tool(const QString &name)
    {
        const QString onPath = QStandardPaths::findExecutable(name);
        return onPath.isEmpty()
                   ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin")})
                   : onPath;
    }

    QString m_dir;
    QProcess m_daemon;
};

struct Painted
{
    int page = 0;
    QPointF baseline;
    QString text;
    QFont font;
    double ascent = 0;
    double descent = 0;
    double width = 0;
};

class RecordingEngine : public QPaintEngine
{
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        texts.append(
            {page, p, item.text(), item.font(), item.ascent(), item.descent(), item.width()});
    }
    Type type() const override { return QPaintEngine::User; }

    QList<Painted> texts;
    int page = 0;
};

// Sheets of paper whose printable area is `pixels` at 600 dots per inch,
// that keep every text painted on them and where.
class RecordingPaper : public QPaintDevice
{
public:
    explicit RecordingPaper(const QSize &pixels) : m_pixels(pixels) {}
    QPaintEngine *paintEngine() const override { return &m_engine; }
    bool newPage()
    {
        ++m_engine.page;
        return true;
    }
    const QList<Painted> &texts() const { return m_engine.texts; }
    int pages() const { return m_engine.page + 1; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_pixels.width();
        case PdmHeight:
            return m_pixels.height();
        case PdmWidthMM:
            return qRound(m_pixels.width() * 25.4 / 600);
        case PdmHeightMM:
            return qRound(m_pixels.height() * 25.4 / 600);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    QSize m_pixels;
    mutable RecordingEngine m_engine;
};

// Print hooks that note what was asked of them.
struct FakePrintSystem
{
    std::optional<PrintQueue> queue;
    bool accepts = true;
    int submissions = 0;
    QString queueAsked;
    QByteArray pdfHanded;

    PrintHooks hooks()
    {
        return {[this] { return queue; },
                [this](const QString &name, const QString &pdf, QString *error) {
                    ++submissions;
                    queueAsked = name;
                    pdfHanded = readFile(pdf);
                    if (!accepts && error)
                        *error = QStringLiteral("queue refuses jobs");
                    return accepts;
                },
                {}};
    }
};

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
    void failedPrinterShowsTheMessage();
    void copyPutsTheTextOnTheClipboard();
    void pdfFileOnTheDefaultPage();
    void pdfReplacesTheFileWhole();
    void pdfFailureLeavesTheOldFile();
    void paintedLines_data();
    void paintedLines();
    void printJob_data();
    void printJob();
    void missingPrintModule();
    void realPrintServer();

private:
    QString renderPdf(const TauxState &state, const QString &name);
    QTemporaryDir m_dir;
    // A short folder: the print server's socket path must stay under 108 bytes.
    QTemporaryDir m_serverDir{QStringLiteral("/tmp/taux-cups-XXXXXX")};
};

void TestPrinting::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QVERIFY(m_dir.isValid());
    QVERIFY(m_serverDir.isValid());
    // Before anything asks for a printer: the print library reads this once,
    // and no test of this file may reach a system queue.
    qputenv("CUPS_SERVER", QDir(m_serverDir.path()).filePath(QStringLiteral("cups.sock")).toUtf8());
    if (!poppler::available(QStringLiteral("pdftotext")))
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

void TestPrinting::pdfFileOnTheDefaultPage()
{
    auto state = fixtures::syntheticState(30, 1, {{1, 1234.5}});
    const QString pdf = m_dir.filePath(QStringLiteral("default.pdf"));
    QString error;
    QVERIFY2(WriteReportPdf(pdf, *state, QLocale(QLocale::French, QLocale::France), &error),
             qPrintable(error));
    QVERIFY(error.isEmpty());

    // A4 with 1 cm margins: W = 19 cm, K = 17/3 cm, so the columns start
    // 1, 1 + 20/3 and 1 + 37/3 cm from the sheet's edge, in points.
    const QSizeF page = pdfPageSize(pdf);
    QCOMPARE(qRound(page.width()), 595);
    QCOMPARE(qRound(page.height()), 842);
    const QList<Word> words = pdfWords(pdf);
    QCOMPARE(qRound(findWord(words, QStringLiteral("Mois")).x), 28);
    QCOMPARE(qRound(findWord(words, QStringLiteral("Taux")).x), 217);
    QCOMPARE(qRound(findWord(words, QStringLiteral("Somme")).x), 378);
    const QList<QStringList> pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0].size(), 3);
    QCOMPARE(pages[0][2].simplified(), QStringLiteral("Mai 2015 4,06 1 234,50"));
}

void TestPrinting::pdfReplacesTheFileWhole()
{
    // A reader of the old file keeps the old bytes when the new file takes
    // its place; writing over it in place would change what it reads.
    const QString pdf = m_dir.filePath(QStringLiteral("replaced.pdf"));
    QVERIFY(writeFile(pdf, "old report"));
    QFile reader(pdf);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    const ino_t before = inode(pdf);

    auto state = fixtures::syntheticState(3);
    QVERIFY(WriteReportPdf(pdf, *state, QLocale(QLocale::French, QLocale::France)));
    QVERIFY(readFile(pdf).startsWith("%PDF-"));
    QCOMPARE(reader.readAll(), QByteArray("old report"));
    QVERIFY(inode(pdf) != before);
}

void TestPrinting::pdfFailureLeavesTheOldFile()
{
    auto state = fixtures::syntheticState(3);
    const QLocale french(QLocale::French, QLocale::France);
    QString error;
    const QString missing = m_dir.filePath(QStringLiteral("no/such/folder/report.pdf"));
    QVERIFY(!WriteReportPdf(missing, *state, french, &error));
    QVERIFY2(error.startsWith(QStringLiteral("Impossible de créer le fichier « ")) &&
                 error.contains(missing),
             qPrintable(error));
    QVERIFY(!QFile::exists(missing));

    // A page layout that cannot hold a line of text fails before the old
    // file is touched.
    const QString kept = m_dir.filePath(QStringLiteral("kept.pdf"));
    QVERIFY(writeFile(kept, "old report"));
    error.clear();
    const QPageLayout invalid;
    QVERIFY(!WriteReportPdf(kept, invalid, 1200, *state, french, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(kept), QByteArray("old report"));
}

void TestPrinting::paintedLines_data()
{
    QTest::addColumn<QSize>("area");
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("minPages");

    // 600 dots per inch: 236.22 pixels a centimetre.
    QTest::newRow("20 x 28 cm, one page") << QSize(4724, 6614) << 30 << 1;
    QTest::newRow("20 x 28 cm, the longest schedule over pages") << QSize(4724, 6614) << 600 << 9;
    QTest::newRow("20 x 5 cm, a line left over at each page end") << QSize(4724, 1181) << 100 << 10;
}

void TestPrinting::paintedLines()
{
    QFETCH(QSize, area);
    QFETCH(int, startRow);
    QFETCH(int, minPages);

    auto state = fixtures::syntheticState(600, startRow, {{startRow, 1234567.891}});
    state->Recompute();
    RecordingPaper paper(area);
    QVERIFY(PaintReport(paper, {[&paper] { return paper.newPage(); }, {}},
                        {"Courier", "Times New Roman", "Helv", "Ms Sans Serif"}, *state,
                        QLocale(QLocale::French, QLocale::France)));
    QVERIFY2(paper.pages() >= minPages, qPrintable(QString::number(paper.pages())));

    const QList<Painted> &texts = paper.texts();
    QVERIFY(texts.size() > 3);
    const double step = texts[3].baseline.y() - texts[0].baseline.y(); // heading to first row
    QVERIFY(step > 0);
    QMap<int, double> lowest; // of each page, the bottom of its last line
    for (const Painted &t : texts) {
        const QString where = QStringLiteral("\"%1\" on page %2 at %3, %4")
                                  .arg(t.text)
                                  .arg(t.page)
                                  .arg(t.baseline.x())
                                  .arg(t.baseline.y());
        QCOMPARE(t.font.family(), QStringLiteral("Helv"));
        QCOMPARE(t.font.pointSizeF(), 11.0);
        QCOMPARE(t.font.weight(), QFont::Normal);
        QVERIFY(!t.font.italic() && !t.font.underline() && !t.font.strikeOut());
        QVERIFY2(t.baseline.y() - t.ascent >= 0, qPrintable(where));
        QVERIFY2(t.baseline.y() + t.descent <= area.height(), qPrintable(where));
        QVERIFY2(t.baseline.x() >= 0, qPrintable(where));
        QVERIFY2(t.baseline.x() + t.width <= area.width(), qPrintable(where));
        lowest[t.page] = std::max(lowest.value(t.page), t.baseline.y() + t.descent);
    }
    // A page is only given up when the next line would not fit on it.
    for (auto it = lowest.cbegin(); it != lowest.cend(); ++it)
        if (it.key() < paper.pages() - 1)
            QVERIFY2(it.value() + step > area.height(), qPrintable(QString::number(it.key())));
}

void TestPrinting::printJob_data()
{
    QTest::addColumn<bool>("hasPrinter");
    QTest::addColumn<bool>("accepts");
    QTest::addColumn<int>("submissions");
    QTest::addColumn<bool>("errorShown");

    QTest::newRow("no default printer: the box, and no job") << false << true << 0 << true;
    QTest::newRow("a queue that refuses the job: the box") << true << false << 1 << true;
    QTest::newRow("an accepted job: no box") << true << true << 1 << false;
}

void TestPrinting::printJob()
{
    QFETCH(bool, hasPrinter);
    QFETCH(bool, accepts);
    QFETCH(int, submissions);
    QFETCH(bool, errorShown);

    FakePrintSystem system;
    system.accepts = accepts;
    if (hasPrinter)
        // US Letter, half-inch margins: a sheet of 612 x 792 points.
        system.queue = PrintQueue{QStringLiteral("bureau"),
                                  QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                              QMarginsF(36, 36, 36, 36), QPageLayout::Point),
                                  600};
    auto state = fixtures::syntheticState(3, 0, {{0, 12.5}});

    MessageSeen seen;
    bool cursorRestoredBeforeMessage = false;
    ModalGuard guard([&](QDialog *d) {
        recordMessage(d, seen);
        cursorRestoredBeforeMessage = !QApplication::overrideCursor();
    });
    QCOMPARE(PrintSchedule(nullptr, *state, system.hooks()), !errorShown);
    QCOMPARE(system.submissions, submissions);
    QCOMPARE(guard.seen(), errorShown ? 1 : 0);
    QVERIFY(!QApplication::overrideCursor());
    if (errorShown) {
        QCOMPARE(seen.title, kErrorTitle);
        QCOMPARE(seen.text, kErrorText);
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QVERIFY(cursorRestoredBeforeMessage);
    }
    if (submissions == 0)
        return;

    // The queue got the whole report, laid out on its own paper.
    QCOMPARE(system.queueAsked, QStringLiteral("bureau"));
    const QString handed = m_dir.filePath(QStringLiteral("handed.pdf"));
    QVERIFY(writeFile(handed, system.pdfHanded));
    const QSizeF page = pdfPageSize(handed);
    QCOMPARE(qRound(page.width()), 612);
    QCOMPARE(qRound(page.height()), 792);
    QCOMPARE(qRound(findWord(pdfWords(handed), QStringLiteral("Mois")).x), 36);
    const QList<QStringList> pages = pdfPages(handed);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0].size(), 2);
    QCOMPARE(pages[0][1].simplified(), QStringLiteral("Juin 2015 0,93 12,50"));
}

void TestPrinting::missingPrintModule()
{
    // An install without the print module: the box says so rather than
    // sending the user to the printer settings; the reason goes to stderr.
    QTemporaryDir bare;
    auto state = fixtures::syntheticState(3, 0, {{0, 12.5}});
    MessageSeen seen;
    ModalGuard guard([&](QDialog *d) { recordMessage(d, seen); });
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Module d'impression "
                                                                         "introuvable : .+")));
    QVERIFY(!PrintSchedule(nullptr, *state, SystemPrintHooks(bare.path())));
    QCOMPARE(guard.seen(), 1);
    QCOMPARE(seen.title, kErrorTitle);
    QCOMPARE(seen.text, QStringLiteral("L'impression n'est pas disponible : le module "
                                       "d'impression du programme est introuvable. Réinstallez "
                                       "le programme."));
}

void TestPrinting::realPrintServer()
{
    PrivatePrintServer server(m_serverDir.path());
    if (const QString why = server.start(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QCOMPARE(server.socket().toUtf8(), qgetenv("CUPS_SERVER"));
    QVERIFY(server.admin(QStringLiteral("lpadmin"),
                         {QStringLiteral("-p"), QStringLiteral("bureau"), QStringLiteral("-E"),
                          QStringLiteral("-v"), QStringLiteral("file:///dev/null")}));
    QVERIFY(
        server.admin(QStringLiteral("lpadmin"), {QStringLiteral("-d"), QStringLiteral("bureau")}));

    const PrintHooks hooks = SystemPrintHooks();
    const std::optional<PrintQueue> queue = hooks.defaultPrinter();
    QVERIFY(queue);
    QCOMPARE(queue->name, QStringLiteral("bureau"));

    auto state = fixtures::syntheticState(3, 0, {{0, 12.5}});
    {
        ModalGuard guard;
        QVERIFY(PrintSchedule(nullptr, *state, hooks));
        QCOMPARE(guard.seen(), 0);
        const QStringList documents = server.documents();
        QCOMPARE(documents.size(), 1);
        QVERIFY(readFile(documents.first()).startsWith("%PDF-"));
        const QList<QStringList> pages = pdfPages(documents.first());
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0].value(1).simplified(), QStringLiteral("Juin 2015 0,93 12,50"));
    }

    QVERIFY(server.admin(QStringLiteral("cupsreject"), {QStringLiteral("bureau")}));
    MessageSeen seen;
    ModalGuard guard([&](QDialog *d) { recordMessage(d, seen); });
    QVERIFY(!PrintSchedule(nullptr, *state, hooks));
    QCOMPARE(guard.seen(), 1);
    QCOMPARE(seen.text, kErrorText);
    QCOMPARE(server.documents().size(), 1);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
