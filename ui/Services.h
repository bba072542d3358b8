#pragma once

#include "model/BankImage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

class CAppSettings;
class CCopybox;
class CEnvelopeGraph;
class CExpansionNames;
class CMidi;
class CPrompter;
class CToneloomDoc;
class CValueKnob;
class QPrinter;
class QWidget;

namespace params {
enum class Editor : std::uint8_t;
}

// What windows and dialogs use of the program, handed to them when they are made:
// the settings, the MIDI engine, the prompter, the name store, the copybox, the
// printer, the program's file choosers and transfers. The program's services object
// provides it; tests can provide their own.
class CServices
{
public:
    virtual ~CServices() = default;

    virtual CAppSettings& settings() = 0;
    virtual CMidi& midi() = 0;
    virtual CPrompter& prompter() = 0;
    virtual CExpansionNames& names() = 0;
    // The one copybox of the program: bank and library windows copy into it and paste from it.
    virtual CCopybox& copybox() = 0;
    virtual QPrinter& printer() = 0;

    // A save-file chooser that starts in the program's current folder and remembers
    // the folder chosen; title says what is saved. Empty when cancelled.
    virtual QString chooseSaveFile(const QString& filter, const QString& defaultSuffix,
                                   const QString& title = QString()) = 0;
    // Sends what was chosen of a bank (one kind, or the whole bank) to user or card memory,
    // under the program's transfer status; where only is given, just the records it
    // marks. False when no send started.
    virtual bool sendBank(CToneloomDoc& document, BankPart which, bool cardMemory, const BankSlots* only = nullptr) = 0;
    // Sends bytes (records of user or card memory) under the program's transfer status,
    // backed up before and verified after as the settings ask. True when the program
    // took the send over (started it, or said why it could not); false when no backup
    // or verification is due and the caller sends the bytes itself as before.
    virtual bool sendChecked(const QByteArray& bytes)
    {
        (void)bytes;
        return false;
    }
    // The records of a kind (params::Editor: patches, performances, rhythm sets) in every
    // open bank, and for patches in every open library too, one line each ("BANK 1: NAME"),
    // and the image of a line (empty when there is none): what Morph may blend with.
    virtual QStringList openRecordLines(params::Editor kind)
    {
        (void)kind;
        return {};
    }
    virtual QByteArray openRecord(params::Editor kind, int line)
    {
        (void)kind;
        (void)line;
        return {};
    }
    // A bulk transfer is running: commands that would start another are disabled.
    virtual bool isTransferActive() const = 0;
    // An envelope graph for an editor page, a child of parent; null when the program
    // cannot make one (the page then shows its lists only).
    virtual CEnvelopeGraph* createEnvelopeGraph(QWidget* parent)
    {
        (void)parent;
        return nullptr;
    }
    // The rhythm editor's current key (0 .. 63), -1 when it closes: the right mouse
    // button plays it.
    virtual void setRhythmKey(int key) { (void)key; }
    // A caption box showing text, a child of parent; null when the program cannot make
    // one (a framed label stands in).
    virtual QWidget* createCaption(const QString& text, QWidget* parent)
    {
        (void)text;
        (void)parent;
        return nullptr;
    }
    // A knob for the performance mixer, a child of parent; null when the program cannot
    // make one (the mixer then uses dials).
    virtual CValueKnob* createKnob(QWidget* parent)
    {
        (void)parent;
        return nullptr;
    }
};
