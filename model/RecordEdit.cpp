#include "model/RecordEdit.h"

#include "model/EfxTypes.h"
#include "model/ExpansionNames.h"
#include "model/ParamMessages.h"
#include "model/PatchArray.h"
#include "model/PerformanceArray.h"
#include "model/RhythmArray.h"

#include <algorithm>
#include <cstring>
#include <memory>

using params::Param;
using sysex::Block;

namespace recordlayout {

int dataOffset(sysex::Block block, int index)
{
    switch (block) {
    case Block::PatchCommon:
    case Block::PerformanceCommon:
    case Block::RhythmCommon:
        return sysex::kOffData;
    case Block::PatchTone:
        return CPatchArray::toneParam(index, 0);
    case Block::PerformancePart:
        return CPerformanceArray::partParam(index, 0);
    case Block::RhythmNote:
        return CRhythmArray::noteParam(index, 0);
    }
    return sysex::kOffData;
}

int blockCount(sysex::Block block)
{
    switch (block) {
    case Block::PatchTone:
        return CPatchArray::kTones;
    case Block::PerformancePart:
        return CPerformanceArray::kParts;
    case Block::RhythmNote:
        return CRhythmArray::kNotes;
    default:
        return 1;
    }
}

sysex::Block commonBlock(params::Editor editor)
{
    switch (editor) {
    case params::Editor::Patch:
        return Block::PatchCommon;
    case params::Editor::Performance:
        return Block::PerformanceCommon;
    case params::Editor::Rhythm:
        return Block::RhythmCommon;
    }
    return Block::PatchCommon;
}

sysex::Block subBlock(params::Editor editor)
{
    switch (editor) {
    case params::Editor::Patch:
        return Block::PatchTone;
    case params::Editor::Performance:
        return Block::PerformancePart;
    case params::Editor::Rhythm:
        return Block::RhythmNote;
    }
    return Block::PatchTone;
}

int recordSize(params::Editor editor)
{
    switch (editor) {
    case params::Editor::Patch:
        return CPatchArray::kRecordSize;
    case params::Editor::Performance:
        return CPerformanceArray::kRecordSize;
    case params::Editor::Rhythm:
        return CRhythmArray::kRecordSize;
    }
    return CPatchArray::kRecordSize;
}

} // namespace recordlayout

namespace {

constexpr int kByteMax = 127;
constexpr int kGroupIdSpan = 128;
constexpr int kNameLength = 12;
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr int kVoices = CRecordEdit::kVoiceLimit;
constexpr int kRhythmPart = 9;

// Pairs of bounds that must not cross.
struct PairRule
{
    const char* lower;
    const char* upper;
};
constexpr PairRule kRangePairs[] = {
    {"tone.velocity.lower", "tone.velocity.upper"},
    {"tone.key.lower", "tone.key.upper"},
};

// A switch whose change brings the value of another row of the changed column to the
// selected columns (their lists change meaning with the switch).
struct FollowRule
{
    const char* trigger;
    const char* follower;
};
constexpr FollowRule kFollows[] = {
    {"tone.delay.mode", "tone.delay.time"},
    {"tone.lfo1.externalSync", "tone.lfo1.rate"},
    {"tone.lfo2.externalSync", "tone.lfo2.rate"},
};

bool isVoiceReserve(const Param& p)
{
    return p.id.startsWith(QLatin1String("perf.voiceReserve"));
}

bool isEfxType(const Param& p)
{
    return p.id.endsWith(QLatin1String(".efx.type"));
}

const Param* efxRowOf(const Param& type, int row)
{
    const QString prefix = type.id.left(type.id.size() - int(qstrlen("type")));
    return params::find(QString(prefix + QStringLiteral("row%1").arg(row + 1)));
}

// The row a group carries in its message (the wave or patch number after it).
const Param* numberAfter(const Param& group)
{
    const Param* next = params::rowAt(group.block, group.offset + group.size);
    return next && next->encoding == params::Encoding::Nibbles ? next : nullptr;
}

std::unique_ptr<CRecordArray> arrayOf(params::Editor editor)
{
    switch (editor) {
    case params::Editor::Patch:
        return std::make_unique<CPatchArray>();
    case params::Editor::Performance:
        return std::make_unique<CPerformanceArray>();
    case params::Editor::Rhythm:
        return std::make_unique<CRhythmArray>();
    }
    return std::make_unique<CPatchArray>();
}

} // namespace

