#pragma once

#include "midi/MidiPort.h"

#include <QStringList>
#include <memory>
#include <mutex>
#include <string>

#include <rtmidi/RtMidi.h>

// MIDI ports of the operating system through RtMidi: on Linux the ALSA sequencer
// when it is there, else JACK; WinMM on Windows, CoreMIDI on macOS. The environment
// variable TONELOOM_MIDI_API ("alsa" or "jack") forces one.
class CRtMidiPort
{
public:
    static RtMidi::Api api();
    static QString apiName(RtMidi::Api api);
    static QStringList inputNames(RtMidi::Api api);
    static QStringList outputNames(RtMidi::Api api);
};

// An input port opened by its name, or a virtual input of that name that others connect to.
class CRtMidiInPort : public CMidiInPort
{
public:
    CRtMidiInPort(RtMidi::Api api, QString portName, bool isVirtual = false, QString clientName = {});
    ~CRtMidiInPort() override;
    QString name() const override { return m_name; }
    bool open(Callback callback, QString* error) override;
    void close() override;

private:
    static void received(double timeStamp, std::vector<unsigned char>* message, void* self);

    RtMidi::Api m_api;
    QString m_name;
    bool m_virtual;
    QString m_clientName;
    Callback m_callback;
    std::string m_problem; // filled by RtMidi's error callback
    std::unique_ptr<RtMidiIn> m_midi;
};

class CRtMidiOutPort : public CMidiOutPort
{
public:
    CRtMidiOutPort(RtMidi::Api api, QString portName, bool isVirtual = false, QString clientName = {});
    ~CRtMidiOutPort() override;
    QString name() const override { return m_name; }
    bool open(QString* error) override;
    void close() override;
    bool send(const std::uint8_t* data, std::size_t size, QString* error) override;

private:
    static void failed(RtMidiError::Type type, const std::string& text, void* self);

    RtMidi::Api m_api;
    QString m_name;
    bool m_virtual;
    QString m_clientName;
    std::unique_ptr<RtMidiOut> m_midi;
    std::string m_error; // filled by RtMidi's error callback during a call
};

// The ports to use for a system port: on JACK our own, which lose nothing and notice a
// server or connection that goes, else RtMidi's.
std::unique_ptr<CMidiOutPort> createSystemOutPort(RtMidi::Api api, QString portName, bool isVirtual = false,
                                                  QString clientName = {});
std::unique_ptr<CMidiInPort> createSystemInPort(RtMidi::Api api, QString portName, bool isVirtual = false,
                                                QString clientName = {});
