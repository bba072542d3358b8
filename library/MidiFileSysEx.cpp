#include "library/MidiFileSysEx.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace midifile {

namespace {

constexpr char kSysExStart = '\xF0';
constexpr char kSysExEnd = '\xF7';
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kEscape = 0xF7;
constexpr int kHeaderLength = 6;
constexpr int kChunkHead = 8; // four letters and a 32-bit length

std::uint32_t bigEndian(const QByteArray& bytes, qsizetype at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// A track's bytes read with every step checked against its end.
class TrackReader
{
public:
    TrackReader(const QByteArray& bytes, qsizetype from, qsizetype end) : m_bytes(bytes), m_at(from), m_end(end) {}

    bool atEnd() const { return m_at >= m_end; }
    qsizetype position() const { return m_at; }
    std::optional<std::uint8_t> byte()
    {
        if (m_at >= m_end)
            return std::nullopt;
        return static_cast<std::uint8_t>(m_bytes[m_at++]);
    }
    std::optional<std::uint8_t> peek() const
    {
        if (m_at >= m_end)
            return std::nullopt;
        return static_cast<std::uint8_t>(m_bytes[m_at]);
    }
    // A variable-length number: at most four bytes of seven bits.
    std::optional<std::uint32_t> number()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto b = byte();
            if (!b)
                return std::nullopt;
            value = (value << 7) | (*b & 0x7F);
            if ((*b & 0x80) == 0)
                return value;
        }
        return std::nullopt;
    }
    // count bytes, or nothing when the track holds fewer.
    std::optional<QByteArray> take(std::uint32_t count)
    {
        if (qsizetype(count) > m_end - m_at)
            return std::nullopt;
        const QByteArray out = m_bytes.mid(m_at, qsizetype(count));
        m_at += qsizetype(count);
        return out;
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_at;
    qsizetype m_end;
};

struct Message
{
    std::uint64_t tick;
    int track;
    QByteArray bytes;
};

// The messages of one track; false with the reason when the track is damaged.
bool readTrack(TrackReader& r, int track, std::vector<Message>& out, QString& error)
{
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    std::optional<Message> open; // an F0 event whose message goes on in F7 events
    const auto broken = [&](const char* what) {
        error = QStringLiteral("track %1 is damaged at byte %2 (%3)")
                    .arg(track + 1)
                    .arg(r.position())
                    .arg(QLatin1String(what));
        return false;
    };
    while (!r.atEnd()) {
        const auto delta = r.number();
        if (!delta)
            return broken("a time that runs past the track");
        tick += *delta;
        const auto first = r.peek();
        if (!first)
            return broken("an event cut off");
        std::uint8_t status = *first;
        if (status & 0x80)
            r.byte();
        else if (running != 0)
            status = running;
        else
            return broken("data without a status");
        if (status == kMeta) {
            const auto type = r.byte();
            const auto length = type ? r.number() : std::nullopt;
            if (!length || !r.take(*length))
                return broken("a meta event that runs past the track");
            if (*type == 0x2F) // end of track
                break;
            continue;
        }
        if (status == 0xF0 || status == kEscape) {
            running = 0;
            const auto length = r.number();
            const auto data = length ? r.take(*length) : std::nullopt;
            if (!data)
                return broken("a System Exclusive event that runs past the track");
            if (status == 0xF0) {
                open = Message{tick, track, QByteArray(1, kSysExStart) + *data};
            } else if (open) {
                open->bytes += *data; // the next packet of the open message
            } else {
                continue; // bytes sent as they are: no System Exclusive message of the file
            }
            if (open && open->bytes.endsWith(kSysExEnd)) {
                out.push_back(std::move(*open));
                open.reset();
            }
            continue;
        }
        if (status >= 0xF0)
            return broken("a status byte no MIDI file holds");
        running = status;
        const int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        for (int i = 0; i < dataBytes; ++i) {
            const auto b = r.byte();
            if (!b || (*b & 0x80))
                return broken("a channel message cut off");
        }
    }
    if (open) {
        // A message the track never closed: kept as it is, so that what reads it can
        // say where it breaks.
        out.push_back(std::move(*open));
    }
    return true;
}

} // namespace

bool looksLikeMidiFile(const QByteArray& start)
{
    return start.startsWith("MThd");
}

bool readSysEx(const QByteArray& bytes, QByteArray& sysex, QString* error)
{
    sysex.clear();
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("not a readable MIDI file (%1)").arg(why);
        return false;
    };
    if (bytes.size() < kChunkHead + kHeaderLength || !looksLikeMidiFile(bytes))
        return fail(QStringLiteral("no MIDI file header"));
    const std::uint32_t headerLength = bigEndian(bytes, 4, 4);
    if (headerLength < kHeaderLength || headerLength > bytes.size() - kChunkHead)
        return fail(QStringLiteral("the header has a wrong length"));
    const std::uint32_t format = bigEndian(bytes, 8, 2);
    const std::uint32_t tracks = bigEndian(bytes, 10, 2);
    if (format > 2)
        return fail(QStringLiteral("format %1 is unknown").arg(format));
    std::vector<Message> messages;
    qsizetype at = kChunkHead + qsizetype(headerLength);
    int track = 0;
    while (at < bytes.size() && track < int(tracks)) {
        if (bytes.size() - at < kChunkHead)
            return fail(QStringLiteral("the file ends inside a chunk header at byte %1").arg(at));
        const QByteArray id = bytes.mid(at, 4);
        const std::uint32_t length = bigEndian(bytes, at + 4, 4);
        const qsizetype start = at + kChunkHead;
        if (qsizetype(length) > bytes.size() - start)
            return fail(QStringLiteral("the file ends inside track %1").arg(track + 1));
        if (id == "MTrk") {
            TrackReader reader(bytes, start, start + qsizetype(length));
            QString why;
            if (!readTrack(reader, track, messages, why))
                return fail(why);
            ++track;
        }
        at = start + qsizetype(length); // chunks of other kinds are passed over
    }
    if (track == 0)
        return fail(QStringLiteral("no track"));
    std::stable_sort(messages.begin(), messages.end(), [&](const Message& a, const Message& b) {
        // Format 2 plays its tracks one after another; the others play them together.
        if (format == 2 && a.track != b.track)
            return a.track < b.track;
        if (a.tick != b.tick)
            return a.tick < b.tick;
        return a.track < b.track;
    });
    for (const Message& m : messages)
        sysex += m.bytes;
    return true;
}

} // namespace midifile
