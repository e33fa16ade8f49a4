#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tillery {

// Text positions count from 1, as the log's field rules are written. 64-bit, so a line
// of any length is handled.
using Pos = std::int64_t;

// Position of the first occurrence of `needle` that starts at `start` or later; 0 when
// there is none. A start below 1 searches from 1. This and the cuts below are inline:
// every line is cut and searched with them.
inline Pos findFrom(std::string_view text, Pos start, std::string_view needle)
{
    if (start < 1) {
        start = 1;
    }
    if (start - 1 > static_cast<Pos>(text.size())) {
        return 0;
    }
    // Most searches are for one character (a quote, a brace, a blank): looking for the
    // character alone spares the comparison of each hit that a phrase search makes.
    const auto from = static_cast<std::size_t>(start - 1);
    const auto found = needle.size() == 1 ? text.find(needle.front(), from) : text.find(needle, from);
    return found == std::string_view::npos ? 0 : static_cast<Pos>(found) + 1;
}

// Which bytes a text holds, as a set of 64 byte classes: every letter and each sign the
// field rules look for (blank, quote, brackets, colon, semicolon) is a class of its own;
// the digits share one class and all other bytes another. A text whose classes lack one
// of a phrase's cannot hold the phrase: a line is so searched only for the phrases that
// may be in it.
using ByteBits = std::uint64_t;

namespace detail {

inline constexpr std::string_view kSignClasses = " \"():;{}[]";

constexpr ByteBits byteClassBit(unsigned char c)
{
    int index = 63;  // all other bytes
    if (c >= 'A' && c <= 'Z') {
        index = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
        index = 26 + (c - 'a');
    } else if (c >= '0' && c <= '9') {
        index = 52;
    } else if (const auto at = kSignClasses.find(static_cast<char>(c));
               at != std::string_view::npos) {
        index = 53 + static_cast<int>(at);
    }
    return ByteBits{1} << index;
}

// The class bit of every byte value, so a line's classes take one look-up per byte.
struct ByteClassTable {
    ByteBits bits[256];
};
constexpr ByteClassTable makeByteClassTable()
{
    ByteClassTable table{};
    for (unsigned c = 0; c < 256; ++c) {
        table.bits[c] = byteClassBit(static_cast<unsigned char>(c));
    }
    return table;
}
inline constexpr ByteClassTable kByteClasses = makeByteClassTable();

}  // namespace detail

constexpr ByteBits byteBit(char c)
{
    return detail::kByteClasses.bits[static_cast<unsigned char>(c)];
}

// The byte classes of a text, gathered apart by offset modulo 4. A phrase at offset p has
// its j-th byte at offset p + j, so a text holds it only if it holds the phrase's classes
// by offset modulo 4 under one of four turns: most lines that hold a phrase's bytes only
// scattered (the "install" and "of" of "Device install function: ... of ...") are so
// ruled out without a search.
struct TextBytes {
    ByteBits byOffset[4] = {0, 0, 0, 0};  // classes of the bytes at offsets 4n, 4n+1, ...

    constexpr ByteBits all() const { return byOffset[0] | byOffset[1] | byOffset[2] | byOffset[3]; }
    constexpr bool holds(char c) const { return (all() & byteBit(c)) != 0; }
};

// Every unmarked line is run through this: four bytes a round, each into the set of its
// offset, so that one byte's look-up need not wait for the one before it.
constexpr TextBytes textBytesOf(std::string_view text)
{
    ByteBits bits[4] = {0, 0, 0, 0};
    std::size_t i = 0;
    for (; i + 4 <= text.size(); i += 4) {
        bits[0] |= byteBit(text[i]);
        bits[1] |= byteBit(text[i + 1]);
        bits[2] |= byteBit(text[i + 2]);
        bits[3] |= byteBit(text[i + 3]);
    }
    const std::size_t rest = text.size() - i;
    if (rest > 0) {
        bits[0] |= byteBit(text[i]);
    }
    if (rest > 1) {
        bits[1] |= byteBit(text[i + 1]);
    }
    if (rest > 2) {
        bits[2] |= byteBit(text[i + 2]);
    }
    return TextBytes{{bits[0], bits[1], bits[2], bits[3]}};
}

// A fixed phrase that the field rules look for in every line. It is found by looking for
// its least common byte (memchr) and comparing the rest around each hit, so a line is
// not stopped at every occurrence of a common first letter ("e" of "evice \"", "i" of
// "install of "). Finds exactly what findFrom finds.
class Phrase {
public:
    constexpr explicit Phrase(std::string_view text)
        : m_text(text), m_anchor(anchorOf(text)), m_bytes(textBytesOf(text)), m_bits(m_bytes.all())
    {
    }

    // Offset of the first occurrence at offset `from` or later; npos when there is none.
    // Inline: the field rules call it for several phrases on every line.
    std::size_t find(std::string_view text, std::size_t from = 0) const;
    // As findFrom(text, start, phrase).
    Pos findFrom(std::string_view text, Pos start) const;
    // Whether a text whose textBytesOf() is `text` may hold the phrase: false when the
    // text lacks one of the phrase's bytes, or holds them only at offsets where no
    // occurrence of the phrase could have them.
    constexpr bool mayBeIn(const TextBytes& text) const
    {
        if ((m_bits & ~text.all()) != 0) {
            return false;
        }
        for (std::size_t turn = 0; turn < 4; ++turn) {
            ByteBits lacking = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                lacking |= m_bytes.byOffset[k] & ~text.byOffset[(k + turn) % 4];
            }
            if (lacking == 0) {
                return true;
            }
        }
        return false;
    }
    std::string_view text() const { return m_text; }
    Pos length() const { return static_cast<Pos>(m_text.size()); }

