#include "model/ParamTable.h"

#include "model/EfxTypes.h"
#include "model/ExpansionNames.h"
#include "model/ParamRows.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cstring>

// The code that indexes, reads, writes and shows the rows; the rows themselves are
// written down block by block in ParamRows*.cpp.
namespace params {

namespace {

using sysex::Block;
using valuelists::Kind;
using valuelists::ValueList;

constexpr int kBlockCount = 6;
constexpr int kNibble = 16;
constexpr int kGroupIdSpan = 128;
constexpr int kByteMax = 127;
constexpr int kFirstPrintable = 32;
constexpr int kRhythmPart = 9; // part 10 plays the rhythm set

struct Table
{
    std::array<std::vector<Param>, kBlockCount> blocks;
    std::array<std::vector<int>, kBlockCount> byByte; // row index per data byte, -1 for none
    QHash<QString, const Param*> byId;
};

const Table& table()
{
    static const Table t = [] {
        Table t;
        rowdata::buildPatchCommon(t.blocks[static_cast<std::size_t>(Block::PatchCommon)]);
        rowdata::buildPatchTone(t.blocks[static_cast<std::size_t>(Block::PatchTone)]);
        rowdata::buildPerformanceCommon(t.blocks[static_cast<std::size_t>(Block::PerformanceCommon)]);
        rowdata::buildPerformancePart(t.blocks[static_cast<std::size_t>(Block::PerformancePart)]);
        rowdata::buildRhythmCommon(t.blocks[static_cast<std::size_t>(Block::RhythmCommon)]);
        rowdata::buildRhythmNote(t.blocks[static_cast<std::size_t>(Block::RhythmNote)]);
        for (std::size_t b = 0; b < t.blocks.size(); ++b) {
            auto& rows = t.blocks[b];
            std::stable_sort(rows.begin(), rows.end(),
                             [](const Param& x, const Param& y) { return x.offset < y.offset; });
            const int size = sysex::blockDataSize(SynthModel::Jv2080, static_cast<Block>(b));
            t.byByte[b].assign(static_cast<std::size_t>(size), -1);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                for (int k = 0; k < rows[i].size; ++k) {
                    const int at = rows[i].offset + k;
                    if (at >= 0 && at < size)
                        t.byByte[b][static_cast<std::size_t>(at)] = static_cast<int>(i);
                }
            }
        }
        // Ids after sorting, so that the pointers stay valid.
        for (const auto& rows : t.blocks)
            for (const Param& p : rows)
                t.byId.insert(p.id, &p);
        return t;
    }();
    return t;
}

const Param* sibling(const Param& p, QStringView suffix)
{
    const QString prefix = p.id.left(p.id.indexOf(QLatin1Char('.')) + 1);
    return find(QString(prefix + suffix.toString()));
}

int siblingValue(const Param& p, QStringView suffix, const std::uint8_t* data)
{
    const Param* other = sibling(p, suffix);
    return other && data ? value(*other, data) : 0;
}

// The multi-effect row number 0 .. 11 of a row, or -1.
int efxRow(const Param& p)
{
    if (p.list.kind != Kind::EfxParameter)
        return -1;
    const Param* type = sibling(p, u"efx.type");
    return type ? p.offset - type->offset - 1 : -1;
}

// The items of a row's list in its context.
QStringList contextItems(const Param& p, const ShowContext& c)
{
    const int decider = listContext(p, c.data);
    switch (p.list.kind) {
    case Kind::EfxParameter:
        return efx::rowItems(decider, efxRow(p));
    case Kind::LfoRate:
        return items(decider == 0 ? valuelists::kZeroTo127 : valuelists::kSyncedTime);
    case Kind::DelayTime: {
        constexpr int kClockSync = 3;
        constexpr int kTapSync = 4;
        return items(decider == kClockSync || decider == kTapSync ? valuelists::kSyncedTime : valuelists::kZeroTo127);
    }
    case Kind::WaveGroup:
        if (!c.names)
            return {};
        {
            QStringList out;
            for (const GroupItem& g : waveGroups(*c.names))
                out << g.text;
            return out;
        }
    case Kind::WaveNumber:
        if (!c.names)
            return {};
        return waveNames(*c.names, decider / kGroupIdSpan, decider % kGroupIdSpan);
    case Kind::PatchGroup:
        if (!c.names)
            return {};
        {
            QStringList out;
            for (const GroupItem& g : patchGroups(*c.names, c.index))
                out << g.text;
            return out;
        }
    case Kind::PartPatch:
        if (!c.names)
            return {};
        return partPatchNames(*c.names, decider / kGroupIdSpan, decider % kGroupIdSpan, c.index);
    default:
        return items(p.list);
    }
}

} // namespace

