#include "RecoveryMethod/RecoveryJob.h"

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
