#include "midi/Midi.h"

#include "fileio/AtomicFile.h"

#include "midi/MidiPortProvider.h"
#include "midi/SysExSplitter.h"
#include "model/BankImage.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaMethod>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <cerrno>

namespace {

// A device that a busy sound server lists late or opens slowly gets a few more tries
// before its opening is reported as failed.
constexpr int kOpenAttempts = 3;
constexpr unsigned long kOpenRetryMs = 150;

template <typename F>
bool retryOpen(F&& open)
{
    for (int attempt = 1;; ++attempt) {
        if (open())
            return true;
        if (attempt == kOpenAttempts)
            return false;
        QThread::msleep(kOpenRetryMs);
    }
}

constexpr std::uint8_t kStatusBit = 0x80;
constexpr int kShortMessageMax = 3;
constexpr int kBitsPerByte = 8;
constexpr std::uint32_t kByteMask = 0xFF;

// Numbers of file errors as the messages show them.
enum FileCause : int {
    kCauseGeneric = 1,
    kCauseNotFound = 2,
    kCauseBadPath = 3,
    kCauseTooManyOpen = 4,
    kCauseAccessDenied = 5,
    kCauseHardware = 10,
    kCauseDiskFull = 13,
};

int openErrorCause(const QFile& file, bool forWriting)
{
    const QFileInfo info(file.fileName());
    if (!info.dir().exists())
        return kCauseBadPath;
    if (!forWriting && !info.exists())
        return kCauseNotFound;
    if (info.isDir() || file.error() == QFileDevice::PermissionsError)
        return kCauseAccessDenied;
    if (info.exists() && (forWriting ? !info.isWritable() : !info.isReadable()))
        return kCauseAccessDenied;
    if (file.error() == QFileDevice::ResourceError)
        return kCauseTooManyOpen;
    return kCauseGeneric;
}

int ioErrorCause(const QFile& file)
{
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return kCauseDiskFull;
    case QFileDevice::ReadError:
    case QFileDevice::WriteError:
        return kCauseHardware;
    default:
        return kCauseGeneric;
    }
}

// " ("FILE": the system's reason)", appended to the numbered file messages so that
// each names the file and says why; errnoValue is the system's error of the failure.
QString fileAndReason(const QFile& file, int errnoValue)
{
    QString reason = errnoValue != 0 ? AtomicFile::causeText(errnoValue) : file.errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("unknown cause");
    return QStringLiteral(" (\"%1\": %2)").arg(QDir::toNativeSeparators(file.fileName()), reason);
}

std::int64_t steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Whether a piece of input carries System Exclusive data: it holds a start or an end,
// or it goes on with data bytes where a message was cut. Notes and realtime bytes
// alone do not count.
bool carriesSysEx(const std::uint8_t* data, std::size_t size)
{
    if ((data[0] & kStatusBit) == 0)
        return true;
    return std::any_of(data, data + size, [](std::uint8_t b) { return b == sysex::kStart || b == sysex::kEnd; });
}

} // namespace

CMidi::CMidi(CMidiPortProvider& ports, CReporter& reporter, const CMidiSettings& settings, CMidiClock* clock,
             QObject* parent)
    : QObject(parent), m_ports(ports), m_reporter(reporter), m_settings(settings),
      m_ownClock(clock ? nullptr : std::make_unique<CSteadyMidiClock>()), m_clock(clock ? clock : m_ownClock.get()),
      m_sendRate(settings.sendRate), m_sendPause(settings.sendPause)
{
    m_startedAt = steadyNow();
    m_quietTimer.setSingleShot(true);
    connect(&m_quietTimer, &QTimer::timeout, this, &CMidi::sendRequestWhenQuiet);
    m_thread = std::jthread([this](std::stop_token stop) { sendLoop(stop); });
}

CMidi::~CMidi()
{
    cancelJobs(false);
    m_thread.request_stop();
    m_jobCv.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_thru = false;
    if (m_file.isOpen())
        m_file.close();
    CloseIn();
    CloseOut();
}

// ---------------------------------------------------------------- devices

