#include "CountingFileAccess.h"

namespace {

class CountingSource : public BlockSource
{
public:
    CountingSource(std::unique_ptr<BlockSource> source, std::shared_ptr<IoCounts> counts)
        : m_source(std::move(source))
        , m_counts(std::move(counts))
    {
    }

    qint64 size() const override { return m_source->size(); }
    QDateTime lastModified() const override { return m_source->lastModified(); }
    int sectorSize() const override { return m_source->sectorSize(); }

    IoResult readAt(qint64 offset, char* buffer, qint64 length) override
    {
        const IoResult result = m_source->readAt(offset, buffer, length);
        m_counts->reads.fetch_add(1, std::memory_order_relaxed);
        if (result.ok())
            m_counts->bytesRead.fetch_add(result.bytes, std::memory_order_relaxed);
        else
            m_counts->failedReads.fetch_add(1, std::memory_order_relaxed);
        return result;
    }

private:
    std::unique_ptr<BlockSource> m_source;
    std::shared_ptr<IoCounts> m_counts;
};

class CountingDestination : public BlockDestination
{
public:
    CountingDestination(std::unique_ptr<BlockDestination> destination, std::shared_ptr<IoCounts> counts)
        : m_destination(std::move(destination))
        , m_counts(std::move(counts))
    {
    }

    IoResult writeAt(qint64 offset, const char* buffer, qint64 length) override
    {
        const IoResult result = m_destination->writeAt(offset, buffer, length);
        m_counts->writes.fetch_add(1, std::memory_order_relaxed);
        if (result.ok())
            m_counts->bytesWritten.fetch_add(result.bytes, std::memory_order_relaxed);
        return result;
    }

    int close() override { return m_destination->close(); }
    int growTo(qint64 size) override { return m_destination->growTo(size); }

private:
    std::unique_ptr<BlockDestination> m_destination;
    std::shared_ptr<IoCounts> m_counts;
};

} // namespace

CountingFileAccess::CountingFileAccess(std::shared_ptr<FileAccess> files)
    : m_files(std::move(files))
    , m_counts(std::make_shared<IoCounts>())
{
}

bool CountingFileAccess::fileExists(const QString& path)
{
    return m_files->fileExists(path);
}

bool CountingFileAccess::exists(const QString& path)
{
    return m_files->exists(path);
}

FileAccess::Opened<BlockSource> CountingFileAccess::openSource(const QString& path)
{
    Opened<BlockSource> opened = m_files->openSource(path);
    if (opened.file)
        opened.file = std::make_unique<CountingSource>(std::move(opened.file), m_counts);
    return opened;
}

FileAccess::Opened<BlockSource> CountingFileAccess::openSectorSource(const QString& path)
{
    Opened<BlockSource> opened = m_files->openSectorSource(path);
    if (opened.file)
        opened.file = std::make_unique<CountingSource>(std::move(opened.file), m_counts);
    return opened;
}

FileAccess::Opened<BlockDestination> CountingFileAccess::openDestination(const QString& path, bool truncate)
{
    return counted(m_files->openDestination(path, truncate));
}

FileAccess::Opened<BlockDestination> CountingFileAccess::counted(Opened<BlockDestination> opened) const
{
    if (opened.file)
        opened.file = std::make_unique<CountingDestination>(std::move(opened.file), m_counts);
    return opened;
}

FileAccess::Opened<BlockDestination> CountingFileAccess::createDestination(const QString& path)
{
    return counted(m_files->createDestination(path));
}

bool CountingFileAccess::makeFolder(const QString& path)
{
    return m_files->makeFolder(path);
}

bool CountingFileAccess::remove(const QString& path)
{
    return m_files->remove(path);
}
