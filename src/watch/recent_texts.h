#pragma once

#include <QHash>
#include <QString>

#include <utility>

namespace tidewick {

// What was worked out for the texts seen lately, since a board page repeats most of its titles
// from one load to the next. Bounded: when the newer half fills up, the older half is dropped.
// Texts longer than a title are worked out every time, so hostile pages cannot fill memory.
template <typename Value> class RecentTexts {
public:
    static constexpr qsizetype kHalfCapacity = 8192;
    static constexpr qsizetype kLongestKept = 1024;

    template <typename Compute> Value get(const QString &text, Compute compute)
    {
        if (text.size() > kLongestKept)
            return compute(text);
        if (const auto found = m_newer.constFind(text); found != m_newer.cend())
            return *found;
        const auto older = m_older.constFind(text);
        const Value value = older != m_older.cend() ? *older : compute(text);
        if (m_newer.size() >= kHalfCapacity)
            m_older = std::exchange(m_newer, {});
        m_newer.insert(text, value);
        return value;
    }

private:
    QHash<QString, Value> m_newer;
    QHash<QString, Value> m_older;
};

} // namespace tidewick