bool CMidi::OpenIn()
{
    if (m_in)
        return true;
    return retryOpen([this] {
        const QStringList names = m_ports.inputNames();
        const int index = CMidiPortProvider::resolve(names, m_settings.inDevice, m_settings.inName);
        if (index < 0)
            return false;
        auto port = m_ports.createIn(index);
        if (!port)
            return false;
        const std::uint64_t generation = ++m_inGeneration;
        port->setLostHandler([this, generation](const QString& reason) {
            QMetaObject::invokeMethod(
                this, [this, generation, reason] { onInputLost(generation, reason); }, Qt::QueuedConnection);
        });
        QString error;
        if (!port->open(
                [this, generation](const std::uint8_t* data, std::size_t size) { onInput(generation, data, size); },
                &error))
            return false;
        m_in = std::move(port);
        m_parser.reset();
        m_inOpenedAt = steadyNow();
        return true;
    });
}

bool CMidi::OpenOut()
{
    std::lock_guard lock(m_outMutex);
    if (m_out)
        return true;
    return retryOpen([this] {
        const QStringList names = m_ports.outputNames();
        const int index = CMidiPortProvider::resolve(names, m_settings.outDevice, m_settings.outName);
        if (index < 0)
            return false;
        auto port = m_ports.createOut(index);
        if (!port)
            return false;
        const std::uint64_t generation = ++m_outGeneration;
        m_outLost = false;
        port->setLostHandler([this, generation](const QString&) {
            // The send thread gives up its wait at once; its next send fails with the reason.
            if (generation == m_outGeneration.load())
                m_outLost = true;
            m_clock->wake();
            QMetaObject::invokeMethod(
                this, [this, generation] { onOutputLost(generation); }, Qt::QueuedConnection);
        });
        QString error;
        if (!port->open(&error))
            return false;
        m_out = std::move(port);
        m_notes.clear();
        return true;
    });
}

bool CMidi::isOutOpen() const
{
    std::lock_guard lock(m_outMutex);
    return m_out != nullptr;
}

void CMidi::CloseIn()
{
    m_receiving = false;
    m_recording = false;
    m_quietTimer.stop();
    if (m_in) {
        // Completions still queued from this port are recognised by their generation
        // and ignored.
        ++m_inGeneration;
        m_in->close();
        m_in.reset();
        std::lock_guard lock(m_inMutex);
        m_incoming.clear();
    }
    if (m_thru)
        OpenIn();
}

void CMidi::CloseOut()
{
    cancelJobs(false);
    m_fileSending = false;
    {
        std::lock_guard lock(m_outMutex);
        if (m_out) {
            releaseNotes();
            ++m_outGeneration;
            m_out->close();
            m_out.reset();
        }
        m_notes.clear();
    }
    m_outLost = false;
    if (m_thru)
        OpenOut();
}

void CMidi::releaseNotes()
{
    // Straight to the port, unpaced: a handful of three-byte messages that must not
    // wait behind anything.
    if (m_out && !m_outLost) {
        for (const auto& message : m_notes.releaseMessages())
            if (m_out->send(message.data(), message.size(), nullptr))
                tap(MidiTraffic::Direction::Out, message.data(), message.size(), steadyNow());
    }
    m_notes.clear();
}

void CMidi::SetInDevice(int index, const QString& name)
{
    m_settings.inDevice = index;
    m_settings.inName = name;
    CloseIn();
}

void CMidi::SetOutDevice(int index, const QString& name)
{
    m_settings.outDevice = index;
    m_settings.outName = name;
    CloseOut();
}

void CMidi::SetThru(bool on)
{
    m_thru = on;
    OpenIn();
    OpenOut();
}

void CMidi::setSendRate(int bytesPerSecond)
{
    m_sendRate = std::max(0, bytesPerSecond);
}

void CMidi::setSendPause(int milliseconds)
{
    m_sendPause = std::max(0, milliseconds);
}

void CMidi::onOutputLost(std::uint64_t generation)
{
    if (generation != m_outGeneration.load() || m_fileSending)
        return; // a file send ends by itself and reports how far it got
    dropLostOutput();
}

