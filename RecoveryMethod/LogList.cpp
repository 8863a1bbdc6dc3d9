#include "RecoveryMethod/LogList.h"

LogList::LogList(QWidget* parent)
    : QListView(parent)
{
    setModel(&m_log);
    // One line per entry: with every row the height of the first, adding lines to a long log
    // does not measure all the lines before them again.
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}
