#pragma once

#include "midi/MidiClock.h"

#include <condition_variable>
#include <mutex>

// A clock that jumps to every deadline at once (or a set lateness after it), so that
// pacing is measured without waiting. With hold set, a wait blocks until it is cancelled, which lets a test stop
// the engine in the middle of a pause.
class FakeMidiClock : public CMidiClock
{
public:
    TimePoint now() const override
    {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void waitUntil(TimePoint deadline, const std::function<bool()>& cancelled) override
    {
        std::unique_lock lock(m_mutex);
        if (m_hold) {
            ++m_waiting;
            m_cv.notify_all();
            m_cv.wait(lock, [&] { return cancelled() || !m_hold; });
            --m_waiting;
            if (cancelled())
                return;
        }
        if (deadline > m_now)
            m_now = deadline + m_lateness;
    }
    void wake() override
    {
        std::lock_guard lock(m_mutex);
        m_cv.notify_all();
    }
    void setHold(bool hold)
    {
        std::lock_guard lock(m_mutex);
        m_hold = hold;
        m_cv.notify_all();
    }
    // Every wait ends this much after its deadline, as a thread that wakes late.
    void setLateness(std::chrono::steady_clock::duration lateness)
    {
        std::lock_guard lock(m_mutex);
        m_lateness = lateness;
    }
    // Moves the time on, as an idle line does.
    void advance(std::chrono::steady_clock::duration by)
    {
        std::lock_guard lock(m_mutex);
        m_now += by;
    }
    // Blocks until the send thread waits in a held pause.
    void waitForWaiter()
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_waiting > 0; });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    TimePoint m_now{};
    std::chrono::steady_clock::duration m_lateness{};
    bool m_hold = false;
    int m_waiting = 0;
};