int listContext(const Param& p, const std::uint8_t* data)
{
    switch (p.list.kind) {
    case Kind::EfxParameter:
        return siblingValue(p, u"efx.type", data);
    case Kind::LfoRate: {
        const QString lfo = p.id.section(QLatin1Char('.'), 1, 1);
        return siblingValue(p, QString(lfo + QStringLiteral(".externalSync")), data);
    }
    case Kind::DelayTime:
        return siblingValue(p, u"delay.mode", data);
    case Kind::WaveNumber:
        return siblingValue(p, u"wave.group", data);
    case Kind::PartPatch:
        return siblingValue(p, u"group", data);
    default:
        return -1;
    }
}

const std::vector<Param>& rows(sysex::Block block)
{
    return table().blocks[static_cast<std::size_t>(block)];
}

std::vector<const Param*> allRows()
{
    std::vector<const Param*> out;
    for (const auto& block : table().blocks)
        for (const Param& p : block)
            out.push_back(&p);
    return out;
}

const Param* find(QStringView id)
{
    return table().byId.value(id.toString(), nullptr);
}

const Param& row(QStringView id)
{
    const Param* p = find(id);
    Q_ASSERT_X(p, "params::row", "unknown parameter id");
    return p ? *p : rows(Block::PatchCommon).front();
}

const Param* rowAt(sysex::Block block, int offset)
{
    const auto& index = table().byByte[static_cast<std::size_t>(block)];
    if (offset < 0 || offset >= static_cast<int>(index.size()))
        return nullptr;
    const int i = index[static_cast<std::size_t>(offset)];
    return i < 0 ? nullptr : &rows(block)[static_cast<std::size_t>(i)];
}

std::pair<int, int> offsetSpan(sysex::Block block, QStringView prefix)
{
    int first = -1;
    int last = -1;
    for (const Param& p : rows(block)) {
        if (!p.id.startsWith(prefix))
            continue;
        if (first < 0 || p.offset < first)
            first = p.offset;
        last = std::max(last, p.offset + p.size - 1);
    }
    return {first, last};
}

QByteArray defaultName(sysex::Block block)
{
    switch (block) {
    case Block::PatchCommon:
        return QByteArrayLiteral("INIT PATCH  ");
    case Block::PerformanceCommon:
        return QByteArrayLiteral("Init Perform");
    case Block::RhythmCommon:
        return QByteArrayLiteral("Init Rhythm ");
    default:
        return {};
    }
}

bool existsOn(const Param& p, SynthModel model)
{
    return p.offset + p.size <= sysex::blockDataSize(model, p.block);
}

bool shownOn(const Param& p, SynthModel model)
{
    return existsOn(p, model) && (p.shownOn & modelBit(model)) != 0;
}

int value(const Param& p, const std::uint8_t* data)
{
    const std::uint8_t* b = data + p.offset;
    switch (p.encoding) {
    case Encoding::Byte:
        return b[0];
    case Encoding::Nibbles:
        return b[0] * kNibble + b[1];
    case Encoding::Group:
        return b[0] * kGroupIdSpan + b[1];
    case Encoding::Name:
        return 0;
    }
    return 0;
}

