#include "extract/MessageCodes.h"

#include "extract/Converters.h"
#include "extract/Text.h"

#include <string>

namespace tillery {
namespace {

constexpr std::string_view kWin2kCode = "2K";

// The phrases the rules look for in every line.
constexpr Phrase kSignature("SIGNATURE");
constexpr Phrase kOffset("OFFSET");
constexpr Phrase kLength("LENGTH");
constexpr Phrase kQuotedDevice("evice \"");
constexpr Phrase kFound("Found ");
constexpr Phrase kDeviceName("Device: ");
constexpr Phrase kInstallOf("install of ");
constexpr Phrase kSuccessfully("successfully (");
constexpr Phrase kNullDriver("NULL driver for ");
constexpr Phrase kMunged("Munged");
constexpr Phrase kExeName("EXE name:");
constexpr Phrase kDeviceClass("Installing Device Class:");

constexpr std::size_t kNone = std::string_view::npos;

// What an unmarked line may hold, one bit each: a phrase whose bit is clear is not in the
// line, nor is a sign whose bit is clear.
enum UnmarkedBit : std::uint32_t {
    kMaySignature = 1u << 0,
    kMayBrace = 1u << 1,
    kMayQuote = 1u << 2,
    kMayFound = 1u << 3,
    kMayDeviceName = 1u << 4,
    kMayInstallOf = 1u << 5,
    kMaySuccessfully = 1u << 6,
    kMayNullDriver = 1u << 7,
    kMayMunged = 1u << 8,
    kMayExeName = 1u << 9,
    kMayDeviceClass = 1u << 10,
};

// The memo's code for an unmarked line: apart from every three-byte code's key, and from
// the 0 of the other marked codes.
constexpr std::uint32_t kUnmarkedKey = 1u << 24;

// Where `value`, a view into `message` or empty, lies in it; `message` is one the memo
// keeps.
LineMemo::Span spanOf(std::string_view message, std::string_view value)
{
    LineMemo::Span span;
    if (!value.empty()) {
        span.at = static_cast<std::uint8_t>(value.data() - message.data());
        span.size = static_cast<std::uint8_t>(value.size());
    }
    return span;
}

// The value that `span` tells in `message`; empty as the rules leave a value they do not
// set.
std::string_view spanned(std::string_view message, LineMemo::Span span)
{
    return span.size == 0 ? std::string_view() : message.substr(span.at, span.size);
}

// The bits of what an unmarked line may hold, from its byte classes.
std::uint32_t unmarkedBitsOf(std::string_view message)
{
    const TextBytes bytes = textBytesOf(message);
    const auto bit = [](bool may, UnmarkedBit which) { return may ? which : 0u; };
    return bit(kSignature.mayBeIn(bytes), kMaySignature) | bit(bytes.holds('{'), kMayBrace) |
           bit(bytes.holds('"'), kMayQuote) | bit(kFound.mayBeIn(bytes), kMayFound) |
           bit(kDeviceName.mayBeIn(bytes), kMayDeviceName) |
           bit(kInstallOf.mayBeIn(bytes), kMayInstallOf) |
           bit(kSuccessfully.mayBeIn(bytes), kMaySuccessfully) |
           bit(kNullDriver.mayBeIn(bytes), kMayNullDriver) | bit(kMunged.mayBeIn(bytes), kMayMunged) |
           bit(kExeName.mayBeIn(bytes), kMayExeName) |
           bit(kDeviceClass.mayBeIn(bytes), kMayDeviceClass);
}

// The bytes from offset `begin` up to offset `end` (not included); empty when `end` is not
// past `begin`. The rules below count in offsets from 0, each cut where the field rules
// cut it. `end` never lies past the text.
std::string_view slice(std::string_view text, std::size_t begin, std::size_t end)
{
    return end > begin ? text.substr(begin, end - begin) : std::string_view();
}

// `field` := the n-th quoted text (from 1): what lies between the (2n-1)-th and the
// (2n)-th double quote; unchanged when either quote is missing. `firstQuote` is where the
// first quote stands (kNone when there is none): the line is searched for it only once.
// The value is written straight into the field: handed back in a std::optional, it went
// through memory in two halves and was read back whole, which stalls the processor.
void assignQuoted(std::string_view& field, std::string_view message, std::size_t firstQuote, int n)
{
    std::size_t open = firstQuote;
    std::size_t close = kNone;
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            open = message.find('"', close + 1);
        }
        if (open == kNone) {
            return;
        }
        close = message.find('"', open + 1);
        if (close == kNone) {
            return;
        }
    }
    field = slice(message, open + 1, close);
}

