#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

// Called, from any thread and at most once per opening, when a port stops working for
// good: its MIDI system shut down, or the port it was connected to went away or was
// disconnected. reason is a sentence for the user.
using MidiPortLostHandler = std::function<void(const QString& reason)>;

// One MIDI input as the engine sees it: hardware through RtMidi, the built-in
// synth emulator, or a loopback in tests.
class CMidiInPort
{
public:
    // Receives input as the port delivers it: whole messages, or pieces of System
    // Exclusive messages, possibly with realtime bytes among them. It may be called on
    // any thread, but never after close() has returned.
    using Callback = std::function<void(const std::uint8_t* data, std::size_t size)>;

    virtual ~CMidiInPort() = default;
    virtual QString name() const = 0;
    // On failure error holds a description for the user.
    virtual bool open(Callback callback, QString* error) = 0;
    virtual void close() = 0;
    // Set before open(); ports that cannot notice a loss never call it.
    virtual void setLostHandler(MidiPortLostHandler handler) { static_cast<void>(handler); }
};

// One MIDI output. send() is called from the engine's send thread only, with
// whole messages: ALSA and CoreMIDI refuse fragments of System Exclusive.
class CMidiOutPort
{
public:
    virtual ~CMidiOutPort() = default;
    virtual QString name() const = 0;
    virtual bool open(QString* error) = 0;
    virtual void close() = 0;
    virtual bool send(const std::uint8_t* data, std::size_t size, QString* error) = 0;
    // Set before open(); ports that cannot notice a loss never call it.
    virtual void setLostHandler(MidiPortLostHandler handler) { static_cast<void>(handler); }
    // Makes a send() that waits for room give up at once, until resume(); any thread.
    virtual void interrupt() {}
    // Ends interrupt(); with discard, what the port holds and has not yet delivered is
    // thrown away, so that a stopped transfer ends on the line at once.
    virtual void resume(bool discard) { static_cast<void>(discard); }
};
