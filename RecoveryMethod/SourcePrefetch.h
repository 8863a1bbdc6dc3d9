#pragma once

#include <QStringList>

#include <memory>
#include <thread>

class FileAccess;

// Has the next sources of a job read into memory in the background while the current one is
// copied, so that the disk works while the window and the copier do their share of each file: on
// a job of many small files that share is as long as the read itself. A thread of its own passes
// each path to FileAccess::readSoon, in order. The control stops it for the rest of a run at the
// first read that fails (the medium is damaged, and its time belongs to the copier's own reads)
// and while a dialog of the run is open.
class SourcePrefetch
{
public:
    explicit SourcePrefetch(std::shared_ptr<FileAccess> files);
    ~SourcePrefetch();
    SourcePrefetch(const SourcePrefetch&) = delete;
    SourcePrefetch& operator=(const SourcePrefetch&) = delete;

    void add(const QStringList& paths);
    // Forgets the paths not yet passed on.
    void clear();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};
