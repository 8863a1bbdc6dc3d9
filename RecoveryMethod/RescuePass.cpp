#include "RescuePass.h"

#include <algorithm>
#include <cerrno>

RescuePass::RescuePass(qint64 fileSize, int sectorSize, const QList<ByteRange>& givenUp, Scrape scrape)
    : m_fileSize(std::max<qint64>(fileSize, 0))
    , m_sectorSize(std::max(sectorSize, 1))
    , m_scrape(scrape)
    , m_lost(givenUp)
    , m_buffer(static_cast<size_t>(m_sectorSize))
{
    m_lost.clampTo(m_fileSize);
    // Whole sectors around each range: a range that starts or ends inside a sector takes it all,
    // and neighbouring ranges that share a sector are one area.
    ByteRangeSet sectors;
    for (const ByteRange& r : m_lost.ranges()) {
        const qint64 first = (r.first - 1) / m_sectorSize * m_sectorSize;
        const qint64 end = std::min((r.last + m_sectorSize - 1) / m_sectorSize * m_sectorSize, m_fileSize);
        sectors.add({first + 1, end});
    }
    for (const ByteRange& r : sectors.ranges())
        m_areas.push_back(Area{r.first - 1, r.last, r.first - 1, Phase::Front});
}

bool RescuePass::mediumGone(int error)
{
    return error == ENODEV || error == ENOTCONN || error == ECONNABORTED || error == ENXIO;
}

bool RescuePass::finished() const
{
    return std::all_of(m_areas.begin(), m_areas.end(), [](const Area& a) { return a.phase == Phase::Done; });
}

RescuePass::Outcome RescuePass::run(const ReadSector& read, const Write& write,
                                    const std::function<bool()>& stop, const std::function<void()>& progress)
{
    // Trimming of every area first, so that the readable edges come in before the slow middles.
    for (const bool scrapePhase : {false, true}) {
        for (Area& area : m_areas) {
            for (;;) {
                if (area.phase == Phase::Done || (!scrapePhase && area.phase == Phase::Middle))
                    break;
                if (stop && stop())
                    return Outcome::Stopped;
                Outcome outcome = Outcome::Finished;
                if (!advance(area, scrapePhase, read, write, outcome))
                    return outcome;
                if (progress)
                    progress();
            }
        }
    }
    return Outcome::Finished;
}

// Takes one step in an area: reads at most one sector. False when the pass must end (outcome).
bool RescuePass::advance(Area& area, bool scrapePhase, const ReadSector& read, const Write& write,
                         Outcome& outcome)
{
    auto step = [&](qint64 offset) {
        const Step s = readSector(offset, read, write);
        if (s == Step::Gone)
            outcome = Outcome::MediumGone;
        else if (s == Step::WriteFailed)
            outcome = Outcome::WriteFailed;
        return s;
    };
    switch (area.phase) {
    case Phase::Front: {
        if (area.front >= area.back) {
            area.phase = Phase::Done;
            return true;
        }
        const Step s = step(area.front);
        if (s == Step::Gone || s == Step::WriteFailed)
            return false;
        area.front += m_sectorSize;
        if (area.front >= area.back)
            area.phase = Phase::Done;
        else if (s == Step::Failed)
            area.phase = Phase::Back;
        return true;
    }
    case Phase::Back: {
        if (area.back <= area.front) {
            area.phase = Phase::Done;
            return true;
        }
        const qint64 sector = (area.back - 1) / m_sectorSize * m_sectorSize;
        const Step s = step(sector);
        if (s == Step::Gone || s == Step::WriteFailed)
            return false;
        area.back = sector;
        if (area.back <= area.front) {
            area.phase = Phase::Done;
        } else if (s == Step::Failed) {
            area.phase = Phase::Middle;
            area.scrapeAt = area.front;
            if (m_scrape == Scrape::ShortAreas && area.back - area.front > ShortArea)
                area.phase = Phase::Done; // a large bad area: its middle stays for a later attempt
        }
        return true;
    }
    case Phase::Middle: {
        if (!scrapePhase)
            return true;
        if (area.scrapeAt >= area.back) {
            area.phase = Phase::Done;
            return true;
        }
        const Step s = step(area.scrapeAt);
        if (s == Step::Gone || s == Step::WriteFailed)
            return false;
        area.scrapeAt += m_sectorSize;
        if (area.scrapeAt >= area.back)
            area.phase = Phase::Done;
        return true;
    }
    case Phase::Done:
        return true;
    }
    return true;
}

RescuePass::Step RescuePass::readSector(qint64 offset, const ReadSector& read, const Write& write)
{
    const IoResult got = read(offset, m_buffer.data());
    if (!got.ok())
        return mediumGone(got.error) ? Step::Gone : Step::Failed;
    // Only the bytes of the given-up ranges are written: a sector shared with bytes the first pass
    // copied is not written over them.
    const qint64 end = std::min(offset + got.bytes, m_fileSize);
    qint64 at = offset;
    for (const ByteRange& r : m_lost.ranges()) {
        const qint64 first = std::max(r.first - 1, at);
        const qint64 last = std::min(r.last, end); // exclusive, 0-based
        if (r.first - 1 >= end)
            break;
        if (first >= last)
            continue;
        const IoResult written = write(first, m_buffer.data() + (first - offset), last - first);
        if (!written.ok()) {
            m_writeError = written.error;
            return Step::WriteFailed;
        }
        m_recovered += last - first;
        at = last;
    }
    if (end > offset)
        m_lost.remove({offset + 1, end});
    return got.bytes < m_sectorSize && offset + got.bytes < m_fileSize ? Step::Failed : Step::Read;
}
