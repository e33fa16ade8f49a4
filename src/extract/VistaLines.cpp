#include "extract/VistaLines.h"

#include "extract/Text.h"

namespace tillery::vista {
namespace {

using detail::beginsWith;
using detail::trimLeft;
using detail::trimRight;

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether `text` ends in `lowerSuffix`, letters compared without regard to case.
bool endsWithIgnoringCase(std::string_view text, std::string_view lowerSuffix)
{
    if (text.size() < lowerSuffix.size()) {
        return false;
    }
    const std::string_view tail = text.substr(text.size() - lowerSuffix.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (lowerAscii(tail[i]) != lowerSuffix[i]) {
            return false;
        }
    }
    return true;
}

// Whether the text holds "class" in any letter case.
bool mentionsClass(std::string_view text)
{
    // Asked of every line holding a GUID, most of which do not mention a class and are read
    // to the end. A byte with its 0x20 bit set equals a lower-case letter only when it is
    // that letter in either case: one step where lowerAscii() takes a range test.
    const auto folded = [text](std::size_t at) { return static_cast<char>(text[at] | 0x20); };
    std::size_t at = 0;
    while (at + 5 <= text.size()) {
        const char last = folded(at + 4);
        if (last == 's' && folded(at) == 'c' && folded(at + 1) == 'l' && folded(at + 2) == 'a' &&
            folded(at + 3) == 's') {
            return true;
        }
        // The byte under the word's last letter says how far the word can move on and still
        // cover it: up to its last place in "clas", or past it when it is none of those
        // letters, as most bytes are.
        at += last == 's' ? 1 : last == 'a' ? 2 : last == 'l' ? 3 : last == 'c' ? 4 : 5;
    }
    return false;
}

// A braced GUID: "{8-4-4-4-12}" hexadecimal digits.
constexpr std::string_view kGuidShape = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
static_assert(kGuidShape.size() == kBracedGuidLength);

// Whether the 38 characters at `at` are a braced GUID (the caller has seen room for them).
bool isGuidAt(std::string_view text, std::size_t at)
{
    // Most braces open a block marker ("{Configure Driver: ...}"), not a GUID: the closing
    // brace and the four dashes, at fixed places, rule those out before the digits are read.
    const char* const guid = text.data() + at;
    if (guid[37] != '}' || guid[9] != '-' || guid[14] != '-' || guid[19] != '-' ||
        guid[24] != '-') {
        return false;
    }
    for (std::size_t i = 0; i < kGuidShape.size(); ++i) {
        const char c = text[at + i];
        if (kGuidShape[i] == 'x' ? !isHexDigit(c) : c != kGuidShape[i]) {
            return false;
        }
    }
    return true;
}

// The 36 characters inside the first well-formed braced GUID, or "".
std::string_view firstGuid(std::string_view text)
{
    if (text.size() < kGuidShape.size()) {
        return {};  // too short to hold one: most messages are
    }
    // A GUID begins no later than its own length before the end: only that part of the
    // text is searched for its opening brace.
    const std::string_view starts = text.substr(0, text.size() - kGuidShape.size() + 1);
    for (auto brace = starts.find('{'); brace != std::string_view::npos;
         brace = starts.find('{', brace + 1)) {
        if (isGuidAt(text, brace)) {
            return text.substr(brace + 1, 36);
        }
    }
    return {};
}

// The place of the last `c` in the text, or npos. Found by searches from the front, which
// go many bytes at a time where a search from the back steps byte by byte: the texts
// searched hold few of them (the braces of a block marker, the blanks before an ID).
std::size_t lastOf(std::string_view text, char c)
{
    std::size_t last = std::string_view::npos;
    for (auto at = text.find(c); at != std::string_view::npos; at = text.find(c, at + 1)) {
        last = at;
    }
    return last;
}

// The device a message names, by how it begins: a block marker's argument, the word
// after "Device ", or the left side of an "ID -> target" list entry.
std::string_view deviceCandidate(std::string_view message)
{
    if (message.starts_with('{')) {
        const auto close = lastOf(message, '}');
        const std::string_view inner =
            close == std::string_view::npos ? message.substr(1) : message.substr(1, close - 1);
        if (inner.find(":\\") != std::string_view::npos) {
            return {};
        }
        const auto blank = lastOf(inner, ' ');
        return blank == std::string_view::npos ? inner : inner.substr(blank + 1);
    }
    if (message.starts_with("Device ")) {
        const std::string_view rest = message.substr(7);
        return rest.substr(0, rest.find(' '));
    }
    // Found by its ">", not by the blank it begins with, the commonest byte of a line.
    static constexpr Phrase kArrow(" -> ");
    const Pos arrow = kArrow.findFrom(message, 1);
    return arrow == 0 ? std::string_view() : message.substr(0, static_cast<std::size_t>(arrow - 1));
}

}  // namespace

std::string_view classGuid(std::string_view message)
{
    // A well-formed GUID is rare and quickly ruled out; the letter-by-letter look for
    // "class" is made only when there is one.
    const std::string_view found = firstGuid(message);
    return !found.empty() && mentionsClass(message) ? found : std::string_view();
}

LineKind classifyMarked(std::string_view line)
{
    switch (line.front()) {
    case '>':
        if (beginsWith(line, ">>>")) {
            return trimLeft(line.substr(3)).starts_with('[') ? LineKind::Title : LineKind::Start;
        }
        break;
    case '<':
        if (beginsWith(line, "<<<")) {
            return beginsWith(trimLeft(line.substr(3)), "[Exit") ? LineKind::Exit : LineKind::End;
        }
        break;
    case '[':
        if (beginsWith(line, "[Boot Session")) {
            return LineKind::Boot;
        }
        break;
    default:
        break;
    }
    return LineKind::Body;
}

std::string_view dateTimeText(std::string_view line)
{
    static constexpr std::string_view kShape = "dddd/dd/dd dd:dd:dd";
    // Every such run has a "/" at its fifth character: only those places are tried.
    for (auto slash = line.find('/', 4); slash != std::string_view::npos;
         slash = line.find('/', slash + 1)) {
        const std::size_t at = slash - 4;
        if (line.size() - at < kShape.size()) {
            return {};
        }
        bool matches = true;
        for (std::size_t i = 0; i < kShape.size() && matches; ++i) {
            const char c = line[at + i];
            matches = kShape[i] == 'd' ? isDigit(c) : c == kShape[i];
        }
        if (matches) {
            return line.substr(at, kShape.size());
        }
    }
    return {};
}

bool isDeviceLike(std::string_view text)
{
    return !text.empty() && text.find('\\') != std::string_view::npos &&
           text.find(':') == std::string_view::npos && text.front() != '\\' &&
           text.front() != '%' && !endsWithIgnoringCase(text, ".inf");
}

std::string embeddedDeviceId(std::string_view text)
{
    // Asked of every identifier a row names, whose "_" are many and "?" are rare: the
    // marker is looked for at each "?".
    std::size_t marker = std::string_view::npos;
    for (std::size_t at = text.find('?', 1); at != std::string_view::npos; at = text.find('?', at + 1)) {
        if (text[at - 1] == '_' && text.substr(at + 1, 2) == "?_") {
            marker = at - 1;
            break;
        }
    }
    if (marker == std::string_view::npos) {
        return {};
    }
    std::string_view path = text.substr(marker + 4);
    path = path.substr(0, path.find("#{"));
    if (path.ends_with('#')) {
        path.remove_suffix(1);
    }
    std::string id(path);
    for (char& c : id) {
        if (c == '#') {
            c = '\\';
        }
    }
    return id;
}

std::optional<std::string_view> dashValue(std::string_view message, std::string_view key)
{
    // Asked of every body line for several keys: most messages are ruled out by their
    // first byte before the keys are compared whole.
    const bool firstDiffers = !key.empty() && (message.empty() || message.front() != key.front());
    if (firstDiffers || !message.starts_with(key)) {
        return std::nullopt;
    }
    const std::string_view rest = trimLeft(message.substr(key.size()));
    if (!rest.starts_with("- ")) {
        return std::nullopt;
    }
    std::string_view value = trimRight(rest.substr(2));
    if (value.size() >= 2 && ((value.front() == '[' && value.back() == ']') ||
                              (value.front() == '\'' && value.back() == '\''))) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

TitleFields parseTitle(std::string_view line)
{
    TitleFields fields;
    std::string_view text = trimLeft(line.substr(3));  // after ">>>"
    if (text.starts_with('[')) {
        text.remove_prefix(1);
    }
    text = trimRight(text);
    if (text.ends_with(']')) {
        text.remove_suffix(1);
    }
    fields.instance = text;

    const auto dash = text.find(" - ");
    if (dash == std::string_view::npos) {
        return fields;
    }
    const std::string_view identifier = text.substr(dash + 3);
    // A time stamp may follow the identifier inside the brackets: the ID ends at a blank.
    const std::string_view candidate = identifier.substr(0, identifier.find(' '));
    if (isDeviceLike(candidate)) {
        fields.device = candidate;
        fields.signature = embeddedDeviceId(candidate);
    }
    if (endsWithIgnoringCase(identifier, ".inf")) {
        fields.path = identifier;
    }
    return fields;
}

std::string_view deviceNamedIn(std::string_view message)
{
    const std::string_view device = deviceCandidate(message);
    return isDeviceLike(device) ? device : std::string_view();
}

}  // namespace tillery::vista
