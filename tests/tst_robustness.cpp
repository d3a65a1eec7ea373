// Feeds the loader and the number reader random and damaged input: every
// call must return a defined result, and a table that loads must keep its
// invariants. Bounded in count so the test stays quick.
#include "rates/leadingnumber.h"
#include "rates/ratetable.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <memory>

class TestRobustness : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void randomBytes();
    void truncatedRealFile();
    void mutatedRealFile();
    void numberReader();

private:
    void checkLoad(const QByteArray &bytes);
    QByteArray m_real;
    QRandomGenerator m_random{20261208};
};

void TestRobustness::initTestCase()
{
    QFile f(QStringLiteral(BUNDLED_RATES));
    QVERIFY(f.open(QIODevice::ReadOnly));
    m_real = f.readAll();
    QVERIFY(m_real.size() > 1000);
}

void TestRobustness::checkLoad(const QByteArray &bytes)
{
    for (RateCategory category : {RateCategory::Autres, RateCategory::PersonnesPhysiques}) {
        auto table = std::make_unique<RateTable>();
        if (!parseRates(bytes, category, *table))
            continue;
        QVERIFY(table->count >= 0 && table->count <= kMaxMonths);
        for (int i = 0; i < table->count; ++i) {
            QVERIFY(table->rows[i].monthStart.isValid());
            QVERIFY(table->rows[i].rate.has_value());
        }
        QVERIFY(!table->rows[table->count].rate.has_value());
        QVERIFY(table->rows[table->count].label.startsWith(QStringLiteral("Décembre")));
    }
}

void TestRobustness::randomBytes()
{
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(int(m_random.bounded(4000)), Qt::Uninitialized);
        for (char &c : bytes) {
            // Favour the characters the reader cares about.
            static const char special[] = "\t\r\n,\"' 0123456789.eE-+S";
            c = m_random.bounded(3) == 0 ? special[m_random.bounded(int(sizeof special - 1))]
                                         : char(m_random.bounded(256));
        }
        checkLoad(bytes);
    }
}

void TestRobustness::truncatedRealFile()
{
    for (qsizetype cut = 0; cut <= m_real.size(); cut += 7)
        checkLoad(m_real.left(cut));
}

void TestRobustness::mutatedRealFile()
{
    static const char replacements[] = "\t\r\n,\"'x9.e-";
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = m_real;
        const int changes = 1 + int(m_random.bounded(8));
        for (int k = 0; k < changes; ++k) {
            const int at = int(m_random.bounded(int(bytes.size())));
            switch (m_random.bounded(3)) {
            case 0:
                bytes[at] = replacements[m_random.bounded(int(sizeof replacements - 1))];
                break;
            case 1:
                bytes.remove(at, 1 + int(m_random.bounded(20)));
                break;
            default:
                bytes.insert(at, bytes.mid(int(m_random.bounded(int(bytes.size()))), 40));
                break;
            }
        }
        checkLoad(bytes);
    }
}

void TestRobustness::numberReader()
{
    static const char alphabet[] = "0123456789.eE+- \t,x";
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int len = int(m_random.bounded(40));
        for (int i = 0; i < len; ++i)
            text += QLatin1Char(alphabet[m_random.bounded(int(sizeof alphabet - 1))]);
        if (m_random.bounded(10) == 0)
            text += QString(int(m_random.bounded(400)), u'9');
        const LeadingNumber n = readLeadingNumber(text);
        QVERIFY(std::isfinite(n.value));
        if (n.overflow)
            QCOMPARE(n.value, 0.0);
    }
}

QTEST_GUILESS_MAIN(TestRobustness)
#include "tst_robustness.moc"
