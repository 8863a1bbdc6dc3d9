#pragma once

#include "PackedTexts.h"

#include <QString>

#include <vector>

// The job a host gives the engine: a numbered list of entries (a folder entry is a Tab followed
// by the folder's full path, a file entry the file's full path) and, for each, the results of
// the last run. Entries are numbered from 1; indexes the host never wrote read as empty.
// The paths are packed in one buffer (Platform::PackedTexts), so that a job of a million entries
// stays small.
class RecoveryJob
{
public:
    QString fileName(int index) const { return index > 0 ? m_names.at(index - 1) : QString(); }
    void setFileName(int index, const QString& entry)
    {
        if (index > 0)
            m_names.set(index - 1, entry);
    }
    // Entries 1 to names.size() at once (names.at(0) is entry 1), in place of all set before.
    void setFileNames(Platform::PackedTexts names) { m_names = std::move(names); }
    // Byte position reached in the entry by the last run.
    qint64 copiedBytes(int index) const { return valueAt(m_copiedBytes, index); }
    void setCopiedBytes(int index, qint64 bytes) { store(m_copiedBytes, index, bytes); }
    // Resume offset: bytes of the file processed by an earlier, paused run.
    qint64 startPosition(int index) const { return valueAt(m_startPositions, index); }
    void setStartPosition(int index, qint64 bytes) { store(m_startPositions, index, bytes); }
    // True when the file was copied to the end, or is the one at which the run was paused.
    bool isDone(int index) const;
    void setIsDone(int index, bool done);

    // The three results of one entry at once.
    void setResult(int index, qint64 copied, bool done, qint64 startPosition);

private:
    template <class T>
    static T valueAt(const std::vector<T>& values, int index)
    {
        return static_cast<size_t>(index) <= values.size() && index > 0
                   ? values[static_cast<size_t>(index - 1)]
                   : T{};
    }
    template <class T, class V>
    static void store(std::vector<T>& values, int index, V value)
    {
        if (values.size() < static_cast<size_t>(index))
            values.resize(static_cast<size_t>(index));
        values[static_cast<size_t>(index - 1)] = value;
    }

    Platform::PackedTexts m_names;
    std::vector<qint64> m_copiedBytes;
    std::vector<qint64> m_startPositions;
    std::vector<bool> m_isDone;
};
