#include "SpeedChart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
// Samples closer in time than this are merged, so that one fast block does not spike the line.
constexpr qint64 MinSampleGapMs = 250;
} // namespace

SpeedChart::SpeedChart(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(40, 20);
    m_clock.start();
}

void SpeedChart::StartFile(qint64 fileSize)
{
    m_fileSize = fileSize;
    m_lastBytes = 0;
    m_lastMs = m_clock.elapsed();
    m_speed = 0;
    m_samples.clear();
    update();
}

void SpeedChart::AddSample(double bytes)
{
    const qint64 now = m_clock.elapsed();
    const qint64 gap = now - m_lastMs;
    if (gap < MinSampleGapMs && !m_samples.isEmpty())
        return;
    if (gap > 0)
        m_speed = std::max(0.0, (bytes - m_lastBytes) * 1000.0 / static_cast<double>(gap));
    m_lastBytes = bytes;
    m_lastMs = now;
    const double progress =
        m_fileSize > 0 ? std::clamp(bytes / static_cast<double>(m_fileSize), 0.0, 1.0) : 1.0;
    m_samples.append(QPointF(progress, m_speed));
    update();
}

void SpeedChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.fillRect(area, palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(area);
    if (m_samples.isEmpty())
        return;
    double top = 1;
    for (const QPointF& s : m_samples)
        top = std::max(top, s.y());
    top *= 1.1;
    QPainterPath line;
    line.moveTo(area.left(), area.bottom());
    for (const QPointF& s : m_samples)
        line.lineTo(area.left() + s.x() * area.width(), area.bottom() - s.y() / top * area.height());
    line.lineTo(area.left() + m_samples.last().x() * area.width(), area.bottom());
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().highlight().color();
    fill.setAlpha(90);
    painter.fillPath(line, fill);
    painter.setPen(QPen(palette().highlight().color(), 1.5));
    painter.drawPath(line);
}
