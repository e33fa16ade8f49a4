#include "extract/MessageCodes.h"

#include "extract/Converters.h"
#include "extract/Text.h"

#include <optional>
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

// The n-th quoted text (from 1): what lies between the (2n-1)-th and the (2n)-th double
// quote. None when either quote is missing.
std::optional<std::string_view> quotedText(std::string_view message, int n)
{
    Pos open = 0;
    Pos close = 0;
    for (int i = 0; i < n; ++i) {
        open = findFrom(message, close + 1, "\"");
        if (open == 0) {
            return std::nullopt;
        }
        close = findFrom(message, open + 1, "\"");
        if (close == 0) {
            return std::nullopt;
        }
    }
    return piece(message, open + 1, close - open - 1);
}

// The text between the first `open` and the first `close` after it; none when either is
// missing.
std::optional<std::string_view> textBetween(std::string_view message, std::string_view open,
                                            std::string_view close)
{
    const Pos at = findFrom(message, 1, open);
    if (at == 0) {
        return std::nullopt;
    }
    const Pos end = findFrom(message, at + 1, close);
    if (end == 0) {
        return std::nullopt;
    }
    return piece(message, at + 1, end - at - 1);
}

void assignQuoted(std::string& field, std::string_view message, int n)
{
    if (const auto text = quotedText(message, n)) {
        field = *text;
    }
}

// Rules keyed by the three-digit message code of a marked line; the first matching group
// applies.
void applyCodeRules(std::string_view code, std::string_view message, Record& line,
                    const Record& event)
{
    switch (messageCodeNumber(code)) {
    case 22:  // "022"
        assignQuoted(line.device, message, 1);
        assignQuoted(line.name, message, 2);
        break;
    case 123:
    case 121:
    case 124:
    case 122:
    case 104:
    case 406:
    case 100:
    case 292:
    case 289:
        assignQuoted(line.device, message, 1);
        break;
    case 198:
    case 199:
        if (findFrom(message, 23, " ") != 0) {
            line.path = message;
        }
        break;
    case 140:
    case 147:
        assignQuoted(line.name, message, 1);
        break;
    case 63:  // "063"
        // Only the event's first bracketed name counts.
        if (!event.name.empty()) {
            return;
        }
        if (const auto name = textBetween(message, "[", "]")) {
            line.name = *name;
        }
        break;
    default:
        break;
    }
}

// A volume identifier "SIGNATURE<sig>OFFSET<hex>LENGTH<hex>": the line gets the raw
// signature, and, when the size converts, the line and the event get the description.
// An event whose Path begins with "FTDisk" keeps its Path and Signature.
void applySignatureRule(std::string_view message, ByteBits bits, Record& line, Record& event)
{
    const Pos sigAt = kSignature.findFrom(message, 1, bits);
    if (sigAt == 0) {
        return;
    }
    const Pos offsetAt = kOffset.findFrom(message, sigAt + 1, bits);
    if (offsetAt == 0) {
        return;
    }
    line.sig = piece(message, sigAt + 9, offsetAt - sigAt - 9);

    if (kLength.findFrom(message, offsetAt, bits) == 0 || event.path.starts_with("FTDisk")) {
        return;
    }
    const std::optional<std::string> description =
        fConvertHexSize(pieceToEnd(message, offsetAt + 6), line.sig, message);
    if (!description) {
        return;  // Digits that do not convert: the raw signature stands.
    }
    event.path = *description;
    event.sig = *description;
    line.sig = *description;
}

void applyGuidRule(std::string_view message, Record& line)
{
    if (const auto guid = textBetween(message, "{", "}")) {
        line.guid = *guid;
    }
}

void applyQuotedDeviceRule(std::string_view message, ByteBits bits, Record& line)
{
    if (!line.device.empty()) {
        return;
    }
    const Pos at = kQuotedDevice.findFrom(message, 1, bits);
    if (at == 0) {
        return;
    }
    const Pos close = findFrom(message, at + 9, "\"");
    if (close != 0) {
        line.device = piece(message, at + 7, close - at - 7);
    }
}

// Phrase rules for the unmarked lines of Windows 2000 logs, in order: a later phrase
// overwrites what an earlier one set.
void applyWin2kRules(std::string_view message, ByteBits bits, Record& line)
{
    const Pos length = textLength(message);
    Pos at = 0;

    if ((at = kFound.findFrom(message, 1, bits)) != 0) {
        const Pos end = findFrom(message, at + 7, " ");
        if (end != 0) {
            line.device = piece(message, at + 6, end - at - 6);
        }
    }
    if ((at = kDeviceName.findFrom(message, 1, bits)) != 0) {
        const Pos end = findFrom(message, at + 1, ";");
        if (end != 0) {
            line.name = piece(message, at + 8, end - at - 8);
        }
    }
    if ((at = kInstallOf.findFrom(message, 1, bits)) != 0) {
        Pos end = findFrom(message, at + 12, " ");
        if (end == 0) {
            end = length;
        }
        line.device = piece(message, at + 11, end - at - 11);
    }
    if ((at = kSuccessfully.findFrom(message, 1, bits)) != 0) {
        const Pos end = findFrom(message, at + 1, ")");
        if (end != 0) {
            line.device = piece(message, at + 14, end - at - 14);
        }
    }
    if ((at = kNullDriver.findFrom(message, 1, bits)) != 0) {
        // The rest of the line less its last character.
        line.device = piece(message, at + 16, length - at - 16);
    }
    if ((at = kMunged.findFrom(message, 1, bits)) != 0) {
        line.path = piece(message, at + 16, length - at - 15);
    }
    if ((at = kExeName.findFrom(message, 1, bits)) != 0) {
        line.path = piece(message, at + 10, length - at - 9);
    }
    if ((at = kDeviceClass.findFrom(message, 1, bits)) != 0) {
        // Without a closing brace there is no class name to take.
        const Pos brace = findFrom(message, at + 24, "}");
        if (brace != 0) {
            line.name = piece(message, brace + 2, length - brace - 2);
        }
    }
}

}  // namespace

int messageCodeNumber(std::string_view code)
{
    if (code.size() != 3) {
        return -1;
    }
    int number = 0;
    for (const char c : code) {
        if (c < '0' || c > '9') {
            return -1;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

void extractMessageCodes(std::string_view code, std::string_view message, Record& line,
                         Record& event)
{
    const bool win2k = code == kWin2kCode;
    if (!win2k) {
        applyCodeRules(code, message, line, event);
    }
    // An unmarked line is sought for a dozen phrases: those that cannot be in it are ruled
    // out by its bytes at once. A marked line is sought for three, which its bytes seldom
    // rule out: it is searched as it stands.
    const ByteBits bits = win2k ? byteBitsOf(message) : ~ByteBits{0};
    applySignatureRule(message, bits, line, event);
    applyGuidRule(message, line);
    applyQuotedDeviceRule(message, bits, line);
    if (win2k) {
        applyWin2kRules(message, bits, line);
    }
}

}  // namespace tillery
