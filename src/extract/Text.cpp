#include "extract/Text.h"

#include <charconv>
#include <cstring>

namespace tillery {

Pos findFrom(std::string_view text, Pos start, std::string_view needle)
{
    if (start < 1) {
        start = 1;
    }
    const Pos length = textLength(text);
    if (start - 1 > length) {
        return 0;
    }
    // Most searches are for one character (a quote, a brace, a blank): looking for the
    // character alone spares the comparison of each hit that a phrase search makes.
    const auto from = static_cast<std::size_t>(start - 1);
    const auto found = needle.size() == 1 ? text.find(needle.front(), from) : text.find(needle, from);
    return found == std::string_view::npos ? 0 : static_cast<Pos>(found) + 1;
}

Pos Phrase::findFrom(std::string_view text, Pos start) const
{
    if (start < 1) {
        start = 1;
    }
    const std::size_t at = find(text, static_cast<std::size_t>(start - 1));
    return at == std::string_view::npos ? 0 : static_cast<Pos>(at) + 1;
}

std::string_view piece(std::string_view text, Pos start, Pos length)
{
    const Pos size = textLength(text);
    if (start < 1 || length <= 0 || start > size) {
        return {};
    }
    const Pos available = size - start + 1;
    const Pos taken = length < available ? length : available;
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(taken));
}

void assignNumber(std::string& target, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    target.assign(digits, end);
}

std::string_view pieceToEnd(std::string_view text, Pos start)
{
    const Pos size = textLength(text);
    if (start < 1 || start > size) {
        return {};
    }
    return text.substr(static_cast<std::size_t>(start - 1));
}

}  // namespace tillery
