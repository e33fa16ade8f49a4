#include "export/DeviceId.h"

#include "extract/VistaLines.h"

#include <algorithm>
#include <array>

namespace tillery {

namespace {

// Identifiers are ASCII: their letters are compared and upper-cased without the locale.
char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return upper(a) == upper(b); });
}

// Padding: identifiers write blanks as "_" and fill fixed-width fields with them.
std::string trimPadding(std::string_view text)
{
    const auto last = text.find_last_not_of('_');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

bool looksLikeIdentifier(std::string_view text)
{
    const auto slash = text.find('\\');
    if (slash == 0 || slash == std::string_view::npos) {
        return false;
    }
    // One pass over the text: a search for a set of bytes searches for each at every byte.
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return c == ' ' || c == '\t' || c == ':' || c == '%'; });
}

// The "&"-separated tags of a hardware ID: Ven_, Prod_, Rev_, VID_, PID_, DEV_.
void readTags(std::string_view hardwareId, DeviceParts& parts)
{
    std::string productFromDev;
    std::size_t start = 0;
    while (start <= hardwareId.size()) {
        const auto end = std::min(hardwareId.find('&', start), hardwareId.size());
        const std::string_view tag = hardwareId.substr(start, end - start);
        const auto value = [&](std::size_t prefix) { return trimPadding(tag.substr(prefix)); };
        if (startsWithNoCase(tag, "VEN_")) {
            parts.vendor = value(4);
        } else if (startsWithNoCase(tag, "PROD_")) {
            parts.product = value(5);
        } else if (startsWithNoCase(tag, "REV_")) {
            parts.revision = value(4);
        } else if (startsWithNoCase(tag, "VID_")) {
            parts.vid = std::string(tag.substr(4));
        } else if (startsWithNoCase(tag, "PID_")) {
            parts.pid = std::string(tag.substr(4));
        } else if (startsWithNoCase(tag, "DEV_")) {
            productFromDev = std::string(tag.substr(4));
        }
        start = end + 1;
    }
    if (parts.product.empty()) {
        parts.product = productFromDev;
    }
}

// Device types that storage buses write before the packed vendor and product.
constexpr std::array<std::string_view, 20> kDeviceTypes = {
    "GenSFloppy", "Sequential", "Communication", "CardReader", "Enclosure", "Processor",
    "Changer",    "Scanner",    "Optical",       "Printer",    "SFloppy",   "ASCIT8",
    "Bridge",     "Array",      "CdRom",         "Other",      "Disk",      "Worm",
    "Net",        "RBC"};

// Packed form without tags: type, then fixed-width fields padded with "_". IDE packs a
// 40-character model (vendor and product separated by the first "_") and an 8-character
// revision; the SCSI-style buses an 8-character vendor, a 16-character product and a
// 4-character revision.
void readPacked(std::string_view bus, std::string_view hardwareId, DeviceParts& parts)
{
    std::string_view rest = hardwareId;
    for (std::string_view type : kDeviceTypes) {
        if (startsWithNoCase(rest, type)) {
            rest.remove_prefix(type.size());
            break;
        }
    }
    if (rest.empty()) {
        return;
    }
    if (bus == "IDE" || bus == "ATA") {
        const std::string model = trimPadding(rest.substr(0, 40));
        const auto gap = model.find('_');
        parts.vendor = model.substr(0, gap);
        if (gap != std::string::npos) {
            parts.product = trimPadding(std::string_view(model).substr(gap + 1));
            const auto start = parts.product.find_first_not_of('_');
            parts.product = start == std::string::npos ? std::string() : parts.product.substr(start);
        }
        if (rest.size() > 40) {
            parts.revision = trimPadding(rest.substr(40, 8));
        }
        return;
    }
    parts.vendor = trimPadding(rest.substr(0, 8));
    if (rest.size() > 8) {
        parts.product = trimPadding(rest.substr(8, 16));
    }
    if (rest.size() > 24) {
        parts.revision = trimPadding(rest.substr(24, 4));
    }
}

}  // namespace

std::string embeddedDeviceId(std::string_view text)
{
    return vista::embeddedDeviceId(text);
}

DeviceParts splitDeviceId(std::string_view identifier)
{
    const std::string embedded = embeddedDeviceId(identifier);
    if (!embedded.empty()) {
        identifier = embedded;
    }
    DeviceParts parts;
    if (!looksLikeIdentifier(identifier)) {
        return parts;
    }
    const auto first = identifier.find('\\');
    parts.bus = upperAscii(identifier.substr(0, first));
    std::string_view hardwareId = identifier.substr(first + 1);
    const auto second = hardwareId.find('\\');
    if (second != std::string_view::npos) {
        parts.serial = std::string(hardwareId.substr(second + 1));
        hardwareId = hardwareId.substr(0, second);
    }

    readTags(hardwareId, parts);
    const bool tagged = !parts.vendor.empty() || !parts.product.empty() ||
                        !parts.vid.empty() || !parts.pid.empty();
    if (tagged) {
        return parts;
    }
    if (parts.bus == "1394" || parts.bus == "SBP2") {
        // VENDOR&MODEL[&...]
        const auto amp = hardwareId.find('&');
        if (amp != std::string_view::npos) {
            parts.vendor = trimPadding(hardwareId.substr(0, amp));
            const auto next = hardwareId.find('&', amp + 1);
            parts.product = trimPadding(hardwareId.substr(amp + 1, next == std::string_view::npos
                                                                         ? std::string_view::npos
                                                                         : next - amp - 1));
        }
    } else if (parts.bus == "IDE" || parts.bus == "ATA" || parts.bus == "SCSI" ||
               parts.bus == "USBSTOR") {
        if (hardwareId.find('&') == std::string_view::npos) {
            readPacked(parts.bus, hardwareId, parts);
        }
    }
    return parts;
}

namespace {

// The parts of the identifier a row names, from its Signature, Device and Instance.
DeviceParts partsOf(std::string_view signature, std::string_view device, std::string_view instance,
                    bool instanceFallback)
{
    // A text that neither is nor embeds an identifier splits into no parts.
    for (const std::string_view candidate : {signature, device}) {
        DeviceParts parts = splitDeviceId(candidate);
        if (!parts.empty()) {
            return parts;
        }
    }
    const auto dash = instance.find(" - ");
    if (!instanceFallback || dash == std::string_view::npos) {
        return {};
    }
    std::string_view identifier = instance.substr(dash + 3);
    identifier = identifier.substr(0, identifier.find(' '));
    return splitDeviceId(identifier);
}

}  // namespace

DeviceParts deviceParts(const Record& record, bool instanceFallback)
{
    return partsOf(record.sig, record.device, record.instance, instanceFallback);
}

DeviceParts rowDeviceParts(const RecordView& record, const RowContext& context)
{
    if (context.kind != RowKind::Event) {
        return partsOf(record.sig, record.device, record.instance, false);
    }
    return partsOf(record.sig, context.untidiedDevice, record.instance, true);
}

}  // namespace tillery
