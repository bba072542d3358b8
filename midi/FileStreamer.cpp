#include "midi/FileStreamer.h"

#include "midi/SendQueue.h"
#include "midi/SysExSplitter.h"
#include "midi/TransferFileErrors.h"
#include "model/Reporter.h"

#include <QFile>
#include <QObject>
#include <cerrno>
#include <vector>

namespace fileStreamer {

void stream(CSendQueue& queue, const QString& path, int chunkSize, std::uint64_t generation)
{
    using namespace transferfile;
    const CSendQueue::Events& events = queue.events();
    const auto report = [&](MessageIcon icon, const QString& text) {
        if (events.fileReport)
            events.fileReport(static_cast<int>(icon), text);
    };
    const auto finish = [&](bool failed) {
        if (events.fileFinished)
            events.fileFinished(generation, failed);
    };
    const auto progress = [&](long bytes) {
        if (events.fileProgress)
            events.fileProgress(generation, bytes);
    };
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        const int cause = errno;
        report(MessageIcon::Stop, QObject::tr("File could not be opened: %1").arg(openErrorCause(file, false))
                                      + fileAndReason(file, cause));
        finish(true);
        return;
    }
    CSysExSplitter splitter;
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(chunkSize));
    bool sendFailed = false;
    QString sendError;
    std::uint64_t sentBytes = 0;
    const auto sink = [&](const std::vector<std::uint8_t>& message, std::uint64_t consumed) {
        const CSendQueue::Result result = queue.transmit(generation, message.data(), message.size(), true, &sendError);
        if (result != CSendQueue::Result::Sent) {
            sendFailed = result == CSendQueue::Result::Failed;
            return false;
        }
        sentBytes = consumed;
        progress(static_cast<long>(consumed));
        return true;
    };
    for (;;) {
        if (queue.cancelled(generation))
            return; // Stop ends the transfer and reports it
        const qint64 got = file.read(reinterpret_cast<char*>(chunk.data()), chunkSize);
        if (got < 0) {
            report(MessageIcon::Stop,
                   QObject::tr("Error reading from File %1").arg(ioErrorCause(file)) + fileAndReason(file, errno));
            finish(true);
            return;
        }
        if (got == 0)
            break;
        if (!splitter.feed(chunk.data(), static_cast<std::size_t>(got), sink)) {
            if (!sendFailed)
                return; // stopped
            if (queue.lineLost() && !sendError.isEmpty())
                report(MessageIcon::Stop,
                       QObject::tr("%1 %2 of %3 bytes were sent.").arg(sendError).arg(sentBytes).arg(file.size()));
            else
                report(MessageIcon::Stop, QObject::tr("Could not send MIDI OUT Long Message."));
            finish(true);
            return;
        }
        // Single messages asked for while the file was read go out before its next one.
        queue.serveWaitingJobs();
    }
    splitter.finish();
    const auto total = static_cast<long>(splitter.consumed());
    const auto dropped = splitter.droppedBytes();
    if (dropped > 0)
        report(
            MessageIcon::Exclamation,
            QObject::tr("%1 bytes of the file were not part of a complete System Exclusive message and were not sent.")
                .arg(dropped));
    progress(total);
    finish(dropped > 0);
}

} // namespace fileStreamer
