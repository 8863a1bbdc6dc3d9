// A damaged block device read by the real engine: the kernel reads ahead of the copier until the
// first failed read, and every block that can be read must still reach the copy unchanged.
#include "BadSectorDisk.h"
#include "EngineTestJob.h"
#include "MediumFiles.h"
#include "Prompt.h"
#include "RecoveryProcess.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace EngineTestJob;
using namespace MediumFiles;

namespace {

struct Range
{
    qint64 first; // 1-based, inclusive
    qint64 last;
};

QList<Range> rangesOf(const DamageRecords::Row& row)
{
    QList<Range> ranges;
    for (const QString& r : row.rangeList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = r.split(QLatin1Char('-'));
        ranges.append({ends[0].trimmed().toLongLong(), ends[1].trimmed().toLongLong()});
    }
    return ranges;
}

} // namespace

class TestRecoveryReadAhead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blockDeviceWithBadSectorsKeepsEveryGoodBlock()
    {
        KORVALIS_REQUIRE_FUSE();
        const qint64 size = 8 * 1048576;
        const QList<qint64> badSectors{1000448, 1003008, 5242880 + 4096};
        QTemporaryDir target;
        const BadSectorDisk disk(size, badSectors, 11);
        QVERIFY2(disk.mounted(), qPrintable(disk.errorString()));
        if (disk.device().isEmpty())
            QSKIP(qPrintable(disk.skipReason()));
        const QByteArray& data = disk.data();

        RecoveryProcess engine;
        fillTexts(engine);
        const QString name = QFileInfo(disk.device()).fileName();
        setJob(engine, QStringLiteral("/dev/"), target.path() + QLatin1Char('/'), {disk.device()});
        Prompt::ScopedAnswerer answerer([](const Prompt::Message&) { return QMessageBox::Cancel; });
        engine.StartProcess();

        QVERIFY(engine.isDone(1));
        QCOMPARE(engine.DamageRecordCount(), 1);
        const DamageRecords::Row& row = engine.DamageRecord(1);
        QCOMPARE(row.copied, size);
        const QList<Range> ranges = rangesOf(row);
        // Each bad sector lies in a given-up range, and nothing else was given up: at most the
        // two 8 KiB halves of the 16 KiB block around each one.
        for (const qint64 s : badSectors) {
            const bool covered = std::any_of(ranges.begin(), ranges.end(), [s](const Range& r) {
                return r.first <= s + 1 && s + 512 <= r.last;
            });
            QVERIFY2(covered, qPrintable(row.rangeList));
        }
        QVERIFY2(row.lostBytes <= qint64(badSectors.size()) * 16384, qPrintable(row.rangeList));

        // Every byte outside the given-up ranges is the source's; inside them the copy holds zeros.
        QByteArray expected = data;
        for (const Range& r : ranges)
            expected.replace(r.first - 1, r.last - r.first + 1, QByteArray(r.last - r.first + 1, '\0'));
        const QByteArray copy = readFile(target.filePath(name));
        QCOMPARE(copy.size(), expected.size());
        QVERIFY(copy == expected);
    }
};

QTEST_MAIN(TestRecoveryReadAhead)
#include "tst_recovery_readahead.moc"
