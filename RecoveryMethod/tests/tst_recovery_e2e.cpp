// End-to-end runs of the engine against a damaged medium: the real copier and the real kernel
// errors of a FUSE file system that fails chosen byte ranges.
#include "EngineTestJob.h"
#include "MediumFiles.h"
#include "ModalDriver.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SimulatedMedium.h"
#include "isButton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/mount.h>
#include <unistd.h>

using namespace EngineTestJob;
using namespace MediumFiles;

namespace {

// What the copy of a source must hold: the bytes up to the position reached, with every
// given-up range as zero bytes.
QByteArray expectedCopy(const QByteArray& source, const DamageRecords::Row* row)
{
    if (!row)
        return source;
    QByteArray expected = source.left(row->copied);
    const QStringList ranges = row->rangeList.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& r : ranges) {
        const QStringList ends = r.split(QLatin1Char('-'));
        const qint64 first = ends[0].trimmed().toLongLong();
        const qint64 last = std::min<qint64>(ends[1].trimmed().toLongLong(), expected.size());
        if (first <= last)
            expected.replace(first - 1, last - first + 1, QByteArray(last - first + 1, '\0'));
    }
    return expected;
}

} // namespace

class TestRecoveryEndToEnd : public QObject
{
    Q_OBJECT

private:
    QStringList m_messages;

private Q_SLOTS:
    void init() { m_messages.clear(); }

