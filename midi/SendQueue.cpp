#include "midi/SendQueue.h"

#include "midi/FileStreamer.h"
#include "midi/MidiPorts.h"
#include "midi/SysExSplitter.h"
#include "model/SysEx.h"

#include <QObject>

CSendQueue::CSendQueue(CMidiPorts& ports, CMidiClock& clock, Events events, int rate, int pause)
    : m_ports(ports), m_clock(clock), m_events(std::move(events)), m_rate(std::max(0, rate)),
      m_pause(std::max(0, pause))
{
    m_thread = std::jthread([this](std::stop_token stop) { sendLoop(stop); });
}

CSendQueue::~CSendQueue()
{
    cancel(false);
    m_thread.request_stop();
    m_jobCv.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CSendQueue::sendShort(std::vector<std::uint8_t> bytes)
{
    enqueue(Job{Job::Kind::Short, std::move(bytes), {}, 0, 0});
}

void CSendQueue::sendLong(std::vector<std::uint8_t> bytes)
{
    enqueue(Job{Job::Kind::Long, std::move(bytes), {}, 0, 0});
}

void CSendQueue::sendFile(const QString& path, int chunkSize)
{
    enqueue(Job{Job::Kind::File, {}, path, std::max(1, chunkSize), 0});
}

void CSendQueue::enqueue(Job job)
{
    job.generation = m_cancelGeneration.load();
    const bool single = job.kind != Job::Kind::File;
    {
        std::lock_guard lock(m_mutex);
        if (single) {
            ++m_pendingJobs; // a file send is tracked by its owner
            ++m_waitingJobs;
            m_jobs.push_back(std::move(job));
        } else {
            m_fileJobs.push_back(std::move(job));
        }
    }
    m_jobCv.notify_all();
    if (single)
        m_clock.wake(); // a file send that waits for the line lets it pass
}

void CSendQueue::cancel(bool discard)
{
    ++m_cancelGeneration;
    m_ports.interruptOut();
    {
        std::unique_lock lock(m_mutex);
        m_pendingJobs -= static_cast<int>(m_jobs.size());
        m_waitingJobs = 0;
        m_jobs.clear();
        m_fileJobs.clear();
        m_clock.wake(); // ends a pause at once
        m_idleCv.wait(lock, [this] { return !m_busy; });
    }
    m_ports.resumeOut(discard);
}

void CSendQueue::waitUntilSent()
{
    std::unique_lock lock(m_mutex);
    m_idleCv.wait(lock, [this] { return m_jobs.empty() && m_fileJobs.empty() && !m_busy; });
}

CMidiClock::TimePoint CSendQueue::lineFreeAt()
{
    std::unique_lock lock(m_mutex);
    m_idleCv.wait(lock, [this] { return m_jobs.empty() && m_fileJobs.empty() && !m_busy; });
    return m_schedule.lineFree();
}

bool CSendQueue::lineLost() const
{
    return m_ports.outLost();
}

void CSendQueue::sendLoop(std::stop_token stop)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            if (!m_jobCv.wait(lock, stop, [this] { return !m_jobs.empty() || !m_fileJobs.empty(); }))
                return;
            if (!m_jobs.empty()) {
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
                --m_waitingJobs;
            } else {
                job = std::move(m_fileJobs.front());
                m_fileJobs.pop_front();
            }
            m_busy = true;
        }
        if (!cancelled(job.generation))
            runJob(job);
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            if (job.kind != Job::Kind::File)
                --m_pendingJobs;
        }
        m_idleCv.notify_all();
    }
}

void CSendQueue::serveWaitingJobs()
{
    for (;;) {
        Job job;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            --m_waitingJobs;
        }
        if (!cancelled(job.generation))
            runJob(job);
        {
            std::lock_guard lock(m_mutex);
            --m_pendingJobs;
        }
        m_idleCv.notify_all();
    }
}

void CSendQueue::runJob(const Job& job)
{
    // A port that lost its line has been reported once; its single messages fail quietly.
    const auto failedVisibly = [&](Result result) { return result == Result::Failed && !m_ports.outLost(); };
    switch (job.kind) {
    case Job::Kind::Short:
        if (failedVisibly(transmit(job.generation, job.bytes.data(), job.bytes.size(), false)) && m_events.failed)
            m_events.failed(QObject::tr("Could not send MIDI OUT Short Message."));
        break;
    case Job::Kind::Long: {
        CSysExSplitter splitter;
        bool failed = false;
        splitter.feed(job.bytes.data(), job.bytes.size(), [&](const std::vector<std::uint8_t>& message, std::uint64_t) {
            const Result result = transmit(job.generation, message.data(), message.size(), false);
            failed = failedVisibly(result);
            return result == Result::Sent;
        });
        splitter.finish();
        if ((failed || splitter.droppedBytes() > 0) && m_events.failed)
            m_events.failed(QObject::tr("Could not send MIDI OUT Long Message."));
        break;
    }
    case Job::Kind::File:
        fileStreamer::stream(*this, job.path, job.chunkSize, job.generation);
        break;
    }
}

CSendQueue::Result CSendQueue::transmit(std::uint64_t generation, const std::uint8_t* data, std::size_t size,
                                        bool yieldToJobs, QString* error)
{
    const bool sysEx = size > 0 && data[0] == sysex::kStart;
    bool waited = false;
    for (;;) {
        if (yieldToJobs)
            serveWaitingJobs();
        if (cancelled(generation))
            return Result::Cancelled;
        const auto turn = m_schedule.turn(sysEx);
        if (turn <= m_clock.now() || m_ports.outLost())
            break;
        waited = true;
        m_clock.waitUntil(turn, [this, generation, yieldToJobs] {
            return cancelled(generation) || m_ports.outLost() || (yieldToJobs && m_waitingJobs.load() > 0);
        });
    }
    if (!m_ports.send(data, size, error))
        return cancelled(generation) ? Result::Cancelled : Result::Failed;
    if (m_events.sent)
        m_events.sent(data, size);
    m_schedule.sent(m_clock.now(), waited, sysEx, size, m_rate.load(), m_pause.load());
    return Result::Sent;
}
