#include "bank/BankOperations.h"

#include "bank/ItemSelection.h"

#include "bank/CopyEffectCommand.h"
#include "bank/CopyToPatchCommand.h"
#include "bank/InitCommand.h"
#include "bank/MoveCommand.h"
#include "bank/PasteCommand.h"
#include "bank/RandomCommand.h"
#include "bank/RandomSource.h"
#include "bank/ToneloomDoc.h"
#include "model/ParamTable.h"
#include "model/RhythmKeyNames.h"

#include <algorithm>

namespace {

// Copy to Patch: tone t plays over its own octave.
constexpr int kToneLowerKey = 14;
constexpr int kToneUpperKey = 15;
constexpr int kTonePitchKeyfollowBase = 61;
constexpr int kFirstLowerKey = 36;
constexpr int kFirstUpperKey = 47;
constexpr int kFirstPitchByte = 66;
constexpr int kOctave = 12;

// Which rhythm key data byte each tone data byte takes.
// Which rhythm key parameter each tone parameter of a Copy to Patch takes. The key's
// pan, random pan and alternate pan go to the tone's own three pan rows; the key's
// bend range, mute group, envelope mode and absolute pitch have no tone counterpart.
constexpr std::pair<const char16_t*, const char16_t*> kKeyToTone[] = {
    {u"tone.switch", u"note.switch"},
    {u"tone.wave.group", u"note.wave.group"},
    {u"tone.wave.number", u"note.wave.number"},
    {u"tone.wave.gain", u"note.wave.gain"},
    {u"tone.control.volume", u"note.control.volume"},
    {u"tone.control.hold", u"note.control.hold"},
    {u"tone.control.pan", u"note.control.pan"},
    {u"tone.pitch.fine", u"note.pitch.fine"},
    {u"tone.pitch.random", u"note.pitch.random"},
    {u"tone.penv.depth", u"note.penv.depth"},
    {u"tone.penv.velocitySens", u"note.penv.velocitySens"},
    {u"tone.penv.velocityTime1", u"note.penv.velocityTime"},
    {u"tone.penv.velocityTime4", u"note.penv.velocityTime"},
    {u"tone.penv.time1", u"note.penv.time1"},
    {u"tone.penv.time2", u"note.penv.time2"},
    {u"tone.penv.time3", u"note.penv.time3"},
    {u"tone.penv.time4", u"note.penv.time4"},
    {u"tone.penv.level1", u"note.penv.level1"},
    {u"tone.penv.level2", u"note.penv.level2"},
    {u"tone.penv.level3", u"note.penv.level3"},
    {u"tone.penv.level4", u"note.penv.level4"},
    {u"tone.tvf.filterType", u"note.tvf.filterType"},
    {u"tone.tvf.cutoff", u"note.tvf.cutoff"},
    {u"tone.tvf.resonance", u"note.tvf.resonance"},
    {u"tone.tvf.resonanceVelocitySens", u"note.tvf.resonanceVelocitySens"},
    {u"tone.tvf.envDepth", u"note.tvf.envDepth"},
    {u"tone.tvf.velocitySens", u"note.tvf.velocitySens"},
    {u"tone.tvf.velocityTime1", u"note.tvf.velocityTime"},
    {u"tone.tvf.velocityTime4", u"note.tvf.velocityTime"},
    {u"tone.tvf.time1", u"note.tvf.time1"},
    {u"tone.tvf.time2", u"note.tvf.time2"},
    {u"tone.tvf.time3", u"note.tvf.time3"},
    {u"tone.tvf.time4", u"note.tvf.time4"},
    {u"tone.tvf.level1", u"note.tvf.level1"},
    {u"tone.tvf.level2", u"note.tvf.level2"},
    {u"tone.tvf.level3", u"note.tvf.level3"},
    {u"tone.tvf.level4", u"note.tvf.level4"},
    {u"tone.tva.level", u"note.tva.level"},
    {u"tone.tva.velocitySens", u"note.tva.velocitySens"},
    {u"tone.tva.velocityTime1", u"note.tva.velocityTime"},
    {u"tone.tva.velocityTime4", u"note.tva.velocityTime"},
    {u"tone.tva.time1", u"note.tva.time1"},
    {u"tone.tva.time2", u"note.tva.time2"},
    {u"tone.tva.time3", u"note.tva.time3"},
    {u"tone.tva.time4", u"note.tva.time4"},
    {u"tone.tva.level1", u"note.tva.level1"},
    {u"tone.tva.level2", u"note.tva.level2"},
    {u"tone.tva.level3", u"note.tva.level3"},
    {u"tone.pan", u"note.pan"},
    {u"tone.randomPan", u"note.randomPan"},
    {u"tone.alternatePan", u"note.alternatePan"},
    {u"tone.output", u"note.output"},
    {u"tone.mixSend", u"note.mixSend"},
    {u"tone.chorusSend", u"note.chorusSend"},
    {u"tone.reverbSend", u"note.reverbSend"},
};

// The rows Copy Effect copies, by the id prefix of their patch rows; a performance
// holds the same rows under "perf.".
QStringList effectPrefixes(CBankOperations::EffectCopy type)
{
    switch (type) {
    case CBankOperations::EffectCopy::Efx:
        return {QStringLiteral("efx.")};
    case CBankOperations::EffectCopy::Chorus:
        return {QStringLiteral("chorus.")};
    case CBankOperations::EffectCopy::Reverb:
        return {QStringLiteral("reverb.")};
    case CBankOperations::EffectCopy::All:
    default:
        return {QStringLiteral("efx."), QStringLiteral("chorus."), QStringLiteral("reverb.")};
    }
}

const QString kPatchPrefix = QStringLiteral("patch.");
const QString kPerformancePrefix = QStringLiteral("perf.");

// The row of a kind's common block that holds the same parameter as a patch row.
const params::Param* effectRow(const params::Param& patchRow, ItemKind kind)
{
    if (kind != ItemKind::Performances)
        return &patchRow;
    return params::find(QString(kPerformancePrefix + patchRow.id.mid(kPatchPrefix.size())));
}

} // namespace

