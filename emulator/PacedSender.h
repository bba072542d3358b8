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
// would: the emulator's answers take as long as the instrument's.
class CPacedSender
{
public:
    using Deliver = std::function<void(const QByteArray& message)>;

    // bytesPerSecond 0 delivers as fast as possible.
    CPacedSender(int bytesPerSecond, Deliver deliver);
    ~CPacedSender();
    CPacedSender(const CPacedSender&) = delete;
    CPacedSender& operator=(const CPacedSender&) = delete;

    void setRate(int bytesPerSecond);
    void post(std::vector<QByteArray> messages);
    // Drops everything not yet delivered.
    void clear();
    // Blocks until everything posted so far is delivered.
    void waitIdle();

private:
    void run(std::stop_token stop);

    Deliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable_any m_cv;
    std::condition_variable_any m_idle;
    std::deque<QByteArray> m_queue;
    bool m_busy = false;
    int m_rate;
    std::jthread m_thread;
};
