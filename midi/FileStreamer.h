#pragma once

#include <QString>
#include <cstdint>

class CSendQueue;

// A file send on the send thread: reads the file in pieces, cuts it into whole System
// Exclusive messages and hands each to the queue's paced line, letting single messages
// pass between two of them. Reports progress, problems and its end through the queue's
// events; a cancelled send ends without a word (Stop reports the end).
namespace fileStreamer {

void stream(CSendQueue& queue, const QString& path, int chunkSize, std::uint64_t generation);

} // namespace fileStreamer
