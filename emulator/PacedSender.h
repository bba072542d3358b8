#pragma once

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Delivers messages on its own thread no faster than a byte rate, as a MIDI cable
// would: the emulator's answers take as long as the instrument's. What waits is
// bounded: like an instrument busy with a dump, the sender refuses more than it can hold.
class CPacedSender
{
public:
    using Deliver = std::function<void(const QByteArray& message)>;
    // Several whole-memory dumps; a sender flooded with requests holds no more.
    static constexpr std::size_t kDefaultCapacity = 1 << 20;

    // bytesPerSecond 0 delivers as fast as possible; capacity: bytes that may wait.
    CPacedSender(int bytesPerSecond, Deliver deliver, std::size_t capacity = kDefaultCapacity);
    ~CPacedSender();
    CPacedSender(const CPacedSender&) = delete;
    CPacedSender& operator=(const CPacedSender&) = delete;

    void setRate(int bytesPerSecond);
    // Queues messages, all or none: false (nothing queued) when they would take the
    // bytes waiting beyond the capacity.
    bool post(std::vector<QByteArray> messages);
    std::size_t queuedBytes() const;
    // Drops everything not yet delivered.
    void clear();
    // Blocks until everything posted so far is delivered.
    void waitIdle();

private:
    void run(std::stop_token stop);

    Deliver m_deliver;
    std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_cv;
    std::condition_variable_any m_idle;
    std::deque<QByteArray> m_queue;
    std::size_t m_queuedBytes = 0;
    bool m_busy = false;
    int m_rate;
    std::jthread m_thread;
};
