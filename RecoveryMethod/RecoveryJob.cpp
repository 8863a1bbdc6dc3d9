#include "RecoveryMethod/RecoveryJob.h"

QString RecoveryJob::fileName(int index) const
{
    const Text text = valueAt(m_entries, index);
    return QString::fromUtf8(m_texts.constData() + text.at, text.size);
}

void RecoveryJob::setFileName(int index, const QString& entry)
{
    const QByteArray utf8 = entry.toUtf8();
    // Rewriting an entry with a text no longer than its own reuses its place; hosts write each
    // entry once, so the buffer does not grow with rewrites in practice.
    Text text = valueAt(m_entries, index);
    if (utf8.size() > text.size) {
        text.at = m_texts.size();
        m_texts.append(utf8);
    } else {
        std::copy(utf8.begin(), utf8.end(), m_texts.begin() + text.at);
    }
    text.size = static_cast<qint32>(utf8.size());
    store(m_entries, index, text);
}

bool RecoveryJob::isDone(int index) const
{
    return index > 0 && static_cast<size_t>(index) <= m_isDone.size() &&
           m_isDone[static_cast<size_t>(index - 1)];
}

void RecoveryJob::setIsDone(int index, bool done)
{
    store(m_isDone, index, done);
}

void RecoveryJob::setResult(int index, qint64 copied, bool done, qint64 startPosition)
{
    setCopiedBytes(index, copied);
    setIsDone(index, done);
    setStartPosition(index, startPosition);
}
