#include "model/SysExScan.h"

#include "model/SysEx.h"

#include <QIODevice>
#include <array>

namespace {

constexpr qint64 kReadPiece = 64 * 1024;

QString hexByte(int value)
{
    return QString::number(value, 16).rightJustified(2, QLatin1Char('0')).toUpper() + QLatin1Char('h');
}

// The scan as a state machine over single bytes, so that it runs the same on a whole
// buffer and on a file read in pieces. Of a message it keeps only what the checks
// need: its first bytes, its length, the running sum and the first stray status byte.
class CScanner
{
public:
    CScanner(const SysExProblemSink& sink, SysExScanResult& result) : m_sink(sink), m_result(result) {}

    void feed(const std::uint8_t* data, qint64 size)
    {
        for (qint64 i = 0; i < size; ++i)
            take(data[i]);
    }

    void finish()
    {
        if (m_inMessage)
            abandonMessage();
        flushRun();
    }

private:
    // What a pending run of problems is made of.
    enum class Run { None, Garbage, Foreign };
    static constexpr int kKept = sysex::kOffData; // F0, header and address

    void take(std::uint8_t byte)
    {
        const qint64 at = m_pos++;
        if (!m_inMessage) {
            if (byte == sysex::kStart)
                startMessage(at);
            else
                addToRun(Run::Garbage, at, 1, false);
            return;
        }
        if (byte == sysex::kStart) {
            abandonMessage();
            startMessage(at);
            return;
        }
        if (byte == sysex::kEnd) {
            ++m_length;
            m_inMessage = false;
            endMessage();
            return;
        }
        if (m_length < kKept)
            m_head[static_cast<std::size_t>(m_length)] = byte;
        if ((byte & 0x80) && m_strayAt < 0) {
            m_strayAt = m_length;
            m_stray = byte;
        }
        if (m_length >= sysex::kOffAddress)
            m_sum += byte;
        m_last = byte;
        ++m_length;
    }

    void startMessage(qint64 at)
    {
        m_inMessage = true;
        m_start = at;
        m_length = 1;
        m_head[0] = sysex::kStart;
        m_sum = 0;
        m_last = 0;
        m_strayAt = -1;
    }

    // A message that the next F0 or the end of the stream cut off: its bytes are garbage.
    void abandonMessage()
    {
        m_inMessage = false;
        addToRun(Run::Garbage, m_start, m_length, true);
    }

    void addToRun(Run kind, qint64 offset, qint64 length, bool cutMessage)
    {
        if (m_run != kind || m_runStart + m_runLength != offset)
            flushRun();
        if (m_run == Run::None) {
            m_run = kind;
            m_runStart = offset;
            m_runLength = 0;
            m_runItems = 0;
            m_runOnlyCut = true;
        }
        m_runLength += length;
        ++m_runItems;
        m_runOnlyCut = m_runOnlyCut && cutMessage;
    }

    void flushRun()
    {
        if (m_run == Run::Garbage) {
            problem(m_runStart, m_runOnlyCut && m_runItems == 1
                                    ? QStringLiteral("message not terminated by F7h")
                                    : QStringLiteral("%1 bytes outside any message").arg(m_runLength));
        } else if (m_run == Run::Foreign) {
            problem(m_runStart, m_runItems == 1 ? QStringLiteral("not a JV/XP message (%1 bytes)").arg(m_runLength)
                                                : QStringLiteral("%1 messages that are not JV/XP messages (%2 bytes)")
                                                      .arg(m_runItems)
                                                      .arg(m_runLength));
        }
        m_run = Run::None;
    }

    void problem(qint64 offset, const QString& reason, bool badChecksum = false)
    {
        ++m_result.problemCount;
        m_sink({offset, reason, badChecksum});
    }

    std::uint8_t head(int i) const { return m_head[static_cast<std::size_t>(i)]; }

    // Checks the message just completed (its F7 included in m_length).
    void endMessage()
    {
        ++m_result.messages;
        const qint64 size = m_length;
        const bool family = size >= sysex::kOffCommand + 1 && head(sysex::kOffManufacturer) == sysex::kManufacturer
                            && head(sysex::kOffModel) == sysex::kModelId;
        if (m_strayAt < 0 && !family) {
            addToRun(Run::Foreign, m_start, size, false);
            return;
        }
        flushRun();
        if (m_strayAt >= 0) {
            problem(m_start, QStringLiteral("byte %1 inside the message at +%2 is not a data byte")
                                 .arg(hexByte(m_stray))
                                 .arg(m_strayAt));
            return;
        }
        const std::uint8_t command = head(sysex::kOffCommand);
        if (command == sysex::kDataRequest && size != sysex::kRequestSize) {
            problem(m_start,
                    QStringLiteral("data request of %1 bytes, expected %2").arg(size).arg(sysex::kRequestSize));
            return;
        }
        if (command != sysex::kDataSet && command != sysex::kDataRequest) {
            problem(m_start, QStringLiteral("unknown command %1").arg(hexByte(command)));
            return;
        }
        if (size < sysex::kFraming) {
            problem(m_start, QStringLiteral("data set of %1 bytes is too short").arg(size));
            return;
        }
        // The sum ran over every byte from offset 5 up to the F7; the last of them is the checksum.
        const int covered = static_cast<int>((m_sum - m_last) % 128);
        const std::uint8_t expected = covered == 0 ? 0 : static_cast<std::uint8_t>(128 - covered);
        if (m_last != expected) {
            ++m_result.badChecksums;
            problem(m_start,
                    QStringLiteral("bad checksum %1 at address %2 %3 %4 %5, expected %6")
                        .arg(hexByte(m_last), hexByte(head(5)), hexByte(head(6)), hexByte(head(7)), hexByte(head(8)),
                             hexByte(expected)),
                    true);
        }
    }

    const SysExProblemSink& m_sink;
    SysExScanResult& m_result;
    qint64 m_pos = 0;

    bool m_inMessage = false;
    qint64 m_start = 0;
    qint64 m_length = 0;
    std::array<std::uint8_t, kKept> m_head{};
    std::uint64_t m_sum = 0;
    std::uint8_t m_last = 0;
    qint64 m_strayAt = -1;
    std::uint8_t m_stray = 0;

    Run m_run = Run::None;
    qint64 m_runStart = 0;
    qint64 m_runLength = 0;
    qint64 m_runItems = 0;
    bool m_runOnlyCut = true;
};

} // namespace

SysExScanResult scanSysEx(QByteArrayView bytes)
{
    SysExScanResult result;
    const SysExProblemSink collect = [&result](const SysExProblem& p) { result.problems.push_back(p); };
    CScanner scanner(collect, result);
    scanner.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    scanner.finish();
    return result;
}

bool scanSysEx(QIODevice& device, const SysExProblemSink& sink, SysExScanResult& result, QString* error)
{
    CScanner scanner(sink, result);
    QByteArray piece(kReadPiece, Qt::Uninitialized);
    for (;;) {
        const qint64 got = device.read(piece.data(), piece.size());
        if (got < 0) {
            if (error)
                *error = device.errorString();
            scanner.finish();
            return false;
        }
        if (got == 0)
            break;
        scanner.feed(reinterpret_cast<const std::uint8_t*>(piece.constData()), got);
    }
    scanner.finish();
    return true;
}
