#include "DamageMap.h"

#include <limits>
#include <optional>

namespace Medium {

namespace {

constexpr int kLongestDelayMs = 3'600'000; // an hour; anything longer is a typing error
constexpr int kMostWeakReads = 1'000'000'000;

struct Token
{
    std::string text;
    bool quoted = false;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Splits one line into tokens; false with why set on a malformed quote.
bool tokenize(const std::string& line, std::vector<Token>& tokens, std::string& why)
{
    std::size_t pos = 0;
    while (true) {
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos == line.size() || line[pos] == '#')
            return true;
        Token token;
        if (line[pos] == '"') {
            token.quoted = true;
            ++pos;
            bool closed = false;
            while (pos < line.size()) {
                const char c = line[pos++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\') {
                    if (pos == line.size() || (line[pos] != '"' && line[pos] != '\\')) {
                        why = "only \\\" and \\\\ may follow a backslash inside quotes";
                        return false;
                    }
                    token.text += line[pos++];
                    continue;
                }
                token.text += c;
            }
            if (!closed) {
                why = "the closing double quote is missing";
                return false;
            }
            if (pos < line.size() && !isBlank(line[pos]) && line[pos] != '#') {
                why = "a blank must follow the closing double quote";
                return false;
            }
        } else {
            while (pos < line.size() && !isBlank(line[pos]) && line[pos] != '#') {
                if (line[pos] == '"') {
                    why = "a double quote inside an unquoted word; quote the whole path";
                    return false;
                }
                token.text += line[pos++];
            }
        }
        tokens.push_back(std::move(token));
    }
}

std::optional<std::int64_t> decimal(const std::string& text, std::int64_t largest)
{
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (value > (largest - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// Parses one line that holds at least one token into range; false with why set.
bool parseRange(const std::vector<Token>& tokens, DamageRange& range, std::string& why)
{
    constexpr auto largest = std::numeric_limits<std::int64_t>::max();
    if (tokens.size() < 3) {
        why = "expected PATH FIRST LENGTH [delay=MS] [weak=N]";
        return false;
    }
    range.path = DamageMap::normalisePath(tokens[0].text);
    if (range.path.empty()) {
        why = "the path must be relative to the mirrored folder and stay inside it: " + tokens[0].text;
        return false;
    }
    const auto first = tokens[1].quoted ? std::nullopt : decimal(tokens[1].text, largest);
    if (!first) {
        why = "FIRST must be a decimal byte position: " + tokens[1].text;
        return false;
    }
    const auto length = tokens[2].quoted ? std::nullopt : decimal(tokens[2].text, largest);
    if (!length || *length == 0) {
        why = "LENGTH must be a decimal byte count of at least 1: " + tokens[2].text;
        return false;
    }
    if (*first > largest - *length) {
        why = "the range ends beyond the largest possible file";
        return false;
    }
    range.first = *first;
    range.length = *length;

    bool haveDelay = false;
    bool haveWeak = false;
    for (std::size_t i = 3; i < tokens.size(); ++i) {
        const std::string& option = tokens[i].text;
        const auto equals = option.find('=');
        const std::string name = tokens[i].quoted ? std::string() : option.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : option.substr(equals + 1);
        if (name == "delay" && equals != std::string::npos) {
            const auto ms = decimal(value, kLongestDelayMs);
            if (haveDelay || !ms) {
                why = haveDelay ? "delay is given twice"
                                : "delay must be milliseconds from 0 to " + std::to_string(kLongestDelayMs) +
                                      ": " + value;
                return false;
            }
            haveDelay = true;
            range.delayMs = static_cast<int>(*ms);
        } else if (name == "weak" && equals != std::string::npos) {
            const auto reads = decimal(value, kMostWeakReads);
            if (haveWeak || !reads || *reads == 0) {
                why = haveWeak ? "weak is given twice"
                               : "weak must be a number of failing reads of at least 1: " + value;
                return false;
            }
            haveWeak = true;
            range.weakReads = static_cast<int>(*reads);
        } else {
            why = "unknown option (expected delay=MS or weak=N): " + option;
            return false;
        }
    }
    return true;
}

} // namespace

std::string DamageMap::normalisePath(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return {};
    std::string result;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string part = path.substr(start, slash - start);
        if (part == "..")
            return {};
        if (!part.empty() && part != ".") {
            if (!result.empty())
                result += '/';
            result += part;
        }
        start = slash + 1;
    }
    return result;
}

bool DamageMap::parse(const std::string& text, std::string& error)
{
    m_ranges.clear();
    std::vector<DamageRange> ranges;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t newline = text.find('\n', start);
        if (newline == std::string::npos)
            newline = text.size();
        std::string line = text.substr(start, newline - start);
        start = newline + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        std::vector<Token> tokens;
        std::string why;
        DamageRange range;
        if (!tokenize(line, tokens, why) || (!tokens.empty() && !parseRange(tokens, range, why))) {
            error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        }
        if (tokens.empty())
            continue;
        range.line = lineNumber;
        ranges.push_back(std::move(range));
    }
    m_ranges = std::move(ranges);
    error.clear();
    return true;
}

} // namespace Medium
