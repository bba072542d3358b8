#include "midi/ReceiveRecorder.h"

#include "midi/TransferFileErrors.h"
#include "model/BankImage.h"

#include <QObject>
#include <cerrno>

bool CReceiveRecorder::open(const QString& path, QString* error)
{
    using namespace transferfile;
    if (m_file.isOpen())
        m_file.close();
    m_file.setFileName(path);
    errno = 0;
    // Unbuffered: each message goes to the file as it is recorded, and a write that
    // fails leaves nothing pending that a later flush could still put there.
    if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return true;
    const int cause = errno;
    if (error)
        *error = QObject::tr("File could not be opened: %1").arg(openErrorCause(m_file, true))
                 + fileAndReason(m_file, cause);
    return false;
}

void CReceiveRecorder::begin(const QByteArray& request)
{
    m_receiving = true;
    m_request = request;
    m_answers = CDumpRequest(request);
    m_recording = request.isEmpty();
    m_skipToRecordStart = request.isEmpty();
    m_skippedBytes = 0;
}

void CReceiveRecorder::end()
{
    m_receiving = false;
    m_recording = false;
}

void CReceiveRecorder::closeFile()
{
    if (m_file.isOpen())
        m_file.close();
}

void CReceiveRecorder::resetCounts()
{
    m_bytesReceived = 0;
    m_otherBytes = 0;
}

void CReceiveRecorder::addDropped(long bytes)
{
    if (isRecording())
        m_otherBytes += bytes;
}

CReceiveRecorder::Outcome CReceiveRecorder::record(const std::vector<std::uint8_t>& message, QString* error)
{
    using namespace transferfile;
    if (!isRecording() || !m_file.isOpen())
        return Outcome::NotRecorded;
    if (m_answers.isValid() && !m_answers.isAnsweredBy(message.data(), message.size())) {
        m_otherBytes += static_cast<long>(message.size());
        return Outcome::NotRecorded;
    }
    const auto size = static_cast<qint64>(message.size());
    if (m_skipToRecordStart) {
        if (continuesRecord(message.data(), message.size())) {
            m_skippedBytes += static_cast<long>(size);
            return Outcome::NotRecorded;
        }
        m_skipToRecordStart = false;
    }
    const qint64 start = m_file.pos();
    errno = 0;
    if (m_file.write(reinterpret_cast<const char*>(message.data()), size) != size || !m_file.flush()) {
        const int cause = errno;
        if (error)
            *error = QObject::tr("Error writing to File %1").arg(writeErrorCause(m_file, cause))
                     + fileAndReason(m_file, cause);
        // What got into the file of this message is cut off again: the file keeps the
        // whole messages counted as received, never the torn start of one.
        m_file.resize(start);
        m_file.close();
        return Outcome::WriteFailed;
    }
    m_bytesReceived += static_cast<long>(size);
    return Outcome::Recorded;
}
