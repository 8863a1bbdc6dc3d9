#pragma once

#include "BlockFiles.h"
#include "ByteRange.h"
#include "ByteRangeSet.h"

#include <QList>

#include <functional>
#include <vector>

// Reads the given-up ranges of one file again, one sector at a time, and writes every sector that
// reads at its own offset. Each range is trimmed from both edges inward up to the first sector that
// fails on each side; what is left between the two failures is then scraped, sector by sector, when
// it is short (or always, when the pass is told to scrape everything). No sector is read twice.
// Plain synchronous code: run() may be called on any thread, and called again after it stopped to
// go on where it left off.
class RescuePass
{
public:
    static constexpr qint64 ShortArea = 64 * 1024; // middles up to this long are scraped

    enum class Scrape
    {
        ShortAreas, // the rescue phase of a run: large bad areas keep their untrimmed middle
        Everything, // a later attempt at what stayed lost
    };
    enum class Outcome
    {
        Finished,    // every sector of the ranges was tried
        Stopped,     // stop() asked to end before the next sector
        MediumGone,  // the source medium is no longer there
        WriteFailed, // the copy could not be written; writeError() says why
    };

    // Reads one sector at a 0-based offset into a buffer of at least the sector size.
    using ReadSector = std::function<IoResult(qint64 offset, char* buffer)>;
    // Writes bytes at a 0-based offset of the copy.
    using Write = std::function<IoResult(qint64 offset, const char* buffer, qint64 length)>;

    // givenUp: the ranges to read again (1-based, both ends included); positions past fileSize are
    // dropped. Only these ranges are ever read or written.
    RescuePass(qint64 fileSize, int sectorSize, const QList<ByteRange>& givenUp, Scrape scrape);

    // Reads until every sector was tried, stop() returns true (asked before each read), the medium
    // is gone or a write fails. progress() is called after each sector.
    Outcome run(const ReadSector& read, const Write& write, const std::function<bool()>& stop,
                const std::function<void()>& progress = {});

    // What is still unread: the sectors that failed, the middles not scraped, and what was not
    // tried yet.
    const ByteRangeSet& lost() const { return m_lost; }
    qint64 recoveredBytes() const { return m_recovered; }
    int writeError() const { return m_writeError; }
    bool finished() const;

    // True for the errors that mean the medium itself went away, not that a sector is bad.
    static bool mediumGone(int error);

private:
    enum class Phase
    {
        Front, // trimming forward from the first sector
        Back,  // trimming backward from the last one
        Middle,
        Done,
    };
    struct Area
    {
        qint64 front = 0; // 0-based offset of the next sector to trim forward
        qint64 back = 0;  // end of what is not trimmed from the back yet
        qint64 scrapeAt = 0;
        Phase phase = Phase::Front;
    };
    enum class Step
    {
        Read,
        Failed,
        Gone,
        WriteFailed,
    };

    Step readSector(qint64 offset, const ReadSector& read, const Write& write);
    bool advance(Area& area, bool scrapePhase, const ReadSector& read, const Write& write, Outcome& outcome);

    qint64 m_fileSize;
    qint64 m_sectorSize;
    Scrape m_scrape;
    std::vector<Area> m_areas;
    ByteRangeSet m_lost;
    qint64 m_recovered = 0;
    int m_writeError = 0;
    std::vector<char> m_buffer;
};
