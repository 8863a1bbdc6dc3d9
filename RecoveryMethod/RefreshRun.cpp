#include "RefreshRun.h"

#include "FileNames.h"
#include "PathAt.h"

#include <QRegularExpression>

#include <sys/stat.h>

#include <cerrno>

RefreshRun::RefreshRun(std::shared_ptr<FileAccess> files, QList<RefreshFile> damaged, QDateTime runEnded)
    : m_access(std::move(files))
    , m_files(std::move(damaged))
    , m_runEnded(std::move(runEnded))
{
    for (const RefreshFile& f : std::as_const(m_files)) {
        FileResult result;
        result.lost = ByteRangeSet(f.lost);
        result.lost.clampTo(f.size);
        m_lostBefore += result.lost.bytes();
        m_results.append(result);
    }
    m_settled = m_lostBefore;
    m_lostBytes = m_lostBefore;
}

std::optional<QList<ByteRange>> RefreshRun::rangesOf(const QString& rangeList)
{
    static const QRegularExpression range(QStringLiteral("^\\s*(\\d+)\\s*-\\s*(\\d+)\\s*$"));
    QList<ByteRange> ranges;
    for (const QString& part : rangeList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (part.trimmed().isEmpty())
            continue;
        const QRegularExpressionMatch m = range.match(part);
        if (!m.hasMatch())
            return std::nullopt;
        bool okFirst = false;
        bool okLast = false;
        const ByteRange r{m.captured(1).toLongLong(&okFirst), m.captured(2).toLongLong(&okLast)};
        if (!okFirst || !okLast || r.first < 1 || r.last < r.first)
            return std::nullopt;
        ranges.append(r);
    }
    return ranges;
}

RefreshRun::CopyState RefreshRun::copyState(const RefreshFile& file, const QDateTime& runEnded, int* error)
{
    const Platform::PathAt at = Platform::PathAt::of(Platform::FileNames::toBytes(file.copy));
    struct stat st = {};
    const int statError = !at.ok() ? at.error() : ::fstatat(at.folder(), at.name(), &st, 0) == 0 ? 0 : errno;
    if (statError == ENOENT || statError == ENOTDIR)
        return CopyState::Missing;
    if (statError != 0) {
        if (error)
            *error = statError;
        return CopyState::Unreadable;
    }
    if (!S_ISREG(st.st_mode))
        return CopyState::Changed;

    const qint64 size = st.st_size;
    bool sizeFits = size == file.size;
    if (size < file.size) {
        // Copies made before unreadable tails were kept as zero bytes end where the tail began.
        ByteRangeSet tail;
        tail.add({size + 1, file.size});
        for (const ByteRange& r : file.lost)
            tail.remove(r);
        sizeFits = tail.isEmpty();
    }
    if (!sizeFits || !runEnded.isValid())
        return CopyState::Changed;
    const qint64 modifiedMs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    if (modifiedMs > runEnded.toMSecsSinceEpoch() + ClockSlackMs)
        return CopyState::Changed;
    return CopyState::Unchanged;
}

RefreshRun::Outcome RefreshRun::run()
{
    for (int i = 0; i < m_files.size(); ++i) {
        if (m_stop)
            return Outcome::Stopped;
        m_current = i;
        const qint64 lostBefore = m_results[i].lost.bytes();
        m_results[i] = refresh(i);
        const FileResult& result = m_results[i];
        // A copy left alone drops out of what this run can still recover.
        m_settled -= result.leftAlone() ? lostBefore : lostBefore - result.lost.bytes();
        m_lostBytes = m_settled;
        if (result.outcome == FileOutcome::MediumGone)
            return Outcome::MediumGone;
        if (result.outcome == FileOutcome::Stopped)
            return Outcome::Stopped;
    }
    return Outcome::Finished;
}

RefreshRun::FileResult RefreshRun::refresh(int index)
{
    const RefreshFile& file = m_files[index];
    FileResult result = m_results[index];

    int error = 0;
    switch (copyState(file, m_runEnded, &error)) {
    case CopyState::Unchanged:
        break;
    case CopyState::Missing:
        result.outcome = FileOutcome::CopyMissing;
        return result;
    case CopyState::Changed:
        result.outcome = FileOutcome::CopyChanged;
        return result;
    case CopyState::Unreadable:
        result.outcome = FileOutcome::CopyFailed;
        result.error = error;
        return result;
    }
    if (result.lost.isEmpty()) {
        result.outcome = FileOutcome::Read;
        return result;
    }

    RescueFile rescue(m_access, file.source, file.copy, file.size, result.lost.ranges(),
                      RescuePass::Scrape::Everything, m_counts);
    const RescueFile::Outcome outcome = rescue.run(
        [this] { return m_stop.load(); }, [&] { m_lostBytes = m_settled - rescue.recoveredBytes(); });
    rescue.close();
    result.recovered = rescue.recoveredBytes();
    result.lost = rescue.lost();
    result.error = rescue.error();
    switch (outcome) {
    case RescueFile::Outcome::Finished:
        result.outcome = FileOutcome::Read;
        break;
    case RescueFile::Outcome::Stopped:
        result.outcome = FileOutcome::Stopped;
        break;
    case RescueFile::Outcome::MediumGone:
        result.outcome = FileOutcome::MediumGone;
        break;
    case RescueFile::Outcome::SourceFailed:
        result.outcome = FileOutcome::SourceFailed;
        break;
    case RescueFile::Outcome::SourceChanged:
        result.outcome = FileOutcome::SourceChanged;
        break;
    case RescueFile::Outcome::CopyFailed:
        result.outcome = FileOutcome::CopyFailed;
        break;
    }
    return result;
}
