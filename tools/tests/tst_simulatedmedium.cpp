#include "LoopDevice.h"
#include "MediumFiles.h"
#include "SimulatedMedium.h"

#include "UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using MediumFiles::pattern;

constexpr qint64 kDataSize = 256 * 1024;

struct ReadResult
{
    qint64 count = -1; // bytes, or -1
    int error = 0;     // errno when count is -1
    QByteArray bytes;
};

// One pread, as a caller of the medium makes it.
ReadResult readOnce(const QString& path, qint64 offset, qint64 size)
{
    ReadResult result;
    const Platform::UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY));
    if (!fd) {
        result.error = errno;
        return result;
    }
    result.bytes.resize(size);
    const ssize_t n = ::pread(fd.get(), result.bytes.data(), static_cast<size_t>(size), offset);
    result.count = n;
    result.error = n < 0 ? errno : 0;
    result.bytes.resize(n < 0 ? 0 : n);
    return result;
}

// One O_DIRECT read of a block device, into a buffer aligned as direct I/O needs.
ReadResult readDirect(const QString& device, qint64 offset, qint64 size)
{
    ReadResult result;
    const Platform::UniqueFd fd(::open(QFile::encodeName(device).constData(), O_RDONLY | O_DIRECT));
    if (!fd) {
        result.error = errno;
        return result;
    }
    const std::unique_ptr<void, decltype(&std::free)> buffer(
        std::aligned_alloc(4096, static_cast<size_t>((size + 4095) / 4096 * 4096)), &std::free);
    const ssize_t n = ::pread(fd.get(), buffer.get(), static_cast<size_t>(size), offset);
    result.count = n;
    result.error = n < 0 ? errno : 0;
    if (n > 0)
        result.bytes = QByteArray(static_cast<const char*>(buffer.get()), n);
    return result;
}

bool isMountPoint(const QString& path)
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly))
        return false;
    const QByteArray needle = ' ' + QFile::encodeName(path) + ' ';
    return mounts.readAll().contains(needle);
}

} // namespace

class tst_SimulatedMedium : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void goodBytesMatchTheSource_data();
    void goodBytesMatchTheSource();
    void readsTouchingBadBytesFail_data();
    void readsTouchingBadBytesFail();
    void weakRangeReadsAfterItsFailures();
    void positionsPastFourGiB();
    void delayHoldsOnlyTheFailingRead();
    void writesAreRefused();
    void treeIsMirrored();
    void invalidMapIsRefused_data();
    void invalidMapIsRefused();
    void unmountsEvenWithAFileOpen();
    void killedFileSystemLeavesNoMount();
    void refusesAnUnsafeMountPoint_data();
    void refusesAnUnsafeMountPoint();
    void wholeFileAsADiskImage();

private:
    void writeFile(const QString& relative, const QByteArray& bytes);
    QString path(const SimulatedMedium& medium, const QString& relative) const
    {
        return medium.mountPoint() + QLatin1Char('/') + relative;
    }

    std::unique_ptr<QTemporaryDir> m_source;
    QByteArray m_data;
};

