// End-to-end runs of the rescue phase against a damaged medium: the first pass gives ranges up in
// 8 KiB blocks, the rescue reads them again sector by sector, and what is left is exactly the
// sectors the medium cannot deliver.
#include "BadSectorDisk.h"
#include "EngineTestJob.h"
#include "MediumFiles.h"
#include "ModalDriver.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SectorReader.h"
#include "SimulatedMedium.h"
#include "SizeText.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace EngineTestJob;
using namespace MediumFiles;

namespace {

struct DamagedFile
{
    QString name;
    qint64 size = 0;
    QString map;           // its lines of the damage map
    QString ranges;        // the range list its damage record must end with; empty: no record
    qint64 badSectors = 0; // sectors that never read
};

// The source with zero bytes in every range of a range list (" 1 - 512, 1025 - 2048,").
QByteArray withHoles(QByteArray data, const QString& rangeList)
{
    for (const QString& r : rangeList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = r.split(QLatin1Char('-'));
        const qint64 first = ends[0].trimmed().toLongLong();
        const qint64 last = ends[1].trimmed().toLongLong();
        data.replace(first - 1, last - first + 1, QByteArray(last - first + 1, '\0'));
    }
    return data;
}

qint64 lostIn(const QString& rangeList)
{
    qint64 lost = 0;
    for (const QString& r : rangeList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = r.split(QLatin1Char('-'));
        lost += ends[1].trimmed().toLongLong() - ends[0].trimmed().toLongLong() + 1;
    }
    return lost;
}

} // namespace

class TestRescueEndToEnd : public QObject
{
    Q_OBJECT

private:
    QStringList m_messages;

private Q_SLOTS:
    void init() { m_messages.clear(); }

