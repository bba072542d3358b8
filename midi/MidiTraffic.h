#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <cstdint>

// One whole message that the engine sent or received: when, which way and its bytes.
struct MidiTraffic
{
    enum class Direction : std::uint8_t { Out, In };

    std::int64_t nanos = 0; // since the engine was created
    Direction direction = Direction::Out;
    QByteArray bytes;

    std::int64_t millis() const { return nanos / 1'000'000; }
};

Q_DECLARE_METATYPE(MidiTraffic)
Q_DECLARE_METATYPE(QList<MidiTraffic>)
