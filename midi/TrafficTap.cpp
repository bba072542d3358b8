#include "midi/TrafficTap.h"

#include <QByteArray>
#include <algorithm>
#include <chrono>

namespace {
std::int64_t steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

CTrafficTap::CTrafficTap(std::function<void()> post) : m_post(std::move(post)), m_startedAt(steadyNow())
{}

void CTrafficTap::setListening(bool listening)
{
    if (listening && !m_queue)
        m_queue = std::make_unique<CTrafficQueue>(kCapacity);
    m_listening.store(listening, std::memory_order_release);
    if (!listening && m_queue) {
        // What came while nobody listened is nobody's: a later receiver starts afresh.
        MidiTraffic record;
        while (m_queue->pop(record)) {}
        m_queue->takeLost();
    }
}

void CTrafficTap::tap(MidiTraffic::Direction direction, const std::uint8_t* data, std::size_t size, std::int64_t at)
{
    if (!m_listening.load(std::memory_order_acquire) || size == 0)
        return;
    MidiTraffic record;
    record.nanos = std::max<std::int64_t>(0, at - m_startedAt);
    record.direction = direction;
    record.bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    m_queue->push(std::move(record));
    // One queued call carries everything that comes until it runs.
    if (!m_posted.exchange(true, std::memory_order_acq_rel))
        m_post();
}

QList<MidiTraffic> CTrafficTap::take()
{
    m_posted.store(false, std::memory_order_release);
    QList<MidiTraffic> batch;
    if (!m_queue)
        return batch;
    MidiTraffic record;
    while (m_queue->pop(record))
        batch.append(std::move(record));
    return batch;
}

std::uint64_t CTrafficTap::takeLost()
{
    return m_queue ? m_queue->takeLost() : 0;
}
