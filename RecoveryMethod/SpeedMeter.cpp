#include "RecoveryMethod/SpeedMeter.h"

#include <cmath>

void SpeedMeter::restart(qint64 nowMs)
{
    m_samples.clear();
    m_samples.push_back({nowMs, 0});
    m_startMs = nowMs;
    m_firstMovedMs = -1;
}

void SpeedMeter::add(qint64 nowMs, qint64 movedBytes)
{
    if (m_samples.empty())
        restart(nowMs);
    const Sample& last = m_samples.back();
    if (nowMs < last.ms)
        return;
    if (movedBytes < last.bytes)
        movedBytes = last.bytes;
    if (m_firstMovedMs < 0 && movedBytes > 0)
        m_firstMovedMs = last.ms;
    if (nowMs == last.ms)
        m_samples.back().bytes = movedBytes;
    else
        m_samples.push_back({nowMs, movedBytes});
    // One sample at or before the window's start stays, as the window's baseline.
    while (m_samples.size() > 2 && m_samples[1].ms <= nowMs - WindowMs)
        m_samples.pop_front();
}

double SpeedMeter::bytesPerSecond() const
{
    if (m_samples.size() < 2)
        return 0;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    const qint64 from = std::max(first.ms, last.ms - WindowMs);
    if (last.ms <= from)
        return 0;
    // The baseline may lie before the window; its bytes count in proportion to the window's share.
    double baseBytes = static_cast<double>(first.bytes);
    if (from > first.ms) {
        const Sample& second = m_samples[1];
        const double share = static_cast<double>(from - first.ms) / static_cast<double>(second.ms - first.ms);
        baseBytes += share * static_cast<double>(second.bytes - first.bytes);
    }
    return (static_cast<double>(last.bytes) - baseBytes) * 1000.0 / static_cast<double>(last.ms - from);
}

bool SpeedMeter::estimable() const
{
    return m_firstMovedMs >= 0 && !m_samples.empty() &&
           m_samples.back().ms - m_firstMovedMs >= EstimateAfterMs;
}

qint64 SpeedMeter::secondsLeft(double bytesLeft) const
{
    const double speed = bytesPerSecond();
    if (!estimable() || speed <= 0)
        return -1;
    return static_cast<qint64>(std::ceil(std::max(0.0, bytesLeft) / speed));
}

qint64 SpeedMeter::secondsLeftByShare(double doneShare) const
{
    if (!estimable() || doneShare <= 0 || bytesPerSecond() <= 0)
        return -1;
    const double elapsed = static_cast<double>(m_samples.back().ms - m_startMs) / 1000.0;
    return static_cast<qint64>(std::ceil(elapsed * (1.0 - std::min(doneShare, 1.0)) / doneShare));
}
