#pragma once
// The session's received lines, oldest first, each stored once. The bytes of consecutive lines
// sit one after another in large blocks, so a kept line costs its text and a small entry
// rather than a string object and an allocation of its own; the display rows refer to a line
// by its number and offsets instead of copying its text.
//
// Only the last line changes (the filter writes at its cursor, which never goes back up): it
// grows in place at the end of the newest block and moves to a fresh block when that is full.
// Dropping lines from the front frees the blocks they leave empty.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

class CLineStore final {
public:
    CLineStore() = default;
    CLineStore(const CLineStore&) = delete;
    CLineStore& operator=(const CLineStore&) = delete;

    std::size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }
    std::string_view operator[](std::size_t index) const
    {
        const Entry& entry = m_lines[index];
        return {entry.data, entry.size};
    }
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }

    // The number of line 0: how many lines have been dropped from the front since the store
    // was made. A line keeps its number (FrontNumber() + index) for as long as it is kept.
    std::uint64_t FrontNumber() const { return m_frontNumber; }

    // A new, empty last line.
    void AppendLine();
    // Appends a whole line.
    void Append(std::string_view line);
    // Writes text into the last line at column (padding with spaces up to it when the line is
    // shorter), overwriting what is there and appending the rest.
    void WriteLast(std::size_t column, std::string_view text);
    // Replaces the text of the last line.
    void ReplaceLast(std::string_view text);
    // Removes count lines from the front (all of them when count is larger).
    void DropFront(std::size_t count);
    void clear() { DropFront(size()); }

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const CLineStore* store, std::size_t index) : m_store(store), m_index(index)
        {
        }
        std::string_view operator*() const { return (*m_store)[m_index]; }
        std::string_view operator[](difference_type n) const
        {
            return (*m_store)[m_index + static_cast<std::size_t>(n)];
        }
        const_iterator& operator++() { return ++m_index, *this; }
        const_iterator operator++(int) { return {m_store, m_index++}; }
        const_iterator& operator--() { return --m_index, *this; }
        const_iterator operator--(int) { return {m_store, m_index--}; }
        const_iterator& operator+=(difference_type n)
        {
            m_index += static_cast<std::size_t>(n);
            return *this;
        }
        const_iterator& operator-=(difference_type n) { return *this += -n; }
        const_iterator operator+(difference_type n) const { return const_iterator(*this) += n; }
        friend const_iterator operator+(difference_type n, const const_iterator& it)
        {
            return it + n;
        }
        const_iterator operator-(difference_type n) const { return const_iterator(*this) -= n; }
        difference_type operator-(const const_iterator& other) const
        {
            return static_cast<difference_type>(m_index) -
                   static_cast<difference_type>(other.m_index);
        }
        bool operator==(const const_iterator& other) const { return m_index == other.m_index; }
        auto operator<=>(const const_iterator& other) const { return m_index <=> other.m_index; }

    private:
        const CLineStore* m_store = nullptr;
        std::size_t m_index = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Entry {
        char* data;
        std::uint32_t size;
    };
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
        std::size_t lines = 0; // how many entries point into it
    };
    // Makes room for the last line to reach length bytes, moving it to a new block if need be.
    void ReserveLast(std::size_t length);
    Block& NewBlock(std::size_t capacity);
    void FreeBlock(Block& block);

    std::deque<Entry> m_lines;
    std::deque<Block> m_blocks;
    // Freed blocks of the usual size, kept for new lines: a flood trimmed to the line buffer
    // then writes into memory it already has instead of handing it back and faulting it in
    // again (long padded lines free and take several blocks a read).
    std::vector<std::unique_ptr<char[]>> m_spare;
    std::uint64_t m_frontNumber = 0;
};