void tst_SimulatedMedium::writeFile(const QString& relative, const QByteArray& bytes)
{
    const QString full = m_source->filePath(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

void tst_SimulatedMedium::init()
{
    m_source = std::make_unique<QTemporaryDir>();
    QVERIFY(m_source->isValid());
    m_data = pattern(kDataSize, 1);
    writeFile(QStringLiteral("data.bin"), m_data);
    writeFile(QStringLiteral("other.bin"), pattern(kDataSize, 2));
    writeFile(QStringLiteral("Fotos 2024/Ürlaub am Meer.jpg"), pattern(5000, 3));
    writeFile(QStringLiteral("a/b/c/deep.txt"), QByteArrayLiteral("deep\n"));
}

// The damage of data.bin in the read tests: a lone bad sector, a bad byte, and a range up to the end.
static const auto kDataMap = QStringLiteral("# sectors\n"
                                            "data.bin 4096 512\n"
                                            "data.bin 10000 1   # one byte\n"
                                            "\n"
                                            "data.bin 200000 62144\n");

void tst_SimulatedMedium::goodBytesMatchTheSource_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("up to the first bad byte") << qint64(0) << qint64(4096) << qint64(4096);
    QTest::newRow("one byte before it") << qint64(4095) << qint64(1) << qint64(1);
    QTest::newRow("from the end of a bad range") << qint64(4608) << qint64(5392) << qint64(5392);
    QTest::newRow("between two bad ranges, unaligned") << qint64(10001) << qint64(12345) << qint64(12345);
    QTest::newRow("a long good stretch") << qint64(20000) << qint64(180000) << qint64(180000);
    QTest::newRow("other file, whole") << qint64(0) << kDataSize << kDataSize;
}

void tst_SimulatedMedium::goodBytesMatchTheSource()
{
    KORVALIS_REQUIRE_FUSE();
    QFETCH(qint64, offset);
    QFETCH(qint64, size);
    QFETCH(qint64, expected);

    SimulatedMedium medium(m_source->path(), kDataMap);
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
    const bool other = QByteArray(QTest::currentDataTag()).startsWith("other");
    const ReadResult read = readOnce(
        path(medium, other ? QStringLiteral("other.bin") : QStringLiteral("data.bin")), offset, size);
    QCOMPARE(read.error, 0);
    QCOMPARE(read.count, expected);
    const QByteArray source = other ? pattern(kDataSize, 2) : m_data;
    QVERIFY(read.bytes == source.mid(offset, expected));
}

void tst_SimulatedMedium::readsTouchingBadBytesFail_data()
{
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("size");

    QTest::newRow("the bad sector") << qint64(4096) << qint64(512);
    QTest::newRow("its last byte") << qint64(4607) << qint64(1);
    QTest::newRow("good bytes running into it") << qint64(0) << qint64(8192);
    QTest::newRow("starting inside, ending past it") << qint64(4600) << qint64(4096);
    QTest::newRow("the bad byte") << qint64(10000) << qint64(1);
    QTest::newRow("a block holding the bad byte") << qint64(8192) << qint64(4096);
    QTest::newRow("bad up to the end, asked past it") << qint64(262000) << qint64(4096);
}

void tst_SimulatedMedium::readsTouchingBadBytesFail()
{
    KORVALIS_REQUIRE_FUSE();
    QFETCH(qint64, offset);
    QFETCH(qint64, size);

    SimulatedMedium medium(m_source->path(), kDataMap);
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
    const ReadResult read = readOnce(path(medium, QStringLiteral("data.bin")), offset, size);
    QCOMPARE(read.count, qint64(-1));
    QCOMPARE(read.error, EIO);
}

void tst_SimulatedMedium::weakRangeReadsAfterItsFailures()
{
    KORVALIS_REQUIRE_FUSE();
    SimulatedMedium medium(m_source->path(), QStringLiteral("data.bin 8192 4096 weak=3\n"));
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
    const QString file = path(medium, QStringLiteral("data.bin"));

    // Reads beside the range do not use up its failures.
    QCOMPARE(readOnce(file, 0, 8192).count, qint64(8192));
    for (int attempt = 1; attempt <= 3; ++attempt) {
        const ReadResult read = readOnce(file, 8192 + attempt, 100);
        QCOMPARE(read.count, qint64(-1));
        QCOMPARE(read.error, EIO);
    }
    const ReadResult read = readOnce(file, 4096, 16384);
    QCOMPARE(read.count, qint64(16384));
    QVERIFY(read.bytes == m_data.mid(4096, 16384));
}

// Large media: positions past 32 bits, in a sparse file that takes no real space.
void tst_SimulatedMedium::positionsPastFourGiB()
{
    KORVALIS_REQUIRE_FUSE();
    constexpr qint64 kBig = 5LL * 1024 * 1024 * 1024;
    constexpr qint64 kBad = 4LL * 1024 * 1024 * 1024 + 4096;
    const QByteArray marker = pattern(8192, 4);
    {
        QFile big(m_source->filePath(QStringLiteral("big.bin")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(kBig));
        QVERIFY(big.seek(kBad - 4096));
        QCOMPARE(big.write(marker), marker.size());
    }
    SimulatedMedium medium(m_source->path(), QStringLiteral("big.bin %1 512\n").arg(kBad));
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
    const QString file = path(medium, QStringLiteral("big.bin"));

    QCOMPARE(QFileInfo(file).size(), kBig);
    QVERIFY(readOnce(file, kBad - 4096, 4096).bytes == marker.left(4096));
    QCOMPARE(readOnce(file, kBad, 1).error, EIO);
    QCOMPARE(readOnce(file, kBad - (1LL << 32), 512).count, qint64(512)); // the same offset, 32 bits down
    QVERIFY(readOnce(file, kBad + 512, 3584).bytes == marker.mid(4608));
}

// The delayed read must still be waiting after a while, while a read of another file comes back.
void tst_SimulatedMedium::delayHoldsOnlyTheFailingRead()
{
    KORVALIS_REQUIRE_FUSE();
    SimulatedMedium medium(m_source->path(), QStringLiteral("data.bin 0 512 delay=4000\n"));
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));

    std::atomic<bool> finished = false;
    ReadResult delayed;
    std::thread reader([&] {
        delayed = readOnce(path(medium, QStringLiteral("data.bin")), 0, 512);
        finished = true;
    });
    QTest::qSleep(300);
    const bool pendingAfterAWhile = !finished;
    const ReadResult other = readOnce(path(medium, QStringLiteral("other.bin")), 0, kDataSize);
    const bool pendingAfterTheOtherRead = !finished;
    reader.join();

    QVERIFY(pendingAfterAWhile);
    QCOMPARE(other.count, kDataSize);
    QVERIFY(pendingAfterTheOtherRead);
    QCOMPARE(delayed.count, qint64(-1));
    QCOMPARE(delayed.error, EIO);
}

