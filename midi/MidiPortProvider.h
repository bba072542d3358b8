#pragma once

#include "midi/MidiPort.h"

#include <QStringList>
#include <memory>

// The MIDI devices the engine can open, as two lists of names in a stable order.
// A device number is a position in one of these lists.
class CMidiPortProvider
{
public:
    virtual ~CMidiPortProvider() = default;
    virtual QStringList inputNames() = 0;
    virtual QStringList outputNames() = 0;
    // nullptr when index is outside the list.
    virtual std::unique_ptr<CMidiInPort> createIn(int index) = 0;
    virtual std::unique_ptr<CMidiOutPort> createOut(int index) = 0;

    // The position to open: the port called name when there is one (positions shift
    // as devices come and go), else index when it is inside the list, else -1.
    static int resolve(const QStringList& names, int index, const QString& name);
};
