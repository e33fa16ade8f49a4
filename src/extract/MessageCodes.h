#pragma once

#include "core/Record.h"

#include <string>
#include <string_view>

namespace tillery {

// The message code of a marked line as a number ("022" is 22); -1 for a code that is not
// three digits ("2K", the short code of a cut line). Inline: every entry line asks it twice.
// The three digits are tested together: a branch for each would be guessed wrong often.
inline int messageCodeNumber(std::string_view code)
{
    if (code.size() != 3) {
        return -1;
    }
    // A byte below "0" wraps around to a large value.
    const unsigned hundreds = static_cast<unsigned char>(code[0]) - unsigned{'0'};
    const unsigned tens = static_cast<unsigned char>(code[1]) - unsigned{'0'};
    const unsigned ones = static_cast<unsigned char>(code[2]) - unsigned{'0'};
    if ((hundreds > 9) | (tens > 9) | (ones > 9)) {
        return -1;
    }
    return static_cast<int>(hundreds * 100 + tens * 10 + ones);
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

    // Empties the five values (the description's memory is kept for the next line). Each
    // is emptied on its own: a chained assignment reads back the value just stored, which
    // stalls the processor on every line.
    void clear()
    {
        path = {};
        device = {};
        guid = {};
        name = {};
        sig = {};
    }
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
