#include "PackedTexts.h"

#include "FileNames.h"

#include <algorithm>

namespace Platform {

namespace {

// Only a text with surrogate code units can fail to come back from its bytes (a lone surrogate
// that FileNames did not make); every other text is its UTF-8.
bool mayNotComeBack(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

QString PackedTexts::at(int index) const
{
    if (index < 0 || index >= size())
        return {};
    if (!m_unpacked.isEmpty()) {
        const auto it = m_unpacked.constFind(index);
        if (it != m_unpacked.cend())
            return *it;
    }
    const Place& p = m_places[static_cast<size_t>(index)];
    return FileNames::fromBytes(QByteArrayView(m_bytes.constData() + p.at, p.size));
}

void PackedTexts::set(int index, QStringView text)
{
    if (index < 0)
        return;
    if (static_cast<size_t>(index) >= m_places.size())
        m_places.resize(static_cast<size_t>(index) + 1);
    Place& p = m_places[static_cast<size_t>(index)];
    m_unpacked.remove(index);
    QByteArray bytes = FileNames::toBytes(text);
    if (mayNotComeBack(text) && FileNames::fromBytes(bytes) != text) {
        m_unpacked.insert(index, text.toString());
        bytes.clear();
    }
    m_inUse -= p.size;
    if (p.at + p.size == m_bytes.size()) {
        // The last text of the buffer: rewritten where it starts (a log's last line changing).
        m_bytes.truncate(p.at);
        m_bytes.append(bytes);
    } else if (bytes.size() <= p.size) {
        std::copy(bytes.cbegin(), bytes.cend(), m_bytes.begin() + p.at);
    } else {
        p.at = m_bytes.size();
        m_bytes.append(bytes);
    }
    p.size = bytes.size();
    m_inUse += p.size;
    if (m_bytes.size() > 2 * m_inUse + 65536)
        compact();
}

void PackedTexts::clear()
{
    m_bytes = QByteArray();
    m_places = {};
    m_inUse = 0;
    m_unpacked.clear();
}

void PackedTexts::truncate(int count)
{
    if (count < 0 || count >= size())
        return;
    for (size_t i = static_cast<size_t>(count); i < m_places.size(); ++i) {
        m_inUse -= m_places[i].size;
        m_unpacked.remove(static_cast<int>(i));
    }
    m_places.resize(static_cast<size_t>(count));
    if (m_bytes.size() > 2 * m_inUse + 65536)
        compact();
}

void PackedTexts::reserve(qint64 bytes, int count)
{
    m_bytes.reserve(m_bytes.size() + bytes);
    m_places.reserve(m_places.size() + static_cast<size_t>(std::max(count, 0)));
}

void PackedTexts::compact()
{
    QByteArray packed;
    packed.reserve(m_inUse);
    for (Place& p : m_places) {
        const qint64 at = packed.size();
        packed.append(m_bytes.constData() + p.at, p.size);
        p.at = at;
    }
    m_bytes = std::move(packed);
}

} // namespace Platform
