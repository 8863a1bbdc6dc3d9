// The rescue of given-up ranges sector by sector, on an in-memory medium: which sectors are read,
// in which order, what is written, and what stays lost.
#include "ByteRangeSet.h"
#include "EngineTestJob.h"
#include "FaultyMedium.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "RescuePass.h"

#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace EngineTestJob;

namespace {

// A medium of 512-byte sectors, some of them bad; records every read.
struct Medium
{
    qint64 size = 0;
    std::set<qint64> bad; // sector offsets
    QList<qint64> reads;
    int goneAfter = -1; // reads before the medium goes away (-1: never)

    IoResult read(qint64 offset, char* buffer)
    {
        reads.append(offset);
        if (goneAfter >= 0 && reads.size() > goneAfter)
            return {0, ENODEV};
        if (bad.count(offset))
            return {0, EIO};
        const qint64 n = std::min<qint64>(512, size - offset);
        for (qint64 i = 0; i < n; ++i)
            buffer[i] = FaultyMedium::patternByte(offset + i);
        return {n, 0};
    }
};

} // namespace

class TestRescuePass : public QObject
{
    Q_OBJECT

private:
    QByteArray m_copy;
    QList<ByteRange> m_written;

    RescuePass::Outcome run(RescuePass& pass, Medium& medium, std::function<bool()> stop = {})
    {
        return pass.run([&](qint64 offset, char* buffer) { return medium.read(offset, buffer); },
                        [&](qint64 offset, const char* buffer, qint64 length) {
                            if (m_copy.size() < offset + length)
                                m_copy.resize(offset + length, '\0');
                            m_copy.replace(offset, length, QByteArray(buffer, length));
                            m_written.append({offset + 1, offset + length});
                            return IoResult{length, 0};
                        },
                        stop ? stop : [] { return false; });
    }

private Q_SLOTS:
    void init()
    {
        m_copy.clear();
        m_written.clear();
    }

    void byteRangeSetMergesAndSplits()
    {
        ByteRangeSet set({{1, 10}, {21, 30}});
        set.add({11, 15}); // touches: joins
        QCOMPARE(set.ranges(), (QList<ByteRange>{{1, 15}, {21, 30}}));
        set.remove({5, 22});
        QCOMPARE(set.ranges(), (QList<ByteRange>{{1, 4}, {23, 30}}));
        set.add({2, 40});
        QCOMPARE(set.ranges(), (QList<ByteRange>{{1, 40}}));
        set.clampTo(33);
        QCOMPARE(set.bytes(), qint64(33));
        QVERIFY(set.intersects({33, 50}));
        QVERIFY(!set.intersects({34, 50}));
    }

