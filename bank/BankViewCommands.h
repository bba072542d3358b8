#pragma once

#include "bank/RandomSource.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

class CMainFrame;
class CToneloomView;

// The bank operations of a bank window: the copybox's Copy and Paste, Init, Undo and
// Redo, Random Patches, Copy to Patch, Copy Effect, Show used Patches and the drops
// that end a drag. It opens the dialogs, runs the operations on the window's document
// and keeps the window drawn and auditioning as the document reports its changes.
class CBankViewCommands : public QObject
{
    Q_OBJECT

public:
    CBankViewCommands(CToneloomView& view, CMainFrame& frame);

    bool handles(int id) const;
    bool enabled(int id) const;
    void run(int id);
    // The menu text of Undo and Redo ("Undo: Init \"Piano\"\tCtrl+Z"); empty for others.
    QString menuText(int id) const;

    // The drop at the release that ends a drag over this window: source is the bank
    // window the drag started in (this one or another).
    void drop(CToneloomView* source);
    // The drop of patches dragged from a library window.
    void dropLibraryPatches(const std::vector<QByteArray>& images);

private:
    void copy();
    void paste();
    void randomPatches();
    void copyToPatch();
    void copyEffect();
    void showUsedPatches();
    QStringList patchLines() const;

    CToneloomView& m_view;
    CMainFrame& m_frame;
    CRandomSource m_random;
};