void setValue(const Param& p, std::uint8_t* data, int v)
{
    std::uint8_t* b = data + p.offset;
    switch (p.encoding) {
    case Encoding::Byte:
        b[0] = static_cast<std::uint8_t>(v & kByteMax);
        break;
    case Encoding::Nibbles:
        b[0] = static_cast<std::uint8_t>((v / kNibble) & kByteMax);
        b[1] = static_cast<std::uint8_t>(v % kNibble);
        break;
    case Encoding::Group:
        b[0] = static_cast<std::uint8_t>((v / kGroupIdSpan) & kByteMax);
        b[1] = static_cast<std::uint8_t>(v % kGroupIdSpan);
        break;
    case Encoding::Name:
        break;
    }
}

QString nameText(const Param& p, const std::uint8_t* data)
{
    QByteArray name(reinterpret_cast<const char*>(data + p.offset), p.size);
    while (name.endsWith(' '))
        name.chop(1);
    return QString::fromLatin1(name);
}

std::pair<int, int> valueRange(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    if (row >= 0 && data)
        return {0, efx::rowMaximum(siblingValue(p, u"efx.type", data), row)};
    return {p.min, p.max};
}

bool holdsValidValue(const Param& p, const std::uint8_t* data)
{
    const std::uint8_t* b = data + p.offset;
    for (int k = 0; k < p.size; ++k) {
        if (b[k] > kByteMax)
            return false;
    }
    switch (p.encoding) {
    case Encoding::Name:
        return std::all_of(b, b + p.size, [](std::uint8_t c) { return c >= kFirstPrintable; });
    case Encoding::Nibbles:
        if (b[0] >= kNibble || b[1] >= kNibble)
            return false;
        break;
    case Encoding::Group:
        return b[0] >= p.min / kGroupIdSpan && b[0] <= p.max / kGroupIdSpan && b[1] >= p.min % kGroupIdSpan
               && b[1] <= p.max % kGroupIdSpan;
    case Encoding::Byte:
        break;
    }
    const auto [lo, hi] = valueRange(p, data);
    const int v = value(p, data);
    return v >= lo && v <= hi;
}

Variation variation(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    if (row < 0 || !data)
        return p.variation;
    const efx::Row& used = (*efx::type(siblingValue(p, u"efx.type", data)).rows)[static_cast<std::size_t>(row)];
    // A row the type leaves unused keeps what it holds.
    return used.label ? rowdata::listVariation(used.list) : Variation::FixedUnlessAsked;
}

int defaultValue(const Param& p, int index)
{
    switch (p.defaultRule) {
    case DefaultRule::Fixed:
        return p.defaultValue;
    case DefaultRule::FirstBlockOnly:
        return index == 0 ? p.defaultValue : 0;
    case DefaultRule::BlockIndex:
        return index;
    }
    return p.defaultValue;
}

void writeDefaults(sysex::Block block, int index, std::uint8_t* data)
{
    writeDefaults(block, index, data, 0, sysex::blockDataSize(SynthModel::Jv2080, block));
}

void writeDefaults(sysex::Block block, int index, std::uint8_t* data, int fromOffset, int toOffset)
{
    for (const Param& p : rows(block)) {
        if (p.offset < fromOffset || p.offset + p.size > toOffset)
            continue;
        if (p.encoding == Encoding::Name) {
            const QByteArray name = defaultName(block);
            std::memcpy(data + p.offset, name.constData(), static_cast<std::size_t>(p.size));
        } else {
            setValue(p, data, defaultValue(p, index));
        }
    }
}

QString label(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    if (row >= 0)
        return efx::rowLabel(siblingValue(p, u"efx.type", data), row);
    return p.label;
}

QString plainLabel(const QString& label)
{
    QString plain = label;
    while (plain.endsWith(QLatin1Char(':')) || plain.endsWith(QLatin1Char(';')))
        plain.chop(1);
    return plain;
}

bool usedBy(const Param& p, const std::uint8_t* data)
{
    const int row = efxRow(p);
    return row < 0 || efx::rowUsed(siblingValue(p, u"efx.type", data), row);
}

