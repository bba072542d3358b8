#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// The time base of the send thread's pacing. Tests replace it with a fake clock,
// so that pacing is measured without waiting.
class CMidiClock
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~CMidiClock() = default;
    virtual TimePoint now() const = 0;
    // Blocks until deadline or until cancelled() holds; cancelled() is checked
    // again whenever wake() is called.
    virtual void waitUntil(TimePoint deadline, const std::function<bool()>& cancelled) = 0;
    virtual void wake() = 0;
};

// The real clock.
class CSteadyMidiClock : public CMidiClock
{
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void waitUntil(TimePoint deadline, const std::function<bool()>& cancelled) override
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait_until(lock, deadline, cancelled);
    }
    void wake() override
    {
        // Taking the lock orders the caller's change of the cancel state before the
        // waiter's next check, so a wake-up is never lost.
        std::lock_guard lock(m_mutex);
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};
