#pragma once

#include "DamageMap.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace Medium {

// What the medium does with one read request.
struct ReadVerdict
{
    bool fails = false; // the read returns EIO
    int delayMs = 0;    // after waiting this long
};

// The damage of a mounted medium as it stands: which reads fail, and how many failures each weak
// range still has to give. Safe to call from the file system's worker threads.
class DamageState
{
public:
    explicit DamageState(const std::vector<DamageRange>& ranges);

    // Decides a read of size bytes at offset of path (normalised), a file of fileSize bytes. A read
    // fails when it touches a bad range, or a weak range with failures left; every weak range it
    // touches counts the read. Bytes past the end of the file touch nothing.
    ReadVerdict read(const std::string& path, std::int64_t offset, std::int64_t size, std::int64_t fileSize);

    bool isDamaged(const std::string& path) const { return m_files.count(path) != 0; }

    // After every failed read, writes the number of failed reads served so far to this file (as
    // decimal text and a newline, replaced whole), so that a test can compare it with its own count.
    void setCountFile(std::string path);
    std::int64_t failedReads();

private:
    struct LiveRange
    {
        DamageRange range;
        int failuresLeft = 0; // weak ranges only
    };

    void writeCount();

    std::unordered_map<std::string, std::vector<LiveRange>> m_files;
    std::mutex m_mutex;
    std::string m_countFile;
    std::int64_t m_failedReads = 0;
};

} // namespace Medium
