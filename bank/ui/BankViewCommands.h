#pragma once

#include "bank/RandomSource.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class CCommandTable;
class CRecordArray;
class CServices;
class CToneloomView;

// The bank operations of a bank window: the copybox's Copy and Paste, Init, Undo and
// Redo, Random Patches, Copy to Patch, Copy Effect, Show used Patches and the drops
// that end a drag. It opens the dialogs, runs the operations on the window's document
// and keeps the window drawn and auditioning as the document reports its changes.
class CBankViewCommands : public QObject
{
    Q_OBJECT

public:
    CBankViewCommands(CToneloomView& view, CServices& services);

    // Adds the bank operations to the window's command table.
    void declareCommands(CCommandTable& table);
    // The first item after index after (from the start for -1, round to it again)
    // whose name contains text, in any case; -1 when none does.
    static int findName(const CRecordArray& records, const QString& text, int after);

private:
    // A command of this window: run, then tell the frame that states may have changed.
    std::function<void()> then(std::function<void()> run);
    void find();
    void copy();
    void paste();
    void randomPatches();
    void mutate();
    void copyToPatch();
    void copyEffect();
    void showUsedPatches();
    QStringList patchLines() const;

    CToneloomView& m_view;
    CServices& m_services;
    CRandomSource m_random;
    QString m_lastFind;
};
