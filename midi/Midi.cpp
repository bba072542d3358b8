#include "midi/Midi.h"

#include "midi/MidiPortProvider.h"
#include "midi/SysExSplitter.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>

namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kChannelMask = 0xF0;
constexpr std::uint8_t kProgramChange = 0xC0;
constexpr std::uint8_t kChannelPressure = 0xD0;
constexpr std::uint8_t kSystemCommon = 0xF0;
constexpr int kShortMessageMax = 3;

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

// The length of a channel message by its status byte.
std::size_t shortLength(std::uint8_t status)
{
    const std::uint8_t kind = status & kChannelMask;
    if (kind == kProgramChange || kind == kChannelPressure)
        return 2;
    return kShortMessageMax;
}

} // namespace

CMidi::CMidi(CMidiPortProvider& ports, CReporter& reporter, const CMidiSettings& settings, CMidiClock* clock,
             QObject* parent)
    : QObject(parent), m_ports(ports), m_reporter(reporter), m_settings(settings),
      m_ownClock(clock ? nullptr : std::make_unique<CSteadyMidiClock>()), m_clock(clock ? clock : m_ownClock.get()),
      m_sendRate(settings.sendRate), m_sendPause(settings.sendPause)
{
    m_thread = std::jthread([this](std::stop_token stop) { sendLoop(stop); });
}

CMidi::~CMidi()
{
    cancelJobs();
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
    const QStringList names = m_ports.inputNames();
    const int index = CMidiPortProvider::resolve(names, m_settings.inDevice, m_settings.inName);
    if (index < 0)
        return false;
    auto port = m_ports.createIn(index);
    if (!port)
        return false;
    const std::uint64_t generation = ++m_inGeneration;
    QString error;
    if (!port->open([this, generation](const std::uint8_t* data, std::size_t size) { onInput(generation, data, size); },
                    &error))
        return false;
    m_in = std::move(port);
    m_inSysEx = false;
    return true;
}

bool CMidi::OpenOut()
{
    std::lock_guard lock(m_outMutex);
    if (m_out)
        return true;
    const QStringList names = m_ports.outputNames();
    const int index = CMidiPortProvider::resolve(names, m_settings.outDevice, m_settings.outName);
    if (index < 0)
        return false;
    auto port = m_ports.createOut(index);
    QString error;
    if (!port || !port->open(&error))
        return false;
    m_out = std::move(port);
    return true;
}

bool CMidi::isOutOpen() const
{
    std::lock_guard lock(m_outMutex);
    return m_out != nullptr;
}

void CMidi::CloseIn()
{
    m_receiving = false;
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
    cancelJobs();
    m_fileSending = false;
    {
        std::lock_guard lock(m_outMutex);
        if (m_out) {
            m_out->close();
            m_out.reset();
        }
    }
    if (m_thru)
        OpenOut();
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

// ---------------------------------------------------------------- sending

void CMidi::SendShort(std::uint32_t message)
{
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        endTransfer(true, true);
        return;
    }
    const auto status = static_cast<std::uint8_t>(message & 0xFF);
    Job job{Job::Kind::Short, {}, {}, 0, 0};
    const std::size_t length = shortLength(status);
    for (std::size_t i = 0; i < length; ++i)
        job.bytes.push_back(static_cast<std::uint8_t>((message >> (8 * i)) & 0xFF));
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
    {
        std::lock_guard lock(m_jobMutex);
        if (job.kind != Job::Kind::File)
            ++m_pendingJobs; // a file send is tracked by m_fileSending
        m_jobs.push_back(std::move(job));
    }
    m_jobCv.notify_all();
}

void CMidi::cancelJobs()
{
    ++m_cancelGeneration;
    std::unique_lock lock(m_jobMutex);
    for (const Job& job : m_jobs) {
        if (job.kind != Job::Kind::File)
            --m_pendingJobs;
    }
    m_jobs.clear();
    m_clock->wake(); // ends a pause at once
    m_idleCv.wait(lock, [this] { return !m_busy; });
}

