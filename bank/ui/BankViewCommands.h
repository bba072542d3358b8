#pragma once

#include "bank/RandomSource.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

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

    bool handles(int id) const;
    bool enabled(int id) const;
    void run(int id);
    // The menu text of Undo and Redo ("Undo: Init \"Piano\"\tCtrl+Z"); empty for others.
    QString menuText(int id) const;

private:
    void copy();
    void paste();
    void randomPatches();
    void copyToPatch();
    void copyEffect();
    void showUsedPatches();
    QStringList patchLines() const;

    CToneloomView& m_view;
    CServices& m_services;
    CRandomSource m_random;
};
