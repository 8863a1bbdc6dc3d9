#pragma once

#include <QLabel>

// A label or picture that reports clicks: the flags, the credit line, the title strip. Given a
// focus policy it takes the keyboard too: Space or Enter clicks it, and it shows a focus mark.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
