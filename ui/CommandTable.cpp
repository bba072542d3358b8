#include "ui/CommandTable.h"

#include <cassert>

CCommandTable& CCommandTable::add(CCommand command)
{
    const int id = command.id;
    assert(id > cmd::kNone && id < cmd::kCommandCount && !contains(id));
    if (m_index.size() <= static_cast<std::size_t>(id))
        m_index.resize(static_cast<std::size_t>(id) + 1, 0);
    m_commands.push_back(std::move(command));
    m_index[static_cast<std::size_t>(id)] = static_cast<int>(m_commands.size());
    return *this;
}

const CCommand* CCommandTable::find(int id) const
{
    if (id <= 0 || static_cast<std::size_t>(id) >= m_index.size())
        return nullptr;
    const int at = m_index[static_cast<std::size_t>(id)];
    return at > 0 ? &m_commands[static_cast<std::size_t>(at - 1)] : nullptr;
}

bool CCommandTable::isEnabled(int id) const
{
    const CCommand* c = find(id);
    return c && (!c->enabled || c->enabled());
}

bool CCommandTable::isChecked(int id) const
{
    const CCommand* c = find(id);
    return c && c->checked && c->checked();
}

bool CCommandTable::isCheckable(int id) const
{
    const CCommand* c = find(id);
    return c && c->checked;
}

bool CCommandTable::isVisible(int id) const
{
    const CCommand* c = find(id);
    return c && (!c->visible || c->visible());
}

QString CCommandTable::text(int id) const
{
    const CCommand* c = find(id);
    if (!c)
        return {};
    return c->label ? c->label() : c->text;
}

bool CCommandTable::run(int id) const
{
    const CCommand* c = find(id);
    if (!c || !c->run || !isEnabled(id))
        return false;
    c->run();
    return true;
}

std::vector<cmd::Command> CCommandTable::menuCommands() const
{
    std::vector<cmd::Command> ids;
    for (const CMenuLayout& menu : m_menus)
        for (const CMenuEntry& entry : menu.entries) {
            if (entry.id != cmd::kNone)
                ids.push_back(entry.id);
            ids.insert(ids.end(), entry.entries.begin(), entry.entries.end());
        }
    return ids;
}

QChar menuMnemonic(const QString& text)
{
    const QString shown = text.section(QLatin1Char('\t'), 0, 0);
    for (qsizetype i = 0; i + 1 < shown.size(); ++i) {
        if (shown[i] != QLatin1Char('&'))
            continue;
        if (shown[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return shown[i + 1].toUpper();
    }
    return {};
}
