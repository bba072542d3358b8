#pragma once

#include "ui/CommandTable.h"

#include <QObject>
#include <QString>

// A window kind that carries out its own commands: it declares them once in its
// command table (with the menus the window kind brings), and the main frame builds
// the menu bar of the active window from that table and asks it for the states and
// to run. The main frame keeps only its own commands (files, MIDI, windows, help).
class CCommandTarget
{
public:
    struct State
    {
        bool enabled = false;
        bool checked = false;
        QString text; // what the menu entry says now
    };

    virtual ~CCommandTarget() = default;
    virtual const CCommandTable& commandTable() const = 0;

    bool handlesCommand(int id) const { return commandTable().contains(id); }
    State commandState(int id) const
    {
        const CCommandTable& table = commandTable();
        return {table.isEnabled(id), table.isChecked(id), table.text(id)};
    }
    // Runs a command of this window when it is enabled.
    void runCommand(int id) { commandTable().run(id); }

    // The command target shown in widget (a frame's content), or none.
    static CCommandTarget* of(QObject* widget) { return dynamic_cast<CCommandTarget*>(widget); }
};
