#pragma once
// Generated MUD output for the benchmarks: rooms with a coloured title, a description of
// 40-120 characters per line and exits, some chatter, now and then a table with tabs, and a
// prompt; CR LF line ends throughout. Reproducible: mt19937's raw output is fixed by the
// standard, and no distribution (whose results vary between library versions) is used, so
// a seed gives the same bytes on every machine.

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace MudStream {

inline constexpr std::uint32_t kDefaultSeed = 20240607u;

namespace detail {

class CGenerator {
public:
    explicit CGenerator(std::uint32_t seed) : m_random(seed) {}

    // Whole blocks until there are at least size bytes.
    std::string Blocks(std::size_t size)
    {
        std::string out;
        out.reserve(size + 1024);
        while (out.size() < size)
            AppendBlock(out);
        return out;
    }

private:
    std::uint32_t Pick(std::uint32_t n) { return m_random() % n; }

    const char* Colour()
    {
        static const char* const colours[] = {"\x1b[0m",    "\x1b[1;31m", "\x1b[0;32m",
                                              "\x1b[1;33m", "\x1b[0;34m", "\x1b[1;35m",
                                              "\x1b[0;36m", "\x1b[1;37m"};
        return colours[Pick(8)];
    }

    void Words(std::string& out, std::size_t length)
    {
        static const char* const words[] = {
            "the",    "a",     "dusty",   "road",   "winds",     "north",   "through",  "old",
            "forest", "where", "shadows", "gather", "beneath",   "ancient", "oaks",     "and",
            "you",    "see",   "stone",   "wall",   "crumbling", "torch",   "flickers", "gate"};
        const std::size_t start = out.size();
        while (out.size() - start < length) {
            if (out.size() > start)
                out += ' ';
            out += words[Pick(24)];
        }
    }

    void AppendBlock(std::string& out)
    {
        out += Colour();
        out += "The Crossroads of ";
        Words(out, 8 + Pick(12));
        out += "\x1b[0m\r\n";
        const std::uint32_t lines = 2 + Pick(5);
        for (std::uint32_t i = 0; i < lines; ++i) {
            Words(out, 40 + Pick(81));
            out += "\r\n";
        }
        out += "\x1b[0;32m[Exits: north east south]\x1b[0m\r\n";
        const std::uint32_t chat = Pick(4);
        for (std::uint32_t i = 0; i < chat; ++i) {
            out += Colour();
            out += "Someone says, '";
            Words(out, 10 + Pick(50));
            out += "'\x1b[0m\r\n";
        }
        if (Pick(4) == 0)
            out += "Name:\tBrumble\tLevel:\t12\tGold:\t340\r\n";
        // A prompt with no line end; the next output starts on a fresh line.
        out += "\x1b[1;31m<" + std::to_string(Pick(500)) + "hp " + std::to_string(Pick(200)) +
               "m>\x1b[0m \r\n";
    }

    std::mt19937 m_random;
};

} // namespace detail

// Exactly size bytes; the last line may be cut anywhere.
inline std::string Make(std::size_t size, std::uint32_t seed = kDefaultSeed)
{
    std::string out = detail::CGenerator(seed).Blocks(size);
    out.resize(size);
    return out;
}

// Whole lines only: cut after the last line end that starts within size bytes, so that
// sending the result over and over keeps whole lines.
inline std::string MakeWholeLines(std::size_t size, std::uint32_t seed = kDefaultSeed)
{
    std::string out = detail::CGenerator(seed).Blocks(size);
    out.resize(out.rfind("\r\n", size) + 2);
    return out;
}

} // namespace MudStream
