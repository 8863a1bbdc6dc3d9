// The run object without a window: the entry loop on the test's thread (questions answered at
// once), and on a worker thread where the test plays the window's part through the bridge.
#include "RecoveryMethod/DamageRecords.h"
#include "RecoveryMethod/EngineAnswers.h"
#include "RecoveryMethod/EngineTexts.h"
#include "RecoveryMethod/LogModel.h"
#include "RecoveryMethod/PromptBridge.h"
#include "RecoveryMethod/RecoveryJob.h"
#include "RecoveryMethod/RecoveryRun.h"
#include "RecoveryMethod/RunFeed.h"

#include "FaultyMedium.h"

#include "SizeText.h"

#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace EngineAnswers;

namespace {

const QString Src = QStringLiteral("/medium/");

// The window's part, recorded.
class TestView : public RunView
{
public:
    void logLine(const QString& line, bool add) override
    {
        if (add || log.isEmpty())
            log << line;
        else
            log.last() = line;
    }
    void logEntryLine(int entry, const QString& line, bool add) override
    {
        QString shown = line;
        shown.replace(LogModel::EntryMark, job->fileName(entry));
        logLine(shown, add);
    }
    void entryEnded(const RunPosition& at) override { ended << at.currentFile; }
    void overallShown(double) override {}
    void fileStarted(qint64, qint64) override {}
    void percentChanged(const CopyProgress& p, const RunPosition&) override { lastPercent = p.filePercent; }
    void blockUnreadable(const CopyProgress&) override { ++unreadable; }
    void blockAdapted(const CopyProgress&) override {}
    void rescueProgress(const QString&, qint64, qint64) override {}
    bool askRetry(const Platform::FileError&) override
    {
        ++questions;
        return false;
    }
    bool askRetryMissingSource(const QString&) override
    {
        ++questions;
        return false;
    }
    bool askMediumGone() override
    {
        ++questions;
        return false;
    }
    bool askOverwrite(const QString&) override
    {
        ++questions;
        setOverwriteAnswer(Overwrite::This);
        return false;
    }
    void destinationNotOpened(int) override { ++questions; }
    void folderNotCreated() override { ++questions; }

    const RecoveryJob* job = nullptr; // whose entries the log lines name
    QStringList log;
    QList<int> ended;
    float lastPercent = 0;
    int unreadable = 0;
    int questions = 0;
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

} // namespace

class TestRecoveryRun : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_dst;
    std::shared_ptr<FaultyFileAccess> m_files;
    std::shared_ptr<RecoveryJob> m_job;
    std::shared_ptr<DamageRecords> m_damage;
    std::shared_ptr<PromptBridge> m_bridge;
    std::shared_ptr<RunFeed> m_feed;
    TestView m_view;
    QObject m_receiver; // the window's thread's end of the bridge
    QSemaphore m_readStarted;
    QSemaphore m_readMayEnd;
    int m_count = 0;

    std::shared_ptr<FaultyMedium> addFile(const QString& name, qint64 size)
    {
        auto medium = FaultyMedium::patterned(size);
        m_files->addSource(Src + name, medium);
        m_job->setFileName(++m_count, Src + name);
        return medium;
    }

    std::unique_ptr<RecoveryRun> makeRun()
    {
        RunCounts counts;
        counts.itemsCount = m_count;
        return std::make_unique<RecoveryRun>(RecoveryRun::Parts{m_job, m_damage, m_files, m_bridge, m_feed,
                                                                std::make_shared<RescueCounts>(), &m_view},
                                             Src, m_dst, counts);
    }

    // Starts the run on a worker thread and returns once its read of the second block of
    // `medium` hangs; the read ends when m_readMayEnd is released.
    std::thread startUntilTheSecondBlockHangs(FaultyMedium& medium, RecoveryRun& run)
    {
        medium.setOnRead([this](qint64 offset, qint64) {
            if (offset != 65536)
                return;
            m_readStarted.release();
            m_readMayEnd.acquire();
        });
        std::thread worker([&run] { run.run(); });
        m_readStarted.acquire();
        return worker;
    }

    // Shows what the run fed the window so far.
    void drain()
    {
        for (const auto& step : m_feed->take())
            step();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_dst = m_dir->path() + QLatin1Char('/');
        m_files = std::make_shared<FaultyFileAccess>();
        m_job = std::make_shared<RecoveryJob>();
        m_damage = std::make_shared<DamageRecords>();
        m_bridge = std::make_shared<PromptBridge>(&m_receiver);
        m_feed = std::make_shared<RunFeed>();
        m_view = TestView();
        m_view.job = m_job.get();
        m_count = 0;
        for (int i = 1; i <= 49; ++i)
            EngineTexts::setSlot(i, QStringLiteral("T%1").arg(i));
        setAbortAnswer(Abort::Continue);
        setOverwriteAnswer(Overwrite::None);
    }