void CMidi::dropLostOutput()
{
    if (!m_outLost)
        return;
    // A port that lost its line is of no more use; the next message opens it anew.
    cancelJobs(false);
    {
        std::lock_guard lock(m_outMutex);
        if (m_out) {
            ++m_outGeneration;
            m_out->close();
            m_out.reset();
        }
        m_notes.clear();
    }
    m_outLost = false;
    if (m_thru)
        OpenOut();
}

void CMidi::onInputLost(std::uint64_t generation, const QString& reason)
{
    if (generation != m_inGeneration.load())
        return;
    const bool wasReceiving = m_receiving;
    if (m_file.isOpen())
        m_file.close();
    CloseIn();
    if (wasReceiving) {
        m_reporter.showMessage(MessageIcon::Stop, reason);
        endTransfer(true, true);
    }
}

// ---------------------------------------------------------------- sending

void CMidi::SendShort(std::uint32_t message)
{
    const auto status = static_cast<std::uint8_t>(message & kByteMask);
    if ((status & kStatusBit) == 0 || status == sysex::kStart || status == sysex::kEnd)
        return; // not a short message
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        endTransfer(true, true);
        return;
    }
    Job job{Job::Kind::Short, {}, {}, 0, 0};
    const std::size_t length = CMidiInputParser::messageLength(status);
    for (std::size_t i = 0; i < length; ++i)
        job.bytes.push_back(static_cast<std::uint8_t>((message >> (kBitsPerByte * i)) & kByteMask));
    enqueue(std::move(job));
}

void CMidi::SendLong(const QByteArray& bytes)
{
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        endTransfer(true, true);
        return;
    }
    Job job{Job::Kind::Long, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), {}, 0, 0};
    enqueue(std::move(job));
}

void CMidi::StartSend()
{
    m_transferFailed = false;
    m_bytesSent = 0;
    emit bytesSent(0);
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        endTransfer(true, true);
        return;
    }
    m_fileSending = true;
    Job job{Job::Kind::File, {}, m_path, std::max(1, m_settings.chunkSize), 0};
    enqueue(std::move(job));
}

void CMidi::enqueue(Job job)
{
    job.generation = m_cancelGeneration.load();
    const bool single = job.kind != Job::Kind::File;
    {
        std::lock_guard lock(m_jobMutex);
        if (single) {
            ++m_pendingJobs; // a file send is tracked by m_fileSending
            ++m_waitingJobs;
            m_jobs.push_back(std::move(job));
        } else {
            m_fileJobs.push_back(std::move(job));
        }
    }
    m_jobCv.notify_all();
    if (single)
        m_clock->wake(); // a file send that waits for the line lets it pass
}

void CMidi::cancelJobs(bool discard)
{
    ++m_cancelGeneration;
    // Only this thread replaces m_out, so it may be read here without the lock, which
    // the send thread holds while a send waits for room.
    if (m_out)
        m_out->interrupt();
    {
        std::unique_lock lock(m_jobMutex);
        m_pendingJobs -= static_cast<int>(m_jobs.size());
        m_waitingJobs = 0;
        m_jobs.clear();
        m_fileJobs.clear();
        m_clock->wake(); // ends a pause at once
        m_idleCv.wait(lock, [this] { return !m_busy; });
    }
    std::lock_guard lock(m_outMutex);
    if (m_out)
        m_out->resume(discard);
}

void CMidi::waitUntilSent()
{
    std::unique_lock lock(m_jobMutex);
    m_idleCv.wait(lock, [this] { return m_jobs.empty() && m_fileJobs.empty() && !m_busy; });
}

bool CMidi::cancelled(std::uint64_t generation) const
{
    return generation < m_cancelGeneration.load();
}

template <typename F>
void CMidi::post(F&& f)
{
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

void CMidi::report(int icon, const QString& text)
{
    post([this, icon, text] { m_reporter.showMessage(static_cast<MessageIcon>(icon), text); });
}

void CMidi::sendLoop(std::stop_token stop)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_jobMutex);
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
            std::lock_guard lock(m_jobMutex);
            m_busy = false;
            if (job.kind != Job::Kind::File)
                --m_pendingJobs;
        }
        m_idleCv.notify_all();
    }
}

