#include "RecoveryMethod/LogModel.h"

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_shown)
        return {};
    return line(index.row());
}

QString LogModel::line(int row) const
{
    QString text = m_lines.at(row);
    const int entry = static_cast<size_t>(row) < m_entries.size() ? m_entries[static_cast<size_t>(row)] : 0;
    if (entry > 0) {
        const qsizetype at = text.indexOf(EntryMark);
        if (at >= 0)
            text.replace(at, 1, m_names ? m_names(entry) : QString());
    }
    return text;
}

void LogModel::setEntry(int row, int entry)
{
    if (entry == 0 && static_cast<size_t>(row) >= m_entries.size())
        return;
    if (static_cast<size_t>(row) >= m_entries.size())
        m_entries.resize(static_cast<size_t>(row) + 1);
    m_entries[static_cast<size_t>(row)] = entry;
}

void LogModel::append(const QString& text, int entry)
{
    m_lines.append(text);
    setEntry(count() - 1, entry);
    if (!m_held)
        release();
}

void LogModel::replaceLast(const QString& text, int entry)
{
    if (count() == 0) {
        append(text, entry);
        return;
    }
    m_lines.set(count() - 1, text);
    setEntry(count() - 1, entry);
    if (count() == m_shown)
        m_lastChanged = true;
    if (!m_held)
        release();
}

void LogModel::clear()
{
    beginResetModel();
    m_lines.clear();
    m_entries = {};
    m_shown = 0;
    m_lastChanged = false;
    endResetModel();
}

void LogModel::keepEntryPaths()
{
    for (size_t row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row] == 0)
            continue;
        m_lines.set(static_cast<int>(row), line(static_cast<int>(row)));
        m_entries[row] = 0;
    }
    m_entries = {};
}

void LogModel::release()
{
    m_held = false;
    if (m_lastChanged) {
        m_lastChanged = false;
        const QModelIndex last = index(m_shown - 1);
        Q_EMIT dataChanged(last, last, {Qt::DisplayRole});
    }
    if (count() > m_shown) {
        beginInsertRows({}, m_shown, count() - 1);
        m_shown = count();
        endInsertRows();
    }
}
