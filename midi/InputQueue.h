#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// Input handed from a port's thread to the user-interface thread: the port's callback
// only appends under the lock; one queued call on the other side drains everything
// that arrived until it runs.
class CInputQueue
{
public:
    struct Item
    {
        std::uint64_t generation = 0;
        std::vector<std::uint8_t> bytes;
        std::int64_t at = 0; // steady clock, nanoseconds
    };

    // Any thread. True when the caller must post a drain: none is pending yet.
    bool push(Item item);
    // The draining thread. False when empty, which also ends the pending drain.
    bool pop(Item& item);
    void clear();

private:
    std::mutex m_mutex;
    std::deque<Item> m_items;
    bool m_drainPosted = false;
};
