#pragma once

#include <QListWidget>

// The run log (List2): a list widget that can put off laying out its rows. A list view lays out
// all its rows again after every insertion, so a run that logs a line for each of many thousand
// entries would spend most of its time there; during a run the rows are laid out once a refresh.
class LogList : public QListWidget
{
public:
    using QListWidget::QListWidget;

    // While held, row layouts are put off; release() does the one put off, if any.
    void hold();
    void release();

    void doItemsLayout() override;

private:
    bool m_held = false;
    bool m_layoutPutOff = false;
};
