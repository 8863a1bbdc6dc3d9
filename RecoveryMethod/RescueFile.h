#pragma once

#include "BlockFiles.h"
#include "RescuePass.h"

#include <QString>

#include <atomic>
#include <memory>

// The reads of the medium that the rescue of a run made; safe to read from any thread.
struct RescueCounts
{
    std::atomic<qint64> reads{0};
    std::atomic<qint64> failedReads{0};
    std::atomic<qint64> bytesRecovered{0}; // read and written into the copies
};

// One damaged file brought back as far as the medium allows: its source read sector by sector at
// the medium's sector size, its existing copy written only in the given-up ranges (RescuePass) and
// grown to the source's size, so that an unreadable tail reads back as zero bytes like any other
// given-up range. The copy is never truncated and no byte outside the ranges is written. Plain
// blocking code for one thread at a time; run() may be called again after it stopped.
class RescueFile
{
public:
    enum class Outcome
    {
        Finished,
        Stopped,
        MediumGone,    // the source medium went away
        SourceFailed,  // the source could not be opened; error() says why
        SourceChanged, // the source's size is not the size the ranges were found in
        CopyFailed,    // the copy could not be opened or written; error() says why
    };

    RescueFile(std::shared_ptr<FileAccess> files, QString source, QString copy, qint64 fileSize,
               const QList<ByteRange>& givenUp, RescuePass::Scrape scrape,
               std::shared_ptr<RescueCounts> counts = std::make_shared<RescueCounts>());

    Outcome run(const std::function<bool()>& stop, const std::function<void()>& progress = {});
    // Only grows the copy to the source's size when it is shorter; nothing is read.
    bool growCopy();
    // Closes the source and the copy; false when the copy's close failed.
    bool close();

    const QString& source() const { return m_source; }
    const QString& copy() const { return m_copy; }
    qint64 fileSize() const { return m_fileSize; }
    // What is still unread of the given-up ranges.
    const ByteRangeSet& lost() const { return m_pass ? m_pass->lost() : m_givenUp; }
    qint64 recoveredBytes() const { return m_pass ? m_pass->recoveredBytes() : 0; }
    int error() const { return m_error; }
    const RescueCounts& counts() const { return *m_counts; }

private:
    bool openCopy();

    std::shared_ptr<FileAccess> m_files;
    QString m_source;
    QString m_copy;
    qint64 m_fileSize;
    ByteRangeSet m_givenUp;
    RescuePass::Scrape m_scrape;
    std::shared_ptr<RescueCounts> m_counts;
    std::unique_ptr<BlockSource> m_reader;
    std::unique_ptr<BlockDestination> m_writer;
    std::unique_ptr<RescuePass> m_pass;
    int m_error = 0;
};