    void trimsFromBothEdgesAndScrapesShortMiddles_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<ByteRange>>("givenUp");
        QTest::addColumn<QList<qint64>>("bad");
        QTest::addColumn<QList<qint64>>("reads");
        QTest::addColumn<QList<ByteRange>>("lost");
        QTest::newRow("one bad sector in a block")
            << qint64(65536) << QList<ByteRange>{{8193, 16384}} << QList<qint64>{8192 + 5 * 512}
            << QList<qint64>{8192,  8704,  9216,  9728,  10240, 10752, 16384 - 512, 15360,
                             14848, 14336, 13824, 13312, 12800, 12288, 11776,       11264}
            << QList<ByteRange>{{10753, 11264}};
        // Two bad sectors: trimmed up to each, the middle scraped once.
        QTest::newRow("two bad sectors")
            << qint64(65536) << QList<ByteRange>{{1, 4096}} << QList<qint64>{1024, 2560}
            << QList<qint64>{0, 512, 1024, 3584, 3072, 2560, 1536, 2048}
            << QList<ByteRange>{{1025, 1536}, {2561, 3072}};
        // A large bad area keeps its middle: one failed read at each edge.
        QList<qint64> area;
        for (qint64 s = 1048576; s < 2 * 1048576; s += 512)
            area.append(s);
        QTest::newRow("large area") << qint64(4 * 1048576)
                                    << QList<ByteRange>{{1048577 - 8192, 2097152 + 8192}} << area
                                    << QList<qint64>{} << QList<ByteRange>{{1048577, 2097152}};
        // The last sector is shorter than a sector; nothing past the end is read or lost.
        QTest::newRow("short tail") << qint64(60689) << QList<ByteRange>{{57345, 65536}}
                                    << QList<qint64>{60416}
                                    << QList<qint64>{57344, 57856, 58368, 58880, 59392, 59904, 60416}
                                    << QList<ByteRange>{{60417, 60689}};
    }

    void trimsFromBothEdgesAndScrapesShortMiddles()
    {
        QFETCH(qint64, size);
        QFETCH(QList<ByteRange>, givenUp);
        QFETCH(QList<qint64>, bad);
        QFETCH(QList<qint64>, reads);
        QFETCH(QList<ByteRange>, lost);
        Medium medium{size, std::set<qint64>(bad.begin(), bad.end()), {}, -1};
        RescuePass pass(size, 512, givenUp, RescuePass::Scrape::ShortAreas);
        QCOMPARE(run(pass, medium), RescuePass::Outcome::Finished);
        if (!reads.isEmpty())
            QCOMPARE(medium.reads, reads);
        QCOMPARE(pass.lost().ranges(), lost);
        // No sector is read twice, and only bytes of the given-up ranges are written.
        QCOMPARE(std::set<qint64>(medium.reads.begin(), medium.reads.end()).size(),
                 size_t(medium.reads.size()));
        const ByteRangeSet allowed(givenUp);
        for (const ByteRange& w : m_written) {
            ByteRangeSet outside({w});
            for (const ByteRange& a : allowed.ranges())
                outside.remove(a);
            QVERIFY(outside.isEmpty());
            for (qint64 i = w.first - 1; i < w.last; ++i)
                QCOMPARE(m_copy[i], FaultyMedium::patternByte(i));
        }
        QCOMPARE(
            pass.recoveredBytes() + pass.lost().bytes(), ByteRangeSet(givenUp).bytes() - [&] {
                ByteRangeSet past(givenUp);
                past.remove({1, size});
                return past.bytes();
            }());
    }

    void everythingIsScrapedWhenAsked()
    {
        QList<qint64> bad{1048576, 1048576 + 512 * 10};
        Medium medium{4 * 1048576, std::set<qint64>(bad.begin(), bad.end()), {}, -1};
        RescuePass pass(medium.size, 512, {{1048577, 1048576 + 65536 * 4}}, RescuePass::Scrape::Everything);
        QCOMPARE(run(pass, medium), RescuePass::Outcome::Finished);
        QCOMPARE(pass.lost().ranges(),
                 (QList<ByteRange>{{1048577, 1048576 + 512}, {1048576 + 5121, 1048576 + 5632}}));
    }

    void stopsAtTheNextSectorAndGoesOn()
    {
        Medium medium{65536, {4096}, {}, -1};
        RescuePass pass(65536, 512, {{1, 16384}}, RescuePass::Scrape::ShortAreas);
        int asked = 0;
        QCOMPARE(run(pass, medium, [&] { return ++asked == 4; }), RescuePass::Outcome::Stopped);
        QCOMPARE(medium.reads.size(), 3);
        QVERIFY(!pass.finished());
        QCOMPARE(run(pass, medium), RescuePass::Outcome::Finished);
        QCOMPARE(pass.lost().ranges(), (QList<ByteRange>{{4097, 4608}}));
        QCOMPARE(std::set<qint64>(medium.reads.begin(), medium.reads.end()).size(),
                 size_t(medium.reads.size()));
    }

    void mediumGoneEndsThePassAndRetriesTheSameSector()
    {
        Medium medium{65536, {}, {}, 2};
        RescuePass pass(65536, 512, {{1, 4096}}, RescuePass::Scrape::ShortAreas);
        QCOMPARE(run(pass, medium), RescuePass::Outcome::MediumGone);
        QCOMPARE(medium.reads, (QList<qint64>{0, 512, 1024}));
        medium.goneAfter = -1;
        QCOMPARE(run(pass, medium), RescuePass::Outcome::Finished);
        QCOMPARE(medium.reads.mid(3, 1), QList<qint64>{1024});
        QVERIFY(pass.lost().isEmpty());
    }

    // The engine asks once when the medium goes away, and the run stops when the user says so.
    void vanishedMediumAsksOnceForTheRun()
    {
        QTemporaryDir dir;
        auto files = std::make_shared<FaultyFileAccess>();
        const QString src = QStringLiteral("/faulty/");
        QStringList entries;
        for (int i = 1; i <= 4; ++i) {
            auto medium = FaultyMedium::patterned(200000);
            medium->addBadRange(100000, 100000, ENODEV);
            files->addSource(src + QStringLiteral("f%1").arg(i), medium);
            entries << src + QStringLiteral("f%1").arg(i);
        }
        RecoveryProcess engine;
        engine.setFileAccess(files);
        fillTexts(engine);
        setJob(engine, src, dir.path() + QLatin1Char('/'), entries);
        QStringList asked;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& m) {
            asked << m.text;
            return QMessageBox::Cancel;
        });
        Events events(engine);
        engine.StartProcess();
        QCOMPARE(asked, QStringList{text(43) + QStringLiteral("\n\n") + text(47)});
        QCOMPARE(events.raised(), QStringLiteral("aborted"));
        QCOMPARE(engine.CurrentFile(), 1);
        QVERIFY(!engine.isDone(2));
    }
};

QTEST_MAIN(TestRescuePass)
#include "tst_rescuepass.moc"
