#pragma once

#include "model/EditHistory.h"
#include "model/EnvelopeShape.h"
#include "model/ParamTable.h"
#include "model/SynthSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

class CExpansionNames;

// The image offset of the data bytes of one block of a record (the common block, a
// tone, a part or a rhythm note) and how many blocks of that kind a record holds.
namespace recordlayout {
int dataOffset(sysex::Block block, int index);
int blockCount(sysex::Block block);
int recordSize(params::Editor editor);
// The common block and the repeated block (tone, part, note) of an editor's records.
sysex::Block commonBlock(params::Editor editor);
sysex::Block subBlock(params::Editor editor);
} // namespace recordlayout

// The working copy an editor changes, and what each change sends. Every change goes
// into the copy at once and, in realtime mode, out as DT1 messages to the instrument's
// temporary area, in the order the instrument needs them:
//
// - a change on one tone column applies to the tones ticked in the tone selection too,
//   one message per tone, in tone order;
// - a range's lower bound set above its upper bound raises the upper bound (and the
//   other way round), the moved bound's message first;
// - a wave group travels with its wave number, which goes back to the group's first
//   wave when the new group has fewer;
// - a tone delay mode or an LFO's external sync brings the delay time or LFO rate of
//   the changed tone to every selected tone;
// - a multi-effect type change sets every row the new type uses to its first value
//   and sends them, in row order, after the type;
// - an envelope sends its times and then its levels, per tone;
// - a performance's sixteen voice reserves never add up to more than 64: a change that
//   would exceed it is lowered until the sum is 64, and the lowered value is what the
//   copy keeps and sends.
//
// Values a row cannot hold (beyond its list, not a data byte) are refused: the copy
// keeps its value and nothing is sent.
//
// The copy keeps its history: every change above is one undo step (a Multi Edit change
// on four tones, an envelope dragged or shaped by a preset, a copied tone, a whole record
// put in with replace()). Undo and redo put the copy back and, in realtime mode, send
// the rows that differ, each as a change of it would send it.
class CRecordEdit
{
public:
    static constexpr int kTones = 4;
    using Sender = std::function<void(const QByteArray& message)>;
    using Selection = std::array<bool, kTones>;

    // image: the record as a bank holds it (645 bytes for a patch, ...); a shorter one
    // is padded with zeros, a longer one cut.
    CRecordEdit(params::Editor editor, const QByteArray& image, const SynthSettings& synth,
                const CExpansionNames* names = nullptr);

    params::Editor editor() const { return m_editor; }
    const QByteArray& image() const { return m_image; }
    // Replaces the whole copy outside the history and sends nothing (the editor shows
    // the original this way while comparing). A change of the sound is replace().
    void setImage(const QByteArray& image);

    // The whole record changed at once (a mutation, a morph, a record put in from
    // outside): one undo step; in realtime mode the rows that differ go out. False when
    // nothing changed.
    bool replace(const QByteArray& image);

    // The history of the copy. Changes between beginStep() and endStep() are one step (a
    // drag that changes a value on its way). undo() and redo() return false when there is
    // no step to take.
    const CEditHistory& history() const { return m_history; }
    void beginStep();
    void endStep();
    // Changes made while a Run of a control lives (digits typed into a number box, a
    // knob turned) merge with that control's changes just before them into one undo
    // step, until endRun(control), a change from elsewhere, an undo or a redo. What each
    // change sends is unchanged.
    class Run
    {
    public:
        Run(CRecordEdit& edit, const void* control) : m_edit(edit), m_previous(edit.m_runControl)
        {
            edit.m_runControl = control;
        }
        ~Run() { m_edit.m_runControl = m_previous; }
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

    private:
        CRecordEdit& m_edit;
        const void* m_previous;
    };
    void endRun(const void* control);
    bool undo();
    bool redo();
    // Called after every change of the history (a step added, undone or redone).
    void setHistoryListener(std::function<void()> listener) { m_historyListener = std::move(listener); }
    // The messages that bring an instrument holding record from to the copy: per block
    // (common block first, then tone by tone), the rows whose bytes differ, in offset
    // order; a group with its number, a name as a whole; a range pair in the order that
    // never crosses; after an EFX type every row the type uses.
    QList<QByteArray> changeMessages(const QByteArray& from) const;
    const SynthSettings& synth() const { return m_synth; }
    const CExpansionNames* names() const { return m_names; }

