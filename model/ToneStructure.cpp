#include "model/ToneStructure.h"

#include <array>

namespace tonestructure {

namespace {

constexpr Block wg(int t)
{
    return {Kind::Wave, t};
}
constexpr Block tvf(int t)
{
    return {Kind::Filter, t};
}
constexpr Block tva(int t)
{
    return {Kind::Amplifier, t};
}

const std::array<Wiring, kTypes>& table()
{
    static const std::array<Wiring, kTypes> types = {{
        // 1: two tones side by side.
        {{wg(0), tvf(0), tva(0)}, {wg(1), tvf(1), tva(1)}, Kind::Wave, {}, -1},
        // 2: the first tone through both filters, its amplifier setting the balance.
        {{wg(0), tvf(0), tva(0)}, {wg(1)}, Kind::Mix, {tvf(1), tva(1)}, -1},
        // 3: as 2 through the booster.
        {{wg(0), tvf(0), tva(0)}, {wg(1)}, Kind::Booster, {tvf(1), tva(1)}, -1},
        // 4: the booster first, then both filters in a row.
        {{wg(0), tva(0)}, {wg(1)}, Kind::Booster, {tvf(0), tvf(1), tva(1)}, -1},
        // 5: as 4 through the ring modulator.
        {{wg(0), tva(0)}, {wg(1)}, Kind::Ring, {tvf(0), tvf(1), tva(1)}, -1},
        // 6: as 3 through the ring modulator.
        {{wg(0), tvf(0), tva(0)}, {wg(1)}, Kind::Ring, {tvf(1), tva(1)}, -1},
        // 7: both tones filtered, then ring modulated.
        {{wg(0), tvf(0), tva(0)}, {wg(1), tvf(1)}, Kind::Ring, {tva(1)}, -1},
        // 8: as 7, with the second tone's filtered sound mixed in.
        {{wg(0), tvf(0), tva(0)}, {wg(1), tvf(1)}, Kind::Ring, {tva(1)}, 0},
        // 9: as 6, with the second tone's own sound mixed in.
        {{wg(0), tvf(0), tva(0)}, {wg(1)}, Kind::Ring, {tvf(1), tva(1)}, 0},
        // 10: as 5, with the second tone's own sound mixed in.
        {{wg(0), tva(0)}, {wg(1)}, Kind::Ring, {tvf(0), tvf(1), tva(1)}, 0},
    }};
    return types;
}

QString tones(bool first, bool second, int firstTone)
{
    QStringList out;
    if (first)
        out << QString::number(firstTone);
    if (second)
        out << QString::number(firstTone + 1);
    return QLatin1Char('(') + out.join(QLatin1Char(',')) + QLatin1Char(')');
}

} // namespace

const Wiring& wiring(int type)
{
    return table()[static_cast<std::size_t>(type >= 0 && type < kTypes ? type : 0)];
}

QString blockName(const Block& block, int firstTone)
{
    const QString tone = QString::number(firstTone + block.tone);
    switch (block.kind) {
    case Kind::Wave:
        return QStringLiteral("WG") + tone;
    case Kind::Filter:
        return QStringLiteral("TVF") + tone;
    case Kind::Amplifier:
        return QStringLiteral("TVA") + tone;
    case Kind::Mix:
        return QStringLiteral("MIX");
    case Kind::Booster:
        return QStringLiteral("BOOST");
    case Kind::Ring:
        return QStringLiteral("RING");
    }
    return {};
}

QStringList routing(int type, int firstTone)
{
    const Wiring& w = wiring(type);
    QStringList out;
    for (const Block& b : w.first)
        out << blockName(b, firstTone) + tones(true, false, firstTone);
    for (const Block& b : w.second)
        out << blockName(b, firstTone) + tones(false, true, firstTone);
    if (w.meet == Kind::Wave)
        return out;
    // A ring modulator gives one sound of both; so do a mix and the booster.
    out << blockName({w.meet, 0}, firstTone) + tones(true, true, firstTone);
    for (int i = 0; i < static_cast<int>(w.after.size()); ++i) {
        if (i == w.mixAt)
            out << QStringLiteral("MIX") + tones(true, true, firstTone);
        out << blockName(w.after[static_cast<std::size_t>(i)], firstTone) + tones(true, true, firstTone);
    }
    return out;
}

} // namespace tonestructure
