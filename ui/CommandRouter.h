#pragma once

#include "ui/CommandTable.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

// Carries the commands of the main frame and of the active window to the menu bar,
// the toolbar and the keys. There is one action per command; the active window's
// table answers for the commands it declares, the frame's table for the rest, and a
// command that neither has is disabled. The menu bar is the active window kind's own
// (the frame's menus while no window is open), rebuilt when the kind changes.
class CCommandRouter : public QObject
{
    Q_OBJECT

public:
    // frameTable: the main frame's own commands and its menus without a window;
    // active: the table of the active window, or null.
    CCommandRouter(QMainWindow& window, const CCommandTable& frameTable, std::function<const CCommandTable*()> active);

    // The action of a command (every command has one, from the start).
    QAction* action(int id) const;
    // The table that answers for id now: the active window's, the frame's, or null.
    const CCommandTable* tableOf(int id) const;
    // Runs a command through the table that answers for it, then updates the states.
    void run(int id);
    // Brings the menus of the active window kind and the states, texts and keys of
    // every action up to date.
    void update();
    // The kind whose menus the menu bar shows ("" for the frame's own).
    QString menuKind() const { return m_menuKind; }

signals:
    // A menu of the menu bar is about to show (the frame adds the list of windows).
    void menuAboutToShow(QMenu* menu);

private:
    void rebuildMenus(const std::vector<CMenuLayout>& menus);
    void updateAction(int id, QAction* action) const;

    QMainWindow& m_window;
    const CCommandTable& m_frameTable;
    std::function<const CCommandTable*()> m_active;
    std::array<QAction*, cmd::kCommandCount> m_actions{};
    std::vector<QMenu*> m_menus;
    QString m_menuKind;
    bool m_built = false;
};
