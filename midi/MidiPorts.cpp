#include "midi/MidiPorts.h"

#include "midi/MidiPortProvider.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

// The pause between two tries. On the application's own thread it goes on with that
// thread's events (timers, repaints, what other threads hand over), but not with user
// input, so that the interface stays alive and no click starts another open meanwhile.
// Elsewhere it sleeps.
void pauseBeforeRetry()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        QThread::msleep(static_cast<unsigned long>(CMidiPorts::kOpenRetryMs));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(CMidiPorts::kOpenRetryMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// Tries open up to kOpenAttempts times; the caller holds no lock while it pauses.
// opening is set meanwhile.
template <typename F>
bool retryOpen(bool& opening, F&& open)
{
    opening = true;
    for (int attempt = 1;; ++attempt) {
        if (open()) {
            opening = false;
            return true;
        }
        if (attempt == CMidiPorts::kOpenAttempts) {
            opening = false;
            return false;
        }
        pauseBeforeRetry();
    }
}

} // namespace

CMidiPorts::CMidiPorts(CMidiPortProvider& provider, const CMidiSettings& settings)
    : m_provider(provider), m_inDevice(settings.inDevice), m_outDevice(settings.outDevice), m_inName(settings.inName),
      m_outName(settings.outName)
{}

CMidiPorts::~CMidiPorts()
{
    closeIn();
    closeOut({});
}

void CMidiPorts::setInDevice(int index, const QString& name)
{
    m_inDevice = index;
    m_inName = name;
}

void CMidiPorts::setOutDevice(int index, const QString& name)
{
    m_outDevice = index;
    m_outName = name;
}

bool CMidiPorts::openIn(const InputHandler& onInput, const LostHandler& onLost)
{
    if (m_in)
        return true;
    if (m_openingIn)
        return false; // asked again from an event handled during the pause of an open
    return retryOpen(m_openingIn, [&] {
        const int index = CMidiPortProvider::resolve(m_provider.inputNames(), m_inDevice, m_inName);
        if (index < 0)
            return false;
        auto port = m_provider.createIn(index);
        if (!port)
            return false;
        const std::uint64_t generation = ++m_inGeneration;
        port->setLostHandler([onLost, generation](const QString& reason) { onLost(generation, reason); });
        QString error;
        if (!port->open(
                [onInput, generation](const std::uint8_t* data, std::size_t size) { onInput(generation, data, size); },
                &error))
            return false;
        m_in = std::move(port);
        return true;
    });
}

void CMidiPorts::closeIn()
{
    if (!m_in)
        return;
    ++m_inGeneration;
    m_in->close();
    m_in.reset();
}

bool CMidiPorts::openOut(const LostHandler& onLost)
{
    // Only this thread replaces the port, so it is made and opened without the lock
    // (and the pause between tries never holds up the send thread), then put in place.
    if (isOutOpen())
        return true;
    if (m_openingOut)
        return false;
    std::unique_ptr<CMidiOutPort> opened;
    const bool ok = retryOpen(m_openingOut, [&] {
        const int index = CMidiPortProvider::resolve(m_provider.outputNames(), m_outDevice, m_outName);
        if (index < 0)
            return false;
        auto port = m_provider.createOut(index);
        if (!port)
            return false;
        const std::uint64_t generation = ++m_outGeneration;
        m_outLost = false;
        port->setLostHandler([this, onLost, generation](const QString& reason) {
            if (generation == m_outGeneration.load())
                m_outLost = true;
            onLost(generation, reason);
        });
        QString error;
        if (!port->open(&error))
            return false;
        opened = std::move(port);
        return true;
    });
    if (!ok)
        return false;
    std::lock_guard lock(m_outMutex);
    m_out = std::move(opened);
    m_notes.clear();
    return true;
}

bool CMidiPorts::isOutOpen() const
{
    std::lock_guard lock(m_outMutex);
    return m_out != nullptr;
}

void CMidiPorts::releaseNotes(const SentHandler& onSent)
{
    // Straight to the port, unpaced: a handful of three-byte messages that must not
    // wait behind anything.
    if (m_out && !m_outLost) {
        for (const auto& message : m_notes.releaseMessages())
            if (m_out->send(message.data(), message.size(), nullptr) && onSent)
                onSent(message.data(), message.size());
    }
    m_notes.clear();
}

void CMidiPorts::closeOut(const SentHandler& onSent)
{
    {
        std::lock_guard lock(m_outMutex);
        if (m_out) {
            releaseNotes(onSent);
            ++m_outGeneration;
            m_out->close();
            m_out.reset();
        }
        m_notes.clear();
    }
    m_outLost = false;
}

void CMidiPorts::dropOut()
{
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
}

bool CMidiPorts::send(const std::uint8_t* data, std::size_t size, QString* error)
{
    std::lock_guard lock(m_outMutex);
    if (!m_out || !m_out->send(data, size, error))
        return false;
    m_notes.sent(data, size);
    return true;
}

void CMidiPorts::interruptOut()
{
    // Only the user-interface thread replaces m_out, and only it calls this, so the port
    // may be read without the lock, which the send thread holds while a send waits for room.
    if (m_out)
        m_out->interrupt();
}

void CMidiPorts::resumeOut(bool discard)
{
    std::lock_guard lock(m_outMutex);
    if (m_out)
        m_out->resume(discard);
}
