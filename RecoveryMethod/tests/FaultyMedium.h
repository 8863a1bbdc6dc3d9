#pragma once

#include "BlockFiles.h"
#include "PosixFileAccess.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>

#include <functional>
#include <memory>

// One read the copier made: 0-based offset and length asked for.
struct ReadCall
{
    qint64 offset = 0;
    qint64 length = 0;
    bool operator==(const ReadCall&) const = default;
};

// A file on a damaged medium, in memory: reads that touch a bad range fail with its error, reads
// of a slow range wait first. The copier reads it from its worker thread; the log is kept
// under a lock.
class FaultyMedium
{
public:
    explicit FaultyMedium(QByteArray data);
    // A file of `size` bytes whose byte at offset o is patternByte(o); nothing is kept in memory.
    static std::shared_ptr<FaultyMedium> patterned(qint64 size);
    static char patternByte(qint64 offset);

    qint64 size() const { return m_size; }
    QByteArray bytes(qint64 offset, qint64 length) const;

    // Reads touching the range fail with error, the first `times` reads only (-1: always).
    void addBadRange(qint64 offset, qint64 length, int error = EIO, int times = -1);
    void addDelay(qint64 offset, qint64 length, int delayMs);
    // Called on the reading thread before each read, with the read's offset and length.
    void setOnRead(std::function<void(qint64, qint64)> onRead);

    IoResult read(qint64 offset, char* buffer, qint64 length);
    QList<ReadCall> reads() const;

private:
    struct Range
    {
        qint64 offset;
        qint64 length;
        int value;      // errno, or delay in ms
        int times = -1; // failures left; -1 for ever
    };

    QByteArray m_data;
    qint64 m_size = 0;
    bool m_patterned = false;
    QList<Range> m_bad;
    QList<Range> m_slow;
    std::function<void(qint64, qint64)> m_onRead;
    mutable QMutex m_mutex;
    QList<ReadCall> m_reads;
};

// The real file system, except that chosen sources read from a faulty medium and chosen
// destinations fail their writes.
class FaultyFileAccess : public PosixFileAccess
{
public:
    // Reads of `path` come from the medium (the path need not exist on disk).
    void addSource(const QString& path, std::shared_ptr<FaultyMedium> medium);
    // The first `failures` writes to `path` fail with error (-1: every write fails).
    void failWrites(const QString& path, int failures, int error = ENOSPC);
    int failedWrites() const { return *m_failedWrites; }

    bool fileExists(const QString& path) override;
    bool exists(const QString& path) override;
    Opened<BlockSource> openSource(const QString& path) override;
    Opened<BlockSource> openSectorSource(const QString& path) override;
    Opened<BlockDestination> openDestination(const QString& path, bool truncate) override;
    // Through openDestination above, so that a failing destination fails also when created ahead.
    Opened<BlockDestination> createDestination(const QString& path) override
    {
        return FileAccess::createDestination(path);
    }
    // Called on the copier's thread when `path` is about to be opened as a source.
    void onOpen(const QString& path, std::function<void()> call);
    // The sources opened, in order.
    QStringList openedSources() const;

private:
    struct WriteFault
    {
        int failures;
        int error;
    };
    QHash<QString, std::shared_ptr<FaultyMedium>> m_sources;
    QHash<QString, std::shared_ptr<WriteFault>> m_writeFaults;
    std::shared_ptr<int> m_failedWrites = std::make_shared<int>(0);
    QHash<QString, std::function<void()>> m_onOpen;
    mutable QMutex m_openedMutex;
    QStringList m_opened;
};