QStringList CBankOperations::effectCopyTexts()
{
    return {QStringLiteral("ALL"), QStringLiteral("EFX"), QStringLiteral("CHORUS"), QStringLiteral("REVERB")};
}

std::pair<int, int> CBankOperations::effectRange(EffectCopy type)
{
    int first = -1;
    int last = -1;
    for (const QString& prefix : effectPrefixes(type)) {
        const auto [from, to] = params::offsetSpan(sysex::Block::PatchCommon, QString(kPatchPrefix + prefix));
        first = first < 0 ? from : std::min(first, from);
        last = std::max(last, to);
    }
    return {first, last};
}

CBankOperations::CBankOperations(CToneloomDoc& document, CItemSelection& selection)
    : m_document(document), m_selection(selection)
{}

int CBankOperations::Init(ItemKind kind)
{
    const std::vector<int> items = m_selection.selectedItems(kind);
    for (int i : items)
        m_document.ExecuteCommand(std::make_unique<CInitCommand>(m_document, kind, i));
    return static_cast<int>(items.size());
}

bool CBankOperations::paste(ItemKind kind, int dest, const QByteArray& image, Intake& intake)
{
    ++intake.offered;
    QByteArray checked = image;
    switch (m_document.array(kind).checkImage(checked)) {
    case CRecordArray::ImageCheck::Refused:
        ++intake.refused;
        return false;
    case CRecordArray::ImageCheck::Repaired:
        ++intake.repaired;
        break;
    case CRecordArray::ImageCheck::Intact:
        break;
    }
    m_document.ExecuteCommand(
        std::make_unique<CPasteCommand>(m_document, kind, dest, m_document.array(kind).record(dest), checked));
    return true;
}

void CBankOperations::report(ItemKind kind, const Intake& intake) const
{
    static constexpr ByKind<const char*> kOne{{"patch", "performance", "rhythm set"}};
    static constexpr ByKind<const char*> kMany{{"patches", "performances", "rhythm sets"}};
    const auto share = [&](int n) {
        return intake.offered == 1 ? QStringLiteral("The item")
                                   : QStringLiteral("%1 of the %2 items").arg(n).arg(intake.offered);
    };
    QStringList lines;
    if (intake.refused == 1)
        lines << share(1) + QStringLiteral(" is not a %1 and was left out.").arg(QLatin1String(kOne[kind]));
    else if (intake.refused > 1)
        lines << share(intake.refused)
                     + QStringLiteral(" are not %1 and were left out.").arg(QLatin1String(kMany[kind]));
    if (intake.repaired == 1)
        lines << share(1) + QStringLiteral(" was a damaged %1 and has been repaired.").arg(QLatin1String(kOne[kind]));
    else if (intake.repaired > 1)
        lines << share(intake.repaired)
                     + QStringLiteral(" were damaged %1 and have been repaired.").arg(QLatin1String(kMany[kind]));
    if (!lines.isEmpty())
        m_document.reporter().showMessage(MessageIcon::Exclamation, lines.join(QLatin1Char('\n')));
}

