#include "model/EnvelopeShape.h"

#include <algorithm>

namespace envelope {

namespace {

constexpr int kPitchCentre = 63;
constexpr int kSustainPoint = 4;
constexpr int kEndPoint = 6;
constexpr std::array<int, kSegments> kSegmentPoints = {1, 2, 3, 5};

int& at(Block& block, std::size_t field, int point)
{
    return block[field + static_cast<std::size_t>(point)];
}

int at(const Block& block, std::size_t field, int point)
{
    return block[field + static_cast<std::size_t>(point)];
}

QString prefixOf(sysex::Block block, Kind kind)
{
    const QString owner = block == sysex::Block::RhythmNote ? QStringLiteral("note.") : QStringLiteral("tone.");
    switch (kind) {
    case Kind::Pitch:
        return owner + QStringLiteral("penv.");
    case Kind::Tvf:
        return owner + QStringLiteral("tvf.");
    case Kind::Tva:
        return owner + QStringLiteral("tva.");
    }
    return owner;
}

int clampTo(const params::Param* p, int value)
{
    return p ? std::clamp(value, p->min, p->max) : 0;
}

} // namespace

std::optional<Kind> kindOf(params::Page page, params::Editor editor)
{
    // A rhythm key's pitch, filter and amplifier pages each hold their envelope.
    const bool rhythm = editor == params::Editor::Rhythm;
    switch (page) {
    case params::Page::PitchEnvelope:
        return Kind::Pitch;
    case params::Page::TvfEnvelope:
        return Kind::Tvf;
    case params::Page::TvaEnvelope:
        return Kind::Tva;
    case params::Page::Pitch:
        return rhythm ? std::optional(Kind::Pitch) : std::nullopt;
    case params::Page::Tvf:
        return rhythm ? std::optional(Kind::Tvf) : std::nullopt;
    case params::Page::Tva:
        return rhythm ? std::optional(Kind::Tva) : std::nullopt;
    default:
        return std::nullopt;
    }
}

int levelCount(Kind kind)
{
    return kind == Kind::Tva ? kSegments - 1 : kSegments;
}

int pointOf(int segment)
{
    return kSegmentPoints[static_cast<std::size_t>(std::clamp(segment, 0, kSegments - 1))];
}

Rows rows(sysex::Block block, Kind kind)
{
    Rows r;
    const QString prefix = prefixOf(block, kind);
    for (int k = 0; k < kSegments; ++k) {
        const auto i = static_cast<std::size_t>(k);
        r.times[i] = params::find(QString(prefix + QStringLiteral("time%1").arg(k + 1)));
        if (k < levelCount(kind))
            r.levels[i] = params::find(QString(prefix + QStringLiteral("level%1").arg(k + 1)));
    }
    return r;
}

Block pointsOf(Kind kind, const Values& values)
{
    Block b{};
    const bool tva = kind == Kind::Tva;
    const auto level = [&](int k) { return values.levels[static_cast<std::size_t>(k)]; };
    // Point 0: the start, at the centre for pitch, else at silence.
    at(b, kLevel, 0) = kind == Kind::Pitch ? kPitchCentre : 0;
    for (int k = 0; k < kSegments; ++k) {
        const int point = kSegmentPoints[static_cast<std::size_t>(k)];
        at(b, kTime, point) = values.times[static_cast<std::size_t>(k)];
        at(b, kTimeMovable, point) = 1;
        at(b, kLevelMovable, point) = 1;
        at(b, kLevel, point) = level(k);
    }
    // The sustain point holds level 3 for a fixed segment; the end holds level 4.
    at(b, kTime, kSustainPoint) = kSegmentSpan;
    at(b, kLevel, kSustainPoint) = level(2);
    at(b, kFollowsPrevious, kSustainPoint) = 1;
    at(b, kTime, kEndPoint) = kSegmentSpan;
    at(b, kLevel, kEndPoint) = level(3);
    at(b, kFollowsPrevious, kEndPoint) = 1;
    at(b, kPinnedRight, kEndPoint) = 1;
    if (tva) {
        // The amplitude envelope ends at silence: its last level cannot be dragged.
        at(b, kLevel, 5) = 0;
        at(b, kLevelMovable, 5) = 0;
        at(b, kLevel, kEndPoint) = 0;
    }
    b[kTimeScaleAt] = kTimeScale;
    b[kLevelMaxAt] = kLevelMax;
    b[kCountAt] = kPoints;
    return b;
}

Values valuesOf(Kind kind, const Block& block, const Rows& rows)
{
    Values v;
    for (int k = 0; k < kSegments; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const int point = kSegmentPoints[i];
        v.times[i] = clampTo(rows.times[i], at(block, kTime, point));
        v.levels[i] = k < levelCount(kind) ? clampTo(rows.levels[i], at(block, kLevel, point)) : 0;
    }
    return v;
}

Values read(const Rows& rows, const std::uint8_t* data)
{
    Values v;
    for (std::size_t i = 0; i < kSegments; ++i) {
        if (rows.times[i])
            v.times[i] = params::value(*rows.times[i], data);
        if (rows.levels[i])
            v.levels[i] = params::value(*rows.levels[i], data);
    }
    return v;
}

} // namespace envelope
