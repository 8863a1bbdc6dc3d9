#pragma once

#include <QLabel>

// A label or picture that reports clicks: the flags, the credit line, the title strip.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
