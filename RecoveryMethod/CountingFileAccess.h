#pragma once

#include "BlockFiles.h"

#include <atomic>
#include <memory>

// What the engine asked of the medium during a run, counted on the way through.
struct IoCounts
{
    std::atomic<qint64> reads{0};        // positioned reads of a source
    std::atomic<qint64> failedReads{0};  // reads that returned an error
    std::atomic<qint64> bytesRead{0};    // bytes the successful reads returned
    std::atomic<qint64> writes{0};       // positioned writes of a destination
    std::atomic<qint64> bytesWritten{0}; // bytes the successful writes stored
};

// Hands every call on to the engine's real file access and counts the reads and writes, so a
// benchmark can report failed reads and recovered bytes without tracing the process.
class CountingFileAccess : public FileAccess
{
public:
    explicit CountingFileAccess(std::shared_ptr<FileAccess> files);

    const IoCounts& counts() const { return *m_counts; }

    bool fileExists(const QString& path) override;
    bool exists(const QString& path) override;
    Opened<BlockSource> openSource(const QString& path) override;
    Opened<BlockSource> openSectorSource(const QString& path) override;
    Opened<BlockDestination> openDestination(const QString& path, bool truncate) override;
    Opened<BlockDestination> createDestination(const QString& path) override;
    bool makeFolder(const QString& path) override;
    bool remove(const QString& path) override;

private:
    Opened<BlockDestination> counted(Opened<BlockDestination> opened) const;

    std::shared_ptr<FileAccess> m_files;
    // Shared with the open files, which may outlive this object on the engine's worker thread.
    std::shared_ptr<IoCounts> m_counts;
};
