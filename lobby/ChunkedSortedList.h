#pragma once
#include <QtGlobal>
#include <algorithm>
#include <vector>

// Entries kept in sorted order with fast row access, for a list of tens of
// thousands of users that changes one entry at a time. The entries live in
// chunks of at most 2 * ChunkSize, so an insert or removal moves at most one
// chunk's entries plus one offset per chunk, instead of the whole list.
//
// `T` is a small value that carries what `Less` needs to order it (so that a
// search does not chase pointers) and compares equal only to itself; the
// list never changes an entry's key, so a caller removes an entry before
// changing what its key depends on.
template <typename T, typename Less>
class ChunkedSortedList
{
public:
    static constexpr int ChunkSize = 256;

    explicit ChunkedSortedList(Less less)
        : m_less(less)
    {
    }

    int size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    const T &at(int row) const
    {
        const size_t c = chunkOfRow(row);
        return m_chunks[c][size_t(row - m_starts[c])];
    }

    // The row the entry would take (its lower bound).
    int lowerBound(const T &value) const
    {
        if (m_chunks.empty())
            return 0;
        // The first chunk whose last entry is not less than the value.
        size_t lo = 0, hi = m_chunks.size();
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (m_less(m_chunks[mid].back(), value))
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == m_chunks.size())
            return m_size;
        const auto &chunk = m_chunks[lo];
        const auto it = std::lower_bound(chunk.begin(), chunk.end(), value, m_less);
        return m_starts[lo] + int(it - chunk.begin());
    }

    // The row of an entry that is in the list, else -1.
    int find(const T &value) const
    {
        const int row = lowerBound(value);
        return row < m_size && at(row) == value ? row : -1;
    }

    // Inserts at its sorted place; returns its row.
    int insert(const T &value)
    {
        const int row = lowerBound(value);
        if (m_chunks.empty()) {
            m_chunks.emplace_back(1, value);
            m_starts.push_back(0);
            m_size = 1;
            return 0;
        }
        size_t c = row == m_size ? m_chunks.size() - 1 : chunkOfRow(row);
        auto &chunk = m_chunks[c];
        chunk.insert(chunk.begin() + (row - m_starts[c]), value);
        ++m_size;
        for (size_t i = c + 1; i < m_starts.size(); ++i)
            ++m_starts[i];
        if (chunk.size() > size_t(2 * ChunkSize))
            split(c);
        return row;
    }

    void removeAt(int row)
    {
        const size_t c = chunkOfRow(row);
        auto &chunk = m_chunks[c];
        chunk.erase(chunk.begin() + (row - m_starts[c]));
        --m_size;
        for (size_t i = c + 1; i < m_starts.size(); ++i)
            --m_starts[i];
        if (chunk.empty()) {
            m_chunks.erase(m_chunks.begin() + qsizetype(c));
            m_starts.erase(m_starts.begin() + qsizetype(c));
        }
    }

    void clear()
    {
        m_chunks.clear();
        m_starts.clear();
        m_size = 0;
    }

    // Replaces the contents with slots already in sorted order.
    void assignSorted(const std::vector<T> &sorted)
    {
        clear();
        for (size_t i = 0; i < sorted.size(); i += ChunkSize) {
            const size_t end = std::min(sorted.size(), i + ChunkSize);
            m_starts.push_back(int(i));
            m_chunks.emplace_back(sorted.begin() + qsizetype(i), sorted.begin() + qsizetype(end));
        }
        m_size = int(sorted.size());
    }

private:
    size_t chunkOfRow(int row) const
    {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), row);
        return size_t(it - m_starts.begin()) - 1;
    }

    void split(size_t c)
    {
        auto &chunk = m_chunks[c];
        std::vector<T> tail(chunk.begin() + ChunkSize, chunk.end());
        chunk.resize(ChunkSize);
        const int start = m_starts[c] + ChunkSize;
        m_chunks.insert(m_chunks.begin() + qsizetype(c) + 1, std::move(tail));
        m_starts.insert(m_starts.begin() + qsizetype(c) + 1, start);
    }

    Less m_less;
    std::vector<std::vector<T>> m_chunks;
    std::vector<int> m_starts;   // first row of each chunk
    int m_size = 0;
};
