#include "BlockCopier.h"
#include "DamageRecords.h"
#include "EngineAnswers.h"
#include "FaultyMedium.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <deque>

namespace {

// The run's side of the copier, without widgets or threads.
class TestHost : public CopyHost
{
public:
    bool holdWhileAsked() override
    {
        ++holds;
        return !quitting;
    }
    int abortAnswer() const override { return answer; }
    void setAbortAnswer(int a) override { answer = a; }
    bool askRetry(const Platform::FileError& error) override
    {
        askedCodes.append(error.code);
        if (retries.empty())
            return false;
        const bool retry = retries.front();
        retries.pop_front();
        return retry;
    }
    bool askRetryMissingSource(const QString&) override
    {
        ++missingAsked;
        return false;
    }
    void destinationNotOpened(const QString&, const Platform::FileError&) override { ++destinationFailures; }
    void fileStarted(qint64, qint64) override {}
    void percentChanged(const CopyProgress& p) override { lastProgress = p; }
    void blockUnreadable(const CopyProgress&) override {}
    void blockAdapted(const CopyProgress&) override {}
    bool recordDamage(const FileDamage& d) override
    {
        return records.RecCorruptedBlocks(count, d.fileSize, d.fileAttr, d.file, d.file2, *d.corBlock,
                                          static_cast<double>(d.copied), d.fileDTV);
    }

    int answer = 0;
    int holds = 0;
    bool quitting = false;
    std::deque<bool> retries;
    QList<int> askedCodes;
    int missingAsked = 0;
    int destinationFailures = 0;
    CopyProgress lastProgress;
    DamageRecords records;
    int count = 0;
};

QList<ReadCall> readsOf(std::initializer_list<std::pair<qint64, qint64>> list)
{
    QList<ReadCall> out;
    for (const auto& [offset, length] : list)
        out.append({offset, length});
    return out;
}

} // namespace

class TestBlockCopier : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::shared_ptr<FaultyFileAccess> m_files;
    TestHost m_host;
    std::unique_ptr<BlockCopier> m_copier;
    QString m_source;
    QString m_destination;
    int m_minBlock = 0;

    // Copies the medium as m_source to m_destination from startFrom; returns Copying's result.
    int copy(const std::shared_ptr<FaultyMedium>& medium, qint64 startFrom = 0)
    {
        m_files->addSource(m_source, medium);
        if (!m_copier->OpenSourceFile(m_source))
            return -99;
        m_minBlock = 512;
        return m_copier->Copying(m_source, m_destination, m_minBlock, startFrom);
    }

    QByteArray destination() const
    {
        QFile f(m_destination);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
    }

