#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tillery {

// Text positions count from 1, as the log's field rules are written. 64-bit, so a line
// of any length is handled.
using Pos = std::int64_t;

// Position of the first occurrence of `needle` that starts at `start` or later; 0 when
// there is none. A start below 1 searches from 1.
Pos findFrom(std::string_view text, Pos start, std::string_view needle);

// Which bytes a text holds, each byte standing for all bytes with its low six bits (so
// "a" and "!" share a bit). A text whose bits lack one of a phrase's bits cannot hold the
// phrase: a line is so searched only for the phrases that may be in it.
using ByteBits = std::uint64_t;
constexpr ByteBits byteBit(char c)
{
    return ByteBits{1} << (static_cast<unsigned char>(c) & 63U);
}
constexpr ByteBits byteBitsOf(std::string_view text)
{
    ByteBits bits = 0;
    for (const char c : text) {
        bits |= byteBit(c);
    }
    return bits;
}

// A fixed phrase that the field rules look for in every line. It is found by looking for
// its least common byte (memchr) and comparing the rest around each hit, so a line is
// not stopped at every occurrence of a common first letter ("e" of "evice \"", "i" of
// "install of "). Finds exactly what findFrom finds.
class Phrase {
public:
    constexpr explicit Phrase(std::string_view text)
        : m_text(text), m_anchor(anchorOf(text)), m_bits(byteBitsOf(text))
    {
    }

    // As findFrom(text, start, phrase).
    Pos findFrom(std::string_view text, Pos start) const;
    // The same, for a text whose byteBitsOf() is `textBits`: 0 at once when the text lacks
    // one of the phrase's bytes.
    Pos findFrom(std::string_view text, Pos start, ByteBits textBits) const
    {
        return (m_bits & ~textBits) != 0 ? 0 : findFrom(text, start);
    }
    std::string_view text() const { return m_text; }
    Pos length() const { return static_cast<Pos>(m_text.size()); }

private:
    // How common a byte is in log text: lower-case letters and blanks most, then capitals,
    // each in their order of frequency in English (hardware identifiers are written in
    // capitals: the "E" of "SIGNATURE" is in every "VEN_" and "DEV_", its "G" seldom);
    // digits and signs least. Among the least common the last is taken: a phrase's first
    // capital or sign often begins words and identifiers.
    static constexpr int commonness(char c)
    {
        constexpr std::string_view kByFrequency = " etaoinshrdlcumwfgypbvkjxqz";
        constexpr std::string_view kCapitalsByFrequency = "ETAOINSHRDLCUMWFGYPBVKJXQZ";
        if (const auto at = kByFrequency.find(c); at != std::string_view::npos) {
            return static_cast<int>(kCapitalsByFrequency.size() + kByFrequency.size() - at);
        }
        if (const auto at = kCapitalsByFrequency.find(c); at != std::string_view::npos) {
            return static_cast<int>(kCapitalsByFrequency.size() - at);
        }
        return 0;
    }
    static constexpr std::size_t anchorOf(std::string_view text)
    {
        std::size_t best = 0;
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (commonness(text[i]) <= commonness(text[best])) {  // ties: the later byte
                best = i;
            }
        }
        return best;
    }

    std::string_view m_text;
    std::size_t m_anchor;  // offset of the byte looked for
    ByteBits m_bits;       // byteBitsOf(m_text)
};

// The piece of `length` characters from position `start`: fewer when the text ends first;
// empty when `start` lies beyond the end, is below 1, or `length` is 0 or negative.
std::string_view piece(std::string_view text, Pos start, Pos length);

// Everything from position `start` to the end (empty when `start` lies beyond it or is
// below 1).
std::string_view pieceToEnd(std::string_view text, Pos start);

// `target` := the decimal digits of `value` (a leading "-" when negative).
void assignNumber(std::string& target, std::int64_t value);

// Length of a text as a position value.
inline Pos textLength(std::string_view text) { return static_cast<Pos>(text.size()); }

}  // namespace tillery
