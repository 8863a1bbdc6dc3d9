#include "NavigationHistory.h"

#include <algorithm>

void NavigationHistory::push(const QString& path)
{
    std::move_backward(m_entries.begin(), m_entries.end() - 1, m_entries.end());
    m_entries[0] = path;
}

QString NavigationHistory::back()
{
    QString newest = m_entries[0];
    std::move(m_entries.begin() + 1, m_entries.end(), m_entries.begin());
    m_entries[Size - 1].clear();
    return newest;
}