private Q_SLOTS:
    void init()
    {
        m_files = std::make_shared<FaultyFileAccess>();
        m_host = TestHost();
        m_copier = std::make_unique<BlockCopier>(m_host, m_files);
        m_source = m_dir.filePath(QStringLiteral("medium/file.bin"));
        m_destination = m_dir.filePath(QStringLiteral("copy.bin"));
        QFile::remove(m_destination);
    }

    void healthyFilesReadInTheBlockPattern_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<ReadCall>>("reads");
        QTest::newRow("empty") << qint64(0) << QList<ReadCall>();
        QTest::newRow("100 bytes") << qint64(100) << readsOf({{0, 100}});
        QTest::newRow("64 KiB + 1") << qint64(65537) << readsOf({{0, 65536}, {65536, 1}});
        QTest::newRow("tail one byte longer than the block")
            << qint64(131073) << readsOf({{0, 65536}, {65536, 65537}});
        QTest::newRow("several blocks and a tail")
            << qint64(200000) << readsOf({{0, 65536}, {65536, 65536}, {131072, 65536}, {196608, 3392}});
        // Many blocks between two whole percents.
        QList<ReadCall> many;
        for (qint64 i = 0; i < 400; ++i)
            many.append({i * 65536, 65536});
        many.append({400 * 65536, 100});
        QTest::newRow("400 blocks and a tail") << qint64(400 * 65536 + 100) << many;
    }

    void healthyFilesReadInTheBlockPattern()
    {
        QFETCH(qint64, size);
        QFETCH(QList<ReadCall>, reads);
        auto medium = FaultyMedium::patterned(size);
        QCOMPARE(copy(medium), BlockCopier::Finished);
        QCOMPARE(m_minBlock, 8192);
        QCOMPARE(medium->reads(), reads);
        QCOMPARE(m_copier->CurrentFileBytes(), size);
        QCOMPARE(destination(), medium->bytes(0, size));
        QCOMPARE(m_host.count, 0); // a whole file leaves no damage record
    }

    void badAreaIsGivenUpThenSkippedAhead()
    {
        // 20,000 unreadable bytes right after the first 64 KiB: two minimum blocks are given up,
        // then twice as much at each further failure.
        auto medium = FaultyMedium::patterned(300000);
        medium->addBadRange(65536, 20000);
        QCOMPARE(copy(medium), BlockCopier::Finished);

        const QList<ReadCall> reads = medium->reads();
        QCOMPARE(reads.mid(0, 8), readsOf({{0, 65536},
                                           {65536, 65536},
                                           {65536, 32768},
                                           {65536, 16384},
                                           {73728, 8192},
                                           {81920, 8192},
                                           {98304, 8192},
                                           {106496, 16384}}));
        const CorBlockTable& table = m_copier->corBlock();
        QCOMPARE(table.count(), 3);
        QCOMPARE(table.row(1), (ByteRange{65537, 73728}));
        QCOMPARE(table.row(2), (ByteRange{73729, 81920}));
        QCOMPARE(table.row(3), (ByteRange{81921, 98304}));
        QCOMPARE(m_copier->lostBytes(), qint64(32768));
        QCOMPARE(m_copier->CurrentFileBytes(), qint64(300000));

        QByteArray expected = medium->bytes(0, 300000);
        expected.replace(65536, 32768, QByteArray(32768, '\0'));
        QCOMPARE(destination(), expected);

        QCOMPARE(m_host.count, 1);
        const DamageRecords::Row& row = m_host.records.row(1);
        QCOMPARE(row.rangeCount, 3);
        QCOMPARE(row.lostBytes, qint64(32768));
        QCOMPARE(row.copied, qint64(300000));
        QCOMPARE(row.rangeList, QStringLiteral(" 65537 - 73728, 73729 - 81920, 81921 - 98304,"));
        QCOMPARE(row.fileAttr, 32);
    }

    void givenUpEndLeavesTheCopyShorter_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("badFrom");
        QTest::addColumn<qint64>("copied");
        QTest::addColumn<ByteRange>("lastRange");
        // A tail shorter than the minimum block: its range and loss stop at the end of the file.
        QTest::newRow("short tail") << qint64(70000) << qint64(69900) << qint64(65536)
                                    << ByteRange{65537, 70000};
        QTest::newRow("last minimum blocks") << qint64(65536 * 3) << qint64(65536 * 2 + 100)
                                             << qint64(65536 * 2) << ByteRange{65536 * 2 + 32769, 65536 * 3};
    }

    void givenUpEndLeavesTheCopyShorter()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, badFrom);
        QFETCH(qint64, copied);
        QFETCH(ByteRange, lastRange);
        auto medium = FaultyMedium::patterned(size);
        medium->addBadRange(badFrom, size - badFrom);
        QCOMPARE(copy(medium), BlockCopier::Finished);
        QCOMPARE(m_copier->CurrentFileBytes(), copied);
        QCOMPARE(destination(), medium->bytes(0, copied));
        const CorBlockTable& table = m_copier->corBlock();
        QCOMPARE(table.row(table.count()), lastRange);
        QCOMPARE(m_copier->lostBytes(), size - copied);
        QCOMPARE(table.rangeBytes(), size - copied);
        for (const ReadCall& r : medium->reads())
            QVERIFY2(r.offset < size, "no read past the end of the file");
        QCOMPARE(m_host.records.row(1).copied, copied);
    }

    void moreThanAThousandRangesCollapse()
    {
        // 1,001 bad spots 32 KiB apart: each gives up one minimum block of its own.
        const qint64 spots = 1001;
        auto medium = FaultyMedium::patterned(65536 + spots * 32768 + 65536);
        for (qint64 i = 0; i < spots; ++i)
            medium->addBadRange(65536 + i * 32768, 100);
        QCOMPARE(copy(medium), BlockCopier::Finished);
        const qint64 lastEnd = 65536 + (spots - 1) * 32768 + 8192;
        const CorBlockTable& table = m_copier->corBlock();
        QCOMPARE(table.count(), 1);
        QCOMPARE(table.row(1), (ByteRange{1, lastEnd}));
        QCOMPARE(m_copier->lostBytes(), spots * 8192);
        const DamageRecords::Row& row = m_host.records.row(1);
        QCOMPARE(row.lostBytes, lastEnd);
        QCOMPARE(row.rangeList, QStringLiteral(" 1 - %1,").arg(lastEnd));
    }

    void resumesAfterStartFrom()
    {
        auto medium = FaultyMedium::patterned(100000);
        {
            QFile f(m_destination);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(10000, 'K'));
        }
        QCOMPARE(copy(medium, 10000), BlockCopier::Finished);
        QCOMPARE(medium->reads().first(), (ReadCall{10000, 65536}));
        const QByteArray copied = destination();
        QCOMPARE(copied.left(10000), QByteArray(10000, 'K'));
        QCOMPARE(copied.mid(10000), medium->bytes(10000, 90000));
        QCOMPARE(m_host.count, 0);
    }

    void abortAnswersEndTheFileAfterTheBlock_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("answerAfter");
        // Each block of the small file moves the percentage on; in the large one many blocks go
        // by between two percents, and the answer must still end the file after the same block.
        for (const qint64 size : {qint64(300000), qint64(400 * 65536)}) {
            const QByteArray tag = size == 300000 ? "block by block, " : "many blocks a percent, ";
            QTest::newRow(QByteArray(tag + "continue").constData())
                << size << 0 << BlockCopier::Finished << 0;
            QTest::newRow(QByteArray(tag + "pause").constData()) << size << 1 << BlockCopier::StopRun << 1;
            QTest::newRow(QByteArray(tag + "skip").constData()) << size << 2 << BlockCopier::NotFinished << 0;
            QTest::newRow(QByteArray(tag + "abort").constData()) << size << 3 << BlockCopier::StopRun << 3;
        }
    }

    void abortAnswersEndTheFileAfterTheBlock()
    {
        QFETCH(qint64, size);
        QFETCH(int, answer);
        QFETCH(int, result);
        QFETCH(int, answerAfter);
        auto medium = FaultyMedium::patterned(size);
        // The answer comes while the second block is being read.
        medium->setOnRead([&](qint64 offset, qint64) {
            if (offset == 65536)
                m_host.answer = answer;
        });
        QCOMPARE(copy(medium), result);
        QCOMPARE(m_host.answer, answerAfter);
        if (answer == 0)
            return;
        QCOMPARE(medium->reads().size(), 2);
        QCOMPARE(m_copier->CurrentFileBytes(), qint64(131072));
        QCOMPARE(destination(), medium->bytes(0, 131072));
        QCOMPARE(m_host.count, 1);
        QCOMPARE(m_host.records.row(1).copied, qint64(131072));
        QCOMPARE(m_host.records.row(1).rangeList, QString());
    }

    void nothingIsReadOrWrittenOnceTheRunMustEnd()
    {
        auto medium = FaultyMedium::patterned(300000);
        // The program quits while the second block is being read.
        medium->setOnRead([&](qint64 offset, qint64) {
            if (offset == 65536) {
                m_host.quitting = true;
                m_host.answer = EngineAnswers::Abort::Stop;
            }
        });
        QCOMPARE(copy(medium), BlockCopier::StopRun);
        QCOMPARE(medium->reads().size(), 2);
        QCOMPARE(destination(), medium->bytes(0, 65536)); // the block read last is not written
        QCOMPARE(m_copier->CurrentFileBytes(), qint64(65536));
    }

    void everyReadWaitsForOpenQuestions()
    {
        auto medium = FaultyMedium::patterned(200000);
        medium->addBadRange(70000, 10);
        // Between two reads the copier asked whether a question is open at least once (twice
        // after a good read: before its write and before the next read).
        int holdsAtLastRead = 0;
        QList<int> holdsBetween;
        medium->setOnRead([&](qint64, qint64) {
            holdsBetween << m_host.holds - holdsAtLastRead;
            holdsAtLastRead = m_host.holds;
        });
        QCOMPARE(copy(medium), BlockCopier::Finished);
        QCOMPARE(holdsBetween.size(), medium->reads().size());
        QVERIFY(holdsBetween.size() > 5);
        for (int holds : holdsBetween)
            QVERIFY(holds >= 1);
        QVERIFY(holdsBetween.count(2) + holdsBetween.count(3) >= 4);
    }

    void badBlockAmongManyIsShrunkAsAlways()
    {
        const qint64 size = 400 * 65536;
        const qint64 bad = 100 * 65536;
        auto medium = FaultyMedium::patterned(size);
        medium->addBadRange(bad + 10, 100);
        QCOMPARE(copy(medium), BlockCopier::Finished);
        const QList<ReadCall> reads = medium->reads();
        QCOMPARE(reads.mid(99, 6), readsOf({{bad - 65536, 65536},
                                            {bad, 65536},
                                            {bad, 32768},
                                            {bad, 16384},
                                            {bad + 8192, 8192},
                                            {bad + 16384, 16384}}));
        QCOMPARE(m_copier->corBlock().count(), 1);
        QByteArray expected = medium->bytes(0, size);
        expected.replace(bad, 8192, QByteArray(8192, '\0'));
        QCOMPARE(destination(), expected);
    }

    void answerDuringABadAreaIsTakenAtOnce()
    {
        auto medium = FaultyMedium::patterned(65536 * 20);
        medium->addBadRange(65536, 65536 * 18);
        medium->setOnRead([&](qint64 offset, qint64) {
            if (offset == 65536 + 8192 * 2)
                m_host.answer = EngineAnswers::Abort::Pause;
        });
        QCOMPARE(copy(medium), BlockCopier::StopRun);
        QCOMPARE(m_copier->CurrentFileBytes(), qint64(65536));
        QCOMPARE(m_copier->corBlock().count(), 3);
    }

    void otherReadErrorsAskRetryOrCancel_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("retry") << true;
        QTest::newRow("cancel") << false;
    }

    void otherReadErrorsAskRetryOrCancel()
    {
        QFETCH(bool, retry);
        // The medium is not ready for one read of the second block.
        auto medium = FaultyMedium::patterned(200000);
        medium->addBadRange(65536, 1, ENOMEDIUM, 1);
        m_host.retries = {retry};
        const int result = copy(medium);
        QCOMPARE(m_host.askedCodes, QList<int>{Platform::FileErrorCode::DiskNotReady});
        if (retry) {
            QCOMPARE(result, BlockCopier::Finished);
            QCOMPARE(destination(), medium->bytes(0, 200000));
            QCOMPARE(m_host.count, 0);
        } else {
            QCOMPARE(result, BlockCopier::NotFinished);
            QCOMPARE(m_copier->CurrentFileBytes(), qint64(65536));
            QCOMPARE(destination(), medium->bytes(0, 65536));
            QCOMPARE(m_host.records.row(1).copied, qint64(65536));
        }
    }

    void fullDestinationAsksAndWritesOnlyWhatWasRead_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("retry after space was freed") << true;
        QTest::newRow("cancel") << false;
    }

    void fullDestinationAsksAndWritesOnlyWhatWasRead()
    {
        QFETCH(bool, retry);
        auto medium = FaultyMedium::patterned(200000);
        medium->addBadRange(65536, 100);
        m_files->failWrites(m_destination, 1);
        m_host.retries = {retry};
        const int result = copy(medium);
        QCOMPARE(m_host.askedCodes, QList<int>{Platform::FileErrorCode::DiskFull});
        if (retry) {
            QCOMPARE(result, BlockCopier::Finished);
            QByteArray expected = medium->bytes(0, 200000);
            expected.replace(65536, 8192, QByteArray(8192, '\0'));
            QCOMPARE(destination(), expected);
        } else {
            QCOMPARE(result, BlockCopier::NotFinished);
            QCOMPARE(destination(), QByteArray());
            QCOMPARE(m_copier->CurrentFileBytes(), qint64(0));
        }
    }

    void missingSourceAsksAndCancelReturnsFalse()
    {
        QVERIFY(!m_copier->OpenSourceFile(m_dir.filePath(QStringLiteral("nothing-here"))));
        QCOMPARE(m_host.missingAsked, 1);
    }

    void hiddenSourceIsNotMissing()
    {
        const QString hidden = m_dir.filePath(QStringLiteral(".hidden"));
        QFile f(hidden);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("secret");
        f.close();
        QVERIFY(m_copier->OpenSourceFile(hidden));
        int minBlock = 512;
        QCOMPARE(m_copier->Copying(hidden, m_destination, minBlock, 0), BlockCopier::Finished);
        QCOMPARE(destination(), QByteArray("secret"));
        QCOMPARE(m_host.missingAsked, 0);
    }

    void unopenableDestinationEndsWithNotFinished()
    {
        m_destination = m_dir.filePath(QStringLiteral("no/such/folder/copy.bin"));
        QCOMPARE(copy(FaultyMedium::patterned(1000)), BlockCopier::NotFinished);
        QCOMPARE(m_host.destinationFailures, 1);
    }

    void freshCopyEmptiesAnExistingDestination()
    {
        {
            QFile f(m_destination);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(50000, 'O'));
        }
        auto medium = FaultyMedium::patterned(30000);
        medium->addBadRange(0, 10);
        QCOMPARE(copy(medium), BlockCopier::Finished);
        QByteArray expected = medium->bytes(0, 30000);
        expected.replace(0, 8192, QByteArray(8192, '\0'));
        QCOMPARE(destination(), expected);
    }
};

QTEST_GUILESS_MAIN(TestBlockCopier)
#include "tst_blockcopier.moc"
