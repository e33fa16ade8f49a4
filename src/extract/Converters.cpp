#include "extract/Converters.h"

#include "core/TextCase.h"
#include "extract/MainWindowOps.h"
#include "extract/Messages.h"
#include "extract/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace tillery {
namespace {

// Every byte's value as a hexadecimal digit, -1 for a byte that is none. Sizes mix digits
// and letters: a look-up spares the range tests whose outcome changes from digit to digit.
constexpr std::array<signed char, 256> kHexDigitValues = [] {
    std::array<signed char, 256> values{};
    for (int c = 0; c < 256; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<signed char>(
            c >= '0' && c <= '9'   ? c - '0'
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                   : -1);
    }
    return values;
}();

// A hexadecimal digit's value, or -1 for any other character.
int hexDigitValue(char c)
{
    return kHexDigitValues[static_cast<unsigned char>(c)];
}

// Nearest whole number; a value exactly halfway goes to the even neighbour.
double roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5) {
        return below + 1;
    }
    if (fraction < 0.5) {
        return below;
    }
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

// A whole number in plain decimal digits, without exponent or fraction.
std::string wholeNumberText(double value)
{
    // Sizes in megabytes and gigabytes fit a 64-bit integer, whose digits are far cheaper
    // to write than a double's; the digits are the same.
    if (!std::signbit(value) && value < 0x1p63) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits,
                                       static_cast<std::int64_t>(value)).ptr;
        return std::string(digits, end);
    }
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0);
    if (result.ec != std::errc{}) {
        return "?";
    }
    return std::string(buffer, result.ptr);
}

// The bytes the device tidy makes blanks: "&", "\" and "_". A look-up: most bytes of an
// ID are none of them, and a test of three values for every byte costs more.
constexpr std::array<bool, 256> kMadeBlank = [] {
    std::array<bool, 256> blank{};
    blank['&'] = blank['\\'] = blank['_'] = true;
    return blank;
}();

// A device ID cut at "____", "&REV_", "&LUN" and "_LUN_", its first "&VEN_" made a blank,
// and every "&", "\" and "_" made a blank. Each cut is made in what the cuts before it
// left, and "&VEN_" is looked for in what all of them left.
std::string tidyIdentifier(std::string device)
{
    static constexpr std::array<std::string_view, 4> kCuts = {"____", "&REV_", "&LUN", "_LUN_"};
    static constexpr std::string_view kVendor = "&VEN_";
    constexpr std::size_t kNone = std::string::npos;

    // One pass makes the blanks and finds where each marker first begins: every one begins
    // with an "&" or a "_", looked at before that byte is made a blank. Once a cut marker
    // is found, the tidied ID ends before that marker's end (at the marker, unless a cut
    // made before it breaks it), so the pass stops there.
    std::array<std::size_t, kCuts.size()> cutAt;
    cutAt.fill(kNone);
    std::size_t vendorAt = kNone;
    // Through a plain pointer: the blanks written would otherwise make the compiler fetch
    // the string's size and data again for every byte.
    char* const id = device.data();
    const std::size_t size = device.size();
    std::size_t end = size;
    for (std::size_t i = 0; i < end; ++i) {
        char& c = id[i];
        if (!kMadeBlank[static_cast<unsigned char>(c)]) {
            continue;
        }
        if (c == '\\') {
            c = ' ';
            continue;
        }
        const std::string_view rest(id + i, size - i);
        for (std::size_t k = 0; k < kCuts.size(); ++k) {
            if (cutAt[k] == kNone && rest.starts_with(kCuts[k])) {
                cutAt[k] = i;
                end = std::min(end, i + kCuts[k].size());
            }
        }
        if (vendorAt == kNone && rest.starts_with(kVendor)) {
            vendorAt = i;
        }
        c = ' ';
    }

    // A marker's later occurrences begin and end after its first: when the first does not
    // end within what the cuts before left, none does.
    std::size_t length = size;
    for (std::size_t k = 0; k < kCuts.size(); ++k) {
        if (cutAt[k] != kNone && cutAt[k] + kCuts[k].size() <= length) {
            length = cutAt[k];
        }
    }
    device.resize(length);
    if (vendorAt != kNone && vendorAt + kVendor.size() <= length) {
        device.erase(vendorAt + 1, kVendor.size() - 1);  // its "&" is a blank already
    }
    return device;
}

}  // namespace

std::string_view fExtractDate(MainWindowOps& ops, std::string_view strStart)
{
    const bool narrate = ops.showsSectionStatus();
    std::string status;
    if (narrate) {
        // Room for the longer text at once: a Latin-1 byte takes at most two UTF-8 bytes,
        // and the date is a piece of the line.
        status.reserve(msg::kFoundDate.size() + msg::kDateArrow.size() + 4 * strStart.size());
        status.append(msg::kFoundDate);
        appendLatin1AsUtf8(status, strStart);
        ops.setStatus(status);
    }

    const Pos firstBlank = findFrom(strStart, 1, " ");
    if (firstBlank == 0) {
        return "?";
    }
    const Pos secondBlank = findFrom(strStart, firstBlank + 1, " ");
    if (secondBlank == 0) {
        return "?";
    }
    // The leading "[" is skipped; the date-time runs up to the second blank.
    const std::string_view result = piece(strStart, 2, secondBlank - 2);
    if (narrate) {
        status.append(msg::kDateArrow);
        appendLatin1AsUtf8(status, result);
        ops.setStatus(status);
    }
    return result;
}