    void blockPatternOfEachFile_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("badAt");
        QTest::addColumn<QList<qint64>>("readLengths"); // of the first pass
        QTest::addColumn<qint64>("givenUp");            // by the first pass
        QTest::addColumn<int>("sectorReads");           // of the rescue phase
        QTest::newRow("empty") << qint64(0) << qint64(-1) << QList<qint64>{} << qint64(0) << 0;
        QTest::newRow("one short block")
            << qint64(1000) << qint64(-1) << QList<qint64>{1000} << qint64(0) << 0;
        QTest::newRow("64 KiB and a byte")
            << qint64(65537) << qint64(-1) << QList<qint64>{65536, 1} << qint64(0) << 0;
        QTest::newRow("tail read with the last block")
            << qint64(131073) << qint64(-1) << QList<qint64>{65536, 65537} << qint64(0) << 0;
        // The rescue reads the 16 sectors of the given-up block once each; only the one holding
        // the bad byte stays lost.
        QTest::newRow("bad byte in the second block")
            << qint64(200000) << qint64(70000)
            << QList<qint64>{65536, 65536, 32768, 16384, 8192, 16384, 32768, 65536, 3392} << qint64(8192)
            << 16;
    }

    void blockPatternOfEachFile()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, badAt);
        QFETCH(QList<qint64>, readLengths);
        QFETCH(qint64, givenUp);
        QFETCH(int, sectorReads);
        const qint64 lost = givenUp > 0 ? 512 : 0;
        auto medium = addFile(QStringLiteral("a.bin"), size);
        if (badAt >= 0)
            medium->addBadRange(badAt, 1);
        auto run = makeRun();
        run->run();
        drain();

        QList<qint64> lengths;
        for (const ReadCall& r : medium->reads())
            lengths << r.length;
        QCOMPARE(lengths.mid(0, readLengths.size()), readLengths);
        QCOMPARE(lengths.mid(readLengths.size()), QList<qint64>(sectorReads, 512));
        const RunCounts counts = run->counts();
        QCOMPARE(counts.totalLostBytes, double(lost));
        QCOMPARE(counts.corruptedFilesCount, lost > 0 ? 1 : 0);
        QCOMPARE(m_job->isDone(1), true);
        QCOMPARE(m_job->copiedBytes(1), size);
        QCOMPARE(run->givenUp().size(), size_t(lost > 0 ? 1 : 0));
        QStringList log{QStringLiteral("T14"), Src + QStringLiteral("a.bin - ok"), QStringLiteral("T31")};
        if (lost > 0) {
            QCOMPARE(run->givenUp()[0].source, Src + QStringLiteral("a.bin"));
            QCOMPARE(run->givenUp()[0].givenUp, QList<ByteRange>({ByteRange{65537, 73728}}));
            // The record holds what stayed unreadable after the rescue.
            QCOMPARE(m_damage->row(1).rangeList, QStringLiteral(" 69633 - 70144,"));
            const QString lostText = Src + QStringLiteral("a.bin - T40: ");
            log = QStringList{QStringLiteral("T14"), lostText + Platform::sizeText(double(givenUp)),
                              QStringLiteral("T41"), lostText + Platform::sizeText(double(lost)),
                              QStringLiteral("T31")};
        }
        QCOMPARE(m_view.log, log);
        QByteArray expected = medium->bytes(0, size);
        if (badAt >= 0)
            expected.replace(69632, 512, QByteArray(512, '\0'));
        QCOMPARE(readFile(m_dst + QStringLiteral("a.bin")), expected);
    }

    void answersDuringABlockAndBetweenFiles_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("betweenFiles");
        QTest::addColumn<qint64>("reached"); // in the second file
        for (const bool between : {false, true}) {
            const QByteArray when = between ? "between files, " : "during a block, ";
            const qint64 reached = between ? 65536 : 131072;
            QTest::newRow(QByteArray(when + "pause").constData()) << Abort::Pause << between << reached;
            QTest::newRow(QByteArray(when + "skip").constData()) << Abort::SkipFile << between << reached;
            QTest::newRow(QByteArray(when + "abort").constData()) << Abort::Stop << between << reached;
        }
    }

    void answersDuringABlockAndBetweenFiles()
    {
        QFETCH(int, answer);
        QFETCH(bool, betweenFiles);
        QFETCH(qint64, reached);
        addFile(QStringLiteral("1.bin"), 1000);
        auto second = addFile(QStringLiteral("2.bin"), 300000);
        addFile(QStringLiteral("3.bin"), 1000);
        if (betweenFiles) {
            // Given once the first file is done, before the second is opened.
            m_files->onOpen(Src + QStringLiteral("2.bin"), [answer] { setAbortAnswer(answer); });
        } else {
            second->setOnRead([answer](qint64 offset, qint64) {
                if (offset == 65536)
                    setAbortAnswer(answer);
            });
        }
        auto run = makeRun();
        run->run();
        drain();

        QCOMPARE(second->reads().size(), qsizetype(reached / 65536));
        QCOMPARE(readFile(m_dst + QStringLiteral("2.bin")), second->bytes(0, reached));
        const RunCounts counts = run->counts();
        if (answer == Abort::SkipFile) {
            QCOMPARE(abortAnswer(), Abort::Continue);
            QVERIFY(!m_job->isDone(2));
            QVERIFY(m_job->isDone(3));
            QCOMPARE(counts.currentFile, 4);
            QCOMPARE(counts.itemsNotCopied, 1);
            return;
        }
        QCOMPARE(abortAnswer(), answer);
        QCOMPARE(counts.currentFile, 2);
        QVERIFY(m_job->isDone(2)); // where a later run resumes
        QCOMPARE(m_job->startPosition(2), reached);
        QCOMPARE(m_job->copiedBytes(2), reached);
        QVERIFY(!m_job->isDone(3));
        QVERIFY(!QFile::exists(m_dst + QStringLiteral("3.bin")));
        QCOMPARE(m_view.log.last(), QStringLiteral("T31"));
    }

    void nothingIsReadOrWrittenWhileTheAbortDialogIsOpen()
    {
        auto medium = addFile(QStringLiteral("slow.bin"), 400000);
        auto run = makeRun();
        std::thread worker = startUntilTheSecondBlockHangs(*medium, *run);
        m_bridge->dialogOpened(); // Stop was pressed while the read hung
        m_readMayEnd.release();
        // The run now waits for the answer: nothing more is read or written, however long it
        // is open.
        QTest::qWait(300);
        QCOMPARE(medium->reads().size(), 2);
        QCOMPARE(QFileInfo(m_dst + QStringLiteral("slow.bin")).size(), qint64(65536));

        setAbortAnswer(Abort::Stop);
        m_bridge->dialogClosed();
        worker.join();
        drain();
        // The block read before the answer is written; then the run stops.
        QCOMPARE(medium->reads().size(), 2);
        QCOMPARE(readFile(m_dst + QStringLiteral("slow.bin")), medium->bytes(0, 131072));
        QCOMPARE(m_job->startPosition(1), qint64(131072));
        QVERIFY(m_job->isDone(1));
    }

    void theProgramQuittingDuringAHungReadEndsTheRun()
    {
        auto medium = addFile(QStringLiteral("hung.bin"), 400000);
        addFile(QStringLiteral("after.bin"), 100);
        m_job->setStartPosition(2, 7); // stays as the host set it
        auto run = makeRun();
        std::thread worker = startUntilTheSecondBlockHangs(*medium, *run);
        // The window's thread lets go of the run while the read hangs.
        const auto [counts, reachedBytes] = run->abandon();
        m_bridge->detach();
        QCOMPARE(counts.currentFile, 1);
        QCOMPARE(reachedBytes, std::optional<qint64>(65536));

        m_readMayEnd.release(); // the read returns long after
        worker.join();
        // The run wrote nothing more: not the block it read, no result, no later file.
        QCOMPARE(medium->reads().size(), 2);
        QCOMPARE(QFileInfo(m_dst + QStringLiteral("hung.bin")).size(), qint64(65536));
        QVERIFY(!QFile::exists(m_dst + QStringLiteral("after.bin")));
        QVERIFY(!m_job->isDone(1));
        QCOMPARE(m_job->startPosition(2), qint64(7));
        QCOMPARE(m_damage->rowCount(), 0);
    }

    void theProgramQuittingDuringTheRescueEndsTheRun()
    {
        auto medium = addFile(QStringLiteral("bad.bin"), 200000);
        medium->addBadRange(70000, 1);
        bool hung = false;
        medium->setOnRead([&](qint64, qint64 length) {
            if (length != 512 || std::exchange(hung, true))
                return; // the first pass, or a later sector
            m_readStarted.release();
            m_readMayEnd.acquire();
        });
        auto run = makeRun();
        std::thread worker([&run] { run->run(); });
        m_readStarted.acquire(); // the rescue's first sector read hangs
        const auto [counts, reachedBytes] = run->abandon();
        m_bridge->detach();
        QCOMPARE(reachedBytes, std::nullopt); // every entry has its result: no resume point to keep
        QCOMPARE(counts.corruptedFilesCount, 1);

        m_readMayEnd.release();
        worker.join();
        // No further sector was read, and the record and results stay as the first pass left them.
        qsizetype sectorReads = 0;
        for (const ReadCall& r : medium->reads())
            sectorReads += r.length == 512 ? 1 : 0;
        QCOMPARE(sectorReads, 1);
        QCOMPARE(m_damage->rowCount(), 1);
        QCOMPARE(m_damage->row(1).rangeList, QStringLiteral(" 65537 - 73728,"));
        QVERIFY(m_job->isDone(1));
        QCOMPARE(m_job->copiedBytes(1), qint64(200000));
    }

    void questionsAreAskedOnTheWindowsThread()
    {
        // A missing source from a worker: the question runs on this thread, the answer goes back.
        m_job->setFileName(++m_count, Src + QStringLiteral("missing.bin"));
        addFile(QStringLiteral("b.bin"), 10);
        std::thread::id askedOn;
        class AskingView : public TestView
        {
        public:
            std::thread::id* askedOn = nullptr;
            bool askRetryMissingSource(const QString& file) override
            {
                *askedOn = std::this_thread::get_id();
                return TestView::askRetryMissingSource(file);
            }
        };
        AskingView view;
        view.job = m_job.get();
        view.askedOn = &askedOn;
        RunCounts counts;
        counts.itemsCount = m_count;
        RecoveryRun threaded(RecoveryRun::Parts{m_job, m_damage, m_files, m_bridge, m_feed,
                                                std::make_shared<RescueCounts>(), &view},
                             Src, m_dst, counts);
        bool ended = false;
        std::thread worker([&] {
            threaded.run();
            m_bridge->post([&] { ended = true; });
        });
        QTRY_VERIFY_WITH_TIMEOUT(ended, 20000);
        worker.join();
        QCOMPARE(askedOn, std::this_thread::get_id());
        QCOMPARE(view.questions, 1);
        QVERIFY(!m_job->isDone(1));
        QVERIFY(m_job->isDone(2));
    }
};

class TestPromptBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void askWaitsForTheAnswerFromTheWindowsThread()
    {
        QObject receiver;
        auto bridge = std::make_shared<PromptBridge>(&receiver);
        std::optional<int> answer;
        std::thread::id askedOn;
        std::atomic<bool> done = false;
        std::thread worker([&] {
            answer = bridge->ask([&] {
                askedOn = std::this_thread::get_id();
                return 42;
            });
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
        worker.join();
        QCOMPARE(answer, std::optional<int>(42));
        QCOMPARE(askedOn, std::this_thread::get_id());
        // On the window's own thread a question is answered at once.
        QCOMPARE(bridge->ask([] { return 7; }), std::optional<int>(7));
    }

    void detachingReleasesAWaitingWorker()
    {
        QObject receiver;
        auto bridge = std::make_shared<PromptBridge>(&receiver);
        QSemaphore holding;
        std::optional<int> answer = 1;
        bool held = true;
        bool asked = false;
        bridge->dialogOpened();
        std::thread worker([&] {
            holding.release();
            held = bridge->holdWhileAsked();
            // Asked after the window let go: never shown.
            answer = bridge->ask([&] {
                asked = true;
                return 5;
            });
        });
        holding.acquire();
        bridge->detach(); // no event loop runs here: the worker must not need one to end
        worker.join();
        QVERIFY(!held);
        QCOMPARE(answer, std::nullopt);
        QCoreApplication::processEvents();
        QVERIFY(!asked);
    }

    void holdEndsWhenTheLastDialogCloses()
    {
        QObject receiver;
        auto bridge = std::make_shared<PromptBridge>(&receiver);
        QVERIFY(bridge->holdWhileAsked()); // nothing open: returns at once
        bridge->dialogOpened();
        bridge->dialogOpened();
        QSemaphore started;
        std::atomic<bool> released = false;
        std::thread worker([&] {
            started.release();
            QVERIFY(bridge->holdWhileAsked());
            released = true;
        });
        started.acquire();
        bridge->dialogClosed();
        QTest::qWait(100);
        QVERIFY(!released.load()); // one is still open
        bridge->dialogClosed();
        worker.join();
        QVERIFY(released.load());
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int status = 0;
    {
        TestRecoveryRun run;
        status |= QTest::qExec(&run, argc, argv);
    }
    {
        TestPromptBridge bridge;
        status |= QTest::qExec(&bridge, argc, argv);
    }
    return status;
}

#include "tst_recoveryrun.moc"
