#pragma once

#include <QList>
#include <QWidget>

// The speed of the whole run over its time: readings of the speed, oldest on the left. The line
// grows to the right as the run goes on; when the chart is full, neighbouring readings are merged
// so that it always shows the run from its start.
class SpeedChart : public QWidget
{
    Q_OBJECT

public:
    // Points the chart draws at most.
    static constexpr int Capacity = 240;

    explicit SpeedChart(QWidget* parent = nullptr);

    // A run starts: the chart is cleared.
    void startRun();
    // The run's speed now, in bytes per second.
    void addReading(double bytesPerSecond);

    // The points drawn, oldest first: each the mean of readingsPerPoint() readings (the last one
    // of fewer, while it fills).
    const QList<double>& points() const { return m_points; }
    int readingsPerPoint() const { return m_perPoint; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_points;
    int m_perPoint = 1;
    int m_inLast = 0; // readings merged into the last point
};