CRecordEdit::CRecordEdit(params::Editor editor, const QByteArray& image, const SynthSettings& synth,
                         const CExpansionNames* names)
    : m_editor(editor), m_synth(synth), m_names(names)
{
    setImage(image);
    m_history.reset(m_image);
}

void CRecordEdit::setImage(const QByteArray& image)
{
    const int size = recordlayout::recordSize(m_editor);
    m_image = image.left(size);
    if (m_image.size() < size)
        m_image.append(QByteArray(size - m_image.size(), '\0'));
}

const std::uint8_t* CRecordEdit::data(sysex::Block block, int index) const
{
    return reinterpret_cast<const std::uint8_t*>(m_image.constData()) + recordlayout::dataOffset(block, index);
}

std::uint8_t* CRecordEdit::mutableData(sysex::Block block, int index)
{
    return reinterpret_cast<std::uint8_t*>(m_image.data()) + recordlayout::dataOffset(block, index);
}

int CRecordEdit::value(const Param& p, int index) const
{
    return params::value(p, data(p.block, index));
}

params::ShowContext CRecordEdit::context(const Param& p, int index) const
{
    return {data(p.block, index), index, m_names};
}

std::vector<int> CRecordEdit::targets(const Param& p, int column) const
{
    std::vector<int> out;
    if (p.block != Block::PatchTone) {
        out.push_back(column);
        return out;
    }
    for (int t = 0; t < kTones; ++t) {
        if (t == column || m_selection[static_cast<std::size_t>(t)])
            out.push_back(t);
    }
    return out;
}

void CRecordEdit::setUserNames(const QStringList& patches, const QStringList& rhythmSets)
{
    m_userPatches = patches;
    m_userRhythms = rhythmSets;
}

QStringList CRecordEdit::listItems(const Param& p, int index) const
{
    if (p.list.kind == valuelists::Kind::PartPatch) {
        constexpr int kUserGroup = 1; // type 0, id 1
        const params::Param* group = params::rowAt(p.block, p.offset - 2);
        if (group && value(*group, index) == kUserGroup) {
            const QStringList& names = index == kRhythmPart ? m_userRhythms : m_userPatches;
            QStringList out;
            for (int i = 0; i < names.size(); ++i)
                out << QStringLiteral("%1: %2").arg(i + 1).arg(names[i]);
            return out;
        }
        // Every group's patches are numbered as the user group's are; a patch known by
        // its number alone stays that number.
        QStringList out = params::listItems(p, context(p, index));
        for (int i = 0; i < out.size(); ++i) {
            const QString number = QString::number(i + 1);
            if (out[i] != number)
                out[i] = number + QStringLiteral(": ") + out[i];
        }
        return out;
    }
    return params::listItems(p, context(p, index));
}

std::pair<int, int> CRecordEdit::range(const Param& p, int index) const
{
    auto [lo, hi] = params::valueRange(p, data(p.block, index));
    if (p.encoding == params::Encoding::Byte)
        hi = std::min(hi, kByteMax);
    // Lists of the name store: as long as the list, where the store knows it.
    if (m_names && valuelists::dependsOnContext(p.list) && p.encoding == params::Encoding::Nibbles) {
        const int count = static_cast<int>(listItems(p, index).size());
        if (count > 0)
            hi = std::min(hi, lo + count - 1);
    }
    return {lo, hi};
}

void CRecordEdit::store(const Param& p, int index, int value)
{
    params::setValue(p, mutableData(p.block, index), value);
}

void CRecordEdit::send(const QByteArray& message)
{
    if (m_realtime && m_sender && !message.isEmpty())
        m_sender(message);
}

void CRecordEdit::sendValue(const Param& p, int index)
{
    if (m_realtime && m_sender)
        send(params::rowMessage(p, index, data(p.block, index), m_synth.deviceId));
}

CRecordEdit::RangePair CRecordEdit::applyRangePair(int lower, int upper, bool lowerChanged, int value)
{
    if (lowerChanged)
        return {value, std::max(upper, value), value > upper};
    return {std::min(lower, value), value, value < lower};
}

bool CRecordEdit::change(const Param& p, int column, int value)
{
    if (!applyChange(p, column, value))
        return false;
    noteChange();
    return true;
}

