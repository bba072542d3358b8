#pragma once

#include "midi/MidiTraffic.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// A bounded queue of traffic records that any number of threads fill and one thread
// empties, without a lock: a producer claims a cell by one compare-and-swap on the
// write position and publishes it by the cell's sequence number, so the send thread
// never waits for the thread that reads. A full queue refuses the record and counts it
// as lost instead of growing or blocking.
class CTrafficQueue
{
public:
    // capacity is rounded up to a power of two.
    explicit CTrafficQueue(std::size_t capacity);
    CTrafficQueue(const CTrafficQueue&) = delete;
    CTrafficQueue& operator=(const CTrafficQueue&) = delete;

    // Any thread. False (and counted) when the queue is full.
    bool push(MidiTraffic&& record);
    // The reading thread only. False when the queue is empty.
    bool pop(MidiTraffic& record);

    std::size_t capacity() const { return m_mask + 1; }
    // Records refused since the last call.
    std::uint64_t takeLost() { return m_lost.exchange(0); }

private:
    struct Cell
    {
        std::atomic<std::size_t> sequence{0};
        MidiTraffic record;
    };

    std::unique_ptr<Cell[]> m_cells;
    std::size_t m_mask = 0;
    alignas(64) std::atomic<std::size_t> m_writePos{0};
    alignas(64) std::atomic<std::size_t> m_readPos{0};
    std::atomic<std::uint64_t> m_lost{0};
};
