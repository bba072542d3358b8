#pragma once

#include "midi/MidiPort.h"
#include "midi/MidiSettings.h"
#include "midi/NoteTracker.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class CMidiPortProvider;

// The engine's one input and one output: which devices they are, opening and closing
// them, and what sounds through the output. The user-interface thread opens, closes and
// replaces the ports; the send thread uses the output under this object's lock. A
// device that opens slowly is tried again; the pause between tries is taken with no
// lock held, and on the application's thread its events (not user input) go on
// meanwhile. An open asked for again during that pause fails at once.
class CMidiPorts
{
public:
    // Called from any thread when the port of that opening stops working for good.
    using LostHandler = std::function<void(std::uint64_t generation, const QString& reason)>;
    // Receives input of the opening generation, from the port's thread.
    using InputHandler = std::function<void(std::uint64_t generation, const std::uint8_t* data, std::size_t size)>;
    // Each message that went out, for the traffic tap.
    using SentHandler = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // How often an open is tried, and the pause between two tries.
    static constexpr int kOpenAttempts = 3;
    static constexpr int kOpenRetryMs = 150;

    explicit CMidiPorts(CMidiPortProvider& provider, const CMidiSettings& settings = {});
    ~CMidiPorts();
    CMidiPorts(const CMidiPorts&) = delete;
    CMidiPorts& operator=(const CMidiPorts&) = delete;

    CMidiPortProvider& provider() const { return m_provider; }
    void setInDevice(int index, const QString& name);
    void setOutDevice(int index, const QString& name);
    int inDevice() const { return m_inDevice; }
    int outDevice() const { return m_outDevice; }

    // Input (user-interface thread).
    bool openIn(const InputHandler& onInput, const LostHandler& onLost);
    // Completions still queued from the closed port are recognised by their generation.
    void closeIn();
    bool isInOpen() const { return m_in != nullptr; }
    // An open is between two of its tries.
    bool isOpeningIn() const { return m_openingIn; }
    std::uint64_t inGeneration() const { return m_inGeneration.load(); }

    // Output. open and close: user-interface thread. Closing turns off what sounds first.
    bool openOut(const LostHandler& onLost);
    void closeOut(const SentHandler& onSent);
    // Closes an output that lost its line (nothing is released on a dead line).
    void dropOut();
    bool isOutOpen() const;
    bool isOpeningOut() const { return m_openingOut; }
    std::uint64_t outGeneration() const { return m_outGeneration.load(); }
    // The output of the current opening lost its line; the send thread gives up waits.
    bool outLost() const { return m_outLost.load(); }

    // Send thread: one whole message, followed by the note tracker.
    bool send(const std::uint8_t* data, std::size_t size, QString* error);
    // Any thread: a send that waits for room gives up at once, until resumeOut().
    void interruptOut();
    void resumeOut(bool discard);

private:
    // Turns off what sounds through the output; m_outMutex held.
    void releaseNotes(const SentHandler& onSent);

    CMidiPortProvider& m_provider;
    int m_inDevice;
    int m_outDevice;
    QString m_inName;
    QString m_outName;

    std::unique_ptr<CMidiInPort> m_in;
    bool m_openingIn = false;
    bool m_openingOut = false;
    std::atomic<std::uint64_t> m_inGeneration{0};

    // Replaced by the user-interface thread only, used by the send thread under the lock.
    mutable std::mutex m_outMutex;
    std::unique_ptr<CMidiOutPort> m_out;
    CNoteTracker m_notes; // under m_outMutex
    std::atomic<std::uint64_t> m_outGeneration{0};
    std::atomic<bool> m_outLost{false};
};