QString shownText(const Param& p, int v, const ShowContext& context)
{
    switch (p.control) {
    case Control::Name:
        return context.data ? nameText(p, context.data) : QString();
    case Control::Check:
        return v != 0 ? QStringLiteral("ON") : QStringLiteral("OFF");
    case Control::Number:
        return QString::number(v + p.shownOffset);
    case Control::List:
    case Control::Scroll:
        break;
    }
    const QStringList list = contextItems(p, context);
    const int index = p.encoding == Encoding::Group ? -1 : v - p.min;
    if (p.encoding == Encoding::Group && context.names) {
        const std::vector<GroupItem> groups =
            p.list.kind == Kind::WaveGroup ? waveGroups(*context.names) : patchGroups(*context.names, context.index);
        for (const GroupItem& g : groups) {
            if (g.value() == v)
                return g.text;
        }
    }
    if (index >= 0 && index < list.size())
        return list.at(index);
    // Numbers without a name (a wave beyond the known list, a patch of the bank):
    // the 1-based number the instrument shows; a group as type and id.
    if (p.encoding == Encoding::Group)
        return QStringLiteral("%1-%2").arg(v / kGroupIdSpan).arg(v % kGroupIdSpan);
    if (p.encoding == Encoding::Nibbles && valuelists::dependsOnContext(p.list))
        return QString::number(v + 1);
    return QString::number(v);
}

QStringList listItems(const Param& p, const ShowContext& context)
{
    if (p.control != Control::List && p.control != Control::Scroll)
        return {};
    return contextItems(p, context);
}

std::vector<GroupItem> waveGroups(const CExpansionNames& names)
{
    std::vector<GroupItem> out = {
        {QStringLiteral("Preset A"), 0, 1}, {QStringLiteral("Preset B"), 0, 2}, {QStringLiteral("PCM"), 0, 3}};
    for (int b = 1; b <= names.GetFileCount(NameFileKind::Board); ++b)
        out.push_back({names.GetTitle(NameFileKind::Board, b), 2, b});
    return out;
}

namespace {

// Which preset file names the waves of an internal group.
constexpr int kPresetWaveFileA = 3;
constexpr int kPresetWaveFileB = 4;
constexpr int kGmFile = 8;

QStringList section(const CExpansionNames& names, int file, NameSection s, NameFileKind kind)
{
    QStringList out;
    const int count = names.GetNameCount(file, s, kind);
    for (int i = 0; i < count; ++i)
        out << names.GetName(file, s, i, kind);
    return out;
}

} // namespace

QStringList waveNames(const CExpansionNames& names, int type, int id)
{
    switch (type) {
    case 0:
        return section(names, id == 2 ? kPresetWaveFileB : kPresetWaveFileA, NameSection::Waves, NameFileKind::Preset);
    case 1:
        return section(names, kGmFile, NameSection::Waves, NameFileKind::Preset);
    case 2:
        return section(names, id, NameSection::Waves, NameFileKind::Board);
    default:
        return {};
    }
}

std::vector<GroupItem> patchGroups(const CExpansionNames& names, int part)
{
    std::vector<GroupItem> out;
    const int presets = names.GetFileCount(NameFileKind::Preset);
    for (int g = 1; g <= presets; ++g) {
        const QString title = names.GetTitle(NameFileKind::Preset, g);
        if (g < presets)
            out.push_back({title, 0, g});
        else if (part != kRhythmPart)
            out.push_back({title, 1, 1});
    }
    for (int b = 1; b <= names.GetFileCount(NameFileKind::Board); ++b)
        out.push_back({names.GetTitle(NameFileKind::Board, b), 2, b});
    return out;
}

QStringList partPatchNames(const CExpansionNames& names, int type, int id, int part)
{
    const NameSection s = part == kRhythmPart ? NameSection::RhythmSets : NameSection::Patches;
    switch (type) {
    case 0:
        return id == 1 ? QStringList() : section(names, id, s, NameFileKind::Preset);
    case 1:
        return section(names, kGmFile, s, NameFileKind::Preset);
    case 2:
        return section(names, id, s, NameFileKind::Board);
    default:
        return {};
    }
}