    bool realtime() const { return m_realtime; }
    void setRealtime(bool on) { m_realtime = on; }
    void setSender(Sender sender) { m_sender = std::move(sender); }

    // The bank's own patches and rhythm sets, which a performance part's user group
    // lists as "1: NAME" .. (names as the bank holds them).
    void setUserNames(const QStringList& patches, const QStringList& rhythmSets);
    // The items of a row's list in column's context: listItems() of the tables, and for
    // a part's patch in the user group the bank's own patches (part 10: rhythm sets).
    QStringList listItems(const params::Param& p, int index) const;

    // The tones ticked for multi-edit (patches only).
    const Selection& selection() const { return m_selection; }
    void setSelection(const Selection& selection) { m_selection = selection; }
    // The tone columns a change on column applies to, in sending order: the column and
    // the selected tones. Rows of other blocks have one column.
    std::vector<int> targets(const params::Param& p, int column) const;

    const std::uint8_t* data(sysex::Block block, int index) const;
    int value(const params::Param& p, int index) const;
    params::ShowContext context(const params::Param& p, int index) const;
    // The range the row can take in its context: its list's length (a wave group's
    // waves, a multi-effect type's row), else the row's range; always data bytes.
    std::pair<int, int> range(const params::Param& p, int index) const;

    // The user set row p of column (tone, part or key) to value. False when the value
    // was refused.
    bool change(const params::Param& p, int column, int value);
    // The record's name (cut to 12 characters; characters outside printable ASCII
    // become blanks).
    bool changeName(const QString& name);
    QString name() const;
    // Times and levels of one envelope of column at once (a drag, a preset); clamped
    // into the rows' ranges.
    bool changeEnvelope(envelope::Kind kind, int column, const envelope::Values& values);
    envelope::Values envelopeValues(envelope::Kind kind, int column) const;

    // Copies tone from of source (a patch image) over tone to of the copy.
    void copyTone(const QByteArray& source, int from, int to);
    // Copies block from (part, key; tone of a patch) of the copy over block to; sends
    // nothing. False when the blocks are the same or beyond the record.
    bool copyBlock(int from, int to);
    // The copy addressed to the temporary area with the device ID and fresh checksums.
    QByteArray temporaryImage() const;

    // The voices the sixteen reserves of a performance hold, of kVoiceLimit.
    static constexpr int kVoiceLimit = 64;
    int reservedVoices() const;

    // The range rule of a bound pair: the new lower and upper bounds after one of them
    // was set to value, and whether the other one moved.
    struct RangePair
    {
        int lower;
        int upper;
        bool otherMoved;
    };
    static RangePair applyRangePair(int lower, int upper, bool lowerChanged, int value);

private:
    bool applyChange(const params::Param& p, int column, int value);
    bool applyEnvelope(envelope::Kind kind, int column, const envelope::Values& values);
    // After a change: the history records the copy.
    void noteChange();
    void changedHistory();
    // In realtime mode, the messages that bring the instrument from record from to the copy.
    // Takes the record the history stepped to (none: nothing to step to) and sends what changed.
    bool stepTo(const std::optional<QByteArray>& image);
    void sendChanges(const QByteArray& from);
    std::uint8_t* mutableData(sysex::Block block, int index);
    void store(const params::Param& p, int index, int value);
    void send(const QByteArray& message);
    void sendValue(const params::Param& p, int index);
    bool changeGroup(const params::Param& p, const std::vector<int>& targets, int value);
    bool changeEfxType(const params::Param& p, int value);
    // The voice reserve rule: value lowered so that the sixteen reserves stay within 64.
    int withinReserve(const params::Param& p, int value) const;

    params::Editor m_editor;
    QByteArray m_image;
    SynthSettings m_synth;
    const CExpansionNames* m_names;
    bool m_realtime = true;
    Sender m_sender;
    Selection m_selection{};
    QStringList m_userPatches;
    QStringList m_userRhythms;
    CEditHistory m_history;
    const void* m_runControl = nullptr;
    std::function<void()> m_historyListener;
};
