#pragma once

#include <QRgb>
#include <QString>
#include <QWidget>

// The strip across the top of the window: the program's name in bold, followed on the same
// line by a smaller italic subtitle, in one colour that the page slide changes.
class TitleStrip : public QWidget
{
    Q_OBJECT

public:
    explicit TitleStrip(QWidget* parent = nullptr);

    // Redraws the strip with these texts and this colour.
    void draw(const QString& name, const QString& subtitle, QRgb colour);

    QRgb colour() const { return m_colour; }
    QString name() const { return m_name; }
    QString subtitle() const { return m_subtitle; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_name;
    QString m_subtitle;
    QRgb m_colour = qRgb(0, 0, 150);
};
