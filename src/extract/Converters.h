#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tillery {

class MainWindowOps;

// Date-time of a section header line: the text from character 2 up to the second blank,
// or "?" when the line holds fewer than two blanks: a view into the line (or of a constant
// text), so a section's date costs no allocation. Reports "Found date entry: <line>",
// then appends " => <date>" when a date was found, in the status text.
std::string_view fExtractDate(MainWindowOps& ops, std::string_view strStart);

// Name of a message type from the first character ("E" Error, "W" Warning,
// "I" Informational, "T" Timing, "V" Verbose, "-" Status); "?" for anything else.
// Inline: every marked line asks it.
inline std::string_view fConvertMessageType(std::string_view strMess)
{
    if (strMess.empty()) {
        return "?";
    }
    switch (strMess.front()) {
    case 'E':
        return "Error";
    case 'W':
        return "Warning";
    case 'I':
        return "Informational";
    case 'T':
        return "Timing";
    case 'V':
        return "Verbose";
    case '-':
        return "Status";
    default:
        return "?";
    }
}

// Value of hexadecimal digits, last digit weighing 1. Empty text gives 0. Empty optional
// when a character is no hexadecimal digit or the value leaves the double range
// (256 digits or more).
std::optional<double> fGetHex(std::string_view strHex);

// "<n> MB" or "<n> GB" for a hexadecimal byte count, whole numbers rounded half to even;
// empty optional when the digits do not convert.
std::optional<std::string> sizeText(std::string_view hexDigits);

// Description of a volume identifier: "Signature: <sig>, Offset: <size>, Size: <size>".
// `strHex` is the text after "OFFSET". Empty text when it holds no "LENGTH". The length
// digits are the hexadecimal digits directly after "LENGTH" ("0" when there are none).
// Empty optional when the offset or length digits do not convert: the caller then treats
// the line as if it had no "LENGTH".
std::optional<std::string> fConvertHexSize(std::string_view strHex, std::string_view strSIG,
                                           std::string_view strFull);

// The description fConvertHexSize gives for a volume identifier whose "LENGTH" was found:
// `offsetDigits` are the digits before it, `afterLength` the text after it. Written into
// `description`, whose memory is so used again from one volume to the next; false (and
// `description` left holding a part) when the offset or length digits do not convert.
bool describeVolume(std::string& description, std::string_view offsetDigits,
                    std::string_view afterLength, std::string_view signature);

// Readable device identifier: the Signature for a volume ("SIGNATURE" in the Device),
// otherwise the Device cut at "____", "&REV_", "&LUN", "_LUN_", its first "&VEN_" made a
// blank, and every "&", "\" and "_" made a blank.
std::string fTidyDevice(std::string_view strDevice, std::string_view strSIG);

// The same tidy for a Vista+ log, whose IDs keep their logged letter case: the Signature
// (the disk a WPD node or volume sits on) when there is one, otherwise the Device, with
// a-z made upper case, then cut and blanked as fTidyDevice does. So one device gives
// the same text from either layout.
std::string fTidyDeviceVista(std::string_view strDevice, std::string_view strSIG);

}  // namespace tillery
