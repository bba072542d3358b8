#include "midi/Midi.h"

#include "midi/MidiPortProvider.h"
#include "model/Reporter.h"
#include "model/SysEx.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <chrono>

namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr int kShortMessageMax = 3;
constexpr int kBitsPerByte = 8;
constexpr std::uint32_t kByteMask = 0xFF;
constexpr std::int64_t kNanosPerMilli = 1'000'000;

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
    : QObject(parent), m_reporter(reporter), m_settings(settings),
      m_ownClock(clock ? nullptr : std::make_unique<CSteadyMidiClock>()), m_clock(clock ? clock : m_ownClock.get()),
      m_ports(ports, settings),
      m_tap([this] { QMetaObject::invokeMethod(this, &CMidi::deliverTraffic, Qt::QueuedConnection); })
{
    m_quietTimer.setSingleShot(true);
    connect(&m_quietTimer, &QTimer::timeout, this, &CMidi::sendRequestWhenQuiet);
    m_silenceTimer.setSingleShot(true);
    connect(&m_silenceTimer, &QTimer::timeout, this, [this] {
        if (m_recorder.isRecording())
            emit noByteFor(m_settings.noByteNotice, m_recorder.bytesReceived());
    });
    m_sender = std::make_unique<CSendQueue>(m_ports, *m_clock, sendEvents(), settings.sendRate, settings.sendPause);
}

CMidi::~CMidi()
{
    m_sender->cancel(false);
    m_sender.reset();
    m_thru = false;
    m_recorder.closeFile();
    CloseIn();
    m_fileSending = false;
    m_ports.closeOut([this](const std::uint8_t* data, std::size_t size) { tapOut(data, size); });
}

CSendQueue::Events CMidi::sendEvents()
{
    CSendQueue::Events events;
    events.sent = [this](const std::uint8_t* data, std::size_t size) { tapOut(data, size); };
    events.failed = [this](const QString& text) {
        post([this, text] { m_reporter.showMessage(MessageIcon::Stop, text); });
    };
    events.fileProgress = [this](std::uint64_t generation, long count) {
        post([this, count, generation] {
            if (m_sender->cancelled(generation))
                return;
            m_bytesSent = count;
            emit bytesSent(count);
        });
    };
    events.fileReport = [this](int icon, const QString& text) {
        post([this, icon, text] { m_reporter.showMessage(static_cast<MessageIcon>(icon), text); });
    };
    events.fileFinished = [this](std::uint64_t generation, bool failed) { finishFileSend(generation, failed); };
    return events;
}

