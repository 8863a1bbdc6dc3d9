#include "RecoveryMethod/SpeedChart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

SpeedChart::SpeedChart(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(40, 20);
}

void SpeedChart::startRun()
{
    m_points.clear();
    m_perPoint = 1;
    m_inLast = 0;
    update();
}

void SpeedChart::addReading(double bytesPerSecond)
{
    bytesPerSecond = std::max(0.0, bytesPerSecond);
    if (m_inLast > 0 && m_inLast < m_perPoint) {
        double& last = m_points.last();
        last = (last * m_inLast + bytesPerSecond) / (m_inLast + 1);
        ++m_inLast;
    } else {
        if (m_points.size() == Capacity) {
            // Full: every two points become one, each standing for twice the time.
            QList<double> merged;
            merged.reserve(Capacity / 2);
            for (qsizetype i = 0; i + 1 < m_points.size(); i += 2)
                merged.append((m_points[i] + m_points[i + 1]) / 2);
            m_points = merged;
            m_perPoint *= 2;
        }
        m_points.append(bytesPerSecond);
        m_inLast = 1;
    }
    update();
}

void SpeedChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.fillRect(area, palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(area);
    if (m_points.isEmpty())
        return;
    double top = 1;
    for (const double s : m_points)
        top = std::max(top, s);
    top *= 1.1;
    const double step = area.width() / (Capacity - 1);
    QPainterPath line;
    line.moveTo(area.left(), area.bottom());
    for (qsizetype i = 0; i < m_points.size(); ++i)
        line.lineTo(area.left() + static_cast<double>(i) * step,
                    area.bottom() - m_points[i] / top * area.height());
    line.lineTo(area.left() + static_cast<double>(m_points.size() - 1) * step, area.bottom());
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().highlight().color();
    fill.setAlpha(90);
    painter.fillPath(line, fill);
    painter.setPen(QPen(palette().highlight().color(), 1.5));
    painter.drawPath(line);
}
