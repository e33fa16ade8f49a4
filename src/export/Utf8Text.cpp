#include "export/Utf8Text.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace tillery {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence at the start of `bytes`, 0 when there is none.
std::size_t sequenceLength(std::string_view bytes)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const auto continuation = [&](std::size_t i) {
        return i < bytes.size() && (byte(i) & 0xC0) == 0x80;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(1) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2)) {
            return 0;
        }
        const unsigned char second = byte(1);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)) {
            return 0;  // overlong, or a surrogate
        }
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3)) {
            return 0;
        }
        const unsigned char second = byte(1);
        if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
            return 0;  // overlong, or above U+10FFFF
        }
        return 4;
    }
    return 0;
}

// Keeps the well-formed sequences and puts U+FFFD for every other byte.
std::string replaceMalformed(std::string_view bytes)
{
    std::string out;
    while (!bytes.empty()) {
        const std::size_t length = sequenceLength(bytes);
        if (length == 0) {
            out.append(kReplacement);
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
        }
    }
    return out;
}

}  // namespace

bool isValidUtf8(std::string_view bytes)
{
    while (!bytes.empty()) {
        // Log text is mostly ASCII: eight bytes without a high bit are passed at once.
        if (bytes.size() >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes.data(), 8);
            if ((word & 0x8080808080808080u) == 0) {
                bytes.remove_prefix(8);
                continue;
            }
        }
        const std::size_t length = sequenceLength(bytes);
        if (length == 0) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

struct TextDecoder::Converter {
    explicit Converter(iconv_t handle) : handle(handle) {}
    ~Converter() { iconv_close(handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t handle;
};

TextDecoder::TextDecoder(std::string name, std::shared_ptr<Converter> converter)
    : m_name(std::move(name)), m_converter(std::move(converter))
{
}

std::optional<TextDecoder> TextDecoder::open(std::string_view encodingName)
{
    const std::string name(encodingName);
    if (name.empty()) {
        return std::nullopt;
    }
    iconv_t handle = iconv_open("UTF-8", name.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    return TextDecoder(name, std::make_shared<Converter>(handle));
}

std::string_view TextDecoder::utf8View(std::string_view bytes, std::string& scratch) const
{
    if (isValidUtf8(bytes)) {
        return bytes;
    }
    scratch = fromCodePage(bytes);
    return scratch;
}

std::string TextDecoder::toUtf8(std::string_view bytes) const
{
    return isValidUtf8(bytes) ? std::string(bytes) : fromCodePage(bytes);
}

std::string TextDecoder::fromCodePage(std::string_view bytes) const
{
    iconv_t handle = m_converter->handle;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (done != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // A byte the code page does not define, or a multi-byte sequence cut off at the
        // end of the value: one replacement character per byte, then go on.
        out.append(kReplacement);
        ++in;
        --inLeft;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush a stateful encoding's pending output.
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(handle, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    // The encoding's own output is trusted only as far as it is well-formed.
    return isValidUtf8(out) ? out : replaceMalformed(out);
}

}  // namespace tillery
