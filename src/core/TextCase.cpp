#include "core/TextCase.h"

namespace tillery {
namespace {

// Decodes one UTF-8 sequence at `i`; returns the code point and advances `i`, or -1
// (advancing by one byte) when the bytes there are not a valid sequence.
long decodeUtf8(std::string_view s, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    long cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++i;
        return -1;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return -1;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return -1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr long kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF) {
        ++i;
        return -1;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void appendUtf8(std::string& out, long cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

void lowerLatin1InPlace(std::span<char> bytes)
{
    for (char& c : bytes) {
        c = lowerLatin1Byte(c);
    }
}

std::string lowerLatin1(std::string_view bytes)
{
    std::string out(bytes);
    lowerLatin1InPlace(out);
    return out;
}

std::string lowerUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t start = i;
        const long cp = decodeUtf8(utf8, i);
        if (cp >= 0 && cp <= 0xFF) {
            appendUtf8(out, static_cast<unsigned char>(lowerLatin1Byte(static_cast<char>(cp))));
        } else {
            out.append(utf8.substr(start, i - start));
        }
    }
    return out;
}

std::optional<std::string> utf8ToLatin1(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t start = i;
        const long cp = decodeUtf8(utf8, i);
        if (cp < 0) {
            out.push_back(utf8[start]);
        } else if (cp <= 0xFF) {
            out.push_back(static_cast<char>(cp));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    appendLatin1AsUtf8(out, bytes);
    return out;
}

void appendLatin1AsUtf8(std::string& out, std::string_view bytes)
{
    std::size_t ascii = 0;  // where the ASCII bytes not yet copied begin
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            out.append(bytes.substr(ascii, i - ascii));
            appendUtf8(out, c);
            ascii = i + 1;
        }
    }
    out.append(bytes.substr(ascii));
}

}  // namespace tillery
