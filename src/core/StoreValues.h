#pragma once

#include <optional>
#include <string_view>

namespace tillery {

// Conversions of stored text. Numbers are decimal: optional blanks, an optional sign,
// digits with an optional fraction, optional blanks. Anything else does not convert.
std::optional<double> textToNumber(std::string_view text);

// A number rounded to the nearest whole number (halves to the even neighbour) that fits
// a 16-bit signed integer; empty when the text is no number or out of range.
std::optional<int> textToInt16(std::string_view text);

}  // namespace tillery
