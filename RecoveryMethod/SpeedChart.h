#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPointF>
#include <QWidget>

// The speed of the current file over its progress: a line from the file's start (left) to its
// end (right), the height the copy speed at that point.
class SpeedChart : public QWidget
{
    Q_OBJECT

public:
    explicit SpeedChart(QWidget* parent = nullptr);

    // A new file of fileSize bytes starts: the chart is cleared.
    void StartFile(qint64 fileSize);
    // The copy of the current file has reached `bytes` (a byte position).
    void AddSample(double bytes);
    // The current speed in bytes per second (0 until two samples are apart in time).
    double Speed() const { return m_speed; }

    // The samples drawn: progress 0 to 1, speed in bytes per second.
    const QList<QPointF>& samples() const { return m_samples; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QElapsedTimer m_clock;
    qint64 m_fileSize = 0;
    double m_lastBytes = 0;
    qint64 m_lastMs = 0;
    double m_speed = 0;
    QList<QPointF> m_samples;
};