    void everyReadableByteIsRecovered()
    {
        KORVALIS_REQUIRE_FUSE();
        // Healthy files first: nothing may be read of the damaged ones before their turn (a read
        // ahead of the next sources would fail on the medium without the engine counting it).
        QList<DamagedFile> files{
            {QStringLiteral("healthy.bin"), 1048576, {}, {}, 0},
            {QStringLiteral("start.bin"), 16384, QStringLiteral("start.bin 0 512"),
             QStringLiteral(" 1 - 512,"), 1},
            {QStringLiteral("end.bin"), 16384, QStringLiteral("end.bin 15872 512"),
             QStringLiteral(" 15873 - 16384,"), 1},
            // Across the 8 KiB and the 64 KiB boundaries of the first pass's blocks.
            {QStringLiteral("8k.bin"), 131072, QStringLiteral("8k.bin 7680 1024"),
             QStringLiteral(" 7681 - 8704,"), 2},
            {QStringLiteral("64k.bin"), 200000, QStringLiteral("64k.bin 65024 1024"),
             QStringLiteral(" 65025 - 66048,"), 2},
            // Smaller than the minimum block: its first KiB and the rest after the bad sector.
            {QStringLiteral("Lettre à Émilie.txt"), 7639, QStringLiteral("\"Lettre à Émilie.txt\" 1024 512"),
             QStringLiteral(" 1025 - 1536,"), 1},
            {QStringLiteral("mid.bin"), 16384, QStringLiteral("mid.bin 10752 512"),
             QStringLiteral(" 10753 - 11264,"), 1},
            // Unreadable at its end, in the middle of a sector: the copy keeps the source's size.
            {QStringLiteral("Report 2024.txt"), 60689, QStringLiteral("\"Report 2024.txt\" 60177 512"),
             QStringLiteral(" 59905 - 60689,"), 2},
            // Fails in the first pass, reads on a later try: recovered whole, no record.
            {QStringLiteral("weak.bin"), 100000, QStringLiteral("weak.bin 30208 512 weak=5"), {}, 0},
            // A 1 MiB bad area: the first pass skips ahead, the rescue trims it back from both edges.
            {QStringLiteral("area.bin"), 4194304, QStringLiteral("area.bin 1048576 1048576"),
             QStringLiteral(" 1048577 - 2097152,"), 2},
        };
        for (int i = 0; i < 12; ++i)
            files.insert(1 + i, {QStringLiteral("small %1.txt").arg(i), 3000 + i, {}, {}, 0});
        QTemporaryDir source, target;
        QString map;
        QMap<QString, QByteArray> data;
        for (int i = 0; i < files.size(); ++i) {
            data[files[i].name] = pattern(files[i].size, static_cast<quint32>(i + 1));
            QVERIFY(writeFile(source.filePath(files[i].name), data[files[i].name]));
            map += files[i].map + QLatin1Char('\n');
        }
        SimulatedMedium medium(source.path(), map);
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        const QString d = target.path() + QLatin1Char('/');
        QStringList entries;
        for (const DamagedFile& f : files)
            entries << m + f.name;

        RecoveryProcess engine;
        fillTexts(engine);
        QCOMPARE(runCancellingAll(engine, m, d, entries, m_messages), QStringLiteral("done"));
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('|'))));
        QCOMPARE(engine.ItemsNotCopied_Count(), 0);

        // Every read that failed on the medium is one the engine counted, and the rescue adds at
        // most one failed read for each bad sector (two for the large area: one at each edge).
        QVERIFY(medium.failedReads() > 0);
        QCOMPARE(engine.ReadCounts().failedReads.load(), medium.failedReads());
        qint64 badSectors = 0;
        for (const DamagedFile& f : files)
            badSectors += std::min<qint64>(f.badSectors, 2);
        QVERIFY2(engine.RescueReadCounts().failedReads.load() <= badSectors,
                 qPrintable(QString::number(engine.RescueReadCounts().failedReads.load())));

        QMap<QString, const DamageRecords::Row*> rows;
        for (int n = 1; n <= engine.DamageRecordCount(); ++n)
            rows[engine.DamageRecord(n).file.mid(m.size())] = &engine.DamageRecord(n);
        qint64 lost = 0;
        qint64 total = 0;
        int damaged = 0;
        const QStringList log = logLines(engine);
        for (const DamagedFile& f : files) {
            const QByteArray copy = readFile(d + f.name);
            QCOMPARE(QFileInfo(d + f.name).size(), f.size);
            QVERIFY2(copy == withHoles(data[f.name], f.ranges), qPrintable(f.name));
            total += f.size - lostIn(f.ranges);
            if (f.ranges.isEmpty()) {
                QVERIFY2(!rows.contains(f.name), qPrintable(f.name));
                continue;
            }
            ++damaged;
            lost += lostIn(f.ranges);
            QVERIFY2(rows.contains(f.name), qPrintable(f.name));
            const DamageRecords::Row& row = *rows[f.name];
            QCOMPARE(row.rangeList, f.ranges);
            QCOMPARE(row.lostBytes, lostIn(f.ranges));
            QCOMPARE(row.fileSize, f.size);
            // The log ends the file's rescue with its remaining loss.
            QVERIFY2(log.contains(m + f.name + QStringLiteral(" - ") + text(40) + QStringLiteral(": ") +
                                  Platform::sizeText(static_cast<double>(lostIn(f.ranges)))),
                     qPrintable(log.join(QLatin1Char('\n'))));
        }
        QVERIFY(log.contains(m + QStringLiteral("weak.bin - ") + text(42)));
        QVERIFY(log.contains(m + QStringLiteral("healthy.bin - ok")));
        QCOMPARE(log.count(text(41)), 1);
        QCOMPARE(engine.CorruptedFilesCount(), damaged);
        QCOMPARE(engine.DamageRecordCount(), damaged);
        QCOMPARE(engine.TotalLostBytes(), static_cast<double>(lost));
        QCOMPARE(engine.TotalCopiedBytes(), static_cast<double>(total));
    }

    void blockDeviceSectorsAreReadDirectly()
    {
        KORVALIS_REQUIRE_FUSE();
        const qint64 size = 8 * 1048576;
        const QList<qint64> badSectors{1000448, 1003008, 5242880 + 4096};
        QTemporaryDir target;
        const BadSectorDisk disk(size, badSectors, 21);
        QVERIFY2(disk.mounted(), qPrintable(disk.errorString()));
        if (disk.device().isEmpty())
            QSKIP(qPrintable(disk.skipReason()));
        const QByteArray& data = disk.data();

        // The device's own sector size, read past the page cache: a bad sector fails alone and the
        // one beside it reads.
        {
            SectorReader reader;
            QVERIFY(reader.open(disk.device()));
            QVERIFY(reader.direct());
            QCOMPARE(reader.sectorSize(), 512);
            QCOMPARE(reader.size(), size);
            char buffer[512];
            QVERIFY(!reader.readSector(badSectors[0], buffer).ok());
            const IoResult next = reader.readSector(badSectors[0] + 512, buffer);
            QVERIFY(next.ok());
            QCOMPARE(QByteArray(buffer, 512), data.mid(badSectors[0] + 512, 512));
        }

        RecoveryProcess engine;
        fillTexts(engine);
        setJob(engine, QStringLiteral("/dev/"), target.path() + QLatin1Char('/'), {disk.device()});
        Prompt::ScopedAnswerer answerer([](const Prompt::Message&) { return QMessageBox::Cancel; });
        engine.StartProcess();

        QCOMPARE(engine.DamageRecordCount(), 1);
        QString expected;
        for (const qint64 s : badSectors)
            expected += QStringLiteral(" %1 - %2,").arg(s + 1).arg(s + 512);
        QCOMPARE(engine.DamageRecord(1).rangeList, expected);
        // One failed read for each bad sector in the rescue: none of them is read twice.
        QCOMPARE(engine.RescueReadCounts().failedReads.load(), qint64(badSectors.size()));
        QVERIFY(readFile(target.filePath(QFileInfo(disk.device()).fileName())) == withHoles(data, expected));
    }

    void stopDuringTheRescueKeepsWhatItFound()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir source, target;
        const QByteArray one = pattern(131072, 11);
        const QByteArray two = pattern(131072, 12);
        QVERIFY(writeFile(source.filePath(QStringLiteral("one.bin")), one));
        QVERIFY(writeFile(source.filePath(QStringLiteral("two.bin")), two));
        SimulatedMedium medium(source.path(), QStringLiteral("one.bin 70000 100\ntwo.bin 131000 72\n"));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        const QString d = target.path() + QLatin1Char('/');

        RecoveryProcess engine;
        fillTexts(engine);
        engine.setCorruptedFilesCount(0);
        setJob(engine, m, d, {m + QStringLiteral("one.bin"), m + QStringLiteral("two.bin")});
        // Stop is answered when the rescue turns to the second file, before it reads it.
        bool pressed = false;
        engine.setFileAccess(
            std::make_shared<OpenHook>(m + QStringLiteral("two.bin"), OpenHook::ForSectors, [&] {
                QMetaObject::invokeMethod(
                    &engine,
                    [&] {
                        pressed = true;
                        engine.TerminateMe();
                    },
                    Qt::BlockingQueuedConnection);
            }));
        ModalDriver::onNextModal(
            [](QWidget* modal) { ModalDriver::clickButton(modal, QStringLiteral("Command1(3)")); });
        Events events(engine);
        engine.StartProcess();

        QVERIFY(pressed);
        QCOMPARE(events.raised(), QStringLiteral("aborted"));
        QCOMPARE(engine.DamageRecordCount(), 2);
        // The first file was rescued to its sector; the second keeps the first pass's losses, its
        // copy grown to the source's size.
        QCOMPARE(engine.DamageRecord(1).rangeList, QStringLiteral(" 69633 - 70144,"));
        QCOMPARE(readFile(d + QStringLiteral("one.bin")), withHoles(one, QStringLiteral(" 69633 - 70144,")));
        const QString firstPass = QStringLiteral(" 114689 - 131072,");
        QCOMPARE(engine.DamageRecord(2).rangeList, firstPass);
        QCOMPARE(readFile(d + QStringLiteral("two.bin")), withHoles(two, firstPass));
        QCOMPARE(engine.TotalLostBytes(), 512.0 + 16384.0);
        QCOMPARE(logLines(engine).last(), text(31));
    }
};

QTEST_MAIN(TestRescueEndToEnd)
#include "tst_rescue_e2e.moc"
