#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <string>

#include "display/LineStore.h"

namespace {

// The store against a plain list of strings, under the writes the filter makes: new lines,
// text written at a column of the last line (padding, overwriting, growing it past the end
// of its block, now and then beyond a whole block) and lines dropped from the front.
TEST(LineStoreTest, KeepsWhatAListOfStringsWouldKeep)
{
    std::mt19937 random(7);
    CLineStore store;
    std::deque<std::string> expected;
    std::uint64_t dropped = 0;
    for (int step = 0; step < 20000; ++step) {
        const std::uint32_t pick = random() % 100;
        if (pick < 30 || expected.empty()) {
            store.AppendLine();
            expected.emplace_back();
        } else if (pick < 90) {
            const std::size_t column = random() % (expected.back().size() + 50);
            const std::size_t length = random() % 8 == 0 ? random() % 70000 : random() % 300;
            const std::string text(length, static_cast<char>('a' + step % 26));
            store.WriteLast(column, text);
            std::string& line = expected.back();
            if (line.size() < column)
                line.resize(column, ' ');
            line.replace(column, std::min(text.size(), line.size() - column), text);
        } else if (pick < 92) {
            store.ReplaceLast("short");
            expected.back() = "short";
        } else {
            const std::size_t count = random() % (expected.size() + 2);
            store.DropFront(count);
            const std::size_t gone = std::min(count, expected.size());
            expected.erase(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(gone));
            dropped += gone;
        }
        ASSERT_EQ(store.size(), expected.size()) << "step " << step;
        ASSERT_EQ(store.FrontNumber(), dropped);
        if (!expected.empty()) {
            ASSERT_EQ(store.back(), expected.back()) << "step " << step;
        }
        if (step % 100 == 0) {
            ASSERT_TRUE(std::equal(store.begin(), store.end(), expected.begin(), expected.end()))
                << "step " << step;
        }
    }
}

} // namespace
