#pragma once

#include "core/Record.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tillery {

// A message code as one number, the key that a switch over codes tests: its three bytes
// side by side ("022" gives codeKey("022")); 0, which no code case has, for a code of any
// other length ("2K", the short code of a cut line). The bytes are taken as they stand: a
// code that is not three digits matches no case. Inline: every entry line asks it, and
// putting three bytes side by side costs less than testing and weighing three digits.
constexpr std::uint32_t codeKey(std::string_view code)
{
    if (code.size() != 3) {
        return 0;
    }
    return std::uint32_t{static_cast<unsigned char>(code[0])} << 16 |
           std::uint32_t{static_cast<unsigned char>(code[1])} << 8 |
           std::uint32_t{static_cast<unsigned char>(code[2])};
}

// The values one entry line gives: views into its message text, but for a Signature
// converted from a volume identifier, which `described` holds (`sig` then views it). Not
// copied: a copy's `sig` would view the original's text.
struct LineValues {
    LineValues() = default;
    LineValues(const LineValues&) = delete;
    LineValues& operator=(const LineValues&) = delete;

    std::string_view path;
    std::string_view device;
    std::string_view guid;
    std::string_view name;
    std::string_view sig;
    std::string described;
};

// Picks Path, Device, GUID, Name and Signature out of one entry line's message text into
// the line's values: the code rules (marked lines, Code other than "2K"), the generic rules
// (Signature, GUID, quoted device) and the Windows 2000 phrase rules (Code "2K"), in this
// order. The "063" rule reads the event's Name; the Signature rule reads the event's Path
// and, when it converts a volume identifier, writes the event's Path and Signature.
// The five values are expected empty on entry; they view `message`, which must outlive
// them.
void extractMessageCodes(std::string_view code, std::string_view message, LineValues& line,
                         Record& event);

}  // namespace tillery
