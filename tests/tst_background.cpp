#include "schedule/tauxstate.h"
#include "ui/mainwindow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The main window's painted background: 256 bands, two of the 512 units of
// the 423-pixel client height each, from RGB(255, 255, 192) down to white.
// The rows below lie well inside one band, away from its edges, so they
// hold that band's colour however the band edges fall on pixels.
class TestBackground : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void bands_data();
    void bands();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TauxState> m_state;
    std::unique_ptr<MainWindow> m_window;
};

void TestBackground::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString rates = m_dir.filePath(QStringLiteral("QUERDAN.TXT"));
    QVERIFY(QFile::copy(QStringLiteral(BUNDLED_RATES), rates));
    m_state = std::make_unique<TauxState>();
    m_window = std::make_unique<MainWindow>(*m_state);
    QVERIFY(m_window->LoadMainWindow(rates));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_window->size(), QSize(386, 423));
}

void TestBackground::bands_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("blue");

    // Band k covers y from 1.6523 k to 1.6523 (k + 1) pixels and has
    // blue 192 + k / 4, rounded half to even, at most 255.
    QTest::newRow("top row, band 0") << 0 << 192;
    QTest::newRow("band 3: 192.75 rounds up, not down") << 5 << 193;
    QTest::newRow("band 6: 193.5 rounds to even 194") << 10 << 194;
    QTest::newRow("band 10: 194.5 rounds to even 194, not away") << 17 << 194;
    QTest::newRow("band 127, mid-height: 223.75") << 210 << 224;
    QTest::newRow("band 130: 224.5 rounds to even 224") << 215 << 224;
    QTest::newRow("band 134: 225.5 rounds to even 226") << 222 << 226;
    QTest::newRow("band 250: 254.5 rounds to even 254") << 413 << 254;
    QTest::newRow("band 254: 255.5 capped at 255") << 420 << 255;
    QTest::newRow("bottom row, band 255") << 422 << 255;
}

void TestBackground::bands()
{
    QFETCH(int, y);
    QFETCH(int, blue);
    const QImage shot = m_window->grab().toImage();
    // Left of every control and right of the calculator button: only the
    // background shows there, across the whole width of a band.
    for (const int x : {1, 384})
        QCOMPARE(shot.pixelColor(x, y), QColor(255, 255, blue));
}

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