bool CRecordEdit::applyChange(const Param& p, int column, int value)
{
    if (p.encoding == params::Encoding::Name || column < 0 || column >= recordlayout::blockCount(p.block))
        return false;
    const std::vector<int> tones = targets(p, column);
    if (p.encoding == params::Encoding::Group)
        return changeGroup(p, tones, value);
    const auto [lo, hi] = range(p, column);
    if (value < lo || value > hi)
        return false;
    if (isEfxType(p))
        return changeEfxType(p, value);
    if (isVoiceReserve(p)) {
        store(p, column, withinReserve(p, value));
        sendValue(p, column);
        return true;
    }

    for (const PairRule& rule : kRangePairs) {
        const bool isLower = p.id == QLatin1String(rule.lower);
        if (!isLower && p.id != QLatin1String(rule.upper))
            continue;
        const Param& lower = params::row(QString::fromLatin1(rule.lower));
        const Param& upper = params::row(QString::fromLatin1(rule.upper));
        for (int t : tones) {
            const RangePair r = applyRangePair(this->value(lower, t), this->value(upper, t), isLower, value);
            store(lower, t, r.lower);
            store(upper, t, r.upper);
            const Param& other = isLower ? upper : lower;
            if (r.otherMoved)
                sendValue(other, t);
            sendValue(p, t);
        }
        return true;
    }

    for (int t : tones) {
        store(p, t, value);
        sendValue(p, t);
    }
    for (const FollowRule& rule : kFollows) {
        if (p.id != QLatin1String(rule.trigger))
            continue;
        const Param& follower = params::row(QString::fromLatin1(rule.follower));
        const int followed = this->value(follower, column);
        for (int t = 0; t < kTones; ++t) {
            if (!m_selection[static_cast<std::size_t>(t)])
                continue;
            store(follower, t, followed);
            sendValue(follower, t);
        }
    }
    return true;
}

bool CRecordEdit::changeGroup(const Param& p, const std::vector<int>& tones, int value)
{
    if (value < p.min || value > p.max || value % kGroupIdSpan > kByteMax)
        return false;
    if (m_names && p.list.kind == valuelists::Kind::WaveGroup) {
        const auto groups = params::waveGroups(*m_names);
        if (std::none_of(groups.begin(), groups.end(), [&](const auto& g) { return g.value() == value; }))
            return false;
    }
    const Param* number = numberAfter(p);
    for (int t : tones) {
        store(p, t, value);
        if (!number) {
            sendValue(p, t);
            continue;
        }
        // The number keeps its place in the new group's list, or goes back to the
        // first entry when the list is shorter.
        int n = this->value(*number, t);
        if (m_names) {
            const int count = static_cast<int>(listItems(*number, t).size());
            if (count > 0 && n >= count)
                n = 0;
        }
        n = std::clamp(n, number->min, number->max);
        store(*number, t, n);
        send(params::groupMessage(p, t, value, n, m_synth.deviceId));
    }
    return true;
}

bool CRecordEdit::changeEfxType(const Param& p, int value)
{
    const bool same = value == this->value(p, 0);
    store(p, 0, value);
    sendValue(p, 0);
    // The same type again keeps its settings.
    if (same)
        return true;
    for (int row = 0; row < efx::kRowCount; ++row) {
        if (!efx::rowUsed(value, row))
            continue;
        if (const Param* r = efxRowOf(p, row)) {
            store(*r, 0, 0);
            sendValue(*r, 0);
        }
    }
    return true;
}

int CRecordEdit::withinReserve(const Param& p, int value) const
{
    int others = 0;
    for (const Param& row : params::rows(p.block)) {
        if (isVoiceReserve(row) && row.id != p.id)
            others += this->value(row, 0);
    }
    return std::clamp(std::min(value, kVoices - others), 0, value);
}

int CRecordEdit::reservedVoices() const
{
    int total = 0;
    for (const Param& row : params::rows(recordlayout::commonBlock(m_editor)))
        if (isVoiceReserve(row))
            total += value(row, 0);
    return total;
}

QString CRecordEdit::name() const
{
    for (const Param& p : params::rows(recordlayout::commonBlock(m_editor))) {
        if (p.encoding == params::Encoding::Name)
            return params::nameText(p, data(p.block, 0));
    }
    return {};
}

