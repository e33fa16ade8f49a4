#include "extract/VistaLines.h"

#include "extract/Text.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace tillery::vista {
namespace {

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
std::string_view trimRight(std::string_view text)
{
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Whether `text` begins with the literal `prefix`. Its length known when compiled, the few
// bytes are compared in place rather than by a call.
template <std::size_t N>
bool beginsWith(std::string_view text, const char (&prefix)[N])
{
    return text.size() >= N - 1 && std::memcmp(text.data(), prefix, N - 1) == 0;
}

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
    for (std::size_t i = 0; i + 5 <= text.size(); ++i) {
        if (lowerAscii(text[i]) == 'c' && lowerAscii(text[i + 1]) == 'l' &&
            lowerAscii(text[i + 2]) == 'a' && lowerAscii(text[i + 3]) == 's' &&
            lowerAscii(text[i + 4]) == 's') {
            return true;
        }
    }
    return false;
}

// A braced GUID: "{8-4-4-4-12}" hexadecimal digits.
constexpr std::string_view kGuidShape = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";

// Whether the 38 characters at `at` are a braced GUID.
bool isGuidAt(std::string_view text, std::size_t at)
{
    if (text.size() - at < kGuidShape.size()) {
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
    for (auto brace = text.find('{'); brace != std::string_view::npos;
         brace = text.find('{', brace + 1)) {
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
    const auto marker = text.find("_??_");
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
    if (beginsWith(line, "     ") && line.size() > 5 && line[5] != ' ') {
        rest = line.substr(5);
    } else if (line.starts_with('!')) {
        type = beginsWith(line, "!!!") ? "Error" : "Warning";
        if (beginsWith(line, "!!!  ") || beginsWith(line, "!    ")) {
            rest = line.substr(5);
        }
        rest = trimLeft(rest);
    } else {
        if (beginsWith(line, "   . ")) {
            rest = line.substr(5);
        }
        rest = trimLeft(rest);
    }
    std::string_view message = rest;
    if (rest.size() >= 5 && rest[3] == ':' && rest[4] == ' ') {
        code = trimRight(rest.substr(0, 3));
        message = trimLeft(rest.substr(5));
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

    // The GUID of a line that mentions a class. A well-formed GUID is rare and quickly
    // ruled out; the letter-by-letter look for "class" is made only when there is one.
    if (const std::string_view found = firstGuid(message); !found.empty() && mentionsClass(message)) {
        guid = found;
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

std::string_view deviceNamedIn(std::string_view message)
{
    const std::string_view device = deviceCandidate(message);
    return isDeviceLike(device) ? device : std::string_view();
}

}  // namespace tillery::vista
