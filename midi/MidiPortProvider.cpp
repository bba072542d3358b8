#include "midi/MidiPortProvider.h"

int CMidiPortProvider::resolve(const QStringList& names, int index, const QString& name)
{
    if (!name.isEmpty()) {
        const int byName = names.indexOf(name);
        if (byName >= 0)
            return byName;
    }
    if (index >= 0 && index < names.size())
        return index;
    return -1;
}