void CMidi::serveWaitingJobs()
{
    for (;;) {
        Job job;
        {
            std::lock_guard lock(m_jobMutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            --m_waitingJobs;
        }
        if (!cancelled(job.generation))
            runJob(job);
        {
            std::lock_guard lock(m_jobMutex);
            --m_pendingJobs;
        }
        m_idleCv.notify_all();
    }
}

void CMidi::runJob(const Job& job)
{
    // A port that lost its line has been reported once; its single messages fail quietly.
    const auto failedVisibly = [&](SendResult result) { return result == SendResult::Failed && !m_outLost; };
    switch (job.kind) {
    case Job::Kind::Short:
        if (failedVisibly(transmit(job, job.bytes.data(), job.bytes.size(), false)))
            report(static_cast<int>(MessageIcon::Stop), tr("Could not send MIDI OUT Short Message."));
        break;
    case Job::Kind::Long: {
        CSysExSplitter splitter;
        bool failed = false;
        splitter.feed(job.bytes.data(), job.bytes.size(), [&](const std::vector<std::uint8_t>& message, std::uint64_t) {
            const SendResult result = transmit(job, message.data(), message.size(), false);
            failed = failedVisibly(result);
            return result == SendResult::Sent;
        });
        splitter.finish();
        if (failed || splitter.droppedBytes() > 0)
            report(static_cast<int>(MessageIcon::Stop), tr("Could not send MIDI OUT Long Message."));
        break;
    }
    case Job::Kind::File:
        streamFile(job);
        break;
    }
}

CMidi::SendResult CMidi::transmit(const Job& job, const std::uint8_t* data, std::size_t size, bool yieldToJobs,
                                  QString* error)
{
    using namespace std::chrono;
    const bool sysEx = size > 0 && data[0] == sysex::kStart;
    for (;;) {
        if (yieldToJobs)
            serveWaitingJobs();
        if (cancelled(job.generation))
            return SendResult::Cancelled;
        // A short message needs only the line; System Exclusive also waits for the
        // synth's pause after the last one.
        const auto deadline = sysEx ? std::max(m_lineFree, m_sysExFree) : m_lineFree;
        if (deadline <= m_clock->now() || m_outLost)
            break;
        m_clock->waitUntil(deadline, [this, &job, yieldToJobs] {
            return cancelled(job.generation) || m_outLost.load() || (yieldToJobs && m_waitingJobs.load() > 0);
        });
    }
    {
        std::lock_guard lock(m_outMutex);
        if (!m_out || !m_out->send(data, size, error))
            return cancelled(job.generation) ? SendResult::Cancelled : SendResult::Failed;
        m_notes.sent(data, size);
    }
    tap(MidiTraffic::Direction::Out, data, size, steadyNow());
    // The line is busy for the message's bytes at the line rate; after System
    // Exclusive the synth gets its pause before the next one.
    const auto sentAt = std::max(m_clock->now(), m_lineFree);
    const int rate = m_sendRate.load();
    nanoseconds busy{0};
    if (rate > 0)
        busy = nanoseconds(static_cast<std::int64_t>(size) * 1'000'000'000LL / rate);
    m_lineFree = sentAt + duration_cast<steady_clock::duration>(busy);
    if (sysEx)
        m_sysExFree = m_lineFree + duration_cast<steady_clock::duration>(milliseconds(m_sendPause.load()));
    return SendResult::Sent;
}

void CMidi::streamFile(const Job& job)
{
    QFile file(job.path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        const int cause = errno;
        report(static_cast<int>(MessageIcon::Stop),
               tr("File could not be opened: %1").arg(openErrorCause(file, false)) + fileAndReason(file, cause));
        finishFileSend(job.generation, true);
        return;
    }
    CSysExSplitter splitter;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(job.chunkSize));
    bool sendFailed = false;
    QString sendError;
    std::uint64_t sentBytes = 0;
    const auto sink = [&](const std::vector<std::uint8_t>& message, std::uint64_t consumed) {
        const SendResult result = transmit(job, message.data(), message.size(), true, &sendError);
        if (result != SendResult::Sent) {
            sendFailed = result == SendResult::Failed;
            return false;
        }
        sentBytes = consumed;
        const auto count = static_cast<long>(consumed);
        post([this, count, generation = job.generation] {
            if (cancelled(generation))
                return;
            m_bytesSent = count;
            emit bytesSent(count);
        });
        return true;
    };
    for (;;) {
        if (cancelled(job.generation))
            return; // Stop ends the transfer and reports it
        const qint64 got = file.read(reinterpret_cast<char*>(chunk.data()), job.chunkSize);
        if (got < 0) {
            report(static_cast<int>(MessageIcon::Stop),
                   tr("Error reading from File %1").arg(ioErrorCause(file)) + fileAndReason(file, errno));
            finishFileSend(job.generation, true);
            return;
        }
        if (got == 0)
            break;
        if (!splitter.feed(chunk.data(), static_cast<std::size_t>(got), sink)) {
            if (!sendFailed)
                return; // stopped
            if (m_outLost && !sendError.isEmpty())
                report(static_cast<int>(MessageIcon::Stop),
                       tr("%1 %2 of %3 bytes were sent.").arg(sendError).arg(sentBytes).arg(file.size()));
            else
                report(static_cast<int>(MessageIcon::Stop), tr("Could not send MIDI OUT Long Message."));
            finishFileSend(job.generation, true);
            return;
        }
        // Single messages asked for while the file was read go out before its next one.
        serveWaitingJobs();
    }
    splitter.finish();
    const auto total = static_cast<long>(splitter.consumed());
    const auto dropped = splitter.droppedBytes();
    if (dropped > 0)
        report(static_cast<int>(MessageIcon::Exclamation),
               tr("%1 bytes of the file were not part of a complete System Exclusive message and were not sent.")
                   .arg(dropped));
    post([this, total, generation = job.generation] {
        if (cancelled(generation))
            return;
        m_bytesSent = total;
        emit bytesSent(total);
    });
    finishFileSend(job.generation, dropped > 0);
}

void CMidi::finishFileSend(std::uint64_t generation, bool failed)
{
    post([this, generation, failed] {
        if (cancelled(generation) || !m_fileSending)
            return; // stopped meanwhile; Stop has reported the end
        m_fileSending = false;
        dropLostOutput();
        endTransfer(true, failed);
    });
}

// ---------------------------------------------------------------- receiving

void CMidi::StartReceive(const QByteArray& request)
{
    m_transferFailed = false;
    m_bytesReceived = 0;
    m_otherBytes = 0;
    emit bytesReceived(0);
    // The input is opened before the file is created, so that a missing device does
    // not cost the user an existing file.
    if (!OpenIn()) {
        m_reporter.showMessage(MessageIcon::Exclamation, tr("Error opening MIDI Device"));
        endTransfer(true, true);
        return;
    }
    if (m_file.isOpen())
        m_file.close();
    m_file.setFileName(m_path);
    // Created exclusively: nothing already at the path (a file, a link, a FIFO) is
    // opened, followed or truncated.
    errno = 0;
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const int cause = errno;
        m_reporter.showMessage(MessageIcon::Stop, tr("File could not be opened: %1").arg(openErrorCause(m_file, true))
                                                      + fileAndReason(m_file, cause));
        endTransfer(true, true);
        return;
    }
    {
        // Whatever arrived before this moment belongs to no receive.
        std::lock_guard lock(m_inMutex);
        m_incoming.clear();
    }
    m_parser.reset();
    m_receiving = true;
    m_request = request;
    m_answers = CDumpRequest(request);
    m_recording = request.isEmpty();
    m_skipToRecordStart = request.isEmpty();
    m_skippedBytes = 0;
    if (!m_recording)
        sendRequestWhenQuiet();
}