void tst_SimulatedMedium::writesAreRefused()
{
    KORVALIS_REQUIRE_FUSE();
    SimulatedMedium medium(m_source->path(), QString());
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
    const QByteArray existing = QFile::encodeName(path(medium, QStringLiteral("data.bin")));
    const QByteArray fresh = QFile::encodeName(path(medium, QStringLiteral("new.txt")));
    const QByteArray folder = QFile::encodeName(path(medium, QStringLiteral("a")));

    errno = 0;
    QCOMPARE(::open(existing.constData(), O_WRONLY), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::open(existing.constData(), O_RDWR), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::open(fresh.constData(), O_WRONLY | O_CREAT, 0644), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::mkdir(QFile::encodeName(path(medium, QStringLiteral("new"))).constData(), 0755), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::unlink(existing.constData()), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::rename(existing.constData(), fresh.constData()), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::truncate(existing.constData(), 0), -1);
    QCOMPARE(errno, EROFS);
    QCOMPARE(::rmdir(folder.constData()), -1);
    QCOMPARE(errno, EROFS);

    // The source is as it was.
    QFile source(m_source->filePath(QStringLiteral("data.bin")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QVERIFY(source.readAll() == m_data);
}

void tst_SimulatedMedium::treeIsMirrored()
{
    KORVALIS_REQUIRE_FUSE();
    QVERIFY(QFile::link(QStringLiteral("data.bin"), m_source->filePath(QStringLiteral("link to data"))));
    SimulatedMedium medium(m_source->path(), QStringLiteral("\"Fotos 2024/Ürlaub am Meer.jpg\" 0 512\n"));
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
    QVERIFY(!medium.mountPoint().endsWith(QLatin1Char('/')));

    const auto names = [](const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                      QDir::Name);
    };
    QCOMPARE(names(medium.mountPoint()), names(m_source->path()));
    QCOMPARE(names(path(medium, QStringLiteral("Fotos 2024"))),
             QStringList{QStringLiteral("Ürlaub am Meer.jpg")});
    QCOMPARE(QFileInfo(path(medium, QStringLiteral("link to data"))).symLinkTarget(),
             path(medium, QStringLiteral("data.bin")));
    QCOMPARE(QFileInfo(path(medium, QStringLiteral("Fotos 2024/Ürlaub am Meer.jpg"))).size(), qint64(5000));

    QFile deep(path(medium, QStringLiteral("a/b/c/deep.txt")));
    QVERIFY(deep.open(QIODevice::ReadOnly));
    QCOMPARE(deep.readAll(), QByteArrayLiteral("deep\n"));
    const uchar* mapped = deep.map(0, 4); // undamaged files map as on a disk
    QVERIFY(mapped != nullptr);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(mapped), 4), QByteArrayLiteral("deep"));
    QCOMPARE(readOnce(path(medium, QStringLiteral("Fotos 2024/Ürlaub am Meer.jpg")), 0, 100).error, EIO);
}

void tst_SimulatedMedium::invalidMapIsRefused_data()
{
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bad number") << QStringLiteral("data.bin 0 512\n# fine\ndata.bin x 512\n")
                                << QStringLiteral("line 3: ");
    QTest::newRow("missing file") << QStringLiteral("nothing.bin 0 512\n") << QStringLiteral("line 1: ");
    QTest::newRow("past the end") << QStringLiteral("\n\ndata.bin 262144 1\n") << QStringLiteral("line 3: ");
    QTest::newRow("a folder") << QStringLiteral("a/b 0 1\n") << QStringLiteral("line 1: ");
}

void tst_SimulatedMedium::invalidMapIsRefused()
{
    KORVALIS_REQUIRE_FUSE();
    QFETCH(QString, map);
    QFETCH(QString, expected);

    SimulatedMedium medium(m_source->path(), map);
    QVERIFY(!medium.mount());
    QVERIFY2(medium.errorString().contains(expected), qPrintable(medium.errorString()));
    QVERIFY(!medium.isMounted());
}

