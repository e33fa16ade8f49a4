#include "extract/Text.h"

#include <charconv>
#include <cstring>

namespace tillery {

Pos Phrase::findFrom(std::string_view text, Pos start) const
{
    if (start < 1) {
        start = 1;
    }
    const std::size_t at = find(text, static_cast<std::size_t>(start - 1));
    return at == std::string_view::npos ? 0 : static_cast<Pos>(at) + 1;
}

void assignNumber(std::string& target, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    target.assign(digits, end);
}

}  // namespace tillery
