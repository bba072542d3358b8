#pragma once

#include "midi/MidiTraffic.h"
#include "midi/TrafficQueue.h"

#include <QList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// Collects every whole message that goes out or comes in, while someone listens, and
// hands them to the user-interface thread in batches. Any thread may tap; the queue
// has no lock, so the send thread never waits for the thread that reads.
class CTrafficTap
{
public:
    static constexpr std::size_t kCapacity = 8192;

    // post: asks the user-interface thread to call take() soon; called once per batch.
    explicit CTrafficTap(std::function<void()> post);

    // User-interface thread. The queue is made before the flag tells other threads to
    // use it, and lives as long as the tap; without listeners what waits is dropped.
    void setListening(bool listening);
    bool listening() const { return m_listening.load(std::memory_order_acquire); }

    // Any thread: one message, at (nanoseconds of the steady clock).
    void tap(MidiTraffic::Direction direction, const std::uint8_t* data, std::size_t size, std::int64_t at);
    // User-interface thread: everything collected so far.
    QList<MidiTraffic> take();
    // Messages refused since the last call: more were waiting than the queue holds.
    std::uint64_t takeLost();

private:
    std::function<void()> m_post;
    std::int64_t m_startedAt;
    std::atomic<bool> m_listening{false};
    std::unique_ptr<CTrafficQueue> m_queue;
    std::atomic<bool> m_posted{false};
};