    void treeOfFoldersAndFiles()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir source, target;
        const QMap<QString, QByteArray> files{
            {QStringLiteral("docs/a.txt"), pattern(100000, 1)},
            {QStringLiteral("docs/b b.bin"), pattern(300000, 2)},
            {QStringLiteral("docs/.hidden"), pattern(10, 3)},
            {QStringLiteral("docs/sub/c.bin"), pattern(1048576, 4)},
            {QStringLiteral("docs/sub/d.bin"), pattern(70000, 5)},
            {QStringLiteral("empty.bin"), QByteArray()},
            {QStringLiteral("top.bin"), pattern(131073, 6)},
        };
        for (auto it = files.begin(); it != files.end(); ++it)
            QVERIFY(writeFile(source.filePath(it.key()), it.value()));
        SimulatedMedium medium(source.path(), QStringLiteral("\"docs/b b.bin\" 65536 20000\n"
                                                             "docs/sub/c.bin 300000 20000\n"
                                                             "docs/sub/d.bin 69900 100\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        const QString d = target.path() + QLatin1Char('/');
        const QStringList names{
            QStringLiteral("\tdocs"),         QStringLiteral("docs/a.txt"), QStringLiteral("docs/b b.bin"),
            QStringLiteral("docs/.hidden"),   QStringLiteral("\tdocs/sub"), QStringLiteral("docs/sub/c.bin"),
            QStringLiteral("docs/sub/d.bin"), QStringLiteral("empty.bin"),  QStringLiteral("top.bin")};
        QStringList entries;
        for (const QString& n : names)
            entries << (n.startsWith(QLatin1Char('\t')) ? QString(QLatin1Char('\t') + m + n.mid(1))
                                                        : QString(m + n));

        RecoveryProcess engine;
        fillTexts(engine);
        QCOMPARE(runCancellingAll(engine, m, d, entries, m_messages), QStringLiteral("done"));
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('|'))));
        QCOMPARE(engine.ItemsFolders_Count(), 2);
        QCOMPARE(engine.ItemsNotCopied_Count(), 0);
        QCOMPARE(engine.CorruptedFilesCount(), 3);
        QCOMPARE(engine.DamageRecordCount(), 3);

        // After the rescue phase the records hold exactly the 512-byte sectors that do not read.
        const DamageRecords::Row& b = engine.DamageRecord(1);
        QCOMPARE(b.file, m + QStringLiteral("docs/b b.bin"));
        QCOMPARE(b.file2, d + QStringLiteral("docs/b b.bin"));
        QCOMPARE(b.rangeList, QStringLiteral(" 65537 - 86016,"));
        QCOMPARE(b.lostBytes, qint64(20480));
        QCOMPARE(b.copied, qint64(300000));
        QCOMPARE(b.fileSize, qint64(300000));
        QVERIFY(!b.fileDTV.isEmpty());

        const DamageRecords::Row& c = engine.DamageRecord(2);
        QCOMPARE(c.rangeList, QStringLiteral(" 299521 - 320000,"));
        QCOMPARE(c.lostBytes, qint64(20480));

        // An unreadable tail: the copy has the source's size, with zeros in the last sector only.
        const DamageRecords::Row& dRow = engine.DamageRecord(3);
        QCOMPARE(dRow.rangeList, QStringLiteral(" 69633 - 70000,"));
        QCOMPARE(dRow.lostBytes, qint64(70000 - 69632));
        QCOMPARE(dRow.copied, qint64(70000));

        QMap<QString, const DamageRecords::Row*> rows{{QStringLiteral("docs/b b.bin"), &b},
                                                      {QStringLiteral("docs/sub/c.bin"), &c},
                                                      {QStringLiteral("docs/sub/d.bin"), &dRow}};
        for (auto it = files.begin(); it != files.end(); ++it)
            QVERIFY2(readFile(d + it.key()) == expectedCopy(it.value(), rows.value(it.key())),
                     qPrintable(it.key()));
        QCOMPARE(QFileInfo(d + QStringLiteral("docs/sub/d.bin")).size(), qint64(70000));

        const double lost = 20480.0 + 20480 + 368;
        QCOMPARE(engine.TotalCopiedBytes(), 100000.0 + 300000 + 10 + 1048576 + 70000 + 0 + 131073 - lost);
        QCOMPARE(engine.TotalLostBytes(), lost);
        for (int i = 1; i <= entries.size(); ++i) {
            if (!entries[i - 1].startsWith(QLatin1Char('\t')))
                QVERIFY(engine.isDone(i));
        }

        const QString ok = QStringLiteral(" - ok");
        const QString damaged = QStringLiteral(" - ") + text(40) + QStringLiteral(": ");
        QCOMPARE(
            logLines(engine),
            QStringList({text(14), text(9) + QStringLiteral(": \"") + d + QStringLiteral("docs\"."),
                         entries[1] + ok, entries[2] + damaged + QStringLiteral("32 Kb"), entries[3] + ok,
                         text(9) + QStringLiteral(": \"") + d + QStringLiteral("docs/sub\"."),
                         entries[5] + damaged + QStringLiteral("32 Kb"),
                         entries[6] + damaged + QStringLiteral("4464 b"), entries[7] + ok, entries[8] + ok,
                         text(41), entries[2] + damaged + QStringLiteral("20 Kb"),
                         entries[5] + damaged + QStringLiteral("20 Kb"),
                         entries[6] + damaged + QStringLiteral("368 b"), text(31)}));
    }

    void stopDuringAReadDelayedThreeSeconds()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir source, target;
        const QByteArray data = pattern(400000, 7);
        QVERIFY(writeFile(source.filePath(QStringLiteral("slow.bin")), data));
        // The second block fails after 3 s, as a drive that retries; read again, it succeeds.
        SimulatedMedium medium(source.path(), QStringLiteral("slow.bin 70000 10 delay=3000 weak=1\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        const QString copy = target.filePath(QStringLiteral("slow.bin"));

        RecoveryProcess engine;
        fillTexts(engine);
        setJob(engine, m, target.path() + QLatin1Char('/'), {m + QStringLiteral("slow.bin")});

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(50);
        int ticksAtStop = -1;
        QTimer::singleShot(1000, &engine, [&] {
            ticksAtStop = ticks;
            engine.findChild<isButton*>(QStringLiteral("Command2"))->click();
        });
        qint64 sizeAtOpen = -1;
        qint64 sizeAtAnswer = -1;
        bool acted = false;
        ModalDriver::onNextModal(
            [&](QWidget* modal) {
                sizeAtOpen = QFileInfo(copy).size();
                // Answer only after the delayed read has long returned.
                QTimer::singleShot(3500, modal, [&, modal] {
                    sizeAtAnswer = QFileInfo(copy).size();
                    ModalDriver::clickButton(modal, QStringLiteral("Command1(3)"));
                });
            },
            &acted, 20000);
        Events events(engine);
        engine.StartProcess();

        QVERIFY(acted);
        QVERIFY2(ticksAtStop >= 5, "the window's timer fired while the read hung");
        QCOMPARE(sizeAtOpen, qint64(65536));
        QCOMPARE(sizeAtAnswer, qint64(65536)); // nothing was read or written while the dialog was open
        QCOMPARE(events.raised(), QStringLiteral("aborted"));
        QCOMPARE(engine.CopiedBytes(1), qint64(65536));
        QCOMPARE(engine.StartPosition(1), qint64(65536));
        QCOMPARE(readFile(copy), data.left(65536));
    }

    void answersBetweenSmallFiles_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("event");
        QTest::newRow("pause") << 1 << QStringLiteral("paused");
        QTest::newRow("abort") << 3 << QStringLiteral("aborted");
    }

    void answersBetweenSmallFiles()
    {
        QFETCH(int, answer);
        QFETCH(QString, event);
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir source, target;
        for (int i = 0; i < 40; ++i)
            QVERIFY(writeFile(source.filePath(QStringLiteral("n%1.txt").arg(i, 2, 10, QLatin1Char('0'))),
                              pattern(300 + i, static_cast<quint32>(i))));
        SimulatedMedium medium(source.path(), QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        QStringList entries;
        for (int i = 0; i < 40; ++i)
            entries << m + QStringLiteral("n%1.txt").arg(i, 2, 10, QLatin1Char('0'));

        RecoveryProcess engine;
        fillTexts(engine);
        setJob(engine, m, target.path() + QLatin1Char('/'), entries);
        // Stop is pressed between two files: after the 11th is done, before the 12th is opened.
        bool pressed = false;
        engine.setFileAccess(std::make_shared<OpenHook>(entries[11], OpenHook::ForCopy, [&] {
            QMetaObject::invokeMethod(
                &engine,
                [&] {
                    pressed = true;
                    engine.TerminateMe();
                },
                Qt::BlockingQueuedConnection);
        }));
        ModalDriver::onNextModal([answer](QWidget* modal) {
            ModalDriver::clickButton(modal, QStringLiteral("Command1(%1)").arg(answer));
        });
        Events events(engine);
        engine.StartProcess();
        QVERIFY(pressed);
        QCOMPARE(events.raised(), event);
        QCOMPARE(engine.CurrentFile(), 12);
        QCOMPARE(engine.StartPosition(12), qint64(311));
        QVERIFY(!QFile::exists(target.filePath(QStringLiteral("n12.txt"))));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files).size(), 12);
    }

    // Sources that cannot be opened (gone since they were listed, or a folder by now) are named
    // in the source's message; the run goes on with the next entry.
    void sourceThatCannotBeOpenedIsNamed_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("gone") << false;
        QTest::newRow("a folder now") << true;
    }

    void sourceThatCannotBeOpenedIsNamed()
    {
        QFETCH(bool, folder);
        QTemporaryDir source, target;
        const QString lost = source.filePath(QStringLiteral("lost.bin"));
        const QString kept = source.filePath(QStringLiteral("kept.bin"));
        QVERIFY(writeFile(kept, pattern(5000, 1)));
        if (folder)
            QVERIFY(QDir().mkdir(lost));
        RecoveryProcess engine;
        fillTexts(engine);
        setJob(engine, source.path() + QLatin1Char('/'), target.path() + QLatin1Char('/'), {lost, kept});
        Prompt::ScopedAnswerer answerer(cancellingAll(m_messages));
        Events events(engine);
        engine.StartProcess();
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QCOMPARE(m_messages, QStringList{text(70).arg(lost)});
        QCOMPARE(engine.ItemsNotCopied_Count(), 1);
        QCOMPARE(readFile(target.filePath(QStringLiteral("kept.bin"))), pattern(5000, 1));
    }

    void fullDestinationAsksAndKeepsOnlyWhatWasRead()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small tmpfs as the full destination");
        QTemporaryDir source, target;
        const QByteArray data = pattern(1 << 20, 9);
        QVERIFY(writeFile(source.filePath(QStringLiteral("big.bin")), data));
        const QString full = target.filePath(QStringLiteral("full"));
        QVERIFY(QDir().mkdir(full));
        if (::mount("tmpfs", QFile::encodeName(full).constData(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("cannot mount a tmpfs here");
        struct Unmount
        {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{QFile::encodeName(full)};

        RecoveryProcess engine;
        fillTexts(engine);
        setJob(engine, source.path() + QLatin1Char('/'), full + QLatin1Char('/'),
               {source.filePath(QStringLiteral("big.bin"))});
        int asked = 0;
        Prompt::ScopedAnswerer answerer([&](const Prompt::Message& msg) {
            m_messages << msg.text;
            return ++asked == 1 ? QMessageBox::Retry : QMessageBox::Cancel;
        });
        Events events(engine);
        engine.StartProcess();
        // The disk is full: the copy is named, asked again after Retry.
        const QString copy = full + QStringLiteral("/big.bin");
        QCOMPARE(m_messages, QStringList({text(71).arg(copy), text(71).arg(copy)}));
        QCOMPARE(events.raised(), QStringLiteral("done"));
        QVERIFY(!engine.isDone(1));
        QCOMPARE(engine.ItemsNotCopied_Count(), 1);
        const QByteArray copied = readFile(full + QStringLiteral("/big.bin"));
        QVERIFY(copied.size() < data.size());
        QCOMPARE(copied, data.left(copied.size()));
        QVERIFY(engine.CopiedBytes(1) <= copied.size());
        QCOMPARE(logLines(engine).at(1),
                 source.filePath(QStringLiteral("big.bin")) + QStringLiteral(" - ") + text(33));
    }
};

QTEST_MAIN(TestRecoveryEndToEnd)
#include "tst_recovery_e2e.moc"