// `field` := the text between the first `open` and the first `close` after it; unchanged
// when either is missing.
void assignBetween(std::string_view& field, std::string_view message, char open, char close)
{
    const std::size_t at = message.find(open);
    if (at == kNone) {
        return;
    }
    const std::size_t end = message.find(close, at + 1);
    if (end == kNone) {
        return;
    }
    field = slice(message, at + 1, end);
}

// Rules keyed by the three-digit message code of a marked line; the first matching group
// applies.
void applyCodeRules(std::string_view code, std::string_view message, std::size_t firstQuote,
                    LineValues& line, const Record& event)
{
    switch (codeKey(code)) {
    case codeKey("022"):
        assignQuoted(line.device, message, firstQuote, 1);
        assignQuoted(line.name, message, firstQuote, 2);
        break;
    case codeKey("123"):
    case codeKey("121"):
    case codeKey("124"):
    case codeKey("122"):
    case codeKey("104"):
    case codeKey("406"):
    case codeKey("100"):
    case codeKey("292"):
    case codeKey("289"):
        assignQuoted(line.device, message, firstQuote, 1);
        break;
    case codeKey("198"):
    case codeKey("199"):
        // A blank from the 23rd character on.
        if (message.find(' ', 22) != kNone) {
            line.path = message;
        }
        break;
    case codeKey("140"):
    case codeKey("147"):
        assignQuoted(line.name, message, firstQuote, 1);
        break;
    case codeKey("063"):
        // Only the event's first bracketed name counts.
        if (!event.name.empty()) {
            return;
        }
        assignBetween(line.name, message, '[', ']');
        break;
    default:
        break;
    }
}

// A volume identifier "SIGNATURE<sig>OFFSET<hex>LENGTH<hex>", its "SIGNATURE" at `sigAt`:
// the line gets the raw signature, and, when the size converts, the line and the event get
// the description. An event whose Path begins with "FTDisk" keeps its Path and Signature.
void applySignatureRule(std::string_view message, std::size_t sigAt, LineValues& line,
                        Record& event)
{
    const std::size_t offsetAt = kOffset.find(message, sigAt + 1);
    if (offsetAt == kNone) {
        return;
    }
    line.sig = slice(message, sigAt + 9, offsetAt);

    const std::size_t lengthAt = kLength.find(message, offsetAt);
    if (lengthAt == kNone || event.path.starts_with("FTDisk")) {
        return;
    }
    // The description is written into the line's own string, whose memory the next
    // volume uses again.
    if (!describeVolume(line.described, slice(message, offsetAt + 6, lengthAt),
                        message.substr(lengthAt + 6), line.sig)) {
        return;  // Digits that do not convert: the raw signature stands.
    }
    event.path = line.described;
    event.sig = line.described;
    line.sig = line.described;
}

// The text from the first "{", at `braceAt`, to the first "}" after it.
void applyGuidRule(std::string_view message, std::size_t braceAt, LineValues& line)
{
    const std::size_t end = message.find('}', braceAt + 1);
    if (end != kNone) {
        line.guid = slice(message, braceAt + 1, end);
    }
}

// The text after the first "evice \"", up to the next quote from the text's third byte on;
// `firstQuote` is where the line's first quote stands.
void applyQuotedDeviceRule(std::string_view message, std::size_t firstQuote, LineValues& line)
{
    // The phrase ends in a quote, so it begins no earlier than six bytes before the line's
    // first quote.
    const std::size_t quoteInPhrase = kQuotedDevice.text().size() - 1;
    const std::size_t from = firstQuote > quoteInPhrase ? firstQuote - quoteInPhrase : 0;
    const std::size_t at = kQuotedDevice.find(message, from);
    if (at == kNone) {
        return;
    }
    const std::size_t close = message.find('"', at + 9);
    if (close != kNone) {
        line.device = slice(message, at + 7, close);
    }
}

