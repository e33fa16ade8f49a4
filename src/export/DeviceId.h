#pragma once

#include "core/Record.h"
#include "extract/RecordSink.h"

#include <string>
#include <string_view>

namespace tillery {

// The parts of a device identifier "BUS\HARDWARE-ID\INSTANCE". A part the identifier
// does not hold is "".
struct DeviceParts {
    std::string bus;       // upper-cased: USBSTOR, USB, IDE, SCSI, 1394, SBP2, STORAGE, ...
    std::string vendor;
    std::string product;
    std::string revision;
    std::string serial;    // the instance part as written
    std::string vid;       // from VID_xxxx
    std::string pid;       // from PID_xxxx

    // A serial whose second character is "&" was made up by Windows for a device that
    // reports none: it only names the port, not the device.
    bool serialUnique() const { return !serial.empty() && !(serial.size() >= 2 && serial[1] == '&'); }
    bool empty() const { return bus.empty(); }
    bool operator==(const DeviceParts&) const = default;
};

// The device identifier a text embeds after "_??_" (a Vista portable-device node names
// its disk that way), with "#" read as "\" and the trailing interface GUID dropped; ""
// when there is no "_??_".
std::string embeddedDeviceId(std::string_view text);

// Splits an identifier. An identifier that embeds another (see embeddedDeviceId) is read
// as the embedded one, so a portable-device node and its disk give the same parts.
// Nothing is split from text that is no identifier (no "\", or blanks, ":" or "%" in the
// bus part).
DeviceParts splitDeviceId(std::string_view identifier);

// The identifier a row names: its Signature when that holds an identifier (the disk a
// Vista node embeds), else its Device, else, with `instanceFallback` (for events, whose
// Instance is their own), the identifier after " - " in its Instance, which keeps the
// whole identifier when the Device was tidied for display.
DeviceParts deviceParts(const Record& record, bool instanceFallback);

// The identifier a row of a run names: an event's from its Device as the log gave it
// (the context's untidied Device, as the tidy drops the serial), with the Instance
// fallback; any other row's from its own fields.
DeviceParts rowDeviceParts(const RecordView& record, const RowContext& context);

}  // namespace tillery
