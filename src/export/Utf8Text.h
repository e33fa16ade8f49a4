#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tillery {

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing
// above U+10FFFF, no cut-off sequence.
bool isValidUtf8(std::string_view bytes);

// Turns log values into UTF-8 for the exports. A value that is valid UTF-8 is kept as it
// is; any other value is decoded as a whole from the code page, so one value never mixes
// two readings. A byte the code page does not define (0x81 in windows-1252) becomes
// U+FFFD. The result is always valid UTF-8.
class TextDecoder {
public:
    // Empty optional when the C library's iconv knows no such encoding.
    static std::optional<TextDecoder> open(std::string_view encodingName);

    std::string toUtf8(std::string_view bytes) const;
    // toUtf8(bytes) without a copy: `bytes` themselves when they are UTF-8, else their
    // decoding, held in `scratch`.
    std::string_view utf8View(std::string_view bytes, std::string& scratch) const;
    const std::string& encodingName() const { return m_name; }

private:
    struct Converter;
    // `bytes` (not valid UTF-8) decoded from the code page.
    std::string fromCodePage(std::string_view bytes) const;
    TextDecoder(std::string name, std::shared_ptr<Converter> converter);

    std::string m_name;
    std::shared_ptr<Converter> m_converter;
};

inline constexpr std::string_view kDefaultEncoding = "windows-1252";

}  // namespace tillery
