// GNU ddrescue, reading a damaged file of the simulator, must find exactly the bad ranges of the map.

#include "SimulatedMedium.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace {

using Area = std::pair<qint64, qint64>; // first byte, length
using Areas = QList<Area>;

constexpr qint64 kFileSize = 1024 * 1024;

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 88172645u;
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x >> 8);
    }
    return bytes;
}

// The areas of a ddrescue map file with the given status, adjacent ones joined.
Areas areasWithStatus(const QByteArray& mapFile, char status, bool* ok)
{
    Areas areas;
    bool statusLineSeen = false;
    *ok = true;
    for (const QByteArray& raw : mapFile.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!statusLineSeen) { // current position and phase
            statusLineSeen = true;
            continue;
        }
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || fields[2].size() != 1) {
            *ok = false;
            return {};
        }
        bool okFirst = false;
        bool okSize = false;
        const qint64 first = fields[0].toLongLong(&okFirst, 0);
        const qint64 size = fields[1].toLongLong(&okSize, 0);
        if (!okFirst || !okSize) {
            *ok = false;
            return {};
        }
        if (fields[2][0] != status)
            continue;
        if (!areas.isEmpty() && areas.last().first + areas.last().second == first)
            areas.last().second += size;
        else
            areas.append({first, size});
    }
    return areas;
}

// "8192+512 65536+4096", for messages that show what differs.
QString text(const Areas& areas)
{
    QStringList parts;
    for (const Area& area : areas)
        parts << QStringLiteral("%1+%2").arg(area.first).arg(area.second);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class tst_DdrescueCrossCheck : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void badAreasEqualTheMap_data();
    void badAreasEqualTheMap();
};

void tst_DdrescueCrossCheck::badAreasEqualTheMap_data()
{
    QTest::addColumn<QStringList>("ddrescueOptions");

    QTest::newRow("buffered reads") << QStringList{};
    QTest::newRow("direct reads (-d)") << QStringList{QStringLiteral("-d")};
}

void tst_DdrescueCrossCheck::badAreasEqualTheMap()
{
    KORVALIS_REQUIRE_FUSE();
    QFETCH(QStringList, ddrescueOptions);
    const QString ddrescue = QStandardPaths::findExecutable(QStringLiteral("ddrescue"));
    if (ddrescue.isEmpty()) {
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL("GNU ddrescue is not installed (package gddrescue)");
        QSKIP("GNU ddrescue is not installed (package gddrescue)");
    }

    QTemporaryDir source;
    QTemporaryDir work;
    QVERIFY(source.isValid() && work.isValid());
    const QByteArray data = pattern(kFileSize);
    {
        QFile file(source.filePath(QStringLiteral("disk image.bin")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(data), kFileSize);
    }

    // Sector-aligned, as ddrescue finds bad areas in whole sectors: a lone sector, a run of eight,
    // two touching ranges that ddrescue sees as one, a slow one, the last sector, and a weak range
    // that gives in after its first read, so ddrescue recovers it.
    const QString map = QStringLiteral("\"disk image.bin\" 8192 512\n"
                                       "\"disk image.bin\" 65536 4096\n"
                                       "\"disk image.bin\" 300032 1024\n"
                                       "\"disk image.bin\" 301056 512 delay=20\n"
                                       "\"disk image.bin\" 524288 2048 weak=1\n"
                                       "\"disk image.bin\" 1048064 512\n");
    const Areas expectedBad = {{8192, 512}, {65536, 4096}, {300032, 1536}, {1048064, 512}};

    SimulatedMedium medium(source.path(), map);
    QVERIFY2(medium.mount(), qPrintable(medium.errorString()));

    const QString output = work.filePath(QStringLiteral("rescued.bin"));
    const QString mapFile = work.filePath(QStringLiteral("rescued.map"));
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(ddrescue,
              QStringList{QStringLiteral("-b"), QStringLiteral("512"), QStringLiteral("-q")} +
                  ddrescueOptions +
                  QStringList{medium.mountPoint() + QStringLiteral("/disk image.bin"), output, mapFile});
    QVERIFY(run.waitForFinished(120'000));
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, run.readAll().constData());

    QFile mapText(mapFile);
    QVERIFY(mapText.open(QIODevice::ReadOnly));
    const QByteArray mapBytes = mapText.readAll();
    bool ok = false;
    const Areas bad = areasWithStatus(mapBytes, '-', &ok);
    QVERIFY2(ok, mapBytes.constData());
    QCOMPARE(text(bad), text(expectedBad));
    const Areas rescued = areasWithStatus(mapBytes, '+', &ok);
    qint64 rescuedBytes = 0;
    for (const Area& area : rescued)
        rescuedBytes += area.second;
    QCOMPARE(rescuedBytes, kFileSize - 512 - 4096 - 1536 - 512); // nothing left untried

    // What ddrescue read is the source's bytes; it writes nothing of the bad areas, so the copy
    // ends before the bad last sector.
    QFile rescuedFile(output);
    QVERIFY(rescuedFile.open(QIODevice::ReadOnly));
    const QByteArray copy = rescuedFile.readAll();
    QCOMPARE(copy.size(), kFileSize - 512);
    for (const Area& area : rescued)
        QVERIFY(copy.mid(area.first, area.second) == data.mid(area.first, area.second));
}

QTEST_GUILESS_MAIN(tst_DdrescueCrossCheck)
#include "tst_ddrescuecrosscheck.moc"
