#include "TypeIconCache.h"

TypeIconCache::Lookup TypeIconCache::lookUp(const QString& key)
{
    const qsizetype found = m_keys.indexOf(key);
    if (found >= 0)
        return {static_cast<int>(found) + 1, false};
    if (m_keys.size() >= SlotCount)
        return {};
    m_keys.append(key);
    return {static_cast<int>(m_keys.size()), true};
}
