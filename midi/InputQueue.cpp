#include "midi/InputQueue.h"

bool CInputQueue::push(Item item)
{
    std::lock_guard lock(m_mutex);
    m_items.push_back(std::move(item));
    if (m_drainPosted)
        return false;
    m_drainPosted = true;
    return true;
}

bool CInputQueue::pop(Item& item)
{
    std::lock_guard lock(m_mutex);
    if (m_items.empty()) {
        m_drainPosted = false;
        return false;
    }
    item = std::move(m_items.front());
    m_items.pop_front();
    return true;
}

void CInputQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_items.clear();
}