int CBankOperations::Paste(ItemKind kind, const std::vector<QByteArray>& images)
{
    const int count = CToneloomDoc::itemCount(kind);
    const int dest0 = m_selection.CurrentIndex(kind);
    if (dest0 < 0)
        return 0;
    int done = 0;
    Intake intake;
    for (std::size_t k = 0; k < images.size(); ++k) {
        const int dest = dest0 + static_cast<int>(k);
        if (dest >= count)
            break; // beyond the last item
        done += paste(kind, dest, images[k], intake) ? 1 : 0;
    }
    report(kind, intake);
    return done;
}

std::vector<int> CBankOperations::moveOrder(const std::vector<bool>& selected, int first)
{
    std::vector<int> order;
    std::vector<int> moved;
    for (std::size_t i = 0; i < selected.size(); ++i)
        (selected[i] ? moved : order).push_back(static_cast<int>(i));
    first = std::clamp(first, 0, static_cast<int>(order.size()));
    order.insert(order.begin() + first, moved.begin(), moved.end());
    return order;
}

std::pair<int, int> CBankOperations::dropRun(int hit, int count, int itemCount)
{
    if (hit < 0 || hit >= itemCount || count <= 0)
        return {-1, 0};
    count = std::min(count, itemCount);
    const int first = hit + count > itemCount ? itemCount - count : hit;
    return {first, count};
}

void CBankOperations::ClearDropMarks(ItemKind kind)
{
    m_selection.ClearDropMarks(kind);
}

bool CBankOperations::DropMove(ItemKind kind)
{
    const int count = CToneloomDoc::itemCount(kind);
    const int first = m_selection.FirstDropMarked(kind);
    ClearDropMarks(kind);
    if (first < 0 || first == m_selection.CurrentIndex(kind))
        return false;
    std::vector<bool> selected(static_cast<std::size_t>(count));
    int n = 0;
    for (int i = 0; i < count; ++i) {
        selected[static_cast<std::size_t>(i)] = m_selection.isSelected(kind, i);
        n += selected[static_cast<std::size_t>(i)] ? 1 : 0;
    }
    if (n == 0)
        return false;
    std::vector<int> order = moveOrder(selected, first);
    bool moves = false;
    for (int p = 0; p < count && !moves; ++p)
        moves = order[static_cast<std::size_t>(p)] != p;
    if (!moves)
        return false; // the items are already where they were dropped
    const int blockStart = std::min(first, count - n);
    m_document.ExecuteCommand(std::make_unique<CMoveCommand>(m_document, kind, std::move(order), blockStart, n));
    return true;
}

int CBankOperations::DropFromBank(ItemKind kind, const CToneloomDoc& source, const CItemSelection& sourceSelection)
{
    if (&source == &m_document) {
        ClearDropMarks(kind);
        return 0;
    }
    std::vector<QByteArray> images;
    for (int i : sourceSelection.selectedItems(kind))
        images.push_back(source.array(kind).record(i));
    return DropItems(kind, images);
}

int CBankOperations::DropItems(ItemKind kind, const std::vector<QByteArray>& images)
{
    int dest = m_selection.FirstDropMarked(kind);
    ClearDropMarks(kind);
    if (dest < 0)
        return 0;
    const int count = CToneloomDoc::itemCount(kind);
    int done = 0;
    Intake intake;
    for (const QByteArray& image : images) {
        if (dest >= count)
            break;
        done += paste(kind, dest++, image, intake) ? 1 : 0;
    }
    report(kind, intake);
    return done;
}

int CBankOperations::DropLibraryPatches(ItemKind kind, const std::vector<QByteArray>& images)
{
    if (kind != ItemKind::Patches) {
        ClearDropMarks(kind);
        return 0;
    }
    return DropItems(ItemKind::Patches, images);
}

void CBankOperations::copyEffect(const QByteArray& source, ItemKind sourceKind, QByteArray& dest, ItemKind destKind,
                                 EffectCopy type)
{
    // Row by row, from the row of the source's block to the same row of the destination's.
    struct Copy
    {
        int from;
        int to;
        int size;
    };
    std::vector<Copy> copies;
    const QStringList prefixes = effectPrefixes(type);
    for (const params::Param& p : params::rows(sysex::Block::PatchCommon)) {
        const QString rest = p.id.mid(kPatchPrefix.size());
        if (!std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& x) { return rest.startsWith(x); }))
            continue;
        const params::Param* from = effectRow(p, sourceKind);
        const params::Param* to = effectRow(p, destKind);
        if (!from || !to)
            continue;
        const Copy c{sysex::kOffData + from->offset, sysex::kOffData + to->offset, p.size};
        if (c.from + c.size > source.size() || c.to + c.size > dest.size())
            return; // not a whole record: nothing is copied
        copies.push_back(c);
    }
    for (const Copy& c : copies)
        std::copy_n(source.constData() + c.from, c.size, dest.data() + c.to);
}

