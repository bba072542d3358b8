#pragma once

#include <chrono>
#include <cstddef>
#include <deque>

// The instrument's MIDI receive buffer. A synthesizer needs time to store each block
// of a bulk dump; messages that arrive while its buffer is full are lost, which is why
// bulk data must be sent with a pause after each message. The emulator models this
// only when asked to (a capacity above 0), so that tests can show what pacing is for.
class CReceiveBuffer
{
public:
    using Clock = std::chrono::steady_clock;

    // capacity: bytes the buffer holds (0: unlimited, nothing is ever lost);
    // storeTime: how long the instrument works on one message.
    CReceiveBuffer(std::size_t capacity, std::chrono::microseconds storeTime);

    // Whether a message of size bytes that came in at arrival fits; one that does not
    // is lost and counted.
    bool accept(std::size_t size, Clock::time_point arrival);
    int lost() const { return m_lost; }

private:
    struct Pending
    {
        std::size_t size;
        Clock::time_point done;
    };

    std::size_t m_capacity;
    std::chrono::microseconds m_storeTime;
    std::deque<Pending> m_pending;
    std::size_t m_bytes = 0;
    Clock::time_point m_busyUntil{};
    int m_lost = 0;
};
