#include "library/MidiFileSysEx.h"

#include <glib.h>
#include <limits>
#include <mutex>
#include <smf.h>

namespace midifile {

namespace {

// libsmf tells what it finds wrong through GLib's log; those lines are gathered here
// while a file is read instead of going to the terminal.
std::mutex logMutex;
QString* logTarget = nullptr;

void collectLog(const gchar*, GLogLevelFlags, const gchar* message, gpointer)
{
    if (logTarget && logTarget->isEmpty() && message)
        *logTarget = QString::fromUtf8(message);
}

constexpr unsigned char kSysExStart = 0xF0;
constexpr int kHeaderSize = 14; // "MThd", length 6, format, tracks, division

int bigEndian16(const QByteArray& bytes, int at)
{
    return (static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]);
}

// The header as libsmf accepts it. A header it refuses makes it lose memory, so such
// files are refused here first.
bool headerIsSound(const QByteArray& bytes)
{
    if (bytes.size() < kHeaderSize || !bytes.startsWith("MThd"))
        return false;
    const bool lengthSix = bytes[4] == 0 && bytes[5] == 0 && bytes[6] == 0 && bytes[7] == 6;
    const int format = bigEndian16(bytes, 8);
    const int tracks = bigEndian16(bytes, 10);
    const int division = bigEndian16(bytes, 12);
    if (!lengthSix || format > 2 || tracks < 1 || (format == 0 && tracks != 1) || division == 0)
        return false;
    if (division & 0x8000) {
        // Frames per second as a negative number: 24, 25, 29 or 30.
        const int fps = 256 - (division >> 8);
        return fps == 24 || fps == 25 || fps == 29 || fps == 30;
    }
    return true;
}
constexpr unsigned char kSysExEnd = 0xF7;

} // namespace

bool looksLikeMidiFile(const QByteArray& start)
{
    return start.startsWith("MThd");
}

bool readSysEx(const QByteArray& bytes, QByteArray& sysex, QString* error)
{
    sysex.clear();
    if (bytes.size() > std::numeric_limits<int>::max()) {
        if (error)
            *error = QStringLiteral("too large for a MIDI file");
        return false;
    }
    if (!headerIsSound(bytes)) {
        if (error)
            *error = QStringLiteral("not a readable MIDI file (its header is broken)");
        return false;
    }
    QString log;
    smf_t* smf = nullptr;
    {
        const std::lock_guard lock(logMutex);
        logTarget = &log;
        const guint handler =
            g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK), collectLog, nullptr);
        const GLogFunc oldDefault = g_log_set_default_handler(collectLog, nullptr);
        smf = smf_load_from_memory(bytes.constData(), static_cast<int>(bytes.size()));
        g_log_set_default_handler(oldDefault, nullptr);
        g_log_remove_handler(nullptr, handler);
        logTarget = nullptr;
    }
    if (!smf) {
        if (error)
            *error = log.isEmpty() ? QStringLiteral("not a readable MIDI file")
                                   : QStringLiteral("not a readable MIDI file (%1)").arg(log);
        return false;
    }
    smf_rewind(smf);
    while (smf_event_t* event = smf_get_next_event(smf)) {
        if (!smf_event_is_sysex(event) || event->midi_buffer_length < 2)
            continue;
        // libsmf hands the event as F0 and the bytes stored after the length; the
        // closing F7 is part of those in a well-formed file, added where it is not.
        const auto* data = reinterpret_cast<const char*>(event->midi_buffer);
        sysex.append(data, event->midi_buffer_length);
        if (static_cast<unsigned char>(data[event->midi_buffer_length - 1]) != kSysExEnd)
            sysex.append(static_cast<char>(kSysExEnd));
        Q_ASSERT(static_cast<unsigned char>(data[0]) == kSysExStart);
    }
    smf_delete(smf);
    return true;
}

} // namespace midifile