template <typename F>
void CMidi::post(F&& f)
{
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

// ---------------------------------------------------------------- devices

bool CMidi::OpenIn()
{
    if (m_ports.isInOpen())
        return true;
    const bool opened = m_ports.openIn([this](std::uint64_t generation, const std::uint8_t* data,
                                              std::size_t size) { onInput(generation, data, size); },
                                       [this](std::uint64_t generation, const QString& reason) {
                                           QMetaObject::invokeMethod(
                                               this, [this, generation, reason] { onInputLost(generation, reason); },
                                               Qt::QueuedConnection);
                                       });
    if (opened) {
        m_parser.reset();
        m_inOpenedAt = steadyNow();
    }
    resumeAfterOpen();
    return opened;
}

bool CMidi::OpenOut()
{
    const bool opened = m_ports.openOut([this](std::uint64_t generation, const QString&) {
        // The send thread gives up its wait at once; its next send fails with the reason.
        m_clock->wake();
        QMetaObject::invokeMethod(
            this, [this, generation] { onOutputLost(generation); }, Qt::QueuedConnection);
    });
    // Messages asked for while the output was being opened follow it; when it could not
    // be opened, the caller that opened it reports that for them too.
    std::vector<HeldMessage> held;
    if (!m_ports.isOpeningOut())
        held.swap(m_heldOut);
    if (opened) {
        for (HeldMessage& message : held)
            queueOut(std::move(message));
    }
    resumeAfterOpen();
    return opened;
}

void CMidi::resumeAfterOpen()
{
    // Input held back during the open is handled now, in its order.
    if (m_inputHeld && !m_ports.isOpeningIn() && !m_ports.isOpeningOut()) {
        m_inputHeld = false;
        QMetaObject::invokeMethod(this, &CMidi::drainInput, Qt::QueuedConnection);
    }
}

bool CMidi::isOutOpen() const
{
    return m_ports.isOutOpen();
}

void CMidi::CloseIn()
{
    m_recorder.end();
    m_quietTimer.stop();
    m_silenceTimer.stop();
    if (m_ports.isInOpen()) {
        m_ports.closeIn();
        m_incoming.clear();
    }
    if (m_thru)
        OpenIn();
}

void CMidi::CloseOut()
{
    m_sender->cancel(false);
    m_fileSending = false;
    m_ports.closeOut([this](const std::uint8_t* data, std::size_t size) { tapOut(data, size); });
    if (m_thru)
        OpenOut();
}

void CMidi::SetInDevice(int index, const QString& name)
{
    m_ports.setInDevice(index, name);
    CloseIn();
}

void CMidi::SetOutDevice(int index, const QString& name)
{
    m_ports.setOutDevice(index, name);
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
    m_sender->setRate(bytesPerSecond);
}

void CMidi::setSendPause(int milliseconds)
{
    m_sender->setPause(milliseconds);
}

void CMidi::onOutputLost(std::uint64_t generation)
{
    if (generation != m_ports.outGeneration() || m_fileSending)
        return; // a file send ends by itself and reports how far it got
    dropLostOutput();
}

void CMidi::dropLostOutput()
{
    if (!m_ports.outLost())
        return;
    // A port that lost its line is of no more use; the next message opens it anew.
    m_sender->cancel(false);
    m_ports.dropOut();
    if (m_thru)
        OpenOut();
}

void CMidi::onInputLost(std::uint64_t generation, const QString& reason)
{
    if (generation != m_ports.inGeneration())
        return;
    const bool wasReceiving = m_recorder.isReceiving();
    m_recorder.closeFile();
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
    std::vector<std::uint8_t> bytes;
    const std::size_t length = CMidiInputParser::messageLength(status);
    for (std::size_t i = 0; i < length; ++i)
        bytes.push_back(static_cast<std::uint8_t>((message >> (kBitsPerByte * i)) & kByteMask));
    sendOut(HeldMessage{true, std::move(bytes)});
}

void CMidi::SendLong(const QByteArray& bytes)
{
    sendOut(HeldMessage{false, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
}

void CMidi::sendOut(HeldMessage message)
{
    if (m_ports.isOutOpen()) {
        queueOut(std::move(message));
        return;
    }
    // The output opens first; the messages asked for until it is open follow in order.
    m_heldOut.push_back(std::move(message));
    if (m_ports.isOpeningOut())
        return;
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        endTransfer(true, true);
    }
}

void CMidi::queueOut(HeldMessage message)
{
    if (message.isShort)
        m_sender->sendShort(std::move(message.bytes));
    else
        m_sender->sendLong(std::move(message.bytes));
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
    m_sender->sendFile(m_path, m_settings.chunkSize);
}

void CMidi::waitUntilSent()
{
    m_sender->waitUntilSent();
}

void CMidi::waitUntilLineFree()
{
    const auto free = m_sender->lineFreeAt();
    const auto now = m_clock->now();
    if (free > now)
        QThread::usleep(
            static_cast<unsigned long>(std::chrono::duration_cast<std::chrono::microseconds>(free - now).count()));
}

void CMidi::finishFileSend(std::uint64_t generation, bool failed)
{
    post([this, generation, failed] {
        if (m_sender->cancelled(generation) || !m_fileSending)
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
    m_recorder.resetCounts();
    emit bytesReceived(0);
    // The input is opened before the file is created, so that a missing device does
    // not cost the user an existing file.
    if (!OpenIn()) {
        m_reporter.showMessage(MessageIcon::Exclamation, tr("Error opening MIDI Device"));
        endTransfer(true, true);
        return;
    }
    QString error;
    if (!m_recorder.open(m_path, &error)) {
        m_reporter.showMessage(MessageIcon::Stop, error);
        endTransfer(true, true);
        return;
    }
    // The output for the request opens while the input settles, not after.
    if (!request.isEmpty() && !OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        m_recorder.closeFile();
        CloseIn();
        endTransfer(true, true);
        return;
    }
    // Whatever arrived before this moment belongs to no receive.
    m_incoming.clear();
    m_parser.reset();
    m_recorder.begin(request);
    if (request.isEmpty())
        startRecording();
    else
        sendRequestWhenQuiet();
}

void CMidi::sendRequestWhenQuiet()
{
    if (!m_recorder.isReceiving() || m_recorder.isRecording())
        return;
    // Quiet: a just-opened input has been listened to briefly, and no System Exclusive
    // data has come for the quiet time. A quiet line costs no more than the first.
    const std::int64_t quiet = m_settings.quietTime * kNanosPerMilli;
    const std::int64_t settle = std::min(m_settings.openSettleTime, m_settings.quietTime) * kNanosPerMilli;
    const std::int64_t until = std::max(m_inOpenedAt + settle, m_lastSysExAt.load() + quiet);
    const std::int64_t wait = until - steadyNow();
    if (wait > 0) {
        m_quietTimer.start(static_cast<int>((wait + kNanosPerMilli - 1) / kNanosPerMilli));
        return;
    }
    // What is still queued arrived before the request and is dropped with the rest.
    drainInput();
    if (!m_recorder.isReceiving())
        return;
    m_parser.reset();
    if (!OpenOut()) {
        m_reporter.showMessage(MessageIcon::Stop, tr("Error opening MIDI Out Device."));
        m_recorder.closeFile();
        CloseIn();
        endTransfer(true, true);
        return;
    }
    m_recorder.requestSent();
    startRecording();
    SendLong(m_recorder.request());
    emit requestSent();
}

void CMidi::startRecording()
{
    if (m_settings.noByteNotice > 0)
        m_silenceTimer.start(m_settings.noByteNotice);
}

void CMidi::Stop()
{
    const bool wasReceiving = m_recorder.isReceiving();
    m_quietTimer.stop();
    m_silenceTimer.stop();
    m_sender->cancel(true);
    m_fileSending = false;
    CloseIn();
    CloseOut();
    m_recorder.closeFile();
    endTransfer(!wasReceiving, false);
}

void CMidi::endTransfer(bool sendOrError, bool failed)
{
    m_silenceTimer.stop();
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
    if (m_incoming.push(CInputQueue::Item{generation, std::vector<std::uint8_t>(data, data + size), now}))
        QMetaObject::invokeMethod(this, &CMidi::drainInput, Qt::QueuedConnection);
}

void CMidi::drainInput()
{
    // During the pause of an open the input waits, as it would behind an open that
    // blocked: what it sets off (thru, listeners) may need the port being opened.
    if (m_ports.isOpeningIn() || m_ports.isOpeningOut()) {
        m_inputHeld = true;
        return;
    }
    CInputQueue::Item item;
    while (m_incoming.pop(item)) {
        // A listener may close or reopen the input while we deliver; what came from
        // an earlier opening is then dropped.
        if (item.generation == m_ports.inGeneration()) {
            m_inputAt = item.at;
            handleInput(item.bytes);
        }
    }
}

void CMidi::handleInput(const std::vector<std::uint8_t>& bytes)
{
    m_parser.feed(bytes.data(), bytes.size(),
                  [this](const std::vector<std::uint8_t>& message) { handleMessage(message); });
    m_recorder.addDropped(static_cast<long>(m_parser.takeDropped()));
}

void CMidi::handleMessage(const std::vector<std::uint8_t>& message)
{
    m_tap.tap(MidiTraffic::Direction::In, message.data(), message.size(), m_inputAt);
    if (message.front() != sysex::kStart) {
        handleShort(message);
        return;
    }
    QString error;
    switch (m_recorder.record(message, &error)) {
    case CReceiveRecorder::Outcome::NotRecorded:
        return;
    case CReceiveRecorder::Outcome::WriteFailed:
        m_reporter.showMessage(MessageIcon::Stop, error);
        CloseIn();
        endTransfer(true, true);
        return;
    case CReceiveRecorder::Outcome::Recorded:
        startRecording(); // the silence counts from the last byte
        emit bytesReceived(m_recorder.bytesReceived());
        return;
    }
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

// ---------------------------------------------------------------- listeners

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
    if (signal == QMetaMethod::fromSignal(&CMidi::traffic))
        m_tap.setListening(true);
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
    m_tap.setListening(isSignalConnected(QMetaMethod::fromSignal(&CMidi::traffic)));
}

void CMidi::tapOut(const std::uint8_t* data, std::size_t size)
{
    m_tap.tap(MidiTraffic::Direction::Out, data, size, steadyNow());
}

void CMidi::deliverTraffic()
{
    QList<MidiTraffic> batch = m_tap.take();
    if (!batch.isEmpty())
        emit traffic(batch);
}

std::uint64_t CMidi::takeLostTraffic()
{
    return m_tap.takeLost();
}
