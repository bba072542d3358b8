#include "ui/CommandRouter.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

CCommandRouter::CCommandRouter(QMainWindow& window, const CCommandTable& frameTable,
                               std::function<const CCommandTable*()> active)
    : QObject(&window), m_window(window), m_frameTable(frameTable), m_active(std::move(active))
{
    for (int id = cmd::kNone + 1; id < cmd::kCommandCount; ++id) {
        auto* a = new QAction(&m_window);
        a->setData(id);
        // Keys work whether or not the action is in a menu of the moment.
        m_window.addAction(a);
        connect(a, &QAction::triggered, this, [this, id] { run(id); });
        m_actions[static_cast<std::size_t>(id)] = a;
    }
}

QAction* CCommandRouter::action(int id) const
{
    if (id <= cmd::kNone || id >= cmd::kCommandCount)
        return nullptr;
    return m_actions[static_cast<std::size_t>(id)];
}

const CCommandTable* CCommandRouter::tableOf(int id) const
{
    if (const CCommandTable* active = m_active ? m_active() : nullptr; active && active->contains(id))
        return active;
    return m_frameTable.contains(id) ? &m_frameTable : nullptr;
}

void CCommandRouter::run(int id)
{
    if (const CCommandTable* table = tableOf(id))
        table->run(id);
    update();
}

void CCommandRouter::update()
{
    const CCommandTable* active = m_active ? m_active() : nullptr;
    const QString kind = active ? active->kind() : QString();
    if (!m_built || kind != m_menuKind) {
        m_menuKind = kind;
        m_built = true;
        rebuildMenus(active && !active->menus().empty() ? active->menus() : m_frameTable.menus());
    }
    for (int id = cmd::kNone + 1; id < cmd::kCommandCount; ++id)
        updateAction(id, m_actions[static_cast<std::size_t>(id)]);
}

void CCommandRouter::updateAction(int id, QAction* a) const
{
    const CCommandTable* table = tableOf(id);
    const CCommand* command = table ? table->find(id) : nullptr;
    if (!command) {
        // Not a command of this window kind: no keys, nothing to run.
        a->setEnabled(false);
        if (!a->shortcuts().isEmpty())
            a->setShortcuts({});
        if (a->isCheckable())
            a->setChecked(false);
        return;
    }
    const QString text = table->text(id);
    if (a->text() != text)
        a->setText(text);
    if (a->shortcuts() != command->keys)
        a->setShortcuts(command->keys);
    if (a->statusTip() != command->tip)
        a->setStatusTip(command->tip);
    a->setCheckable(static_cast<bool>(command->checked));
    if (a->isCheckable())
        a->setChecked(table->isChecked(id));
    a->setEnabled(table->isEnabled(id));
    a->setVisible(table->isVisible(id));
}

void CCommandRouter::rebuildMenus(const std::vector<CMenuLayout>& menus)
{
    QMenuBar* bar = m_window.menuBar();
    bar->clear();
    for (QMenu* menu : m_menus)
        menu->deleteLater();
    m_menus.clear();
    const auto hook = [this](QMenu* menu) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] {
            update();
            emit menuAboutToShow(menu);
        });
    };
    for (const CMenuLayout& layout : menus) {
        auto* menu = new QMenu(layout.title, bar);
        m_menus.push_back(menu);
        hook(menu);
        for (const CMenuEntry& entry : layout.entries) {
            if (entry.id != cmd::kNone) {
                menu->addAction(action(entry.id));
            } else if (!entry.submenu.isEmpty()) {
                QMenu* sub = menu->addMenu(entry.submenu);
                hook(sub);
                for (cmd::Command id : entry.entries)
                    sub->addAction(action(id));
            } else {
                menu->addSeparator();
            }
        }
        bar->addMenu(menu);
    }
}
