#pragma once

#include <chrono>
#include <cstddef>

// When the next message may go out on a paced line. The line is busy for a message's
// bytes at the line rate, and after System Exclusive the synth gets its pause before
// the next one. The times are a fixed schedule: a message that had to wait for its turn
// counts as sent at its turn even when the thread woke a little late, so that such
// lateness never adds up over a long send; the next message then waits less. A message
// that finds the line idle, or that is far behind its turn (the thread was held up),
// starts the schedule anew from when it actually went out.
class CSendSchedule
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    // How late a waiting message may go out and still keep the schedule.
    static constexpr auto kMaxLateness = std::chrono::milliseconds(20);

    // The earliest time at which a message may go out: the line's for a short message,
    // also the synth's pause for System Exclusive.
    TimePoint turn(bool sysEx) const { return sysEx ? std::max(m_lineFree, m_sysExFree) : m_lineFree; }

    // Books a message of size bytes that went out at now. waited: it was ready before
    // its turn and waited for it. rate: bytes per second (0: unpaced); pauseMs after
    // System Exclusive. maxLateness: how late it may be and still keep the schedule.
    void sent(TimePoint now, bool waited, bool sysEx, std::size_t size, int rate, int pauseMs,
              Duration maxLateness = kMaxLateness);

    // When the line has carried every byte booked so far.
    TimePoint lineFree() const { return m_lineFree; }

    // Forgets the schedule: the next message starts it anew.
    void reset() { m_lineFree = m_sysExFree = TimePoint{}; }

    static Duration lineTime(std::size_t size, int rate);

private:
    TimePoint m_lineFree{};
    TimePoint m_sysExFree{};
};