void CMidi::sendRequestWhenQuiet()
{
    if (!m_receiving || m_recording)
        return;
    const std::int64_t quiet = std::chrono::nanoseconds(std::chrono::milliseconds(m_settings.quietTime)).count();
    const std::int64_t lastActivity = std::max(m_inOpenedAt, m_lastSysExAt.load());
    const std::int64_t wait = lastActivity + quiet - steadyNow();
    if (wait > 0) {
        constexpr std::int64_t kNanosPerMilli = 1'000'000;
        m_quietTimer.start(static_cast<int>((wait + kNanosPerMilli - 1) / kNanosPerMilli));
        return;
    }
    // What is still queued arrived before the request and is dropped with the rest.
    drainInput();
    if (!m_receiving)
        return;
    m_parser.reset();
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        m_file.close();
        CloseIn();
        endTransfer(true, true);
        return;
    }
    m_recording = true;
    SendLong(m_request);
    emit requestSent();
}

void CMidi::Stop()
{
    const bool wasReceiving = m_receiving;
    m_quietTimer.stop();
    cancelJobs(true);
    m_fileSending = false;
    CloseIn();
    CloseOut();
    if (m_file.isOpen())
        m_file.close();
    endTransfer(!wasReceiving, false);
}

void CMidi::endTransfer(bool sendOrError, bool failed)
{
    m_transferFailed = failed;
    emit transferEnded(sendOrError);
}