// Phrase rules for the unmarked lines of Windows 2000 logs, in order: a later phrase
// overwrites what an earlier one set. `may` rules out at once the phrases the line
// cannot hold. A cut "to the end less one" leaves out the line's last character.
void applyWin2kRules(std::string_view message, std::uint32_t may, LineValues& line)
{
    const auto find = [&](const Phrase& phrase, UnmarkedBit bit) {
        return (may & bit) != 0 ? phrase.find(message) : kNone;
    };
    const std::size_t lastChar = message.size() - 1;  // used only once a phrase is found
    std::size_t at = 0;

    if ((at = find(kFound, kMayFound)) != kNone) {
        const std::size_t end = message.find(' ', at + 7);
        if (end != kNone) {
            line.device = slice(message, at + 6, end);
        }
    }
    if ((at = find(kDeviceName, kMayDeviceName)) != kNone) {
        const std::size_t end = message.find(';', at + 1);
        if (end != kNone) {
            line.name = slice(message, at + 8, end);
        }
    }
    if ((at = find(kInstallOf, kMayInstallOf)) != kNone) {
        const std::size_t end = message.find(' ', at + 12);
        line.device = slice(message, at + 11, end != kNone ? end : lastChar);
    }
    if ((at = find(kSuccessfully, kMaySuccessfully)) != kNone) {
        const std::size_t end = message.find(')', at + 1);
        if (end != kNone) {
            line.device = slice(message, at + 14, end);
        }
    }
    if ((at = find(kNullDriver, kMayNullDriver)) != kNone) {
        line.device = slice(message, at + 16, lastChar);
    }
    if ((at = find(kMunged, kMayMunged)) != kNone) {
        line.path = slice(message, at + 16, message.size());
    }
    if ((at = find(kExeName, kMayExeName)) != kNone) {
        line.path = slice(message, at + 10, message.size());
    }
    if ((at = find(kDeviceClass, kMayDeviceClass)) != kNone) {
        // Without a closing brace there is no class name to take.
        const std::size_t brace = message.find('}', at + 24);
        if (brace != kNone) {
            line.name = slice(message, brace + 2, lastChar);
        }
    }
}

// The rules of a marked line, by its code; true when its values depend on the event too.
// Each rule's key byte or phrase is sought once, and a rule whose key is missing is passed
// over. A marked line is sought for a quote, a brace and one phrase, which its bytes
// seldom rule out: it is searched as it stands.
bool applyMarkedRules(std::string_view code, std::string_view message, LineValues& line,
                      Record& event)
{
    bool eventRead = codeKey(code) == codeKey("063");
    const std::size_t firstQuote = message.find('"');
    applyCodeRules(code, message, firstQuote, line, event);
    if (const std::size_t at = kSignature.find(message); at != kNone) {
        applySignatureRule(message, at, line, event);
        eventRead = true;
    }
    if (const std::size_t at = message.find('{'); at != kNone) {
        applyGuidRule(message, at, line);
    }
    if (firstQuote != kNone && line.device.empty()) {
        applyQuotedDeviceRule(message, firstQuote, line);
    }
    return eventRead;
}

// The rules of an unmarked line; true when its values depend on the event too. The line is
// sought for a dozen phrases: `may`, worked out from its byte classes, tells what cannot
// be in it, which is not sought at all. The same generic rules, then its own.
bool applyUnmarkedRules(std::string_view message, std::uint32_t may, LineValues& line,
                        Record& event)
{
    bool eventRead = false;
    if ((may & kMaySignature) != 0) {
        if (const std::size_t at = kSignature.find(message); at != kNone) {
            applySignatureRule(message, at, line, event);
            eventRead = true;
        }
    }
    if ((may & kMayBrace) != 0) {
        if (const std::size_t at = message.find('{'); at != kNone) {
            applyGuidRule(message, at, line);
        }
    }
    if ((may & kMayQuote) != 0 && line.device.empty()) {
        applyQuotedDeviceRule(message, message.find('"'), line);
    }
    applyWin2kRules(message, may, line);
    return eventRead;
}

}  // namespace

void extractMessageCodes(std::string_view code, std::string_view message, LineValues& line,
                         Record& event)
{
    // A line met before with the same code gives what it gave then, unless its values
    // depended on the event too: a volume identifier's, or a "063" line's name.
    const bool unmarked = code == kWin2kCode;
    const std::uint32_t key = unmarked ? kUnmarkedKey : codeKey(code);
    LineMemo::Place* place = nullptr;
    const LineMemo::Kept* kept = line.memo.find(message, place);
    if (kept != nullptr && kept->code != key) {
        kept = nullptr;
    }
    if (kept != nullptr && kept->valuesKept) {
        line.path = spanned(message, kept->path);
        line.device = spanned(message, kept->device);
        line.guid = spanned(message, kept->guid);
        line.name = spanned(message, kept->name);
        return;
    }
    const std::uint32_t may = !unmarked ? 0 : kept != nullptr ? kept->bits : unmarkedBitsOf(message);
    const bool eventRead = unmarked ? applyUnmarkedRules(message, may, line, event)
                                    : applyMarkedRules(code, message, line, event);
    if (place != nullptr && kept == nullptr) {
        LineMemo::Kept remembered;
        remembered.code = key;
        remembered.bits = may;
        remembered.valuesKept = !eventRead;
        remembered.path = spanOf(message, line.path);
        remembered.device = spanOf(message, line.device);
        remembered.guid = spanOf(message, line.guid);
        remembered.name = spanOf(message, line.name);
        LineMemo::keep(*place, message, remembered);
    }
}

}  // namespace tillery
