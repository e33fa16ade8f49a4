#pragma once

#include "core/Record.h"

#include <cstdint>
#include <cstring>
#include <memory>
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

// What the entry lines seen last gave. The lines of a log are mostly the same few dozen
// messages ("Device install function: ...", "Set selected driver.", "Searching for
// hardware ID(s): ..." of the same device): a line met again is compared with the one
// remembered, not taken apart a second time. Remembered are the line's code, the bits that
// extractMessageCodes works out from an unmarked line's bytes (which phrases and signs are
// not ruled out) and, where they depend on the line alone, where its values lie in it.
// Each line has one place, picked by its length and its first and last eight bytes; a
// line of another text there takes it over. Lines shorter than 8 or longer than kLongest
// bytes are not kept.
class LineMemo {
public:
    // 512 places of some 270 bytes: most messages of a section are kept from one section
    // to the next, and all but the longest lines ("Found ..." with its driver list).
    static constexpr int kPlaceBits = 9;
    static constexpr std::size_t kPlaces = std::size_t{1} << kPlaceBits;
    static constexpr std::size_t kLongest = 248;  // offsets in a kept line fit a byte
    static constexpr int kLinesBeforeTable = 64;

    // Where a value lies in its line: offset and length (0: empty).
    struct Span {
        std::uint8_t at = 0;
        std::uint8_t size = 0;
    };
    // What a kept line gave.
    struct Kept {
        std::uint32_t code = 0;  // codeKey() of the line's code
        std::uint32_t bits = 0;
        bool valuesKept = false;  // the values below are the line's
        Span path;
        Span device;
        Span guid;
        Span name;
    };

    // Where a text is remembered: its length, what it gave and its bytes.
    struct Place {
        std::uint32_t size = 0;  // 0: empty (no kept line is that short)
        Kept kept;
        char text[kLongest];
    };

    // What the same text gave when it was met last; null when it is not remembered.
    // `place` is where keep() remembers the text: null for a text that is not kept.
    const Kept* find(std::string_view text, Place*& place)
    {
        place = nullptr;
        if (text.size() < 8 || text.size() > kLongest) {
            return nullptr;
        }
        if (!m_places) {
            // Made once a log has shown a few dozen lines to keep: the table's 133 KB are not
            // worth it for a handful. A place's text is read only up to its size.
            if (++m_linesBefore < kLinesBeforeTable) {
                return nullptr;
            }
            m_places = std::make_unique_for_overwrite<Place[]>(kPlaces);
        }
        Place& at = m_places[placeOf(text)];
        place = &at;
        if (at.size == text.size() && std::memcmp(at.text, text.data(), text.size()) == 0) {
            return &at.kept;
        }
        return nullptr;
    }
    // Remembers `text` with what it gave at `place`, as find() told it.
    static void keep(Place& at, std::string_view text, const Kept& kept)
    {
        at.kept = kept;
        at.size = static_cast<std::uint32_t>(text.size());
        std::memcpy(at.text, text.data(), text.size());
    }

private:
    // A text of 8 bytes or more: its length and first and last eight bytes, mixed so that
    // the top bits of the product tell the place.
    static std::size_t placeOf(std::string_view text)
    {
        std::uint64_t first = 0;
        std::uint64_t last = 0;
        std::memcpy(&first, text.data(), 8);
        std::memcpy(&last, text.data() + text.size() - 8, 8);
        const std::uint64_t mixed =
            (first ^ (last * 0x9E3779B97F4A7C15u) ^ text.size()) * 0xFF51AFD7ED558CCDu;
        return static_cast<std::size_t>(mixed >> (64 - kPlaceBits));
    }

    std::unique_ptr<Place[]> m_places;
    int m_linesBefore = 0;  // lines that could have been kept before the table was made
};

// The values one entry line gives: views into its message text, but for a Signature
// converted from a volume identifier, which `described` holds (`sig` then views it). Not
// copied: a copy's `sig` would view the original's text. Handed in for every line of a
// run, they also keep what the lines seen last gave.
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
    LineMemo memo;
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
