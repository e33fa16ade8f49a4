#pragma once

// Turns arbitrary bytes into one call of the message-code extraction and checks what must
// hold for any message. Shared by the fuzz target and the test that replays saved inputs.

#include "core/Record.h"
#include "extract/MessageCodes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tillery::fuzz {

struct MessageCodeCase {
    std::string code;
    std::string message;
    Record event;  // what the event held before the line
};

// Codes with rules of their own, the Windows 2000 code and a few without any.
inline constexpr std::array<std::string_view, 20> kProbeCodes = {
    "022", "123", "121", "124", "122", "104", "406", "100", "292", "289",
    "198", "199", "140", "147", "063", "2K",  "019", "142", "",    "12",
};

// The first byte picks the code (bits 0-4: one of kProbeCodes, or from 20 on the next
// three bytes as they stand) and the event's earlier values (bits 5-6: its Path, bit 7:
// a Name already taken). The remaining bytes are the message.
inline MessageCodeCase decodeMessageCodeCase(std::string_view bytes)
{
    MessageCodeCase c;
    if (bytes.empty()) {
        return c;
    }
    const auto selector = static_cast<unsigned char>(bytes.front());
    bytes.remove_prefix(1);
    const unsigned pick = selector & 0x1Fu;
    if (pick < kProbeCodes.size()) {
        c.code = kProbeCodes[pick];
    } else {
        const std::size_t length = bytes.size() < 3 ? bytes.size() : 3;
        c.code = bytes.substr(0, length);
        bytes.remove_prefix(length);
    }
    switch ((selector >> 5) & 0x3u) {
    case 1:
        c.event.path = "FTDisk\\Volume1";
        break;
    case 2:
        c.event.path = "C:\\WINDOWS\\setupapi.log";
        break;
    case 3:
        c.event.path = "Signature: 0, Offset: 0 MB, Size: 0 MB";
        c.event.sig = c.event.path;
        break;
    default:
        break;
    }
    if ((selector & 0x80u) != 0) {
        c.event.name = "earlier name";
    }
    c.event.device = "earlier device";
    c.event.full = "earlier line";
    c.message = bytes;
    return c;
}

// Everything that did not hold for this case; empty when all is well.
inline std::vector<std::string> checkMessageCodes(const MessageCodeCase& c)
{
    std::vector<std::string> problems;
    LineValues line;
    Record event = c.event;
    extractMessageCodes(c.code, c.message, line, event);

    const std::string_view message = c.message;
    const auto fromMessage = [&](std::string_view value) {
        return value.empty() || message.find(value) != std::string_view::npos;
    };
    // Values are pieces of the message; only a volume description is made up.
    if (!fromMessage(line.device)) problems.push_back("Device is not a piece of the message");
    if (!fromMessage(line.name)) problems.push_back("Name is not a piece of the message");
    if (!fromMessage(line.guid)) problems.push_back("GUID is not a piece of the message");
    if (!fromMessage(line.path)) problems.push_back("Path is not a piece of the message");
    const bool described = line.sig.starts_with("Signature: ");
    if (!described && !fromMessage(line.sig)) {
        problems.push_back("Signature is neither a piece of the message nor a description");
    }
    // Every value views the message, but a converted Signature, which views the values' own
    // description: no value may outlive the text it was cut from.
    const auto views = [](std::string_view value, std::string_view text) {
        const auto at = reinterpret_cast<std::uintptr_t>(value.data());
        const auto from = reinterpret_cast<std::uintptr_t>(text.data());
        return value.empty() || (at >= from && at + value.size() <= from + text.size());
    };
    for (const std::string_view value : {line.device, line.name, line.guid, line.path}) {
        if (!views(value, message)) problems.push_back("a value does not view the message");
    }
    if (!views(line.sig, message) && !views(line.sig, line.described)) {
        problems.push_back("Signature views neither the message nor the description");
    }
    // Of the event, only Path and Signature change, together, to the line's description,
    // and never for an FTDisk event.
    Record untouched = event;
    untouched.path = c.event.path;
    untouched.sig = c.event.sig;
    if (!(untouched == c.event)) {
        problems.push_back("an event field other than Path and Signature changed");
    }
    if (event.path != c.event.path || event.sig != c.event.sig) {
        if (!described || event.path != line.sig || event.sig != line.sig) {
            problems.push_back("the event's Path and Signature did not both take the description");
        }
        if (c.event.path.starts_with("FTDisk")) {
            problems.push_back("an FTDisk event's Path was replaced");
        }
    }
    // The Name rule of "063" holds back once the event has a Name.
    if (c.code == "063" && !c.event.name.empty() && !line.name.empty()) {
        problems.push_back("\"063\" took a Name although the event had one");
    }
    return problems;
}

}  // namespace tillery::fuzz
