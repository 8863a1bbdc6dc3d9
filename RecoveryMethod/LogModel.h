#pragma once

#include "PackedTexts.h"

#include <QAbstractListModel>

#include <functional>
#include <vector>

// The lines of the run log, packed one after another (Platform::PackedTexts): a log of a million
// lines takes tens of megabytes, not the hundreds a list widget item for each would. A line about
// a job entry does not hold the entry's path again: it names the entry, and EntryMark in its text
// stands for the path, read from the job when the line is shown. While held (during a run), lines
// added or changed are kept and shown to the view together at release(), so the view lays its
// rows out once a refresh rather than once a line.
class LogModel : public QAbstractListModel
{
public:
    // Where an entry's path goes in a line that names the entry.
    static constexpr QChar EntryMark{u'\0'};

    using QAbstractListModel::QAbstractListModel;

    // The paths of the job's entries (1-based), for the lines that name one.
    void setEntryNames(std::function<QString(int entry)> names) { m_names = std::move(names); }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Every line, shown or kept.
    int count() const { return m_lines.size(); }
    QString line(int row) const;

    // `entry` > 0: the line names that entry, at the EntryMark in `line`.
    void append(const QString& line, int entry = 0);
    // Replaces the last line (appends when there is none).
    void replaceLast(const QString& line, int entry = 0);
    void clear();
    // Writes the entries' paths into the lines that name them: the job is about to change.
    void keepEntryPaths();

    void hold() { m_held = true; }
    void release();

private:
    void setEntry(int row, int entry);

    Platform::PackedTexts m_lines;
    std::vector<int> m_entries; // the entry each line names; 0 for none (short of the last rows)
    std::function<QString(int)> m_names;
    int m_shown = 0; // the lines the view knows of
    bool m_held = false;
    bool m_lastChanged = false; // the last shown line changed while held
};
