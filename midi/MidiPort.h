#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>

// One MIDI input as the engine sees it: hardware through RtMidi, the built-in
// synth emulator, or a loopback in tests.
class CMidiInPort
{
public:
    // Receives one message (a short message or a whole F0..F7 message). It may be
    // called on any thread, but never after close() has returned.
    using Callback = std::function<void(const std::uint8_t* data, std::size_t size)>;

    virtual ~CMidiInPort() = default;
    virtual QString name() const = 0;
    // On failure error holds a description for the user.
    virtual bool open(Callback callback, QString* error) = 0;
    virtual void close() = 0;
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
};