std::optional<double> fGetHex(std::string_view strHex)
{
    // From 256 digits on the weight of the next digit, 16^256, is beyond the double range.
    if (strHex.size() >= 256) {
        return std::nullopt;
    }
    double total = 0;
    double weight = 1;
    for (auto it = strHex.rbegin(); it != strHex.rend(); ++it) {
        const int digit = hexDigitValue(*it);
        if (digit < 0) {
            return std::nullopt;
        }
        total += digit * weight;
        weight *= 16;
    }
    return total;
}

namespace {

// `value` / 2^`bits` (`bits` 1 or more) rounded to the nearest whole number; a value
// exactly halfway goes to the even neighbour, as roundHalfEven does.
std::uint64_t shiftHalfEven(std::uint64_t value, unsigned bits)
{
    const std::uint64_t whole = value >> bits;
    const std::uint64_t rest = value & ((std::uint64_t{1} << bits) - 1);
    const std::uint64_t half = std::uint64_t{1} << (bits - 1);
    return rest > half || (rest == half && whole % 2 != 0) ? whole + 1 : whole;
}

// appendSizeText for at most 13 digits. Below 2^52 bytes every step of the double
// arithmetic is exact (sums of digits times powers of 16, divisions by powers of 2), so
// integers give the same sizes, without a chain of floating-point steps for every digit.
bool appendSmallSizeText(std::string& out, std::string_view hexDigits)
{
    std::uint64_t bytes = 0;
    for (const char c : hexDigits) {
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        bytes = bytes * 16 + static_cast<std::uint64_t>(digit);
    }
    std::uint64_t size = shiftHalfEven(bytes, 20);
    std::string_view unit = " MB";
    if (size > 1023) {
        size = shiftHalfEven(size, 10);
        unit = " GB";
    }
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, size).ptr);
    out += unit;
    return true;
}

// Appends sizeText(hexDigits) to `out`; false, `out` unchanged, when the digits do not
// convert. A volume's description is so built in one string, without a string per size.
bool appendSizeText(std::string& out, std::string_view hexDigits)
{
    if (hexDigits.size() <= 13) {
        return appendSmallSizeText(out, hexDigits);
    }
    const std::optional<double> bytes = fGetHex(hexDigits);
    if (!bytes) {
        return false;
    }
    const double megabytes = roundHalfEven(*bytes / 1024 / 1024);
    if (megabytes > 1023) {
        // Gigabytes are rounded from the whole megabytes, not from the byte count.
        out += wholeNumberText(roundHalfEven(megabytes / 1024));
        out += " GB";
    } else {
        out += wholeNumberText(megabytes);
        out += " MB";
    }
    return true;
}

}  // namespace

std::optional<std::string> sizeText(std::string_view hexDigits)
{
    std::string text;
    if (!appendSizeText(text, hexDigits)) {
        return std::nullopt;
    }
    return text;
}

bool describeVolume(std::string& description, std::string_view offsetDigits,
                    std::string_view afterLength, std::string_view signature)
{
    // The length digits run from just after "LENGTH" to the first character that is no
    // hexadecimal digit: a closing quote (Windows XP), or ")" or a blank (Windows 2000).
    std::size_t digitCount = 0;
    while (digitCount < afterLength.size() && hexDigitValue(afterLength[digitCount]) >= 0) {
        ++digitCount;
    }
    std::string_view lengthDigits = afterLength.substr(0, digitCount);
    if (lengthDigits.empty()) {
        lengthDigits = "0";
    }
    description.assign("Signature: ");
    description += signature;
    description += ", Offset: ";
    if (!appendSizeText(description, offsetDigits)) {
        return false;
    }
    description += ", Size: ";
    return appendSizeText(description, lengthDigits);
}

std::optional<std::string> fConvertHexSize(std::string_view strHex, std::string_view strSIG,
                                           std::string_view strFull)
{
    (void)strFull;  // The whole message text does not change the description.

    const Pos lengthAt = findFrom(strHex, 1, "LENGTH");
    if (lengthAt == 0) {
        return std::string();
    }
    std::string description;
    if (!describeVolume(description, piece(strHex, 1, lengthAt - 1),
                        pieceToEnd(strHex, lengthAt + 6), strSIG)) {
        return std::nullopt;
    }
    return description;
}

std::string fTidyDevice(std::string_view strDevice, std::string_view strSIG)
{
    // A volume is shown by its signature description.
    static constexpr Phrase kSignature("SIGNATURE");
    if (kSignature.find(strDevice) != std::string_view::npos) {
        return std::string(strSIG);
    }
    return tidyIdentifier(std::string(strDevice));
}

std::string fTidyDeviceVista(std::string_view strDevice, std::string_view strSIG)
{
    // The disk a WPD node or volume sits on names it better than the node does.
    std::string device(strSIG.empty() ? strDevice : strSIG);
    for (char& c : device) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return tidyIdentifier(std::move(device));
}

}  // namespace tillery
