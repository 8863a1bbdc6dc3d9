#pragma once

#include "RecoveryMethod/ByteRange.h"
#include "RecoveryMethod/ByteRangeSet.h"
#include "RecoveryMethod/CopyHost.h"
#include "RecoveryMethod/RescueFile.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The second phase of a run: once the first pass has copied everything it could, the given-up
// ranges of every damaged file of the run are read again, sector by sector (RescueFile), in the
// order the files were copied. It logs a line of its own and one per file, shows the file in work
// with its lost bytes going down, stops at the next sector when the user answers the Stop question,
// and asks once, for the whole phase, when the medium goes away. Plain code on the run's thread:
// it reads nothing while a question is open, and takes the abort answer before every sector.
class RescuePhase
{
public:
    struct Item
    {
        QString source;
        QString copy;
        qint64 fileSize = 0;
        QList<ByteRange> givenUp;
        int record = 0;           // the file's damage record, 0 when it has none
        qint64 firstPassLost = 0; // bytes the first pass counted as lost
    };
    struct Hooks
    {
        // A log line: appended, or replacing the last one.
        std::function<void(const QString& line, bool add)> log;
        // The file in work and the bytes of it still lost.
        std::function<void(const QString& file, qint64 lost, qint64 fileSize)> progress;
        // The medium went away: true to try again, false to stop the run.
        std::function<bool()> askMediumGone;
        // A file is done with: what stayed unreadable and how many bytes came back.
        std::function<void(const Item& item, const ByteRangeSet& lost, qint64 recovered)> done;
    };

    // `host` gives the user's answers (CopyHost::holdWhileAsked, abortAnswer, setAbortAnswer).
    RescuePhase(CopyHost& host, std::shared_ptr<FileAccess> files, std::shared_ptr<RescueCounts> counts,
                Hooks hooks);

    void add(Item item) { m_items.push_back(std::move(item)); }
    bool isEmpty() const { return m_items.empty(); }
    // The files added, in order.
    const std::vector<Item>& items() const { return m_items; }

    // Rescues every file added. False when the run must stop (the user's answer, the medium gone or
    // the program quitting); the files not reached keep their losses, their copies grown to size.
    bool run();

    // Reads of the medium in this rescue (shared by all its files).
    const RescueCounts& counts() const { return *m_counts; }

private:
    enum class FileEnd
    {
        Done,
        StopRun,
        Abandoned, // the program is quitting: nothing more is done
    };
    FileEnd rescue(RescueFile& file, const Item& item);
    void finish(RescueFile& file, const Item& item, const QString& suffix);
    bool stopAsked();

    CopyHost& m_host;
    std::shared_ptr<FileAccess> m_files;
    std::shared_ptr<RescueCounts> m_counts;
    Hooks m_hooks;
    std::vector<Item> m_items;
};
