#pragma once

#include <QString>

// The MIDI settings the engine works with ("MIDIIN", "MIDIOUT", "MIDIINNAME",
// "MIDIOUTNAME", "SENDRATE", "SENDPAUSE"), handed in as plain values.
struct CMidiSettings
{
    static constexpr int kLineRate = 3125;         // bytes per second of a MIDI cable
    static constexpr int kDefaultSendPause = 20;   // ms after each System Exclusive message
    static constexpr int kDefaultChunkSize = 1024; // bytes read from a file at a time
    static constexpr int kDefaultQuietTime = 500;  // ms without System Exclusive before a request
    static constexpr int kOpenSettleTime = 60;     // ms an input just opened is listened to first
    static constexpr int kNoByteNotice = 10000;    // ms without a byte before a receive says so

    int inDevice = 0;
    int outDevice = 0;
    QString inName;
    QString outName;
    int sendRate = kLineRate;          // bytes per second; 0 sends as fast as the port takes it
    int sendPause = kDefaultSendPause; // ms; 0 turns the pause off
    int chunkSize = kDefaultChunkSize;
    // A request goes out once the input has been free of System Exclusive data this long,
    // so that the rest of an earlier dump cannot mix with the answer. 0 sends at once.
    // An input that was just opened is listened to for openSettleTime first (two periods
    // of a JACK server): what is still on its way shows up by then. A quiet line costs no
    // more than that.
    int quietTime = kDefaultQuietTime;
    int openSettleTime = kOpenSettleTime;
    // A receive that records no byte for this long says so, and keeps waiting.
    int noByteNotice = kNoByteNotice;
};
