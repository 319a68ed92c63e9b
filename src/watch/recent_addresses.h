#pragma once

#include <QString>

#include <algorithm>
#include <deque>

namespace tidewick {

// Addresses seen within a time window, at most a number of them, the oldest dropped first.
class RecentAddresses {
public:
    RecentAddresses(long long windowMs, std::size_t capacity)
        : m_windowMs(windowMs)
        , m_capacity(capacity)
    {
    }

    void add(const QString &address, long long nowMs)
    {
        m_seen.push_back({address, nowMs});
        if (m_seen.size() > m_capacity)
            m_seen.pop_front();
    }

    bool contains(const QString &address, long long nowMs)
    {
        while (!m_seen.empty() && nowMs - m_seen.front().atMs >= m_windowMs)
            m_seen.pop_front();
        return std::any_of(m_seen.cbegin(), m_seen.cend(), [&](const Seen &seen) { return seen.address == address; });
    }

private:
    struct Seen {
        QString address;
        long long atMs;
    };

    long long m_windowMs;
    std::size_t m_capacity;
    std::deque<Seen> m_seen; // oldest first
};

} // namespace tidewick
