#pragma once

#include "RecoveryMethod/LogModel.h"

#include <QListView>

// The run log (List2): a list view of a LogModel, one line per row.
class LogList : public QListView
{
public:
    explicit LogList(QWidget* parent = nullptr);

    LogModel& log() { return m_log; }
    int count() const { return m_log.count(); }

private:
    LogModel m_log;
};
