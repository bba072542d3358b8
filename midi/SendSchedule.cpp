#include "midi/SendSchedule.h"

#include <algorithm>

CSendSchedule::Duration CSendSchedule::lineTime(std::size_t size, int rate)
{
    using namespace std::chrono;
    if (rate <= 0)
        return Duration::zero();
    return duration_cast<Duration>(nanoseconds(static_cast<long long>(size) * 1'000'000'000LL / rate));
}

void CSendSchedule::sent(TimePoint now, bool waited, bool sysEx, std::size_t size, int rate, int pauseMs,
                         Duration maxLateness)
{
    const TimePoint due = turn(sysEx);
    // A message that waited counts from its turn, or from as little after it as the
    // forgiven lateness allows; one that did not wait from now, or from when the line is
    // free when a short message goes out during a pause.
    const TimePoint start = waited ? std::max(due, now - maxLateness) : std::max(now, m_lineFree);
    m_lineFree = start + lineTime(size, rate);
    if (sysEx)
        m_sysExFree = m_lineFree + std::chrono::duration_cast<Duration>(std::chrono::milliseconds(pauseMs));
}
