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
    const qint64 start = m_starts[static_cast<size_t>(row)];
    const qint64 end = row + 1 < count() ? m_starts[static_cast<size_t>(row) + 1] : m_text.size();
    return QString::fromUtf8(m_text.constData() + start, end - start);
}

void LogModel::append(const QString& text)
{
    m_starts.push_back(m_text.size());
    m_text.append(text.toUtf8());
    if (!m_held)
        release();
}

void LogModel::replaceLast(const QString& text)
{
    if (m_starts.empty()) {
        append(text);
        return;
    }
    m_text.truncate(m_starts.back());
    m_text.append(text.toUtf8());
    if (count() == m_shown)
        m_lastChanged = true;
    if (!m_held)
        release();
}

void LogModel::clear()
{
    beginResetModel();
    m_text.clear();
    m_starts.clear();
    m_shown = 0;
    m_lastChanged = false;
    endResetModel();
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