void CMidi::onInput(std::uint64_t generation, const std::uint8_t* data, std::size_t size)
{
    // Any thread: only queue the bytes; one queued call drains everything that
    // arrived until it runs.
    if (size == 0)
        return;
    const std::int64_t now = steadyNow();
    if (carriesSysEx(data, size))
        m_lastSysExAt = now;
    bool post = false;
    {
        std::lock_guard lock(m_inMutex);
        m_incoming.push_back(Incoming{generation, std::vector<std::uint8_t>(data, data + size), now});
        if (!m_drainPosted) {
            m_drainPosted = true;
            post = true;
        }
    }
    if (post)
        QMetaObject::invokeMethod(this, &CMidi::drainInput, Qt::QueuedConnection);
}

void CMidi::drainInput()
{
    for (;;) {
        Incoming item;
        {
            std::lock_guard lock(m_inMutex);
            if (m_incoming.empty()) {
                m_drainPosted = false;
                return;
            }
            item = std::move(m_incoming.front());
            m_incoming.pop_front();
        }
        // A listener may close or reopen the input while we deliver; what came from
        // an earlier opening is then dropped.
        if (item.generation == m_inGeneration.load()) {
            m_inputAt = item.at;
            handleInput(item.bytes);
        }
    }
}

void CMidi::handleInput(const std::vector<std::uint8_t>& bytes)
{
    m_parser.feed(bytes.data(), bytes.size(),
                  [this](const std::vector<std::uint8_t>& message) { handleMessage(message); });
    const auto dropped = static_cast<long>(m_parser.takeDropped());
    if (m_receiving && m_recording)
        m_otherBytes += dropped;
}

void CMidi::handleMessage(const std::vector<std::uint8_t>& message)
{
    tap(MidiTraffic::Direction::In, message.data(), message.size(), m_inputAt);
    if (message.front() != sysex::kStart) {
        handleShort(message);
        return;
    }
    if (!m_receiving || !m_recording || !m_file.isOpen())
        return;
    if (m_answers.isValid() && !m_answers.isAnsweredBy(message.data(), message.size())) {
        m_otherBytes += static_cast<long>(message.size());
        return;
    }
    const auto size = static_cast<qint64>(message.size());
    if (m_skipToRecordStart) {
        if (continuesRecord(message.data(), message.size())) {
            m_skippedBytes += static_cast<long>(size);
            return;
        }
        m_skipToRecordStart = false;
    }
    errno = 0;
    if (m_file.write(reinterpret_cast<const char*>(message.data()), size) != size || !m_file.flush()) {
        const int cause = errno;
        m_reporter.showMessage(MessageIcon::Stop,
                               tr("Error writing to File %1").arg(ioErrorCause(m_file)) + fileAndReason(m_file, cause));
        m_file.close();
        CloseIn();
        endTransfer(true, true);
        return;
    }
    m_bytesReceived += static_cast<long>(size);
    emit bytesReceived(m_bytesReceived);
}