private:
    // How common a byte is in log text: lower-case letters and blanks most, then capitals,
    // each in their order of frequency in English (hardware identifiers are written in
    // capitals: the "E" of "SIGNATURE" is in every "VEN_" and "DEV_", its "G" seldom);
    // digits and signs least, but for the double quote, as common as a blank: marked lines
    // quote every value. Among the least common the last is taken: a phrase's first
    // capital or sign often begins words and identifiers.
    static constexpr int commonness(char c)
    {
        constexpr std::string_view kByFrequency = " etaoinshrdlcumwfgypbvkjxqz";
        if (c == '"') {
            c = ' ';
        }
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
    TextBytes m_bytes;     // textBytesOf(m_text)
    ByteBits m_bits;       // m_bytes.all()
};

inline std::size_t Phrase::find(std::string_view text, std::size_t from) const
{
    const std::size_t size = m_text.size();
    if (from > text.size() || size > text.size() - from) {
        return std::string_view::npos;
    }
    if (size == 0) {
        return from;
    }
    // The anchor byte of a match lies between these two offsets; hits go left to right,
    // so the first full match is the first occurrence. The first byte is compared before
    // the rest: most hits (the "f" of "function" for "install of ") fail on it.
    const char* const data = text.data();
    const char anchor = m_text[m_anchor];
    std::size_t hit = from + m_anchor;
    const std::size_t lastHit = text.size() - size + m_anchor;
    while (hit <= lastHit) {
        const auto* found = static_cast<const char*>(std::memchr(data + hit, anchor, lastHit - hit + 1));
        if (found == nullptr) {
            return std::string_view::npos;
        }
        const char* const match = found - m_anchor;
        if (*match == m_text.front() && std::memcmp(match, m_text.data(), size) == 0) {
            return static_cast<std::size_t>(match - data);
        }
        hit = static_cast<std::size_t>(found - data) + 1;
    }
    return std::string_view::npos;
}

// The piece of `length` characters from position `start`: fewer when the text ends first;
// empty when `start` lies beyond the end, is below 1, or `length` is 0 or negative.
inline std::string_view piece(std::string_view text, Pos start, Pos length)
{
    const auto size = static_cast<Pos>(text.size());
    if (start < 1 || length <= 0 || start > size) {
        return {};
    }
    const Pos available = size - start + 1;
    const Pos taken = length < available ? length : available;
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(taken));
}

// Everything from position `start` to the end (empty when `start` lies beyond it or is
// below 1).
inline std::string_view pieceToEnd(std::string_view text, Pos start)
{
    if (start < 1 || start > static_cast<Pos>(text.size())) {
        return {};
    }
    return text.substr(static_cast<std::size_t>(start - 1));
}

// `target` := the decimal digits of `value` (a leading "-" when negative).
void assignNumber(std::string& target, std::int64_t value);

// Length of a text as a position value.
inline Pos textLength(std::string_view text) { return static_cast<Pos>(text.size()); }

// Copies one value to `out` and returns the end of the copy: rows and queued events are
// built of values so copied. Many values are empty (most lines give no Signature, GUID,
// Name or Device): they are let go first. Most others are short (a code, a line number, a
// date, a type) or a line of some dozens of bytes: those are moved with a few fixed-size
// copies that the compiler turns into plain loads and stores (two overlapping ones cover
// every length of a range), sparing a library call per value; longer values go to memcpy.
// Always inlined: a line's row has a copy of its own in each column (see
// OutputWriter::writeRow), and a call would share the branches again.
[[gnu::always_inline]] inline char* copyValue(char* out, std::string_view value)
{
    const char* in = value.data();
    const std::size_t n = value.size();
    if (n == 0) {
        return out;
    }
    if (n > 64) {
        std::memcpy(out, in, n);
    } else if (n > 32) {
        std::memcpy(out, in, 32);
        std::memcpy(out + n - 32, in + n - 32, 32);
    } else if (n >= 16) {
        std::memcpy(out, in, 16);
        std::memcpy(out + n - 16, in + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(out, in, 8);
        std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, in, 4);
        std::memcpy(out + n - 4, in + n - 4, 4);
    } else {
        out[0] = in[0];
        out[n / 2] = in[n / 2];
        out[n - 1] = in[n - 1];
    }
    return out + n;
}

// A line's text kept past the line, copied anew from line to line: its memory is used
// again, and a line goes in by copyValue's few fixed-size moves (most lines are shorter
// than 64 bytes) rather than by a string's general assignment. Inline: an event's lines
// are kept one after another until the last becomes its Full Text.
class LineCopy {
public:
    void assign(std::string_view text)
    {
        if (text.size() > m_capacity) {
            m_capacity = std::max(text.size(), 2 * m_capacity);
            m_data = std::make_unique_for_overwrite<char[]>(m_capacity);
        }
        copyValue(m_data.get(), text);
        m_size = text.size();
    }
    std::string_view view() const { return {m_data.get(), m_size}; }

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

}  // namespace tillery
