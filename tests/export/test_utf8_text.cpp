#include "export/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;
using namespace tillery;

TEST(Utf8Validity, AcceptsWellFormedAndRejectsEveryMalformedKind)
{
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"\xC3\xA9t\xC3\xA9", true},                 // été
        {"\xF0\x9F\x92\xBE", true},                  // U+1F4BE
        {"\xF4\x8F\xBF\xBF", true},                  // U+10FFFF
        {"\xE9t\xE9", false},                        // windows-1252 été
        {"\xC0\xAF", false},                         // overlong "/"
        {"\xE0\x80\xAF", false},                     // overlong, three bytes
        {"\xED\xA0\x80", false},                     // surrogate U+D800
        {"\xF4\x90\x80\x80", false},                 // above U+10FFFF
        {"\xE2\x82", false},                         // cut off at the end
        {"\x80", false},                             // lone continuation byte
        {"ok\xC3", false},
        // Runs of eight ASCII bytes and more, around well-formed and malformed sequences.
        {"abcdefgh\xC3\xA9", true},
        {"abcdefg\xC3\xA9" "abcdefghij", true},         // a sequence across eight bytes
        {"abcdefghijklmnop\xE9", false},
        {"\xE9" "abcdefghijklmnop", false},
        {"abcdefghijklmno\xF0\x9F\x92", false},   // cut off after a long run
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
    }
}

TEST(TextDecoder, KeepsUtf8AndDecodesWholeValuesFromTheCodePage)
{
    const struct {
        const char* encoding;
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"windows-1252", "P\xE9riph\xE9rique", "P\xC3\xA9riph\xC3\xA9rique"},
        {"windows-1252", "\x80 5", "\xE2\x82\xAC 5"},
        // Valid UTF-8 passes as it is, even though every byte also has a 1252 reading.
        {"windows-1252", "P\xC3\xA9riph\xC3\xA9rique", "P\xC3\xA9riph\xC3\xA9rique"},
        // One stray byte makes the whole value code-page text: both halves decoded alike.
        {"windows-1252", "\xC3\xA9 \xE9", "\xC3\x83\xC2\xA9 \xC3\xA9"},
        {"windows-1251", "\xD3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xEE",
         "\xD0\xA3\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE"},
        {"CP1250", "\x8A", "\xC5\xA0"},
        // Bytes windows-1252 leaves undefined become U+FFFD; the rest still decodes.
        {"windows-1252", "a\x81\xE9", "a\xEF\xBF\xBD\xC3\xA9"},
    };
    for (const auto& c : cases) {
        const auto decoder = TextDecoder::open(c.encoding);
        ASSERT_TRUE(decoder.has_value()) << c.encoding;
        EXPECT_EQ(decoder->toUtf8(c.bytes), c.utf8) << c.encoding << " " << c.bytes;
    }
}

TEST(TextDecoder, EveryByteOfEveryWindowsCodePageGivesValidUtf8)
{
    for (const char* name : {"windows-1250", "windows-1251", "windows-1252", "windows-1253",
                             "windows-1254", "windows-1255", "windows-1256", "windows-1257",
                             "windows-1258", "CP874", "CP932", "CP936", "CP949", "CP950"}) {
        const auto decoder = TextDecoder::open(name);
        ASSERT_TRUE(decoder.has_value()) << name;
        std::string all;
        for (int b = 0; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            EXPECT_TRUE(isValidUtf8(decoder->toUtf8(one))) << name << " byte " << b;
            all += one;
        }
        // Multi-byte code pages see lead bytes cut off at the end of a value, too.
        EXPECT_TRUE(isValidUtf8(decoder->toUtf8(all))) << name;
        EXPECT_TRUE(isValidUtf8(decoder->toUtf8(all + "\x81"))) << name;
    }
}
