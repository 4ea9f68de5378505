#include "display/LineStore.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Room for at least two of the longest lines the filter makes, so that a line moved to a
// fresh block always fits and never moves twice in a row.
constexpr std::size_t kBlockSize = 64 * 1024;
// At most this many freed blocks are kept (8 MB).
constexpr std::size_t kMaxSpareBlocks = 128;

} // namespace

CLineStore::Block& CLineStore::NewBlock(std::size_t capacity)
{
    Block& block = m_blocks.emplace_back();
    if (capacity <= kBlockSize && !m_spare.empty()) {
        block.data = std::move(m_spare.back());
        block.capacity = kBlockSize;
        m_spare.pop_back();
    } else {
        block.capacity = std::max(capacity, kBlockSize);
        block.data = std::make_unique_for_overwrite<char[]>(block.capacity);
    }
    block.used = 0;
    block.lines = 0;
    return block;
}

void CLineStore::FreeBlock(Block& block)
{
    if (block.capacity == kBlockSize && m_spare.size() < kMaxSpareBlocks)
        m_spare.push_back(std::move(block.data));
}

void CLineStore::AppendLine()
{
    if (m_blocks.empty())
        NewBlock(kBlockSize);
    Block& block = m_blocks.back();
    m_lines.push_back({block.data.get() + block.used, 0});
    ++block.lines;
}

void CLineStore::Append(std::string_view line)
{
    AppendLine();
    WriteLast(0, line);
}

void CLineStore::ReserveLast(std::size_t length)
{
    Entry& entry = m_lines.back();
    Block* block = &m_blocks.back();
    const auto start = static_cast<std::size_t>(entry.data - block->data.get());
    if (start + length <= block->capacity)
        return;
    // The line alone in its block (it was moved there, or is the first) takes the block
    // along; otherwise its bytes are left behind with the lines before it.
    const bool alone = block->lines == 1;
    Block& fresh = NewBlock(length);
    block = &m_blocks[m_blocks.size() - 2];
    std::memcpy(fresh.data.get(), entry.data, entry.size);
    entry.data = fresh.data.get();
    fresh.used = entry.size;
    fresh.lines = 1;
    block->used -= entry.size;
    --block->lines;
    if (alone) {
        FreeBlock(*block);
        m_blocks.erase(m_blocks.end() - 2);
    }
}

void CLineStore::WriteLast(std::size_t column, std::string_view text)
{
    if (m_lines.empty())
        AppendLine();
    const std::size_t old = m_lines.back().size;
    const std::size_t length = std::max(old, column + text.size());
    ReserveLast(length);
    Entry& entry = m_lines.back();
    if (old < column)
        std::memset(entry.data + old, ' ', column - old);
    if (!text.empty())
        std::memcpy(entry.data + column, text.data(), text.size());
    m_blocks.back().used += length - old;
    entry.size = static_cast<std::uint32_t>(length);
}

void CLineStore::ReplaceLast(std::string_view text)
{
    if (!m_lines.empty()) {
        m_blocks.back().used -= m_lines.back().size;
        m_lines.back().size = 0;
    }
    WriteLast(0, text);
}

void CLineStore::DropFront(std::size_t count)
{
    count = std::min(count, m_lines.size());
    m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(count));
    m_frontNumber += count;
    // The dropped lines are the first ones of the oldest blocks, in order.
    while (count > 0 && !m_blocks.empty()) {
        Block& block = m_blocks.front();
        const std::size_t taken = std::min(count, block.lines);
        block.lines -= taken;
        count -= taken;
        if (block.lines > 0 || m_blocks.size() == 1)
            break;
        FreeBlock(block);
        m_blocks.pop_front();
    }
    if (m_lines.empty() && !m_blocks.empty())
        m_blocks.back().used = 0; // nothing refers to any byte of it
}
