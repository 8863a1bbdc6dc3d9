#pragma once

#include "BlockFiles.h"
#include "UniqueFd.h"

#include <QString>

#include <atomic>
#include <memory>

// Reads a damaged source one sector at a time, at the medium's own sector size (the logical block
// size of the device under the file system). Where the file system allows it the file is read with
// O_DIRECT, so that one bad sector fails alone instead of the page (or the large folio) of the page
// cache around it; elsewhere it falls back to plain positioned reads without read-ahead. Counts every
// read it makes and every read that failed. Plain blocking calls, for any one thread at a time; the
// counters may be read from any thread.
class SectorReader
{
public:
    static constexpr int DefaultSectorSize = 512; // when the device cannot be found

    SectorReader() = default;
    ~SectorReader();
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    // Opens the source read-only; false with error() set when it cannot be opened.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return m_fd.isValid(); }
    int error() const { return m_error; }

    qint64 size() const { return m_size; }
    qint64 lastModifiedMs() const { return m_modifiedMs; }
    int sectorSize() const { return m_sectorSize; }
    // True while the reads bypass the page cache.
    bool direct() const { return m_direct; }

    // Reads the sector that starts at the 0-based offset (a multiple of sectorSize()) into buffer,
    // which holds at least sectorSize() bytes. Returns the bytes read: a whole sector, or less at the
    // end of the file.
    IoResult readSector(qint64 offset, char* buffer);

    qint64 reads() const { return m_reads->load(); }
    qint64 failedReads() const { return m_failedReads->load(); }
    // Counters shared with another reader, so that several files add up to one count.
    void shareCounters(const SectorReader& other);

    // The logical block size of the device that holds path, or of path itself when it is a block
    // device; DefaultSectorSize when it cannot be found.
    static int sectorSizeOf(const QString& path);

private:
    bool reopenBuffered();

    Platform::UniqueFd m_fd;
    QString m_path;
    int m_error = 0;
    qint64 m_size = 0;
    qint64 m_modifiedMs = 0;
    int m_sectorSize = DefaultSectorSize;
    bool m_direct = false;
    char* m_aligned = nullptr; // one sector, aligned for O_DIRECT
    std::shared_ptr<std::atomic<qint64>> m_reads = std::make_shared<std::atomic<qint64>>(0);
    std::shared_ptr<std::atomic<qint64>> m_failedReads = std::make_shared<std::atomic<qint64>>(0);
};