void tst_SimulatedMedium::unmountsEvenWithAFileOpen()
{
    KORVALIS_REQUIRE_FUSE();
    QString mountPoint;
    Platform::UniqueFd held;
    {
        SimulatedMedium medium(m_source->path(), QString());
        QVERIFY2(medium.mount(), qPrintable(medium.errorString()));
        mountPoint = medium.mountPoint();
        QVERIFY(isMountPoint(mountPoint));
        held.reset(::open(QFile::encodeName(path(medium, QStringLiteral("data.bin"))).constData(), O_RDONLY));
        QVERIFY(held);
    }
    QVERIFY(!isMountPoint(mountPoint));
    QVERIFY(!QFileInfo::exists(QFileInfo(mountPoint).absolutePath()));
    char byte = 0;
    QCOMPARE(::pread(held.get(), &byte, 1, 0), ssize_t(-1));
}

// A test that crashes kills its file system with it; the mount must not stay behind, dead.
void tst_SimulatedMedium::killedFileSystemLeavesNoMount()
{
    KORVALIS_REQUIRE_FUSE();
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString target = work.filePath(QStringLiteral("medium"));
    QVERIFY(QDir().mkdir(target));

    QProcess program;
    program.start(SimulatedMedium::programPath(), {QStringLiteral("-f"), m_source->path(), target});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(isMountPoint(target), 20'000);
    program.kill();
    QVERIFY(program.waitForFinished());
    QTRY_VERIFY_WITH_TIMEOUT(!isMountPoint(target), 20'000);
    QVERIFY(QDir(target).isEmpty()); // the empty folder again, not a dead mount
}

void tst_SimulatedMedium::refusesAnUnsafeMountPoint_data()
{
    QTest::addColumn<QString>("mountPoint"); // relative to a fresh folder; "source/" is the source
    QTest::addColumn<QString>("expected");

    QTest::newRow("a folder with files") << QStringLiteral("full") << QStringLiteral("is not empty");
    QTest::newRow("inside the source")
        << QStringLiteral("source/a") << QStringLiteral("outside the mirrored");
    QTest::newRow("the source itself") << QStringLiteral("source") << QStringLiteral("outside the mirrored");
    QTest::newRow("missing") << QStringLiteral("nowhere") << QStringLiteral("nowhere: No such file");
}

void tst_SimulatedMedium::refusesAnUnsafeMountPoint()
{
    KORVALIS_REQUIRE_FUSE();
    QFETCH(QString, mountPoint);
    QFETCH(QString, expected);

    QTemporaryDir work;
    QVERIFY(work.isValid());
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("source/a")));
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("full/keep")));
    const QString target = work.filePath(mountPoint);

    QProcess program;
    program.start(SimulatedMedium::programPath(),
                  {QStringLiteral("-f"), work.filePath(QStringLiteral("source")), target});
    QVERIFY(program.waitForFinished(30'000));
    QCOMPARE(program.exitCode(), 2);
    const QString message = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(message.contains(expected), qPrintable(message));
    QVERIFY(!isMountPoint(target));
}

void tst_SimulatedMedium::wholeFileAsADiskImage()
{
    KORVALIS_REQUIRE_FUSE();
    SimulatedMedium medium(m_source->path(), QStringLiteral("data.bin 4096 512\nother.bin 0 512\n"));
    medium.setImage(QStringLiteral("data.bin"));
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));

    // The mount point is the file itself, with the damage of its ranges.
    const QFileInfo image(medium.mountPoint());
    QVERIFY(image.isFile());
    QCOMPARE(image.size(), kDataSize);
    QVERIFY(readOnce(medium.mountPoint(), 0, 4096).bytes == m_data.left(4096));
    QCOMPARE(readOnce(medium.mountPoint(), 4096, 512).error, EIO);

    // Given to losetup, it is a read-only block device with a bad sector.
    const LoopDevice loop(medium.mountPoint());
    if (loop.device().isEmpty())
        QSKIP(qPrintable(loop.skipReason()));
    const QString& device = loop.device();

    const ReadResult before = readDirect(device, 3584, 512);
    QCOMPARE(before.count, qint64(512));
    QVERIFY(before.bytes == m_data.mid(3584, 512));
    const ReadResult bad = readDirect(device, 4096, 512);
    QCOMPARE(bad.count, qint64(-1));
    QCOMPARE(bad.error, EIO);
    const ReadResult after = readDirect(device, 4608, 512);
    QCOMPARE(after.count, qint64(512));
    QVERIFY(after.bytes == m_data.mid(4608, 512));
}

QTEST_GUILESS_MAIN(tst_SimulatedMedium)
#include "tst_simulatedmedium.moc"
