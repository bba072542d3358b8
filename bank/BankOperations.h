#pragma once

#include "bank/RandomPatches.h"
#include "model/RecordLayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <utility>
#include <vector>

class CExpansionNames;
class CRandomSource;
class CItemSelection;
class CToneloomDoc;

// The operations that change a bank's items: initialise, paste, the drops that end a
// drag, copy effect, copy to patch and random patches. Each change is executed as a
// command of the document's history, so it can be undone. The selection (the window's
// selected and current items and drop marks) says which items an operation takes.
// Nothing here touches a window: views listen to the document's signals.
class CBankOperations
{
public:
    // The blocks Copy Effect copies, in the order of its dialog's list.
    enum class EffectCopy : int { All = 0, Efx, Chorus, Reverb };
    static constexpr int kEffectCopyCount = 4;
    static QStringList effectCopyTexts(); // "ALL", "EFX", "CHORUS", "REVERB"
    // The patch common data bytes of a block, first and last; a performance holds the
    // same block one byte later.
    static std::pair<int, int> effectRange(EffectCopy type);

    // Copy to Patch takes exactly four keys of a rhythm set.
    static constexpr int kCopyToPatchKeys = 4;
    static constexpr const char* kCopyToPatchName = "RhythmExtrct";

    CBankOperations(CToneloomDoc& document, CItemSelection& selection);

    // One Init per selected item of kind, in index order. Returns the number done.
    int Init(ItemKind kind);
    // Pastes images over the current item of kind and those after it; images that
    // would land beyond the last item are skipped. Returns the number pasted.
    //
    // Whatever comes in from outside the bank (here, and in the drops below) goes
    // through the record check of its kind first (CRecordArray::checkImage): damaged
    // records are repaired, and what is no record of the kind is left out, its cell
    // unchanged. Either is told to the document's reporter once per operation.
    int Paste(ItemKind kind, const std::vector<QByteArray>& images);

    // The new order when the selected items are dropped at position first: order[p]
    // is the old index of the item that ends up at p, and the selected items form the
    // block first .. first + n - 1. A first too late for the block is moved back.
    static std::vector<int> moveOrder(const std::vector<bool>& selected, int first);
    // Where a drag of count items over item hit drops: the first item and the number
    // of items marked; the run is pushed back from the end of the kind. hit -1: none.
    static std::pair<int, int> dropRun(int hit, int count, int itemCount);

    // The drop of a drag within this bank: the selected items move to the marked cells.
    // The drop marks of kind are cleared. Returns true when a move was executed.
    bool DropMove(ItemKind kind);
    // The drop of a drag from another bank showing the same kind: the items selected
    // there are pasted from the first marked cell on. Returns the number pasted.
    int DropFromBank(ItemKind kind, const CToneloomDoc& source, const CItemSelection& sourceSelection);
    // The drop of items of kind that a drag carried in (from another bank): pasted from
    // the first marked cell on; what is no record of the kind is left out. Returns the
    // number pasted.
    int DropItems(ItemKind kind, const std::vector<QByteArray>& images);
    // The drop of patches dragged from a library (only while patches are shown).
    int DropLibraryPatches(ItemKind kind, const std::vector<QByteArray>& images);
    void ClearDropMarks(ItemKind kind);

    // Copies the effect block of type from one patch or performance to another (the
    // same item is allowed) and executes it as one command.
    void CopyEffect(ItemKind sourceKind, int sourceIndex, ItemKind destKind, int destIndex, EffectCopy type);
    // The same on images; kinds must be patches or performances.
    static void copyEffect(const QByteArray& source, ItemKind sourceKind, QByteArray& dest, ItemKind destKind,
                           EffectCopy type);

    // Builds a four-tone patch from four keys (ascending, 0 .. 63) of the current rhythm
    // set and puts it over patch dest. Returns false for unusable keys.
    bool CopyToPatch(const std::array<int, kCopyToPatchKeys>& keys, int dest);
    // The patch built from rhythm (an image) over the default patch initPatch.
    static QByteArray rhythmToPatch(const QByteArray& initPatch, const QByteArray& rhythm,
                                    const std::array<int, kCopyToPatchKeys>& keys);

    // Randomises every patch of the bank (or those of only) as one command.
    void RandomPatches(const CRandomPatches::Flags& flags, const std::vector<int>& boards, const CExpansionNames* names,
                       CRandomSource& random, const std::vector<int>& only = {});

private:
    // What an operation took in: items offered, refused and repaired.
    struct Intake
    {
        int offered = 0;
        int refused = 0;
        int repaired = 0;
    };
    // Checks image and pastes it over dest; false when it was refused.
    bool paste(ItemKind kind, int dest, const QByteArray& image, Intake& intake);
    // One message for the items an operation refused or repaired, if any.
    void report(ItemKind kind, const Intake& intake) const;

    CToneloomDoc& m_document;
    CItemSelection& m_selection;
};
