#pragma once

#include "midi/DumpRequest.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

// The recording side of a receive: the file the dump goes into, created exclusively,
// and which incoming System Exclusive messages belong in it. With a request only the
// messages that answer it are recorded, once it is out; without one (a manual receive)
// recording begins with the first message that begins a record, so that the rest of
// a stopped dump is skipped. Lives in the user-interface thread.
class CReceiveRecorder
{
public:
    enum class Outcome { NotRecorded, Recorded, WriteFailed };

    // Creates the file at path (nothing already there is opened, followed or
    // truncated). False with error set to the message for the user.
    bool open(const QString& path, QString* error);
    // Begins a receive into the open file; with an empty request recording starts now.
    void begin(const QByteArray& request);
    // The request is out: the answers that follow are recorded.
    void requestSent() { m_recording = true; }
    // The receive is over; the file is closed.
    void end();
    void closeFile();

    bool isReceiving() const { return m_receiving; }
    bool isRecording() const { return m_receiving && m_recording; }
    bool isFileOpen() const { return m_file.isOpen(); }
    QByteArray request() const { return m_request; }

    // One whole System Exclusive message; WriteFailed with error set (the file is closed).
    Outcome record(const std::vector<std::uint8_t>& message, QString* error);
    // Bytes of fragments the parser dropped while recording.
    void addDropped(long bytes);

    void resetCounts();
    long bytesReceived() const { return m_bytesReceived; }
    long otherBytes() const { return m_otherBytes; }
    long skippedBytes() const { return m_skippedBytes; }

private:
    QFile m_file;
    QByteArray m_request;
    CDumpRequest m_answers;
    bool m_receiving = false;
    bool m_recording = false;
    bool m_skipToRecordStart = false;
    long m_bytesReceived = 0;
    long m_otherBytes = 0;
    long m_skippedBytes = 0;
};
