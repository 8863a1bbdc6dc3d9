#include "DamageState.h"

#include <algorithm>

namespace Medium {

DamageState::DamageState(const std::vector<DamageRange>& ranges)
{
    for (const DamageRange& range : ranges)
        m_files[range.path].push_back({range, range.weakReads});
}

ReadVerdict DamageState::read(const std::string& path, std::int64_t offset, std::int64_t size,
                              std::int64_t fileSize)
{
    ReadVerdict verdict;
    const auto file = m_files.find(path);
    if (file == m_files.end() || size <= 0 || offset >= fileSize)
        return verdict;
    const std::int64_t end = std::min(fileSize, offset + std::min(size, fileSize - offset));

    const std::lock_guard lock(m_mutex);
    for (LiveRange& live : file->second) {
        if (live.range.end() <= offset || live.range.first >= end)
            continue;
        const bool weak = live.range.weakReads > 0;
        if (weak && live.failuresLeft == 0)
            continue;
        if (weak)
            --live.failuresLeft;
        verdict.fails = true;
        verdict.delayMs = std::max(verdict.delayMs, live.range.delayMs);
    }
    return verdict;
}

} // namespace Medium
