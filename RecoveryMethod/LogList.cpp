#include "LogList.h"

void LogList::hold()
{
    m_held = true;
}

void LogList::release()
{
    m_held = false;
    if (m_layoutPutOff) {
        m_layoutPutOff = false;
        QListWidget::doItemsLayout();
    }
}

void LogList::doItemsLayout()
{
    if (m_held) {
        m_layoutPutOff = true;
        return;
    }
    QListWidget::doItemsLayout();
}