std::vector<Tab> tabs(Editor editor)
{
    std::vector<Tab> out;
    const auto add = [&](Page page, int index = 0) { out.push_back({page, index, pageTitle(editor, page, index)}); };
    switch (editor) {
    case Editor::Patch:
        for (int p = static_cast<int>(Page::Common); p <= static_cast<int>(Page::PanOutput); ++p)
            add(static_cast<Page>(p));
        break;
    case Editor::Performance:
        add(Page::Common);
        for (int part = 0; part < 16; ++part)
            add(Page::Part, part);
        add(Page::ChorusReverb);
        add(Page::Efx);
        add(Page::Mix);
        break;
    case Editor::Rhythm:
        add(Page::Wave);
        add(Page::Pitch);
        add(Page::Tvf);
        add(Page::Tva);
        break;
    }
    return out;
}

QString pageTitle(Editor editor, Page page, int index)
{
    switch (page) {
    case Page::None:
        return {};
    case Page::Common:
        return QStringLiteral("Common");
    case Page::ChorusReverb:
        return editor == Editor::Patch ? QStringLiteral("Chorus / Reverb") : QStringLiteral("Chorus/Reverb");
    case Page::Efx:
        return QStringLiteral("EFX");
    case Page::Controls:
        return QStringLiteral("Controls");
    case Page::Controller1:
    case Page::Controller2:
    case Page::Controller3:
        return QStringLiteral("Controller %1").arg(static_cast<int>(page) - static_cast<int>(Page::Controller1) + 1);
    case Page::Wave:
        return QStringLiteral("Wave");
    case Page::Lfo1:
        return QStringLiteral("LFO 1");
    case Page::Lfo2:
        return QStringLiteral("LFO 2");
    case Page::Pitch:
        return QStringLiteral("Pitch");
    case Page::PitchEnvelope:
        return QStringLiteral("Pitch Envelope");
    case Page::Tvf:
        return QStringLiteral("TVF");
    case Page::TvfEnvelope:
        return QStringLiteral("TVF Envelope");
    case Page::Tva:
        return QStringLiteral("TVA");
    case Page::TvaEnvelope:
        return QStringLiteral("TVA Envelope");
    case Page::PanOutput:
        return QStringLiteral("Pan / Output");
    case Page::Part:
        return QStringLiteral("Part %1").arg(index + 1);
    case Page::Mix:
        return QStringLiteral("Mix");
    }
    return {};
}

Editor editorOf(sysex::Block block)
{
    switch (block) {
    case Block::PatchCommon:
    case Block::PatchTone:
        return Editor::Patch;
    case Block::PerformanceCommon:
    case Block::PerformancePart:
        return Editor::Performance;
    case Block::RhythmCommon:
    case Block::RhythmNote:
        return Editor::Rhythm;
    }
    return Editor::Patch;
}

std::vector<const Param*> pageRows(Editor editor, Page page)
{
    std::vector<const Param*> out;
    for (std::size_t b = 0; b < kBlockCount; ++b) {
        if (editorOf(static_cast<Block>(b)) != editor)
            continue;
        for (const Param& p : rows(static_cast<Block>(b))) {
            if (p.page == page)
                out.push_back(&p);
        }
    }
    std::stable_sort(out.begin(), out.end(), [](const Param* x, const Param* y) { return x->order < y->order; });
    return out;
}

const std::vector<MixRow>& mixRows()
{
    static const std::vector<MixRow> kRows = {
        {"Reverb:", "part.reverbSend", Control::Number, false}, {"Chorus:", "part.chorusSend", Control::Number, false},
        {"EFX:", "part.mixSend", Control::Number, false},       {"Pan:", "part.pan", Control::Number, false},
        {"Level:", "part.level", Control::Number, false},       {"Mute:", "part.receive", Control::Check, true},
    };
    return kRows;
}

} // namespace params