void CBankOperations::CopyEffect(ItemKind sourceKind, int sourceIndex, ItemKind destKind, int destIndex,
                                 EffectCopy type)
{
    const auto usable = [](ItemKind kind) { return kind == ItemKind::Patches || kind == ItemKind::Performances; };
    if (!usable(sourceKind) || !usable(destKind))
        return;
    if (sourceIndex < 0 || sourceIndex >= CToneloomDoc::itemCount(sourceKind) || destIndex < 0
        || destIndex >= CToneloomDoc::itemCount(destKind))
        return;
    const QByteArray source = m_document.array(sourceKind).record(sourceIndex);
    const QByteArray old = m_document.array(destKind).record(destIndex);
    QByteArray changed = old;
    copyEffect(source, sourceKind, changed, destKind, type);
    m_document.ExecuteCommand(std::make_unique<CCopyEffectCommand>(m_document, destKind, destIndex, old, changed));
}

QByteArray CBankOperations::rhythmToPatch(const QByteArray& initPatch, const QByteArray& rhythm,
                                          const std::array<int, kCopyToPatchKeys>& keys)
{
    QByteArray patch = initPatch;
    if (patch.size() != CPatchArray::kRecordSize || rhythm.size() != CRhythmArray::kRecordSize)
        return patch;
    auto* out = reinterpret_cast<std::uint8_t*>(patch.data());
    const auto* in = reinterpret_cast<const std::uint8_t*>(rhythm.constData());
    for (int t = 0; t < kCopyToPatchKeys; ++t) {
        const int key = keys[static_cast<std::size_t>(t)];
        if (key < 0 || key >= CRhythmArray::kNotes)
            continue;
        out[CPatchArray::toneParam(t, kToneLowerKey)] = static_cast<std::uint8_t>(kFirstLowerKey + kOctave * t);
        out[CPatchArray::toneParam(t, kToneUpperKey)] = static_cast<std::uint8_t>(kFirstUpperKey + kOctave * t);
        out[CPatchArray::toneParam(t, kTonePitchKeyfollowBase)] =
            static_cast<std::uint8_t>(kFirstPitchByte - kOctave * t);
        std::uint8_t* tone = out + CPatchArray::toneParam(t, 0);
        const std::uint8_t* note = in + CRhythmArray::noteParam(key, 0);
        for (const auto& [toneId, noteId] : kKeyToTone) {
            const params::Param& from = params::row(noteId);
            params::setValue(params::row(toneId), tone, params::value(from, note));
        }
    }
    std::copy_n(kCopyToPatchName, CRecordArray::kNameLength, patch.data() + CRecordArray::kNameOffset);
    return patch;
}

bool CBankOperations::CopyToPatch(const std::array<int, kCopyToPatchKeys>& keys, int dest)
{
    if (dest < 0 || dest >= CPatchArray::kCount)
        return false;
    for (std::size_t t = 0; t < keys.size(); ++t) {
        if (keys[t] < 0 || keys[t] >= rhythmkeys::kKeyCount || (t > 0 && keys[t] <= keys[t - 1]))
            return false;
    }
    const int rhythmIndex = std::max(m_selection.CurrentIndex(ItemKind::RhythmSets), 0);
    CPatchArray& patches = m_document.patches();
    const QByteArray old = patches.record(dest);
    // The default patch as the array makes it at dest; the array is then put back,
    // the command alone changes it.
    patches.InitRecord(dest);
    const QByteArray initPatch = patches.record(dest);
    patches.setRecord(dest, old);
    const QByteArray patch = rhythmToPatch(initPatch, m_document.rhythmSets().record(rhythmIndex), keys);
    m_document.ExecuteCommand(std::make_unique<CCopyToPatchCommand>(m_document, ItemKind::Patches, dest, old, patch));
    return true;
}

void CBankOperations::RandomPatches(const CRandomPatches::Flags& flags, const std::vector<int>& boards,
                                    const CExpansionNames* names, CRandomSource& random, const std::vector<int>& only)
{
    m_document.ExecuteCommand(
        std::make_unique<CRandomCommand>(m_document, [flags, boards, names, &random, only](CPatchArray& patches) {
            CRandomPatches::RandomizePatches(patches, flags, boards, names, random, only);
        }));
}
