#include "DamageState.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

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
    if (verdict.fails) {
        ++m_failedReads;
        writeCount();
    }
    return verdict;
}

void DamageState::setCountFile(std::string path)
{
    const std::lock_guard lock(m_mutex);
    m_countFile = std::move(path);
    writeCount();
}

std::int64_t DamageState::failedReads()
{
    const std::lock_guard lock(m_mutex);
    return m_failedReads;
}

// Written beside the file and renamed over it, so a reader never sees half a number.
void DamageState::writeCount()
{
    if (m_countFile.empty())
        return;
    const std::string temporary = m_countFile + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << m_failedReads << '\n';
        if (!out)
            return;
    }
    std::rename(temporary.c_str(), m_countFile.c_str());
}

} // namespace Medium
