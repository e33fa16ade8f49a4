#pragma once

#include <optional>
#include <string>
#include <string_view>

// The lines of the Vista-and-later log (setupapi.dev.log): what kind each is and which
// field values it gives. Bytes are never decoded; letter case is folded for A-Z only.
namespace tillery::vista {

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
BodyFields readBodyLine(std::string_view line);

// The Device a body line's message names, or "". Only a line's own row shows it (an event
// takes its Device from its title), so it is looked for only when that row is written.
std::string_view deviceNamedIn(std::string_view message);  // for a message holding "\\"
inline std::string_view bodyDevice(std::string_view message)
{
    // A device ID holds a backslash; most messages do not, and one search rules them out.
    return message.find('\\') == std::string_view::npos ? std::string_view()
                                                        : deviceNamedIn(message);
}

}  // namespace tillery::vista
