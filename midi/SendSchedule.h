#pragma once

#include <chrono>
#include <cstddef>

// When the next message may go out on a paced line. The line is busy for a message's
// bytes at the line rate, and after System Exclusive the synth gets its pause before
// the next one. The times are a fixed schedule: a message that had to wait for its turn
// and went out a little late (the thread woke late) counts as sent at its turn, so that
// such lateness never adds up over a long send; the next message then waits less. Of a
// greater lateness only that much is forgiven, so that the synth's pause is never cut
// by more. A message that finds the line idle starts the schedule anew.
class CSendSchedule
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    // How much lateness of a waiting message the schedule forgives.
    static constexpr auto kMaxLateness = std::chrono::milliseconds(5);

    // The earliest time at which a message may go out: the line's for a short message,
    // also the synth's pause for System Exclusive.
    TimePoint turn(bool sysEx) const { return sysEx ? std::max(m_lineFree, m_sysExFree) : m_lineFree; }

    // Books a message of size bytes that went out at now. waited: it was ready before
    // its turn and waited for it. rate: bytes per second (0: unpaced); pauseMs after
    // System Exclusive. maxLateness: how much of its lateness is forgiven.
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