void CMidi::handleShort(const std::vector<std::uint8_t>& message)
{
    if (message[0] == kControlChangeChannel1 && message.size() >= 3) {
        const int controller = message[1];
        const int value = message[2];
        for (const auto& listener : std::as_const(m_listeners)) {
            if (listener)
                QMetaObject::invokeMethod(listener.data(), "remoteValue", Qt::QueuedConnection, Q_ARG(int, value),
                                          Q_ARG(int, controller));
        }
        emit remoteValue(value, controller);
    }
    if (m_thru) {
        std::uint32_t packed = 0;
        for (std::size_t i = 0; i < message.size() && i < static_cast<std::size_t>(kShortMessageMax); ++i)
            packed |= static_cast<std::uint32_t>(message[i]) << (kBitsPerByte * i);
        SendShort(packed);
    }
}

// ---------------------------------------------------------------- requests, listeners

void CMidi::AddRequest(const QString& name, const QString& text)
{
    m_requestNames << name;
    m_requestTexts << text;
}

void CMidi::AddListener(QObject* listener)
{
    m_listeners.append(QPointer<QObject>(listener));
}

void CMidi::RemoveListener(QObject* listener)
{
    for (qsizetype i = 0; i < m_listeners.size(); ++i) {
        if (m_listeners[i].data() == listener) {
            m_listeners.removeAt(i);
            return;
        }
    }
}

// ---------------------------------------------------------------- traffic

void CMidi::connectNotify(const QMetaMethod& signal)
{
    if (signal == QMetaMethod::fromSignal(&CMidi::traffic)) {
        // The queue is made before the flag tells the send thread to use it, and lives
        // as long as the engine.
        if (!m_traffic)
            m_traffic = std::make_unique<CTrafficQueue>(kTrafficCapacity);
        m_tapping.store(true, std::memory_order_release);
    }
    QObject::connectNotify(signal);
}

void CMidi::disconnectNotify(const QMetaMethod& signal)
{
    // Qt still holds its connection lock here, so whether anyone is left is asked
    // later, from the event loop. An invalid method: everything was disconnected at once.
    if (!signal.isValid() || signal == QMetaMethod::fromSignal(&CMidi::traffic))
        QMetaObject::invokeMethod(this, &CMidi::updateTapping, Qt::QueuedConnection);
    QObject::disconnectNotify(signal);
}

void CMidi::updateTapping()
{
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&CMidi::traffic));
    m_tapping.store(listened, std::memory_order_release);
    if (!listened && m_traffic) {
        // What came while nobody listened is nobody's: a later receiver starts afresh.
        MidiTraffic record;
        while (m_traffic->pop(record)) {}
        m_traffic->takeLost();
    }
}

void CMidi::tap(MidiTraffic::Direction direction, const std::uint8_t* data, std::size_t size, std::int64_t at)
{
    if (!m_tapping.load(std::memory_order_acquire) || size == 0)
        return;
    MidiTraffic record;
    record.nanos = std::max<std::int64_t>(0, at - m_startedAt);
    record.direction = direction;
    record.bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    m_traffic->push(std::move(record));
    // One queued call carries everything that comes until it runs.
    if (!m_trafficPosted.exchange(true, std::memory_order_acq_rel))
        QMetaObject::invokeMethod(this, &CMidi::deliverTraffic, Qt::QueuedConnection);
}

void CMidi::deliverTraffic()
{
    m_trafficPosted.store(false, std::memory_order_release);
    if (!m_traffic)
        return;
    QList<MidiTraffic> batch;
    MidiTraffic record;
    while (m_traffic->pop(record))
        batch.append(std::move(record));
    if (!batch.isEmpty())
        emit traffic(batch);
}

std::uint64_t CMidi::takeLostTraffic()
{
    return m_traffic ? m_traffic->takeLost() : 0;
}
