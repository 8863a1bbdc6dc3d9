#include "RescueFile.h"

RescueFile::RescueFile(std::shared_ptr<FileAccess> files, QString source, QString copy, qint64 fileSize,
                       const QList<ByteRange>& givenUp, RescuePass::Scrape scrape,
                       std::shared_ptr<RescueCounts> counts)
    : m_files(std::move(files))
    , m_source(std::move(source))
    , m_copy(std::move(copy))
    , m_fileSize(fileSize)
    , m_givenUp(givenUp)
    , m_scrape(scrape)
    , m_counts(std::move(counts))
{
    m_givenUp.clampTo(m_fileSize);
}

bool RescueFile::openCopy()
{
    if (m_writer)
        return true;
    // Never truncated: the copy holds what the first pass (or an earlier run) recovered.
    auto opened = m_files->openDestination(m_copy, false);
    if (!opened.file) {
        m_error = opened.error.systemError;
        return false;
    }
    m_writer = std::move(opened.file);
    return true;
}

bool RescueFile::growCopy()
{
    if (!openCopy())
        return false;
    const int error = m_writer->growTo(m_fileSize);
    if (error != 0 && error != ENOTSUP) {
        m_error = error;
        return false;
    }
    return true;
}

RescueFile::Outcome RescueFile::run(const std::function<bool()>& stop, const std::function<void()>& progress)
{
    if (!m_reader) {
        auto opened = m_files->openSectorSource(m_source);
        if (!opened.file) {
            m_error = opened.error.systemError;
            return RescuePass::mediumGone(m_error) ? Outcome::MediumGone : Outcome::SourceFailed;
        }
        if (opened.file->size() != m_fileSize)
            return Outcome::SourceChanged;
        m_reader = std::move(opened.file);
    }
    if (!growCopy())
        return Outcome::CopyFailed;
    if (!m_pass)
        m_pass =
            std::make_unique<RescuePass>(m_fileSize, m_reader->sectorSize(), m_givenUp.ranges(), m_scrape);
    const qint64 recoveredBefore = m_pass->recoveredBytes();
    const RescuePass::Outcome outcome = m_pass->run(
        [this](qint64 offset, char* buffer) {
            const IoResult read = m_reader->readAt(offset, buffer, m_reader->sectorSize());
            ++m_counts->reads;
            if (!read.ok())
                ++m_counts->failedReads;
            return read;
        },
        [this](qint64 offset, const char* buffer, qint64 length) {
            return m_writer->writeAt(offset, buffer, length);
        },
        stop, progress);
    m_counts->bytesRecovered += m_pass->recoveredBytes() - recoveredBefore;
    switch (outcome) {
    case RescuePass::Outcome::Finished:
        return close() ? Outcome::Finished : Outcome::CopyFailed;
    case RescuePass::Outcome::Stopped:
        return Outcome::Stopped;
    case RescuePass::Outcome::MediumGone:
        // Opened again on the next try: the medium may come back under the same name.
        m_reader.reset();
        return Outcome::MediumGone;
    case RescuePass::Outcome::WriteFailed:
        m_error = m_pass->writeError();
        return Outcome::CopyFailed;
    }
    return Outcome::Finished;
}

bool RescueFile::close()
{
    m_reader.reset();
    if (!m_writer)
        return true;
    const int error = m_writer->close();
    m_writer.reset();
    if (error != 0) {
        m_error = error;
        return false;
    }
    return true;
}
