#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace db {

// A sequence with a movable gap: a run of inserts or removals at one place (an import in
// insert mode puts every row before the current one) costs O(1) each instead of moving the
// whole tail; reading by index stays O(1).
template <typename T>
class GapVector
{
public:
    std::size_t size() const { return m_items.size() - gapSize(); }
    bool empty() const { return size() == 0; }

    const T& operator[](std::size_t i) const { return m_items[slot(i)]; }
    T& operator[](std::size_t i) { return m_items[slot(i)]; }

    void clear()
    {
        std::vector<T>().swap(m_items);
        m_gapBegin = m_gapEnd = 0;
    }

    void insert(std::size_t at, const T& value)
    {
        if (m_gapBegin == m_gapEnd)
            grow(at);
        else
            moveGap(at);
        m_items[m_gapBegin++] = value;
    }

    void push_back(const T& value) { insert(size(), value); }

    void erase(std::size_t at)
    {
        moveGap(at);
        ++m_gapEnd;
    }

    template <typename F>
    void forEach(F f)
    {
        for (std::size_t i = 0; i < m_gapBegin; ++i)
            f(m_items[i]);
        for (std::size_t i = m_gapEnd; i < m_items.size(); ++i)
            f(m_items[i]);
    }

private:
    std::size_t gapSize() const { return m_gapEnd - m_gapBegin; }
    std::size_t slot(std::size_t i) const { return i < m_gapBegin ? i : i + gapSize(); }

    void moveGap(std::size_t at)
    {
        if (at < m_gapBegin) {
            std::move_backward(m_items.begin() + std::ptrdiff_t(at),
                               m_items.begin() + std::ptrdiff_t(m_gapBegin),
                               m_items.begin() + std::ptrdiff_t(m_gapEnd));
            m_gapEnd -= m_gapBegin - at;
            m_gapBegin = at;
        } else if (at > m_gapBegin) {
            const std::size_t n = at - m_gapBegin;
            std::move(m_items.begin() + std::ptrdiff_t(m_gapEnd),
                      m_items.begin() + std::ptrdiff_t(m_gapEnd + n),
                      m_items.begin() + std::ptrdiff_t(m_gapBegin));
            m_gapBegin += n;
            m_gapEnd += n;
        }
    }

    // Doubles the room, leaving the new gap at the place of the next insert.
    void grow(std::size_t at)
    {
        const std::size_t n = size();
        const std::size_t gap = std::max<std::size_t>(16, n);
        std::vector<T> items(n + gap);
        std::move(m_items.begin(), m_items.begin() + std::ptrdiff_t(at), items.begin());
        std::move(m_items.begin() + std::ptrdiff_t(at), m_items.end(),
                  items.begin() + std::ptrdiff_t(at + gap));
        m_items.swap(items);
        m_gapBegin = at;
        m_gapEnd = at + gap;
    }

    std::vector<T> m_items;
    std::size_t m_gapBegin = 0;
    std::size_t m_gapEnd = 0;
};

} // namespace db
