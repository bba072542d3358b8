#include "midi/TrafficQueue.h"

#include <bit>

CTrafficQueue::CTrafficQueue(std::size_t capacity)
{
    const std::size_t size = std::bit_ceil(capacity < 2 ? std::size_t{2} : capacity);
    m_cells = std::make_unique<Cell[]>(size);
    m_mask = size - 1;
    for (std::size_t i = 0; i < size; ++i)
        m_cells[i].sequence.store(i, std::memory_order_relaxed);
}

bool CTrafficQueue::push(MidiTraffic&& record)
{
    std::size_t pos = m_writePos.load(std::memory_order_relaxed);
    Cell* cell = nullptr;
    for (;;) {
        cell = &m_cells[pos & m_mask];
        const std::size_t sequence = cell->sequence.load(std::memory_order_acquire);
        const auto diff = static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(pos);
        if (diff == 0) {
            // The cell is free for this position: claim it.
            if (m_writePos.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
                break;
        } else if (diff < 0) {
            // The reader has not yet taken the record a whole lap ago.
            m_lost.fetch_add(1, std::memory_order_relaxed);
            return false;
        } else {
            pos = m_writePos.load(std::memory_order_relaxed);
        }
    }
    cell->record = std::move(record);
    cell->sequence.store(pos + 1, std::memory_order_release);
    return true;
}

bool CTrafficQueue::pop(MidiTraffic& record)
{
    const std::size_t pos = m_readPos.load(std::memory_order_relaxed);
    Cell& cell = m_cells[pos & m_mask];
    const std::size_t sequence = cell.sequence.load(std::memory_order_acquire);
    if (static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(pos + 1) < 0)
        return false; // not yet published
    record = std::move(cell.record);
    cell.record = MidiTraffic{};
    m_readPos.store(pos + 1, std::memory_order_relaxed);
    cell.sequence.store(pos + m_mask + 1, std::memory_order_release);
    return true;
}
