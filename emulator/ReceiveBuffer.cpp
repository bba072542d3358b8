#include "emulator/ReceiveBuffer.h"

#include <algorithm>

CReceiveBuffer::CReceiveBuffer(std::size_t capacity, std::chrono::microseconds storeTime)
    : m_capacity(capacity), m_storeTime(storeTime)
{}

bool CReceiveBuffer::accept(std::size_t size, Clock::time_point arrival)
{
    if (m_capacity == 0)
        return true;
    // Messages stored by now have left the buffer.
    while (!m_pending.empty() && m_pending.front().done <= arrival) {
        m_bytes -= m_pending.front().size;
        m_pending.pop_front();
    }
    if (m_bytes + size > m_capacity) {
        ++m_lost;
        return false;
    }
    m_busyUntil = std::max(m_busyUntil, arrival) + m_storeTime;
    m_pending.push_back({size, m_busyUntil});
    m_bytes += size;
    return true;
}
