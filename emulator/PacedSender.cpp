#include "emulator/PacedSender.h"

#include "midi/SendSchedule.h"

namespace {
constexpr auto kCatchUp = std::chrono::seconds(1);
}

CPacedSender::CPacedSender(int bytesPerSecond, Deliver deliver, std::size_t capacity)
    : m_deliver(std::move(deliver)), m_capacity(capacity), m_rate(bytesPerSecond > 0 ? bytesPerSecond : 0)
{
    m_thread = std::jthread([this](std::stop_token stop) { run(stop); });
}

CPacedSender::~CPacedSender()
{
    m_thread.request_stop();
    m_cv.notify_all();
}

void CPacedSender::setRate(int bytesPerSecond)
{
    std::lock_guard lock(m_mutex);
    m_rate = bytesPerSecond > 0 ? bytesPerSecond : 0;
}

bool CPacedSender::post(std::vector<QByteArray> messages)
{
    if (messages.empty())
        return true;
    std::size_t bytes = 0;
    for (const QByteArray& m : messages)
        bytes += static_cast<std::size_t>(m.size());
    {
        std::lock_guard lock(m_mutex);
        if (m_queuedBytes + bytes > m_capacity)
            return false;
        for (QByteArray& m : messages)
            m_queue.push_back(std::move(m));
        m_queuedBytes += bytes;
    }
    m_cv.notify_all();
    return true;
}

std::size_t CPacedSender::queuedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_queuedBytes;
}

void CPacedSender::clear()
{
    std::lock_guard lock(m_mutex);
    m_queue.clear();
    m_queue.shrink_to_fit();
    m_queuedBytes = 0;
    m_idle.notify_all();
}

void CPacedSender::waitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void CPacedSender::run(std::stop_token stop)
{
    using namespace std::chrono;
    // A fixed schedule, as a cable's: a message that waited for the line counts from its
    // turn, so that a thread that wakes late does not slow the whole dump down. A cable's
    // buffer catches up with lateness of any size; only an idle line starts anew.
    CSendSchedule schedule;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_cv.wait(lock, stop, [this] { return !m_queue.empty(); }))
            return;
        // Wait for the line; a stop ends the wait.
        const auto turn = schedule.turn(false);
        const bool waited = turn > steady_clock::now();
        if (waited) {
            m_cv.wait_until(lock, stop, turn, [] { return false; });
            if (stop.stop_requested())
                return;
            if (m_queue.empty())
                continue;
        }
        QByteArray message = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= static_cast<std::size_t>(message.size());
        m_busy = true;
        const int rate = m_rate;
        lock.unlock();
        m_deliver(message);
        schedule.sent(steady_clock::now(), waited, false, static_cast<std::size_t>(message.size()), rate, 0, kCatchUp);
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
}
