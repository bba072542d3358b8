// Reads arbitrary bytes as the persisted state of each control. Nothing may crash or
// read past the end; a state that is read and written back reads back the same, and
// from then on its bytes do not change.
#include "controls/common/ChoiceList.h"
#include "controls/common/ControlStates.h"

#include <QtCore/QIODevice>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

template <typename State>
QByteArray written(const State& state)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    ControlState::writeState(stream, state);
    return bytes;
}

template <typename State>
bool read(const QByteArray& bytes, State& state)
{
    QDataStream stream(bytes);
    return ControlState::readState(stream, state);
}

template <typename State>
void roundTrip(const QByteArray& bytes)
{
    State state;
    if (!read(bytes, state))
        return;
    // The first writing may normalise (an extent in whole pixels, a font name cut to
    // what the format keeps); the second must repeat it exactly.
    const QByteArray once = written(state);
    State again;
    if (!read(once, again))
        std::abort();
    const QByteArray twice = written(again);
    State third;
    if (!read(twice, third) || !(third == again) || written(third) != twice)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    roundTrip<ControlState::KurvexState>(bytes);
    roundTrip<ControlState::KnobState>(bytes);
    roundTrip<ControlState::CaptileState>(bytes);

    ControlState::PickvaneState choice;
    if (read(bytes, choice)) {
        // The lists are parsed as the control parses them on loading.
        const QStringList items = ChoiceList::parse(choice.listItems);
        const QList<short> values = ChoiceList::parseValues(choice.listValues);
        if (items.size() != choice.listItems.count(QLatin1Char('\n'))
            || values.size() != choice.listValues.count(QLatin1Char('\n')))
            std::abort();
        // Written back, each entry ends in CR LF; a CR inside an entry becomes a blank.
        QStringList expected = items;
        for (QString& item : expected)
            item.replace(QLatin1Char('\r'), QLatin1Char(' '));
        if (ChoiceList::parse(ChoiceList::join(items)) != expected)
            std::abort();
    }
    roundTrip<ControlState::PickvaneState>(bytes);
    return 0;
}
