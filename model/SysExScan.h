#pragma once

#include <QByteArrayView>
#include <QString>
#include <vector>

// Checks a byte stream message by message: framing (F0 .. F7), the family's header,
// lengths and checksums. Used to validate files before trusting them.
struct SysExProblem
{
    qint64 offset = 0; // of the message, or of the stray byte
    QString reason;
    bool badChecksum = false; // the message is whole but its checksum is wrong
};

struct SysExScanResult
{
    int messages = 0;     // complete F0 .. F7 messages
    int badChecksums = 0; // among the family's DT1 and RQ1 messages
    std::vector<SysExProblem> problems;
};

SysExScanResult scanSysEx(QByteArrayView bytes);
