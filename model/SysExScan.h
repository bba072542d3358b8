#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

class QIODevice;

// Checks a byte stream message by message: framing (F0 .. F7), the family's header,
// lengths and checksums. Used to validate files before trusting them.
//
// A run of bytes that belongs to no complete message (stray bytes, messages cut off by
// the next F0 or by the end) is one problem, however long; so is a run of consecutive
// messages of another instrument. The number of problems is so bounded by the number of
// well-framed messages of this family, and the reader keeps only the message at hand.
struct SysExProblem
{
    qint64 offset = 0; // of the message, or of the stray byte
    QString reason;
    bool badChecksum = false; // the message is whole but its checksum is wrong
};

struct SysExScanResult
{
    qint64 messages = 0;     // complete F0 .. F7 messages
    qint64 badChecksums = 0; // among the family's DT1 and RQ1 messages
    qint64 problemCount = 0;
    std::vector<SysExProblem> problems; // only from the in-memory scan
};

using SysExProblemSink = std::function<void(const SysExProblem&)>;

SysExScanResult scanSysEx(QByteArrayView bytes);

// The same check reading device from its position to its end in pieces: each problem
// goes to sink as it is found, in the order of the stream, and result.problems stays
// empty. Memory stays small whatever the size. False (error set) when the device
// failed to read; the counts then cover what was read.
bool scanSysEx(QIODevice& device, const SysExProblemSink& sink, SysExScanResult& result, QString* error = nullptr);
