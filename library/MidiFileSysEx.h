#pragma once

#include <QByteArray>
#include <QString>

// The System Exclusive messages of a Standard MIDI File (format 0, 1 or 2): every F0
// event of every track in the order they play (ties in track order), each as
// F0 .. F7; a message sent in packets (an F0 event continued by F7 events) comes
// whole. Every length in the file is checked against the bytes that hold it, so a
// damaged file is refused with the reason, never read beyond its end.
namespace midifile {

// The first bytes of every Standard MIDI File.
bool looksLikeMidiFile(const QByteArray& start);
// Nothing (false) when the file is no readable MIDI file; error then says why.
bool readSysEx(const QByteArray& bytes, QByteArray& sysex, QString* error);

} // namespace midifile
