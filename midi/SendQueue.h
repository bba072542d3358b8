#pragma once

#include "midi/MidiClock.h"
#include "midi/MidiSettings.h"
#include "midi/SendSchedule.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CMidiPorts;

// Everything the engine sends, on a thread of its own, paced for the line and the
// synth (see CSendSchedule). Single messages (notes, MIDI thru, parameter changes) go
// out in the order they were asked for; a file send runs beside them and lets them pass
// between two of its messages.
class CSendQueue
{
public:
    enum class Result { Sent, Failed, Cancelled };

    // Called on the send thread; none of them may wait for the user-interface thread.
    struct Events
    {
        std::function<void(const std::uint8_t* data, std::size_t size)> sent; // each message that went out
        std::function<void(const QString& text)> failed;                      // a single message could not go out
        // A file send: bytes of the file sent so far, a message for the user, the end.
        std::function<void(std::uint64_t generation, long bytes)> fileProgress;
        std::function<void(int icon, const QString& text)> fileReport;
        std::function<void(std::uint64_t generation, bool failed)> fileFinished;
    };

    CSendQueue(CMidiPorts& ports, CMidiClock& clock, Events events, int rate, int pause);
    ~CSendQueue();
    CSendQueue(const CSendQueue&) = delete;
    CSendQueue& operator=(const CSendQueue&) = delete;

    // Pacing; takes effect with the next message.
    void setRate(int bytesPerSecond) { m_rate = std::max(0, bytesPerSecond); }
    void setPause(int milliseconds) { m_pause = std::max(0, milliseconds); }

    void sendShort(std::vector<std::uint8_t> bytes);
    void sendLong(std::vector<std::uint8_t> bytes);
    // Streams the file at path in pieces of chunkSize bytes.
    void sendFile(const QString& path, int chunkSize);

    // Drops every queued job and waits until the send thread is idle; with discard the
    // port also drops what it holds and has not yet delivered.
    void cancel(bool discard);
    // Waits until everything queued so far has been sent.
    void waitUntilSent();
    // After waitUntilSent: when the line will have carried every byte sent.
    CMidiClock::TimePoint lineFreeAt();
    // Single messages not yet sent.
    bool hasPendingMessages() const { return m_pendingJobs.load() > 0; }
    // The generation of jobs queued from now on; earlier ones are cancelled.
    std::uint64_t generation() const { return m_cancelGeneration.load(); }
    bool cancelled(std::uint64_t generation) const { return generation < m_cancelGeneration.load(); }

    // For the file streamer on the send thread: one paced message, letting waiting
    // single messages pass first when yieldToJobs; and those single messages alone.
    Result transmit(std::uint64_t generation, const std::uint8_t* data, std::size_t size, bool yieldToJobs,
                    QString* error = nullptr);
    void serveWaitingJobs();
    bool lineLost() const;
    const Events& events() const { return m_events; }

private:
    struct Job
    {
        enum class Kind { Short, Long, File };
        Kind kind = Kind::Short;
        std::vector<std::uint8_t> bytes;
        QString path;
        int chunkSize = CMidiSettings::kDefaultChunkSize;
        std::uint64_t generation = 0;
    };

    void enqueue(Job job);
    void sendLoop(std::stop_token stop);
    void runJob(const Job& job);

    CMidiPorts& m_ports;
    CMidiClock& m_clock;
    Events m_events;

    std::mutex m_mutex;
    std::condition_variable_any m_jobCv;
    std::condition_variable m_idleCv;
    std::deque<Job> m_jobs;     // single messages in order
    std::deque<Job> m_fileJobs; // file sends
    bool m_busy = false;
    std::atomic<std::uint64_t> m_cancelGeneration{0};
    std::atomic<int> m_pendingJobs{0}; // single messages not yet sent
    std::atomic<int> m_waitingJobs{0}; // of those, the ones still in m_jobs
    std::atomic<int> m_rate;
    std::atomic<int> m_pause;
    CSendSchedule m_schedule; // send thread only (read under m_mutex once idle)

    std::jthread m_thread; // last: started after everything above exists
};
