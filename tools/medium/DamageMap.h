#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Medium {

// One damaged byte range of one file of the simulated medium.
struct DamageRange
{
    std::string path;        // relative to the mirrored folder, normalised ("docs/a b.txt")
    std::int64_t first = 0;  // first bad byte
    std::int64_t length = 0; // number of bad bytes, at least 1
    int delayMs = 0;         // wait before a failing read returns, as a failing drive retries
    int weakReads = 0;       // 0: always bad; N: the first N reads that touch it fail, later ones succeed
    int line = 0;            // line of the map text it came from

    std::int64_t end() const { return first + length; }
    bool operator==(const DamageRange&) const = default;
};

// The damage map: a text with one range a line,
//     PATH FIRST LENGTH [delay=MS] [weak=N]
// PATH in double quotes when it holds blanks or '#' (\" and \\ escape inside quotes), FIRST and LENGTH
// decimal byte counts, '#' outside quotes starts a comment, blank lines are ignored.
class DamageMap
{
public:
    // Reads the whole text. On the first invalid line it returns false, keeps no ranges and sets
    // error to "line N: why".
    bool parse(const std::string& text, std::string& error);

    const std::vector<DamageRange>& ranges() const { return m_ranges; }

    // "a//./b" -> "a/b"; empty when the path is absolute, empty or climbs out with "..".
    static std::string normalisePath(const std::string& path);

private:
    std::vector<DamageRange> m_ranges;
};

} // namespace Medium
