#pragma once

#include <QObject>
#include <QString>

// A window kind that answers for its own commands. The main frame keeps its own
// commands (files, MIDI, windows, help) and asks the active window about every other
// one: whether it handles it, its state, and to run it. A window kind that comes along
// so adds its commands without a change to the main frame.
class CCommandTarget
{
public:
    struct State
    {
        bool enabled = false;
        bool checked = false;
        // A menu text of the moment (Undo and Redo name what they would do); empty
        // keeps the action's own text.
        QString text;
    };

    virtual ~CCommandTarget() = default;
    virtual bool handlesCommand(int id) const = 0;
    // The state of a command this target handles.
    virtual State commandState(int id) const = 0;
    // Runs a command this target handles, when it is enabled.
    virtual void runCommand(int id) = 0;

    // The command target shown in widget (a frame's content), or none.
    static CCommandTarget* of(QObject* widget) { return dynamic_cast<CCommandTarget*>(widget); }
};
