#pragma once

#include <QAbstractListModel>
#include <QByteArray>

#include <vector>

// The lines of the run log, packed as UTF-8 one after another: a log of a million lines takes
// tens of megabytes, not the hundreds a list widget item for each would. While held (during a
// run), lines added or changed are kept and shown to the view together at release(), so the
// view lays its rows out once a refresh rather than once a line.
class LogModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Every line, shown or kept.
    int count() const { return static_cast<int>(m_starts.size()); }
    QString line(int row) const;

    void append(const QString& line);
    // Replaces the last line (appends when there is none).
    void replaceLast(const QString& line);
    void clear();

    void hold() { m_held = true; }
    void release();

private:
    QByteArray m_text;
    std::vector<qint64> m_starts; // where each line begins in m_text
    int m_shown = 0;              // the lines the view knows of
    bool m_held = false;
    bool m_lastChanged = false; // the last shown line changed while held
};
