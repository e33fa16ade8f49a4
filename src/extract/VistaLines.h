#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

// The lines of the Vista-and-later log (setupapi.dev.log): what kind each is and which
// field values it gives. Bytes are never decoded; letter case is folded for A-Z only.
namespace tillery::vista {

// Small text steps of the line readers, made in place.
namespace detail {

inline std::string_view trimLeft(std::string_view text)
{
    // Messages are indented by their nesting depth, often by a dozen blanks and more: the
    // blanks are counted eight bytes at a time. With each blank turned into a zero byte,
    // the first byte that is no blank is the lowest nonzero byte of a little-endian word:
    // its trailing zero bits, over eight, count the blanks before it.
    std::size_t first = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kBlanks = 0x2020202020202020;
        while (text.size() - first >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + first, 8);
            word ^= kBlanks;
            if (word != 0) {
                return text.substr(first + static_cast<std::size_t>(std::countr_zero(word)) / 8);
            }
            first += 8;
        }
    }
    while (first < text.size() && text[first] == ' ') {
        ++first;
    }
    return text.substr(first);
}

// The texts trimmed here are short and seldom end in a blank (an entry's category, a
// key's value): a step back in place is cheaper than a call to a general search.
inline std::string_view trimRight(std::string_view text)
{
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Whether `text` begins with the literal `prefix`. Its length known when compiled, the few
// bytes are compared in place rather than by a call.
template <std::size_t N>
inline bool beginsWith(std::string_view text, const char (&prefix)[N])
{
    return text.size() >= N - 1 && std::memcmp(text.data(), prefix, N - 1) == 0;
}

}  // namespace detail

enum class LineKind {
    Empty,  // no characters
    Title,  // ">>>  [Device Install (Hardware initiated) - ID]"
    Start,  // ">>>  Section start yyyy/mm/dd hh:mm:ss.mmm" (or the older form)
    Exit,   // "<<<  [Exit status: SUCCESS]", "<<<  [Exit]"
    End,    // "<<<  Section end yyyy/mm/dd hh:mm:ss.mmm" (or the older form)
    Boot,   // "[Boot Session: yyyy/mm/dd hh:mm:ss.mmm]"
    Body,   // everything else
};
// The kind of a line that begins with '>', '<' or '['.
LineKind classifyMarked(std::string_view line);
// Asked of every line, so made in place: almost every line is a body line, and its first
// byte tells it apart.
inline LineKind classify(std::string_view line)
{
    if (line.empty()) {
        return LineKind::Empty;
    }
    const char first = line.front();
    return first == '>' || first == '<' || first == '[' ? classifyMarked(line) : LineKind::Body;
}

// The first run of the shape "dddd/dd/dd dd:dd:dd" in the line (no milliseconds), or ""
// when there is none.
std::string_view dateTimeText(std::string_view line);

// Whether a text names a device: it holds "\", no ":", does not begin with "\" or "%"
// and does not end in ".inf" (any case).
bool isDeviceLike(std::string_view text);

// The disk ID that WPD and volume identifiers carry after "_??_", with "\" for "#" and
// the interface class cut off: "SWD\WPDBUSENUM\_??_USBSTOR#Disk&Ven_A#1&0#{...}" gives
// "USBSTOR\Disk&Ven_A\1&0". Empty when the text holds no "_??_".
std::string embeddedDeviceId(std::string_view text);

// The value after "KEY - " at the start of a message ("DevDesc      - Disk drive"), its
// trailing blanks removed and one pair of enclosing [] or '' dropped. No value when the
// message does not have that shape.
std::optional<std::string_view> dashValue(std::string_view message, std::string_view key);

// What a section title line gives: Instance (the bracketed text), and from the identifier
// after " - ", Device and Signature when it names a device and Path when it is an INF.
struct TitleFields {
    std::string_view instance;
    std::string_view device;
    std::string signature;
    std::string_view path;
};
TitleFields parseTitle(std::string_view line);

