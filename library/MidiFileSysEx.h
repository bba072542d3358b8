#pragma once

#include <QByteArray>
#include <QString>

// The System Exclusive messages of a Standard MIDI File, read with libsmf: every
// F0 event of every track in the order they play, each as F0 .. F7. Nothing when the
// file is no readable MIDI file; error then says why.
namespace midifile {

// The first bytes of every Standard MIDI File.
bool looksLikeMidiFile(const QByteArray& start);
bool readSysEx(const QByteArray& bytes, QByteArray& sysex, QString* error);

} // namespace midifile
