#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tillery {

// Lower-casing shared by the rule writer and the rule engine, so that stored values and
// tested values compare alike. Letters A-Z and the Latin-1 capitals U+00C0-U+00DE
// (except U+00D7, the multiplication sign) are lowered; everything else is kept.

// Every Latin-1 byte lowered, by its value: a look-up, as the rules compare values byte by
// byte.
inline constexpr std::array<char, 256> kLoweredLatin1 = [] {
    std::array<char, 256> lowered{};
    for (int code = 0; code < 256; ++code) {
        const bool capital = (code >= 'A' && code <= 'Z') || (code >= 0xC0 && code <= 0xDE && code != 0xD7);
        lowered[static_cast<std::size_t>(code)] = static_cast<char>(capital ? code + 0x20 : code);
    }
    return lowered;
}();

// One Latin-1 byte lowered.
constexpr char lowerLatin1Byte(char c)
{
    return kLoweredLatin1[static_cast<unsigned char>(c)];
}

// Lowers single-byte Latin-1 text (log values).
std::string lowerLatin1(std::string_view bytes);
// The same, in place.
void lowerLatin1InPlace(std::span<char> bytes);
// Lowers UTF-8 text (store values) with the same letter mapping.
std::string lowerUtf8(std::string_view utf8);

// UTF-8 store text as Latin-1 bytes, for comparison with log bytes. Empty optional when
// the text holds a character outside Latin-1: such a text can never equal log bytes.
// Bytes that are not valid UTF-8 are taken one by one as Latin-1.
std::optional<std::string> utf8ToLatin1(std::string_view utf8);
// Latin-1 bytes as UTF-8 text, for showing log text in the window.
std::string latin1ToUtf8(std::string_view bytes);
// As latin1ToUtf8, appended to `out` (a text built of several pieces needs no copies).
void appendLatin1AsUtf8(std::string& out, std::string_view bytes);

}  // namespace tillery