// Which rule gave a body line its Name: the event keeps a chosen driver's Description
// over any DevDesc.
enum class NameRule { None, DevDesc, Description };

// What a body line gives: Type and Code for its own row, and Name, GUID and Path, which its
// event takes too. Views into the line (or constant texts): valid as long as the line is.
struct BodyFields {
    std::string_view type;
    std::string_view code;
    std::string_view message;  // the text after the entry prefix and the category
    std::string_view name;
    NameRule nameRule = NameRule::None;
    std::string_view guid;
    std::string_view path;
};
// Read from every body line, and made in place (forced: the compiler keeps a routine of
// this size a call of its own), so that a line costs no call and its values go straight
// to the row and the event rather than through a returned record. Defined below.
[[gnu::always_inline]] inline BodyFields readBodyLine(std::string_view line);

// Length of a braced GUID, "{8-4-4-4-12}".
inline constexpr std::size_t kBracedGuidLength = 38;
// The 36 characters inside the first braced GUID of a message that mentions "class" in
// any case, or "".
std::string_view classGuid(std::string_view message);

// The Device a body line's message names, or "". Only a line's own row shows it (an event
// takes its Device from its title), so it is looked for only when that row is written.
std::string_view deviceNamedIn(std::string_view message);  // for a message holding "\\"
inline std::string_view bodyDevice(std::string_view message)
{
    // A device ID holds a backslash; most messages do not, and one search rules them out.
    return message.find('\\') == std::string_view::npos ? std::string_view()
                                                        : deviceNamedIn(message);
}

BodyFields readBodyLine(std::string_view line)
{
    // The values are gathered first and the fields set once at the end: a record of views
    // filled in place is first emptied as one block, a slow store for every line.
    std::string_view type = "Informational";
    std::string_view code;
    std::string_view name;
    NameRule nameRule = NameRule::None;
    std::string_view guid;
    std::string_view path;

    // The five-character entry prefix, then the category ("dvi: "), then the message.
    // Leading blanks go whatever the prefix; the commonest entry, the blank prefix "     "
    // with the category right after it, is cut without counting them.
    std::string_view rest = line;
    if (detail::beginsWith(line, "     ") && line.size() > 5 && line[5] != ' ') {
        rest = line.substr(5);
    } else if (line.starts_with('!')) {
        type = detail::beginsWith(line, "!!!") ? "Error" : "Warning";
        if (detail::beginsWith(line, "!!!  ") || detail::beginsWith(line, "!    ")) {
            rest = line.substr(5);
        }
        rest = detail::trimLeft(rest);
    } else {
        if (detail::beginsWith(line, "   . ")) {
            rest = line.substr(5);
        }
        rest = detail::trimLeft(rest);
    }
    std::string_view message = rest;
    if (rest.size() >= 5 && rest[3] == ':' && rest[4] == ' ') {
        code = detail::trimRight(rest.substr(0, 3));
        message = detail::trimLeft(rest.substr(5));
    }

    // Each key is tried only on a message that begins with its first letter.
    const char first = message.empty() ? '\0' : message.front();
    if (first == 'D') {
        if (const auto devDesc = dashValue(message, "DevDesc")) {
            name = *devDesc;
            nameRule = NameRule::DevDesc;
        } else if (const auto description = dashValue(message, "Description")) {
            name = *description;
            nameRule = NameRule::Description;
        }
    }

    // The GUID of a line that mentions a class; most messages are too short to hold one.
    if (message.size() >= kBracedGuidLength) {
        guid = classGuid(message);
    }

    if (code == "cmd" && !message.empty()) {
        path = message;
    } else if (first == 'I') {
        if (const auto infFile = dashValue(message, "InfFile")) {
            path = *infFile;
        }
    }
    return {.type = type, .code = code, .message = message, .name = name, .nameRule = nameRule,
            .guid = guid, .path = path};
}

}  // namespace tillery::vista
