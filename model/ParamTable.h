#pragma once

#include "model/ItemKind.h"
#include "model/SynthSettings.h"
#include "model/SysEx.h"
#include "model/ValueLists.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <utility>
#include <vector>

class CExpansionNames;

// Every parameter of every block of the synthesizer's records as one row of data:
// where it is stored, what it may hold, how a page shows it and what a new record
// holds. The editor pages, the single-parameter messages, random patches, the
// emulator and the command-line tool all read these rows; nothing else restates an
// offset, a range or a value list.
//
// A row's value is an int: the byte itself, the two nibbles high * 16 + low, or
// for a group the type * 128 + id. Names are read and written as text.
namespace params {

// How a value lies in the block's bytes.
enum class Encoding : std::uint8_t {
    Byte,    // one byte
    Nibbles, // two bytes, the high nibble first
    Group,   // two bytes: group type, then group id
    Name,    // twelve characters, padded with blanks
};

// The control a page edits the row with.
enum class Control : std::uint8_t { List, Check, Number, Name, Scroll };

// The pages of the three editors. A row's page and the block's index (tone, part,
// key) decide the tab; pageTitle() gives its text.
enum class Page : std::uint8_t {
    None, // edited by the dialog itself (the rhythm set's name)
    Common,
    ChorusReverb,
    Efx,
    Controls,
    Controller1,
    Controller2,
    Controller3,
    Wave,
    Lfo1,
    Lfo2,
    Pitch,
    PitchEnvelope,
    Tvf,
    TvfEnvelope,
    Tva,
    TvaEnvelope,
    PanOutput,
    Part,
    Mix,
};

enum class Editor : std::uint8_t { Patch, Performance, Rhythm };

// The kind of bank item an editor edits.
constexpr ItemKind itemKindOf(Editor editor)
{
    switch (editor) {
    case Editor::Performance:
        return ItemKind::Performances;
    case Editor::Rhythm:
        return ItemKind::RhythmSets;
    case Editor::Patch:
        break;
    }
    return ItemKind::Patches;
}

// What a new record holds in a row: its default, or a value that depends on the
// tone or part the block belongs to.
enum class DefaultRule : std::uint8_t {
    Fixed,
    FirstBlockOnly, // the default in block 0, else 0 (only tone 1 sounds)
    BlockIndex,     // the block's own index (part p receives on channel p + 1)
};

// How a row's value may vary when a sound is changed without the user naming the row
// (mutating, morphing, finding similar sounds).
enum class Variation : std::uint8_t {
    Continuous,       // a scale whose neighbouring values sound alike: levels, times, depths, cutoff, pans
    Stepwise,         // a short ordered list whose neighbours are close: keyfollow, velocity curve, semitones
    FixedUnlessAsked, // a choice that changes the sound's kind: waves, types, switches, names, ranges, routing
};

// What a random patch writes into a row it does not draw (see CRandomPatches).
constexpr int kDrawn = -1;

// The box of the Random Patches dialog that changes a patch row (per tone for the
// tone's rows); None for rows a random patch leaves alone or sets by its own rules
// (the name, the tone switch and the wave).
enum class RandomGroup : std::uint8_t {
    None,
    Effect,
    Wave,
    Controller,
    Lfo,
    PitchEnvelope,
    Filter,
    Amplifier,
    Output,
};

// Bit per model (SynthModel) on which a page shows a row.
constexpr std::uint8_t modelBit(SynthModel model)
{
    return static_cast<std::uint8_t>(1U << static_cast<unsigned>(model));
}
constexpr std::uint8_t kAllModels = 0x07;

struct Param
{
    QString id; // "tone.tvf.cutoff"; unique over all blocks
    sysex::Block block;
    int offset = 0; // of the first byte, within the block's data
    int size = 1;   // bytes
    Encoding encoding = Encoding::Byte;
    int min = 0; // stored range of the value (a list's first item is stored as min)
    int max = 127;
    valuelists::ValueList list;
    Control control = Control::List;
    int shownOffset = 0; // number boxes show stored + shownOffset
    QString label;       // as the page shows it; empty where it changes with the record
    Page page = Page::None;
    int order = 0; // top to bottom on its page
    std::uint8_t shownOn = kAllModels;
    int defaultValue = 0;
    DefaultRule defaultRule = DefaultRule::Fixed;
    Variation variation = Variation::Continuous;
    int keep = kDrawn; // the value a random patch sets, or kDrawn for a value drawn over the range
    RandomGroup random = RandomGroup::None;
};

// The rows of one block in offset order, and all rows of all blocks.
const std::vector<Param>& rows(sysex::Block block);
std::vector<const Param*> allRows();
// The row of an id, or null. row() asserts that the id exists: for code that names
// parameters it knows.
const Param* find(QStringView id);
const Param& row(QStringView id);
// The row that holds a byte of a block, or null.
const Param* rowAt(sysex::Block block, int offset);
// The first and last byte of the rows whose ids start with prefix ("patch.chorus.").
std::pair<int, int> offsetSpan(sysex::Block block, QStringView prefix);

// A block's default name ("INIT PATCH  ", "Init Perform", "Init Rhythm ").
QByteArray defaultName(sysex::Block block);

// Models: a row exists on a model whose block is long enough for it, and a page
// shows it on the models of shownOn among those.
bool existsOn(const Param& p, SynthModel model);
bool shownOn(const Param& p, SynthModel model);

// Reading and writing values in a block's data bytes (parameter 0 at data[0]).
int value(const Param& p, const std::uint8_t* data);
void setValue(const Param& p, std::uint8_t* data, int value);
QString nameText(const Param& p, const std::uint8_t* data); // trailing blanks removed

// The range a value may take. For the multi-effect's rows it depends on the block's
// type byte (pass data), else it is the row's own range.
std::pair<int, int> valueRange(const Param& p, const std::uint8_t* data = nullptr);
// Whether the row's bytes in data hold a value the instrument accepts: every byte
// 7-bit, nibbles below 16, a group's type and id, name characters printable, and the
// value within valueRange().
bool holdsValidValue(const Param& p, const std::uint8_t* data);

// How a row may vary. The multi-effect's rows take it from the list the block's type
// gives them (pass data): texts are choices, short lists steps, long lists scales;
// without data they are Stepwise.
Variation variation(const Param& p, const std::uint8_t* data = nullptr);

// A new record's value of a row in block index (tone, part or key).
int defaultValue(const Param& p, int index);
// Writes every default of a block into its data bytes (the name included).
void writeDefaults(sysex::Block block, int index, std::uint8_t* data);
// The same for the rows that lie wholly in [fromOffset, toOffset).
void writeDefaults(sysex::Block block, int index, std::uint8_t* data, int fromOffset, int toOffset);

// Labels: the row's label, or for the multi-effect's rows the type's label. A label
// without its trailing colon (or the semicolon of one typo) for listings.
QString label(const Param& p, const std::uint8_t* data = nullptr);
QString plainLabel(const QString& label);
// A multi-effect row is hidden when the block's type does not use it.
bool usedBy(const Param& p, const std::uint8_t* data);

// What a page shows for a value. The record-dependent lists take their context from
// data (the block's bytes) and names (the name store; may be null). Lists of the
// bank's own items show the 1-based number. Values beyond a list show the number.
struct ShowContext
{
    const std::uint8_t* data = nullptr; // the data bytes of the block that holds the row
    int index = 0;                      // the block's tone, part or key
    const CExpansionNames* names = nullptr;
};
QString shownText(const Param& p, int value, const ShowContext& context = {});
// The list a row shows in its context (empty for rows without a list).
QStringList listItems(const Param& p, const ShowContext& context = {});
// The value of the row of the block (data) that decides a list's items: the effect type,
// an LFO's sync, the tone delay mode, the wave or patch group; -1 for a list that no
// other row decides. Two contexts with the same value show the same items.
int listContext(const Param& p, const std::uint8_t* data);

// Headless lists that depend on the name store.
struct GroupItem
{
    QString text;
    int type = 0;
    int id = 0;
    int value() const { return type * 128 + id; } // the group row's value
};
// Wave groups: "Preset A", "Preset B", "PCM", then the titles of all board files.
std::vector<GroupItem> waveGroups(const CExpansionNames& names);
// The wave names of a group (type, id).
QStringList waveNames(const CExpansionNames& names, int type, int id);
// The patch groups of performance part index (0 .. 15): the internal groups, the last
// of them as the General MIDI group (type 1) except on part 10, then the boards.
std::vector<GroupItem> patchGroups(const CExpansionNames& names, int part);
// The patches (part 10: rhythm sets) of a group of the name store; the user group
// (type 0, id 1) holds the bank's own items and gives an empty list here.
QStringList partPatchNames(const CExpansionNames& names, int type, int id, int part);

// The tabs of an editor in order, and the rows of one of its pages in order. A
// listing of a record walks them so: for each tab, for each of its rows, for each
// column (the four tones of a tone row; the part of a part tab; else the one block),
// the row's label (plainLabel for text without the colon), shownText and value of
// the block's data; effect rows whose type leaves them out (usedBy) are skipped.
struct Tab
{
    Page page;
    int index; // the part of a part page, else 0
    QString text;
};
std::vector<Tab> tabs(Editor editor);
QString pageTitle(Editor editor, Page page, int index = 0);
Editor editorOf(sysex::Block block);
std::vector<const Param*> pageRows(Editor editor, Page page);

// The mixer page shows part rows again, each part a strip, under its own labels.
struct MixRow
{
    const char* label; // "Reverb:"
    const char* id;    // the part row it edits
    Control control;
    bool inverted; // "Mute:" is ticked when the receive switch is 0
};
const std::vector<MixRow>& mixRows();

} // namespace params
