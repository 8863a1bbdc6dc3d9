// Reading again what an earlier run lost: only the lost ranges are read, into the copies the run
// left, and only while those copies are still what it left.
#include "EngineTestJob.h"
#include "MediumFiles.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "RefreshRun.h"
#include "SimulatedMedium.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace EngineTestJob;
using namespace MediumFiles;

Q_DECLARE_METATYPE(RefreshRun::FileOutcome)

namespace {

QList<ByteRange> ranges(const QString& rangeList)
{
    return RefreshRun::rangesOf(rangeList).value_or(QList<ByteRange>{{-1, -1}});
}

// `data` with `fill` in every position of the set.
QByteArray filled(QByteArray data, const ByteRangeSet& set, const QByteArray& fill)
{
    for (const ByteRange& r : set.ranges())
        data.replace(r.first - 1, r.length(), fill.mid(r.first - 1, r.length()));
    return data;
}

QByteArray zeros(qint64 size)
{
    return QByteArray(size, '\0');
}

// Sectors of 512 bytes that the set touches.
qint64 sectorsOf(const ByteRangeSet& set)
{
    ByteRangeSet sectors;
    for (const ByteRange& r : set.ranges())
        sectors.add({(r.first - 1) / 512 * 512 + 1, (r.last + 511) / 512 * 512});
    return sectors.bytes() / 512;
}

// The files of the real file system, with a hook after every sector read.
class WatchedAccess : public PosixFileAccess
{
public:
    std::function<void()> afterSectorRead;

    Opened<BlockSource> openSectorSource(const QString& path) override
    {
        auto opened = PosixFileAccess::openSectorSource(path);
        if (opened.file)
            opened.file = std::make_unique<Watched>(std::move(opened.file), this);
        return opened;
    }

private:
    class Watched : public BlockSource
    {
    public:
        Watched(std::unique_ptr<BlockSource> inner, WatchedAccess* owner)
            : m_inner(std::move(inner))
            , m_owner(owner)
        {
        }
        qint64 size() const override { return m_inner->size(); }
        QDateTime lastModified() const override { return m_inner->lastModified(); }
        int sectorSize() const override { return m_inner->sectorSize(); }
        IoResult readAt(qint64 offset, char* buffer, qint64 length) override
        {
            const IoResult result = m_inner->readAt(offset, buffer, length);
            if (m_owner->afterSectorRead)
                m_owner->afterSectorRead();
            return result;
        }

    private:
        std::unique_ptr<BlockSource> m_inner;
        WatchedAccess* m_owner;
    };
};

} // namespace

class TestRefreshRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rangeLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("two ranges") << QStringLiteral(" 1 - 8192, 16385 - 24576,") << true << qint64(16384);
        QTest::newRow("none") << QString() << true << qint64(0);
        QTest::newRow("one byte") << QStringLiteral(" 7 - 7,") << true << qint64(1);
        QTest::newRow("not a range") << QStringLiteral(" 1 - 8192, lost,") << false << qint64(0);
        QTest::newRow("backwards") << QStringLiteral(" 10 - 5,") << false << qint64(0);
        QTest::newRow("from zero") << QStringLiteral(" 0 - 5,") << false << qint64(0);
    }
    void rangeLists()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, bytes);
        const auto parsed = RefreshRun::rangesOf(text);
        QCOMPARE(parsed.has_value(), valid);
        if (parsed)
            QCOMPARE(ByteRangeSet(*parsed).bytes(), bytes);
    }

    // The medium "improved": the run before gave up bad areas; the same files now read in part. The
    // source is rewritten between the two (same size) so that a byte the earlier run recovered and
    // the refresh wrote over would show.
    void improvedMediumGivesTheDifference_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("before"); // damage map of the run
        QTest::addColumn<QString>("now");    // damage map of the refresh
        QTest::addColumn<QString>("stillLost");
        // The run leaves the middle of a large area unread; now only two sectors of it fail.
        QTest::newRow("large area") << qint64(4194304) << QStringLiteral("f.bin 1048576 1048576")
                                    << QStringLiteral("f.bin 1310720 512\nf.bin 2096640 512")
                                    << QStringLiteral(" 1310721 - 1311232, 2096641 - 2097152,");
        QTest::newRow("scattered sectors healed")
            << qint64(200000) << QStringLiteral("f.bin 0 512\nf.bin 65024 1024\nf.bin 199680 320")
            << QString() << QString();
        QTest::newRow("unaligned tail, in part")
            << qint64(60689) << QStringLiteral("f.bin 60177 512") << QStringLiteral("f.bin 60416 100")
            << QStringLiteral(" 60417 - 60689,");
    }
    void improvedMediumGivesTheDifference()
    {
        KORVALIS_REQUIRE_FUSE();
        QFETCH(qint64, size);
        QFETCH(QString, before);
        QFETCH(QString, now);
        QFETCH(QString, stillLost);
        QTemporaryDir source, target;
        const QByteArray old = pattern(size, 31);
        QVERIFY(writeFile(source.filePath(QStringLiteral("f.bin")), old));
        const QString copy = target.filePath(QStringLiteral("f.bin"));

        // The earlier run, as the engine makes it.
        RefreshFile file;
        {
            SimulatedMedium medium(source.path(), before);
            QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
            const QString m = medium.mountPoint() + QLatin1Char('/');
            RecoveryProcess engine;
            fillTexts(engine);
            engine.setCorruptedFilesCount(0);
            setJob(engine, m, target.path() + QLatin1Char('/'), {m + QStringLiteral("f.bin")});
            Prompt::ScopedAnswerer answerer([](const Prompt::Message&) { return QMessageBox::Cancel; });
            engine.StartProcess();
            QCOMPARE(engine.DamageRecordCount(), 1);
            file = {engine.DamageRecord(1).file, copy, size, ranges(engine.DamageRecord(1).rangeList)};
        }
        const QDateTime runEnded = QDateTime::currentDateTime();
        const ByteRangeSet lostBefore(file.lost);
        const ByteRangeSet lostNow(ranges(stillLost));
        QVERIFY(!lostBefore.isEmpty());
        QCOMPARE(readFile(copy), filled(old, lostBefore, zeros(size)));

        const QByteArray changed = pattern(size, 32);
        QVERIFY(writeFile(source.filePath(QStringLiteral("f.bin")), changed));
        SimulatedMedium medium(source.path(), now);
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        file.source = medium.mountPoint() + QStringLiteral("/f.bin");
        RefreshRun refresh(std::make_shared<PosixFileAccess>(), {file}, runEnded);
        QCOMPARE(refresh.lostBytes(), lostBefore.bytes());

        QCOMPARE(refresh.run(), RefreshRun::Outcome::Finished);
        const RefreshRun::FileResult& result = refresh.results().value(0);
        QCOMPARE(result.outcome, RefreshRun::FileOutcome::Read);
        QCOMPARE(result.lost, lostNow);
        QCOMPARE(result.recovered, lostBefore.bytes() - lostNow.bytes());
        QCOMPARE(refresh.recoveredBytes(), result.recovered);
        QCOMPARE(refresh.lostBytes(), lostNow.bytes());
        // Bytes the run recovered stay; what was lost and reads now comes in; the rest stays zero.
        ByteRangeSet recoveredNow = lostBefore;
        for (const ByteRange& r : lostNow.ranges())
            recoveredNow.remove(r);
        QCOMPARE(QFileInfo(copy).size(), size);
        QVERIFY(readFile(copy) == filled(filled(old, lostBefore, zeros(size)), recoveredNow, changed));
        // Every sector is tried once: each one that still fails costs one failed read.
        QCOMPARE(refresh.counts().failedReads.load(), medium.failedReads());
        QCOMPARE(refresh.counts().failedReads.load(), sectorsOf(lostNow));
    }

    // Copies that are not what the run left are reported and not touched, and a copy is never made
    // shorter. The source here is a plain file, which reads whole.
    void copiesAreCheckedFirst_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<RefreshRun::FileOutcome>("outcome");
        QTest::newRow("as the run left it") << QStringLiteral("none") << RefreshRun::FileOutcome::Read;
        QTest::newRow("shorter by its lost tail (older runs)")
            << QStringLiteral("lost tail cut") << RefreshRun::FileOutcome::Read;
        QTest::newRow("missing") << QStringLiteral("removed") << RefreshRun::FileOutcome::CopyMissing;
        QTest::newRow("longer") << QStringLiteral("longer") << RefreshRun::FileOutcome::CopyChanged;
        QTest::newRow("shorter by bytes that were recovered")
            << QStringLiteral("shorter") << RefreshRun::FileOutcome::CopyChanged;
        QTest::newRow("modified after the run")
            << QStringLiteral("modified") << RefreshRun::FileOutcome::CopyChanged;
        QTest::newRow("run time unknown")
            << QStringLiteral("no run time") << RefreshRun::FileOutcome::CopyChanged;
        QTest::newRow("source of another size")
            << QStringLiteral("source grew") << RefreshRun::FileOutcome::SourceChanged;
    }
    void copiesAreCheckedFirst()
    {
        QFETCH(QString, change);
        QFETCH(RefreshRun::FileOutcome, outcome);
        QTemporaryDir dir;
        const qint64 size = 20000;
        const QByteArray data = pattern(size, 41);
        const QString source = dir.filePath(QStringLiteral("source.bin"));
        const QString copy = dir.filePath(QStringLiteral("copy.bin"));
        QVERIFY(writeFile(source, data));
        const RefreshFile file{source, copy, size, ranges(QStringLiteral(" 1001 - 3000, 19001 - 20000,"))};
        const ByteRangeSet lost(file.lost);
        QByteArray left = filled(data, lost, zeros(size));
        QDateTime runEnded = QDateTime::currentDateTime();

        if (change == QLatin1String("lost tail cut"))
            left.truncate(19000);
        else if (change == QLatin1String("longer"))
            left.append("more");
        else if (change == QLatin1String("shorter"))
            left.truncate(18000);
        QVERIFY(writeFile(copy, left));
        if (change == QLatin1String("removed"))
            QVERIFY(QFile::remove(copy));
        if (change == QLatin1String("modified")) {
            QFile f(copy);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(runEnded.addSecs(60), QFileDevice::FileModificationTime));
        }
        if (change == QLatin1String("no run time"))
            runEnded = QDateTime();
        if (change == QLatin1String("source grew"))
            QVERIFY(writeFile(source, data + "more"));

        RefreshRun refresh(std::make_shared<PosixFileAccess>(), {file}, runEnded);
        refresh.run();
        const RefreshRun::FileResult& result = refresh.results().value(0);
        QCOMPARE(result.outcome, outcome);
        if (outcome == RefreshRun::FileOutcome::Read) {
            QCOMPARE(readFile(copy), data);
            QVERIFY(result.lost.isEmpty());
            QCOMPARE(result.recovered, lost.bytes());
            return;
        }
        QVERIFY(result.leftAlone());
        QCOMPARE(result.lost, lost);
        QCOMPARE(result.recovered, 0);
        QCOMPARE(refresh.lostBytes(), 0);
        QCOMPARE(refresh.counts().reads.load(), 0);
        if (change == QLatin1String("removed"))
            QVERIFY(!QFileInfo::exists(copy));
        else
            QVERIFY(readFile(copy) == left);
    }

    // Stop is taken at the next sector: what was read stays in the copy, the rest is still lost,
    // and a later refresh goes on from there.
    void stopKeepsWhatWasFound()
    {
        QTemporaryDir dir;
        const qint64 size = 16384;
        QList<RefreshFile> files;
        QList<QByteArray> data;
        for (int i = 0; i < 2; ++i) {
            data.append(pattern(size, 50 + i));
            const QString name = QStringLiteral("f%1.bin").arg(i);
            QVERIFY(writeFile(dir.filePath(QStringLiteral("src/") + name), data[i]));
            files.append({dir.filePath(QStringLiteral("src/") + name), dir.filePath(name), size,
                          ranges(QStringLiteral(" 1025 - 4096, 8193 - 9216,"))});
            QVERIFY(writeFile(files[i].copy, filled(data[i], ByteRangeSet(files[i].lost), zeros(size))));
        }
        const QDateTime runEnded = QDateTime::currentDateTime();
        auto access = std::make_shared<WatchedAccess>();
        RefreshRun refresh(access, files, runEnded);
        int reads = 0;
        access->afterSectorRead = [&] {
            if (++reads == 3)
                refresh.stop();
        };
        QCOMPARE(refresh.run(), RefreshRun::Outcome::Stopped);

        // Three sectors read forward from the first area's edge, nothing else.
        const RefreshRun::FileResult first = refresh.results().value(0);
        QCOMPARE(first.outcome, RefreshRun::FileOutcome::Stopped);
        QCOMPARE(first.recovered, 3 * 512);
        ByteRangeSet rest(files[0].lost);
        rest.remove({1025, 2560});
        QCOMPARE(first.lost, rest);
        QVERIFY(readFile(files[0].copy) == filled(data[0], rest, zeros(size)));
        QCOMPARE(refresh.lostBytes(), rest.bytes() + ByteRangeSet(files[1].lost).bytes());
        const RefreshRun::FileResult second = refresh.results().value(1);
        QCOMPARE(second.outcome, RefreshRun::FileOutcome::NotReached);
        QCOMPARE(second.lost, ByteRangeSet(files[1].lost));
        QVERIFY(readFile(files[1].copy) == filled(data[1], second.lost, zeros(size)));

        // The next refresh starts from what this one left.
        files[0].lost = first.lost.ranges();
        RefreshRun again(std::make_shared<PosixFileAccess>(), files, QDateTime::currentDateTime());
        QCOMPARE(again.run(), RefreshRun::Outcome::Finished);
        QCOMPARE(again.lostBytes(), 0);
        QCOMPARE(readFile(files[0].copy), data[0]);
        QCOMPARE(readFile(files[1].copy), data[1]);
    }
};

QTEST_MAIN(TestRefreshRun)
#include "tst_refreshrun.moc"
