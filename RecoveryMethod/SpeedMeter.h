#pragma once

#include <QtGlobal>

#include <deque>

// The speed of a run over its last few seconds: the bytes it moved, across all its files, divided
// by the time they took. A speed of one file alone falls to nothing at every new file, and on a job
// of small files it would never show. Times are milliseconds of one steady clock, given by the
// caller, so the meter itself never reads a clock.
class SpeedMeter
{
public:
    // The speed is that of the last WindowMs.
    static constexpr qint64 WindowMs = 5000;
    // The time left is estimated only after the run has moved data for this long.
    static constexpr qint64 EstimateAfterMs = 3000;

    // A run starts at nowMs with nothing moved.
    void restart(qint64 nowMs);
    // By nowMs the run has moved movedBytes in all (a count that only grows).
    void add(qint64 nowMs, qint64 movedBytes);

    // Bytes per second over the window; 0 until time has passed since the start.
    double bytesPerSecond() const;
    // Whole seconds until bytesLeft more bytes have moved at the current speed; -1 while it cannot
    // be estimated (too early in the run, or nothing moves).
    qint64 secondsLeft(double bytesLeft) const;
    // The same from the share of the run done (0 to 1) and the time it took, for a run whose
    // size is not known; -1 while it cannot be estimated.
    qint64 secondsLeftByShare(double doneShare) const;

    qint64 movedBytes() const { return m_samples.empty() ? 0 : m_samples.back().bytes; }

private:
    struct Sample
    {
        qint64 ms = 0;
        qint64 bytes = 0;
    };
    bool estimable() const;

    std::deque<Sample> m_samples; // the window, and the last sample before it
    qint64 m_startMs = 0;
    qint64 m_firstMovedMs = -1; // when the run first moved data
};