bool CRecordEdit::changeName(const QString& name)
{
    const Block block = recordlayout::commonBlock(m_editor);
    QByteArray bytes = name.left(kNameLength).toLatin1();
    for (char& c : bytes) {
        if (c < kFirstPrintable || c > kLastPrintable)
            c = ' ';
    }
    bytes = bytes.leftJustified(kNameLength, ' ');
    for (const Param& p : params::rows(block)) {
        if (p.encoding != params::Encoding::Name)
            continue;
        std::memcpy(mutableData(block, 0) + p.offset, bytes.constData(), static_cast<std::size_t>(p.size));
        send(params::nameMessage(block, bytes, m_synth.deviceId));
        noteChange();
        return true;
    }
    return false;
}

envelope::Values CRecordEdit::envelopeValues(envelope::Kind kind, int column) const
{
    const Block block = recordlayout::subBlock(m_editor);
    return envelope::read(envelope::rows(block, kind), data(block, column));
}

bool CRecordEdit::changeEnvelope(envelope::Kind kind, int column, const envelope::Values& values)
{
    if (!applyEnvelope(kind, column, values))
        return false;
    noteChange();
    return true;
}

bool CRecordEdit::applyEnvelope(envelope::Kind kind, int column, const envelope::Values& values)
{
    const Block block = recordlayout::subBlock(m_editor);
    if (column < 0 || column >= recordlayout::blockCount(block))
        return false;
    const envelope::Rows rows = envelope::rows(block, kind);
    if (!rows.times[0])
        return false;
    // What the graph gave, within what the rows can store.
    const envelope::Values v = envelope::valuesOf(kind, envelope::pointsOf(kind, values), rows);
    for (int t : targets(*rows.times[0], column)) {
        // Only the values that changed go out: a drag moves one or two of them.
        std::vector<const Param*> changed;
        const auto put = [&](const Param* p, int to) {
            if (!p || value(*p, t) == to)
                return;
            store(*p, t, to);
            changed.push_back(p);
        };
        for (std::size_t k = 0; k < envelope::kSegments; ++k)
            put(rows.times[k], v.times[k]);
        for (std::size_t k = 0; k < envelope::kSegments; ++k)
            put(rows.levels[k], v.levels[k]);
        for (const Param* p : changed)
            sendValue(*p, t);
    }
    return true;
}

void CRecordEdit::copyTone(const QByteArray& source, int from, int to)
{
    if (m_editor != params::Editor::Patch || from < 0 || from >= kTones || to < 0 || to >= kTones || from == to
        || source.size() < CPatchArray::kRecordSize)
        return;
    // Only the tone's parameters move: the destination keeps its own address, and its
    // checksum is made anew.
    std::memcpy(mutableData(Block::PatchTone, to),
                source.constData() + recordlayout::dataOffset(Block::PatchTone, from), CPatchArray::kToneData);
    auto* message = reinterpret_cast<std::uint8_t*>(m_image.data()) + CPatchArray::toneOffset(to);
    constexpr int kChecksumAt = CPatchArray::kToneSize - 2;
    message[kChecksumAt] = sysex::checksum(kChecksumAt - sysex::kOffAddress, message + sysex::kOffAddress);
    noteChange();
}

bool CRecordEdit::copyBlock(int from, int to)
{
    const Block block = recordlayout::subBlock(m_editor);
    const int count = recordlayout::blockCount(block);
    if (from == to || from < 0 || from >= count || to < 0 || to >= count)
        return false;
    // The data bytes move; the destination keeps its own address and gets its checksum anew.
    const int size = recordlayout::dataOffset(block, 1) - recordlayout::dataOffset(block, 0) - sysex::kFraming;
    std::memmove(mutableData(block, to), data(block, from), static_cast<std::size_t>(size));
    auto* message = mutableData(block, to) - sysex::kOffData;
    const int checksumAt = sysex::kOffData + size;
    message[checksumAt] = sysex::checksum(checksumAt - sysex::kOffAddress, message + sysex::kOffAddress);
    noteChange();
    return true;
}

QByteArray CRecordEdit::temporaryImage() const
{
    std::unique_ptr<CRecordArray> array = arrayOf(m_editor);
    array->setRecord(0, m_image);
    QByteArray out(array->GetRecordSize(), '\0');
    array->GetAsTemporary(0, reinterpret_cast<std::uint8_t*>(out.data()), m_synth.deviceId);
    return out;
}

void CRecordEdit::noteChange()
{
    if (m_history.record(m_image, m_runControl))
        changedHistory();
}

void CRecordEdit::endRun(const void* control)
{
    m_history.endRun(control);
}

void CRecordEdit::changedHistory()
{
    if (m_historyListener)
        m_historyListener();
}

