// A file larger than 4 GiB copied through the damaged-medium simulator: positions, sizes and
// damaged ranges beyond 32 bits. Slow (it writes 4 GiB), so it runs on its own.
#include "EngineTestJob.h"
#include "MediumFiles.h"
#include "RecoveryProcess.h"
#include "SimulatedMedium.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace EngineTestJob;
using namespace MediumFiles;

class TestRecoveryLargeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileBeyondFourGiB()
    {
        KORVALIS_REQUIRE_FUSE();
        QTemporaryDir source, target;
        const qint64 fourGiB = qint64(1) << 32;
        const QByteArray tail = pattern(70000, 8);
        {
            QFile f(source.filePath(QStringLiteral("big.img")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.seek(fourGiB)); // a sparse file: 4 GiB of hole, then data
            QCOMPARE(f.write(tail), qint64(tail.size()));
        }
        SimulatedMedium medium(source.path(), QStringLiteral("big.img %1 100\n").arg(fourGiB + 30000));
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        const QString m = medium.mountPoint() + QLatin1Char('/');
        const QString copy = target.filePath(QStringLiteral("big.img"));

        RecoveryProcess engine;
        fillTexts(engine);
        setJob(engine, m, target.path() + QLatin1Char('/'), {m + QStringLiteral("big.img")});
        Events events(engine);
        engine.StartProcess();

        QCOMPARE(events.raised(), QStringLiteral("done"));
        QVERIFY(engine.isDone(1));
        const qint64 size = fourGiB + tail.size();
        QCOMPARE(engine.CopiedBytes(1), size);
        QCOMPARE(engine.TotalCopiedBytes(), static_cast<double>(size - 512));
        QCOMPARE(QFileInfo(copy).size(), size);
        QCOMPARE(engine.DamageRecordCount(), 1);
        const DamageRecords::Row& row = engine.DamageRecord(1);
        QCOMPARE(row.fileSize, size);
        // The bad bytes lie in one 512-byte sector, past 4 GiB.
        QCOMPARE(row.rangeList, QStringLiteral(" %1 - %2,").arg(fourGiB + 29697).arg(fourGiB + 30208));
        QByteArray expected = tail;
        expected.replace(29696, 512, QByteArray(512, '\0'));
        QCOMPARE(readFile(copy, fourGiB, tail.size()), expected);
        QCOMPARE(readFile(copy, fourGiB - 65536, 65536), QByteArray(65536, '\0'));
    }
};

QTEST_MAIN(TestRecoveryLargeFile)
#include "tst_recovery_large.moc"
