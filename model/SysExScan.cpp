#include "model/SysExScan.h"

#include "model/SysEx.h"

namespace {

QString hexByte(int value)
{
    return QString::number(value, 16).rightJustified(2, QLatin1Char('0')).toUpper() + QLatin1Char('h');
}

// Checks one complete message from F0 to F7 (both included).
void checkMessage(QByteArrayView msg, qint64 offset, SysExScanResult& result)
{
    auto at = [&](qsizetype i) { return static_cast<std::uint8_t>(msg[i]); };
    auto problem = [&](const QString& reason) { result.problems.push_back({offset, reason}); };

    for (qsizetype i = 1; i + 1 < msg.size(); ++i) {
        if (at(i) & 0x80) {
            problem(QStringLiteral("byte %1 inside the message at +%2 is not a data byte").arg(hexByte(at(i))).arg(i));
            return;
        }
    }
    if (msg.size() < 5 || at(sysex::kOffManufacturer) != sysex::kManufacturer
        || at(sysex::kOffModel) != sysex::kModelId) {
        problem(QStringLiteral("not a JV/XP message (%1 bytes)").arg(msg.size()));
        return;
    }
    const std::uint8_t command = at(sysex::kOffCommand);
    if (command == sysex::kDataRequest && msg.size() != sysex::kRequestSize) {
        problem(QStringLiteral("data request of %1 bytes, expected %2").arg(msg.size()).arg(sysex::kRequestSize));
        return;
    }
    if (command != sysex::kDataSet && command != sysex::kDataRequest) {
        problem(QStringLiteral("unknown command %1").arg(hexByte(command)));
        return;
    }
    if (msg.size() < sysex::kFraming) {
        problem(QStringLiteral("data set of %1 bytes is too short").arg(msg.size()));
        return;
    }
    const int covered = int(msg.size()) - sysex::kOffAddress - 2;
    const std::uint8_t expected =
        sysex::checksum(covered, reinterpret_cast<const std::uint8_t*>(msg.data()) + sysex::kOffAddress);
    const std::uint8_t found = at(msg.size() - 2);
    if (found != expected) {
        ++result.badChecksums;
        result.problems.push_back({offset,
                                   QStringLiteral("bad checksum %1 at address %2 %3 %4 %5, expected %6")
                                       .arg(hexByte(found), hexByte(at(5)), hexByte(at(6)), hexByte(at(7)),
                                            hexByte(at(8)), hexByte(expected)),
                                   true});
    }
}

} // namespace

SysExScanResult scanSysEx(QByteArrayView bytes)
{
    SysExScanResult result;
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    while (pos < size) {
        if (static_cast<std::uint8_t>(bytes[pos]) != sysex::kStart) {
            // Stray bytes between messages: one problem for the whole run of them.
            const qsizetype from = pos;
            while (pos < size && static_cast<std::uint8_t>(bytes[pos]) != sysex::kStart)
                ++pos;
            result.problems.push_back({from, QStringLiteral("%1 bytes outside any message").arg(pos - from)});
            continue;
        }
        qsizetype end = pos + 1;
        while (end < size && static_cast<std::uint8_t>(bytes[end]) != sysex::kEnd
               && static_cast<std::uint8_t>(bytes[end]) != sysex::kStart)
            ++end;
        if (end >= size || static_cast<std::uint8_t>(bytes[end]) != sysex::kEnd) {
            result.problems.push_back({pos, QStringLiteral("message not terminated by F7h")});
            pos = end;
            continue;
        }
        ++result.messages;
        checkMessage(bytes.sliced(pos, end - pos + 1), pos, result);
        pos = end + 1;
    }
    return result;
}