void CRecordEdit::beginStep()
{
    m_history.beginStep();
}

void CRecordEdit::endStep()
{
    m_history.endStep();
    changedHistory();
}

bool CRecordEdit::replace(const QByteArray& image)
{
    const QByteArray before = m_image;
    setImage(image);
    if (m_image == before)
        return false;
    sendChanges(before);
    noteChange();
    return true;
}

bool CRecordEdit::undo()
{
    return stepTo(m_history.undo());
}

bool CRecordEdit::redo()
{
    return stepTo(m_history.redo());
}

bool CRecordEdit::stepTo(const std::optional<QByteArray>& image)
{
    if (!image)
        return false;
    const QByteArray before = m_image;
    m_image = *image;
    sendChanges(before);
    changedHistory();
    return true;
}

void CRecordEdit::sendChanges(const QByteArray& from)
{
    if (!m_realtime || !m_sender)
        return;
    for (const QByteArray& message : changeMessages(from))
        send(message);
}

QList<QByteArray> CRecordEdit::changeMessages(const QByteArray& fromImage) const
{
    QList<QByteArray> out;
    QByteArray from = fromImage.left(m_image.size());
    if (from.size() < m_image.size())
        from.append(QByteArray(m_image.size() - from.size(), '\0'));
    const std::uint8_t device = m_synth.deviceId;
    for (const Block block : {recordlayout::commonBlock(m_editor), recordlayout::subBlock(m_editor)}) {
        const std::vector<Param>& rows = params::rows(block);
        for (int index = 0; index < recordlayout::blockCount(block); ++index) {
            const auto* was =
                reinterpret_cast<const std::uint8_t*>(from.constData()) + recordlayout::dataOffset(block, index);
            const std::uint8_t* now = data(block, index);
            // Bytes already sent by an earlier row (a group's number, an EFX type's rows).
            std::vector<bool> sent;
            const auto covered = [&sent](const Param& p) {
                for (int b = p.offset; b < p.offset + p.size; ++b) {
                    if (static_cast<std::size_t>(b) >= sent.size() || !sent[static_cast<std::size_t>(b)])
                        return false;
                }
                return true;
            };
            const auto mark = [&sent](const Param& p) {
                if (sent.size() < static_cast<std::size_t>(p.offset + p.size))
                    sent.resize(static_cast<std::size_t>(p.offset + p.size), false);
                for (int b = p.offset; b < p.offset + p.size; ++b)
                    sent[static_cast<std::size_t>(b)] = true;
            };
            const auto differs = [&](const Param& p) {
                return std::memcmp(was + p.offset, now + p.offset, static_cast<std::size_t>(p.size)) != 0;
            };
            for (const Param& p : rows) {
                if (!params::existsOn(p, m_synth.model) || covered(p) || !differs(p))
                    continue;
                if (p.encoding == params::Encoding::Name) {
                    out << params::nameMessage(
                        block, QByteArrayView(reinterpret_cast<const char*>(now + p.offset), p.size), device);
                    mark(p);
                    continue;
                }
                if (p.encoding == params::Encoding::Group) {
                    if (const Param* number = numberAfter(p)) {
                        out << params::groupMessage(p, index, params::value(p, now), params::value(*number, now),
                                                    device);
                        mark(*number);
                    } else {
                        out << params::rowMessage(p, index, now, device);
                    }
                    mark(p);
                    continue;
                }
                // A range that moves past its other bound: the other bound makes room first.
                for (const PairRule& rule : kRangePairs) {
                    if (p.id != QLatin1String(rule.lower))
                        continue;
                    const Param& upper = params::row(QString::fromLatin1(rule.upper));
                    if (differs(upper) && params::value(p, now) > params::value(upper, was)) {
                        out << params::rowMessage(upper, index, now, device);
                        mark(upper);
                    }
                }
                out << params::rowMessage(p, index, now, device);
                mark(p);
                // A new multi-effect type: its rows as the copy holds them, whether they
                // changed or not, since the instrument set them anew with the type.
                if (isEfxType(p)) {
                    const int type = params::value(p, now);
                    for (int row = 0; row < efx::kRowCount; ++row) {
                        const Param* r = efx::rowUsed(type, row) ? efxRowOf(p, row) : nullptr;
                        if (r && !covered(*r)) {
                            out << params::rowMessage(*r, index, now, device);
                            mark(*r);
                        }
                    }
                }
            }
        }
    }
    return out;
}