void CMidi::waitUntilSent()
{
    std::unique_lock lock(m_jobMutex);
    m_idleCv.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
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
            if (!m_jobCv.wait(lock, stop, [this] { return !m_jobs.empty(); }))
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
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

void CMidi::runJob(const Job& job)
{
    switch (job.kind) {
    case Job::Kind::Short:
        if (!sendMessage(job, job.bytes.data(), job.bytes.size(), true) && !cancelled(job.generation))
            report(static_cast<int>(MessageIcon::Stop), tr("Could not send MIDI OUT Short Message."));
        break;
    case Job::Kind::Long: {
        CSysExSplitter splitter;
        bool failed = false;
        splitter.feed(job.bytes.data(), job.bytes.size(), [&](const std::vector<std::uint8_t>& message, std::uint64_t) {
            if (sendMessage(job, message.data(), message.size(), true))
                return true;
            failed = !cancelled(job.generation);
            return false;
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

bool CMidi::sendMessage(const Job& job, const std::uint8_t* data, std::size_t size, bool paced)
{
    using namespace std::chrono;
    if (paced && m_lineFree > m_clock->now())
        m_clock->waitUntil(m_lineFree, [this, &job] { return cancelled(job.generation); });
    if (cancelled(job.generation))
        return false;
    QString error;
    {
        std::lock_guard lock(m_outMutex);
        if (!m_out || !m_out->send(data, size, &error))
            return false;
    }
    // The line is busy for the message's bytes at the line rate, then the synth gets
    // its pause after every System Exclusive message.
    const auto sentAt = std::max(m_clock->now(), m_lineFree);
    const int rate = m_sendRate.load();
    nanoseconds busy{0};
    if (rate > 0)
        busy = nanoseconds(static_cast<std::int64_t>(size) * 1'000'000'000LL / rate);
    if (size > 0 && data[0] == sysex::kStart)
        busy += milliseconds(m_sendPause.load());
    m_lineFree = sentAt + duration_cast<steady_clock::duration>(busy);
    return true;
}

void CMidi::streamFile(const Job& job)
{
    QFile file(job.path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(static_cast<int>(MessageIcon::Stop),
               tr("File could not be opened: %1").arg(openErrorCause(file, false)));
        finishFileSend(job.generation, true);
        return;
    }
    CSysExSplitter splitter;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(job.chunkSize));
    bool sendFailed = false;
    const auto sink = [&](const std::vector<std::uint8_t>& message, std::uint64_t consumed) {
        if (!sendMessage(job, message.data(), message.size(), true)) {
            sendFailed = !cancelled(job.generation);
            return false;
        }
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
            report(static_cast<int>(MessageIcon::Stop), tr("Error reading from File %1").arg(ioErrorCause(file)));
            finishFileSend(job.generation, true);
            return;
        }
        if (got == 0)
            break;
        if (!splitter.feed(chunk.data(), static_cast<std::size_t>(got), sink)) {
            if (!sendFailed)
                return; // stopped
            report(static_cast<int>(MessageIcon::Stop), tr("Could not send MIDI OUT Long Message."));
            finishFileSend(job.generation, true);
            return;
        }
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
        endTransfer(true, failed);
    });
}

// ---------------------------------------------------------------- receiving

void CMidi::StartReceive(const QByteArray& request)
{
    m_transferFailed = false;
    m_bytesReceived = 0;
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
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_reporter.showMessage(MessageIcon::Stop, tr("File could not be opened: %1").arg(openErrorCause(m_file, true)));
        endTransfer(true, true);
        return;
    }
    {
        // Whatever arrived before this moment belongs to no receive.
        std::lock_guard lock(m_inMutex);
        m_incoming.clear();
    }
    m_inSysEx = false;
    m_receiving = true;
    if (!request.isEmpty())
        SendLong(request);
}

void CMidi::Stop()
{
    const bool wasReceiving = m_receiving;
    cancelJobs();
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
    bool post = false;
    {
        std::lock_guard lock(m_inMutex);
        m_incoming.push_back(Incoming{generation, std::vector<std::uint8_t>(data, data + size)});
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
        if (item.generation == m_inGeneration.load())
            handleInput(item.bytes);
    }
}

void CMidi::handleInput(const std::vector<std::uint8_t>& message)
{
    const std::uint8_t first = message.front();
    const bool sysEx = first == sysex::kStart || (m_inSysEx && ((first & kStatusBit) == 0 || first == sysex::kEnd));
    if (!sysEx) {
        if ((first & kStatusBit) != 0 && first < kSystemCommon)
            handleShort(message);
        return;
    }
    m_inSysEx = message.back() != sysex::kEnd;
    if (!m_receiving)
        return;
    const auto size = static_cast<qint64>(message.size());
    if (m_file.write(reinterpret_cast<const char*>(message.data()), size) != size || !m_file.flush()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error writing to File %1").arg(ioErrorCause(m_file)));
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
            packed |= static_cast<std::uint32_t>(message[i]) << (8 * i);
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
