#pragma once

#include "midi/MidiTraffic.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Messages as a person reads them: the bytes in hexadecimal and what they mean to the
// synthesizer. The MIDI monitor shows these texts and the traffic log writes the lines.
namespace miditext {

// Upper-case hex pairs separated by blanks ("F0 41 10"); with limit > 0 at most that
// many pairs, then "…" and the whole count.
QString hexBytes(QByteArrayView bytes, int limit = 0);

// "OUT" or "IN".
QString directionText(MidiTraffic::Direction direction);

// The time of a message as seconds with milliseconds ("12.345").
QString timeText(std::int64_t nanos);

// One line of the traffic log, without its line end: milliseconds since the start,
// OUT or IN, then the bytes as upper-case hex pairs separated by blanks.
QByteArray logLine(const MidiTraffic& traffic);

// What a whole message means: a DT1 by its block and parameter, an RQ1 by the name of
// the request, notes, control changes and the other channel and system messages.
QString describe(QByteArrayView message);

// A note number as a name with its octave, middle C (60) being "C4".
QString noteName(int note);

} // namespace miditext
