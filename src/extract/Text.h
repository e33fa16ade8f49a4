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
