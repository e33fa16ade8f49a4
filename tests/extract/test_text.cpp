#include "extract/Text.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_view_literals;
using tillery::findFrom;
using tillery::Phrase;
using tillery::Pos;
using tillery::textLength;
using tillery::piece;
using tillery::pieceToEnd;

TEST(TextFindFrom, FindsFirstOccurrenceAtOrAfterStart)
{
    EXPECT_EQ(findFrom("a-b-c", 1, "-"), 2);
    EXPECT_EQ(findFrom("a-b-c", 2, "-"), 2);
    EXPECT_EQ(findFrom("a-b-c", 3, "-"), 4);
    EXPECT_EQ(findFrom("a-b-c", 5, "-"), 0);
    EXPECT_EQ(findFrom("abc", 1, "abcd"), 0);
    EXPECT_EQ(findFrom("", 1, "x"), 0);
}

TEST(TextFindFrom, StartOutsideTheText)
{
    EXPECT_EQ(findFrom("-ab", 0, "-"), 1);
    EXPECT_EQ(findFrom("-ab", -7, "-"), 1);
    EXPECT_EQ(findFrom("ab-", 4, "-"), 0);
    EXPECT_EQ(findFrom("ab-", 1000, "-"), 0);
}

// A phrase looked for by its least common byte finds exactly what findFrom finds: at the
// text's ends, with the anchor byte repeated, partly matched or past the start.
TEST(TextPhrase, FindsWhatFindFromFinds)
{
    static constexpr Phrase kPhrases[] = {Phrase("evice \""), Phrase("SIGNATURE"),
                                          Phrase("install of "), Phrase("x"), Phrase(""),
                                          Phrase("9x"), Phrase("\\\xFF")};
    const std::string texts[] = {
        "", "e", "evice", "evice \"", "Device \"A\" and device \"B\"", "evice evice \"\"\"",
        "SIGNATURSIGNATURE", "xSIGNATURE", "the install ofinstall of x", std::string("\0evice \"", 8),
        // Bytes that share a class with a phrase's bytes (digits, signs of no class of
        // their own), and bytes of the old six-bit classes ("b" as the quote).
        "%69\xe3\xa5`\xa2 SIGNATUR\xc5", "\xc5vice b", "x0 9x", "\\x\xFF", "x\x80", "a\\\xFF",
    };
    for (const Phrase& phrase : kPhrases) {
        for (const std::string& text : texts) {
            for (Pos start = -1; start <= textLength(text) + 2; ++start) {
                const Pos expected = findFrom(text, start, phrase.text());
                EXPECT_EQ(phrase.findFrom(text, start), expected)
                    << '"' << phrase.text() << "\" in \"" << text << "\" from " << start;
                const std::size_t offset = phrase.find(text, start < 1 ? 0 : start - 1);
                EXPECT_EQ(offset == std::string::npos ? 0 : static_cast<Pos>(offset) + 1, expected)
                    << '"' << phrase.text() << "\" in \"" << text << "\" from " << start;
                // Ruled out by the text's bytes only where it is not there.
                if (expected != 0) {
                    EXPECT_TRUE(phrase.mayBeIn(tillery::textBytesOf(text)))
                        << '"' << phrase.text() << "\" in \"" << text << '"';
                }
            }
        }
    }
}

// A line's bytes are gathered by offset modulo 4: a phrase is never ruled out wherever it
// stands, with up to three bytes after it, and is ruled out where its bytes are all there
// but never in its order.
TEST(TextPhrase, RuledOutOnlyWhereItCannotBe)
{
    static constexpr Phrase kPhrases[] = {Phrase("install of "), Phrase("Device: "),
                                          Phrase("EXE name:"), Phrase("x"), Phrase("ab")};
    for (const Phrase& phrase : kPhrases) {
        for (std::size_t before = 0; before < 8; ++before) {
            for (std::size_t after = 0; after < 4; ++after) {
                const std::string text =
                    std::string(before, '-') + std::string(phrase.text()) + std::string(after, '-');
                EXPECT_TRUE(phrase.mayBeIn(tillery::textBytesOf(text)))
                    << '"' << phrase.text() << "\" in \"" << text << '"';
            }
        }
    }
    EXPECT_FALSE(Phrase("install of ").mayBeIn(tillery::textBytesOf("Device install function: of")));
    EXPECT_FALSE(Phrase("ab").mayBeIn(tillery::textBytesOf("a-b")));
    EXPECT_FALSE(Phrase("ab").mayBeIn(tillery::textBytesOf("ba")));
}

TEST(TextPiece, CutsAndClampsToTheText)
{
    EXPECT_EQ(piece("abcdef", 2, 3), "bcd");
    EXPECT_EQ(piece("abcdef", 5, 10), "ef");
    EXPECT_EQ(piece("abcdef", 6, 1), "f");
    EXPECT_EQ(piece("abcdef", 7, 1), "");
    EXPECT_EQ(piece("abcdef", 0, 3), "");
    EXPECT_EQ(piece("abcdef", 2, 0), "");
    EXPECT_EQ(piece("abcdef", 2, -1), "");
    EXPECT_EQ(piece("abcdef", 2, -100), "");
}

TEST(TextPieceToEnd, TakesTheRest)
{
    EXPECT_EQ(pieceToEnd("abcdef", 1), "abcdef");
    EXPECT_EQ(pieceToEnd("abcdef", 4), "def");
    EXPECT_EQ(pieceToEnd("abcdef", 6), "f");
    EXPECT_EQ(pieceToEnd("abcdef", 7), "");
    EXPECT_EQ(pieceToEnd("abcdef", 0), "");
}

TEST(Text, EveryByteIsAnOrdinaryCharacter)
{
    const auto text = "a\0b\xFF" "c\0"sv;
    EXPECT_EQ(findFrom(text, 1, "\0"sv), 2);
    EXPECT_EQ(findFrom(text, 3, "\0"sv), 6);
    EXPECT_EQ(findFrom(text, 1, "\xFF"sv), 4);
    EXPECT_EQ(piece(text, 2, 4), "\0b\xFF" "c"sv);
    EXPECT_EQ(pieceToEnd(text, 4), "\xFF" "c\0"sv);
}

TEST(Text, PositionsBeyondSixteenBits)
{
    std::string text(100000, 'x');
    text += "{found}";
    const auto at = findFrom(text, 1, "{");
    EXPECT_EQ(at, 100001);
    EXPECT_EQ(findFrom(text, at + 1, "}"), 100007);
    EXPECT_EQ(piece(text, at + 1, 5), "found");
    EXPECT_EQ(pieceToEnd(text, 100002), "found}");
}
