#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// What both log generators share: the random numbers and the writing of lines.
namespace tillery::bench {

// A small, fast, deterministic generator (splitmix64).
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A number from 0 to bound - 1.
    unsigned below(unsigned bound) { return static_cast<unsigned>(next() % bound); }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& items)
    {
        return items[below(static_cast<unsigned>(N))];
    }
    std::string hex(int digits)
    {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string text;
        for (int i = 0; i < digits; ++i) {
            text.push_back(kDigits[below(16)]);
        }
        return text;
    }

private:
    std::uint64_t m_state;
};

// Writes lines ending in CR LF, as Windows writes them, and counts lines and bytes.
class LineOutput {
public:
    explicit LineOutput(std::FILE* file) : m_file(file) {}
    std::uint64_t lines() const { return m_lines; }
    std::uint64_t bytes() const { return m_bytes; }

protected:
    void line(std::string_view text)
    {
        std::fwrite(text.data(), 1, text.size(), m_file);
        std::fwrite("\r\n", 1, 2, m_file);
        ++m_lines;
        m_bytes += text.size() + 2;
    }

private:
    std::FILE* m_file;
    std::uint64_t m_lines = 0;
    std::uint64_t m_bytes = 0;
};

}  // namespace tillery::bench
