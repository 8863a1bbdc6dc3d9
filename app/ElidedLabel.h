#pragma once

#include <QLabel>

// A one-line label for paths: a text too long for its width is cut in the middle ("/home/…/x"),
// and the whole text is its tooltip and accessible description.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_full; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString m_full;
};
