#pragma once

#include "ui/CommandIds.h"

#include <QKeySequence>
#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>
#include <vector>

// One command of a window kind: what its menu entry says, its keys, and what it
// does. Everything but the id and the text may be left out:
//
//     table.add({.id = cmd::kEditCopy,
//                .text = "&Copy",
//                .keys = {QKeySequence(Qt::CTRL | Qt::Key_C)},
//                .tip = "Copy the selection into the copybox",
//                .run = [this] { copy(); },
//                .enabled = [this] { return hasSelection(); }});
struct CCommand
{
    cmd::Command id = cmd::kNone;
    QString text; // the menu text with its mnemonic ("&Copy")
    QList<QKeySequence> keys = {};
    QString tip = {}; // the status bar's text while the pointer is on it
    std::function<void()> run = {};
    std::function<bool()> enabled = {};  // none: always enabled
    std::function<bool()> checked = {};  // none: the entry carries no check mark
    std::function<QString()> label = {}; // none: text; else the text of the moment
    std::function<bool()> visible = {};  // none: always shown
};

// An entry of a menu: a command, a separator, or a submenu of commands.
struct CMenuEntry
{
    cmd::Command id = cmd::kNone; // kNone: a separator, or the submenu below
    QString submenu = {};         // the submenu's title ("&Sort by")
    std::vector<cmd::Command> entries = {};

    static CMenuEntry separator() { return {}; }
};

// A menu of the menu bar: its title and entries in order.
struct CMenuLayout
{
    QString title;
    std::vector<CMenuEntry> entries;
};

// The commands of one window kind (or of the main frame), and the menus that the
// window kind brings. The table answers for the states of its commands and runs
// them; the main frame builds the menu bar and the toolbar's states from it.
class CCommandTable
{
public:
    explicit CCommandTable(QString kind = {}) : m_kind(std::move(kind)) {}

    // The window kind whose table this is ("bank", "library"); windows of one kind
    // share their menus.
    const QString& kind() const { return m_kind; }

    // Adds a command (one row; a command is added once).
    CCommandTable& add(CCommand command);
    const CCommand* find(int id) const;
    bool contains(int id) const { return find(id) != nullptr; }
    const std::vector<CCommand>& commands() const { return m_commands; }

    bool isEnabled(int id) const;
    bool isChecked(int id) const;
    bool isCheckable(int id) const;
    bool isVisible(int id) const;
    // The text its menu entry shows now.
    QString text(int id) const;
    // Runs the command when this table has it and it is enabled; false otherwise.
    bool run(int id) const;

    void setMenus(std::vector<CMenuLayout> menus) { m_menus = std::move(menus); }
    const std::vector<CMenuLayout>& menus() const { return m_menus; }
    // Every command the menus name, in menu order (submenus included).
    std::vector<cmd::Command> menuCommands() const;

private:
    QString m_kind;
    std::vector<CCommand> m_commands;
    std::vector<int> m_index; // position in m_commands + 1 by id; 0 for none
    std::vector<CMenuLayout> m_menus;
};

// Where a menu text's mnemonic is: the character after a single '&' ("&&" is an
// ampersand), in upper case; a null character for a text without one.
QChar menuMnemonic(const QString& text);
