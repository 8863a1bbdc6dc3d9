#include "FaultyMedium.h"

#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <cstring>

FaultyMedium::FaultyMedium(QByteArray data)
    : m_data(std::move(data))
    , m_size(m_data.size())
{
}

std::shared_ptr<FaultyMedium> FaultyMedium::patterned(qint64 size)
{
    auto medium = std::make_shared<FaultyMedium>(QByteArray());
    medium->m_size = size;
    medium->m_patterned = true;
    return medium;
}

char FaultyMedium::patternByte(qint64 offset)
{
    // Differs from block to block and from a zero byte, so that misplaced blocks and holes show.
    return static_cast<char>(1 + (offset * 7 + offset / 8192) % 251);
}

QByteArray FaultyMedium::bytes(qint64 offset, qint64 length) const
{
    length = std::clamp<qint64>(m_size - offset, 0, length);
    if (!m_patterned)
        return m_data.mid(offset, length);
    QByteArray out(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        out[i] = patternByte(offset + i);
    return out;
}

void FaultyMedium::addBadRange(qint64 offset, qint64 length, int error, int times)
{
    m_bad.append({offset, length, error, times});
}

void FaultyMedium::addDelay(qint64 offset, qint64 length, int delayMs)
{
    m_slow.append({offset, length, delayMs});
}

void FaultyMedium::setOnRead(std::function<void(qint64, qint64)> onRead)
{
    m_onRead = std::move(onRead);
}

IoResult FaultyMedium::read(qint64 offset, char* buffer, qint64 length)
{
    {
        QMutexLocker lock(&m_mutex);
        m_reads.append({offset, length});
    }
    if (m_onRead)
        m_onRead(offset, length);
    const auto touches = [&](const Range& r) {
        return offset < r.offset + r.length && r.offset < offset + length;
    };
    for (const Range& r : m_slow) {
        if (touches(r))
            QThread::msleep(static_cast<unsigned long>(r.value));
    }
    for (Range& r : m_bad) {
        if (touches(r) && r.times != 0) {
            if (r.times > 0)
                --r.times;
            return {0, r.value};
        }
    }
    const qint64 n = std::clamp<qint64>(m_size - offset, 0, length);
    if (m_patterned) {
        for (qint64 i = 0; i < n; ++i)
            buffer[i] = patternByte(offset + i);
    } else if (n > 0) {
        std::memcpy(buffer, m_data.constData() + offset, static_cast<size_t>(n));
    }
    return {n, 0};
}

QList<ReadCall> FaultyMedium::reads() const
{
    QMutexLocker lock(&m_mutex);
    return m_reads;
}

namespace {

class MediumSource : public BlockSource
{
public:
    explicit MediumSource(std::shared_ptr<FaultyMedium> medium)
        : m_medium(std::move(medium))
    {
    }
    qint64 size() const override { return m_medium->size(); }
    QDateTime lastModified() const override { return QDateTime(QDate(2024, 5, 1), QTime(12, 30)); }
    IoResult readAt(qint64 offset, char* buffer, qint64 length) override
    {
        return m_medium->read(offset, buffer, length);
    }

private:
    std::shared_ptr<FaultyMedium> m_medium;
};

class FailingDestination : public BlockDestination
{
public:
    FailingDestination(std::unique_ptr<BlockDestination> real, int failures, int error,
                       std::shared_ptr<int> failed)
        : m_real(std::move(real))
        , m_failures(failures)
        , m_error(error)
        , m_failed(std::move(failed))
    {
    }
    IoResult writeAt(qint64 offset, const char* buffer, qint64 length) override
    {
        if (m_failures != 0) {
            if (m_failures > 0)
                --m_failures;
            ++*m_failed;
            return {0, m_error};
        }
        return m_real->writeAt(offset, buffer, length);
    }
    int close() override { return m_real->close(); }
    int growTo(qint64 size) override { return m_real->growTo(size); }

private:
    std::unique_ptr<BlockDestination> m_real;
    int m_failures;
    int m_error;
    std::shared_ptr<int> m_failed;
};

} // namespace

void FaultyFileAccess::addSource(const QString& path, std::shared_ptr<FaultyMedium> medium)
{
    m_sources.insert(path, std::move(medium));
}

void FaultyFileAccess::failWrites(const QString& path, int failures, int error)
{
    m_writeFaults.insert(path, std::make_shared<WriteFault>(WriteFault{failures, error}));
}

bool FaultyFileAccess::fileExists(const QString& path)
{
    return m_sources.contains(path) || PosixFileAccess::fileExists(path);
}

void FaultyFileAccess::onOpen(const QString& path, std::function<void()> call)
{
    m_onOpen.insert(path, std::move(call));
}

bool FaultyFileAccess::exists(const QString& path)
{
    // The sources' folders exist on the medium too.
    for (auto it = m_sources.cbegin(); it != m_sources.cend(); ++it) {
        if (it.key() == path ||
            it.key().startsWith(path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/')))
            return true;
    }
    return PosixFileAccess::exists(path);
}

FileAccess::Opened<BlockSource> FaultyFileAccess::openSource(const QString& path)
{
    if (const auto call = m_onOpen.value(path))
        call();
    {
        const QMutexLocker lock(&m_openedMutex);
        m_opened.append(path);
    }
    if (const auto medium = m_sources.value(path))
        return {std::make_unique<MediumSource>(medium), {}};
    return PosixFileAccess::openSource(path);
}

FileAccess::Opened<BlockSource> FaultyFileAccess::openSectorSource(const QString& path)
{
    if (m_sources.contains(path))
        return openSource(path);
    return PosixFileAccess::openSectorSource(path);
}

FileAccess::Opened<BlockDestination> FaultyFileAccess::openDestination(const QString& path, bool truncate)
{
    auto opened = PosixFileAccess::openDestination(path, truncate);
    const auto fault = m_writeFaults.value(path);
    if (!opened.file || !fault)
        return opened;
    // Only the first open of the file fails its writes.
    auto destination = std::make_unique<FailingDestination>(std::move(opened.file), fault->failures,
                                                            fault->error, m_failedWrites);
    fault->failures = 0;
    return {std::move(destination), {}};
}

QStringList FaultyFileAccess::openedSources() const
{
    const QMutexLocker lock(&m_openedMutex);
    return m_opened;
}
