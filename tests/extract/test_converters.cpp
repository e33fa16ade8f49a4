#include "extract/Converters.h"
#include "support/FakeWindowOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;
using namespace std::string_view_literals;
using namespace tillery;

// ---- fExtractDate ----------------------------------------------------------------------

TEST(ExtractDate, TakesTextFromSecondCharacterToSecondBlank)
{
    test::FakeWindowOps ops;
    EXPECT_EQ(fExtractDate(ops, "[2004/08/17 12:03:45 1234.5 Driver Install]"),
              "2004/08/17 12:03:45");
    EXPECT_EQ(ops.status(),
              "Found date entry: [2004/08/17 12:03:45 1234.5 Driver Install] => 2004/08/17 12:03:45");
}

TEST(ExtractDate, FewerThanTwoBlanksGiveQuestionMarkWithoutArrow)
{
    for (const auto line : {"[2004/08/17 12:03:45]"sv, "[nothing]"sv, ""sv}) {
        test::FakeWindowOps ops;
        EXPECT_EQ(fExtractDate(ops, line), "?") << line;
        EXPECT_EQ(ops.status(), "Found date entry: " + std::string(line)) << line;
    }
}

TEST(ExtractDate, ResultKeepsLogBytesWhileStatusIsUtf8)
{
    test::FakeWindowOps ops;
    EXPECT_EQ(fExtractDate(ops, "[d\xE9j\xE0 vu x]"), "d\xE9j\xE0 vu");
    EXPECT_EQ(ops.status(), "Found date entry: [d\xC3\xA9j\xC3\xA0 vu x] => d\xC3\xA9j\xC3\xA0 vu");
}

// ---- fConvertMessageType ---------------------------------------------------------------

TEST(ConvertMessageType, MapsFirstCharacterCaseSensitively)
{
    EXPECT_EQ(fConvertMessageType("E"), "Error");
    EXPECT_EQ(fConvertMessageType("W"), "Warning");
    EXPECT_EQ(fConvertMessageType("Ix"), "Informational");
    EXPECT_EQ(fConvertMessageType("T"), "Timing");
    EXPECT_EQ(fConvertMessageType("V"), "Verbose");
    EXPECT_EQ(fConvertMessageType("-"), "Status");
    EXPECT_EQ(fConvertMessageType("e"), "?");
    EXPECT_EQ(fConvertMessageType("xI"), "?");
    EXPECT_EQ(fConvertMessageType(""), "?");
    // Bytes above 127 and NUL are no type letters either.
    EXPECT_EQ(fConvertMessageType("\xC5"), "?");
    EXPECT_EQ(fConvertMessageType(std::string_view("\0", 1)), "?");
}

// ---- fGetHex ---------------------------------------------------------------------------

TEST(GetHex, ConvertsDigitsOfEitherCase)
{
    EXPECT_EQ(fGetHex("ff"), 255.0);
    EXPECT_EQ(fGetHex("FF"), 255.0);
    EXPECT_EQ(fGetHex("7E00"), 32256.0);
    EXPECT_EQ(fGetHex(""), 0.0);
    EXPECT_EQ(fGetHex("fffffffffffff"), 4503599627370495.0);
}

TEST(GetHex, RejectsNonDigitsAndValuesBeyondDoubleRange)
{
    EXPECT_FALSE(fGetHex("0x7E"));
    EXPECT_FALSE(fGetHex("-1"));
    EXPECT_FALSE(fGetHex("12 "));
    EXPECT_FALSE(fGetHex("\0"sv));
    EXPECT_FALSE(fGetHex(std::string(256, '0')));

    const auto largest = fGetHex(std::string(255, 'F'));
    ASSERT_TRUE(largest);
    EXPECT_TRUE(std::isfinite(*largest));
    EXPECT_GT(*largest, 1e306);
}

// ---- sizeText --------------------------------------------------------------------------

TEST(SizeText, MegabytesRoundHalfToEven)
{
    EXPECT_EQ(sizeText("80000"), "0 MB");     // 0.5 MB
    EXPECT_EQ(sizeText("180000"), "2 MB");    // 1.5 MB
    EXPECT_EQ(sizeText("280000"), "2 MB");    // 2.5 MB
    EXPECT_EQ(sizeText("380000"), "4 MB");    // 3.5 MB
    EXPECT_EQ(sizeText("180001"), "2 MB");
    EXPECT_EQ(sizeText("27FFFF"), "2 MB");
    EXPECT_EQ(sizeText(""), "0 MB");
}

TEST(SizeText, GigabytesFromWholeMegabytes)
{
    EXPECT_EQ(sizeText("3FF00000"), "1023 MB");
    EXPECT_EQ(sizeText("3FF80000"), "1 GB");    // 1023.5 MB rounds to 1024 MB
    EXPECT_EQ(sizeText("40000000"), "1 GB");    // 1024 MB
    EXPECT_EQ(sizeText("A0000000"), "2 GB");    // 2560 MB
    EXPECT_EQ(sizeText("E0000000"), "4 GB");    // 3584 MB
    // 1535.6 MB: 1536 whole megabytes are 1.5 GB, which rounds to 2; the byte count
    // itself would round to 1.
    EXPECT_EQ(sizeText("5FF99999"), "2 GB");
}

// Thirteen digits are counted in integers, more in doubles: both give the same sizes at
// the seam, halfway values included.
TEST(SizeText, SameSizesEitherSideOfThirteenDigits)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"FFFFFFFFFFFFF", "4194304 GB"},   // 2^52 - 1 bytes
        {"0FFFFFFFFFFFFF", "4194304 GB"},  // the same, fourteen digits
        {"10000000000000", "4194304 GB"},  // 2^52 bytes
        {"0000000180000", "2 MB"},         // 1.5 MB
        {"00000000180000", "2 MB"},
        {"0000000280000", "2 MB"},         // 2.5 MB
        {"00000000280000", "2 MB"},
        {"00000A0000000", "2 GB"},         // 2560 MB, 2.5 GB
        {"000000A0000000", "2 GB"},
        {"00000E0000000", "4 GB"},         // 3584 MB, 3.5 GB
        {"000000E0000000", "4 GB"},
        {"0000000000000", "0 MB"},
        {"00000000000000", "0 MB"},
        {"000000000000G", ""},
    };
    for (const auto& [digits, expected] : cases) {
        const auto size = sizeText(digits);
        EXPECT_EQ(size.value_or(""), expected) << digits;
    }
}

TEST(SizeText, HugeValuesInPlainDigitsAndFailures)
{
    const auto huge = sizeText(std::string(255, 'F'));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->find_first_not_of("0123456789"), huge->size() - 3);
    EXPECT_TRUE(huge->ends_with(" GB"));
    EXPECT_GT(huge->size(), 290u);

    EXPECT_FALSE(sizeText("12G4"));
    EXPECT_FALSE(sizeText(std::string(300, '1')));
}

// ---- fConvertHexSize -------------------------------------------------------------------

TEST(ConvertHexSize, WindowsXpIdentifierClosedByQuote)
{
    EXPECT_EQ(fConvertHexSize("7E00LENGTH3A3B2A00\" finished successfully.", "1A2B3C4D", "ignored"),
              "Signature: 1A2B3C4D, Offset: 0 MB, Size: 932 MB");
}

TEST(ConvertHexSize, LengthDigitsEndAtFirstNonHexCharacter)
{
    EXPECT_EQ(fConvertHexSize("7000LENGTH1FF2E6000).", "S", ""),
              "Signature: S, Offset: 0 MB, Size: 8 GB");
    EXPECT_EQ(fConvertHexSize("7000LENGTH1FF2E6000 more", "S", ""),
              "Signature: S, Offset: 0 MB, Size: 8 GB");
    // Digits that run to the end of the text are all length digits.
    EXPECT_EQ(fConvertHexSize("7E00LENGTH3A3B2A00", "S", ""),
              "Signature: S, Offset: 0 MB, Size: 932 MB");
}

TEST(ConvertHexSize, NoLengthDigitsReadAsZero)
{
    EXPECT_EQ(fConvertHexSize("7E00LENGTH\" done", "S", ""), "Signature: S, Offset: 0 MB, Size: 0 MB");
    EXPECT_EQ(fConvertHexSize("7E00LENGTH", "S", ""), "Signature: S, Offset: 0 MB, Size: 0 MB");
    EXPECT_EQ(fConvertHexSize("7E00LENGTH xyz", "S", ""), "Signature: S, Offset: 0 MB, Size: 0 MB");
}

TEST(ConvertHexSize, OffsetIsEverythingBeforeLength)
{
    EXPECT_EQ(fConvertHexSize("40000000LENGTH80000000\"", "S", ""),
              "Signature: S, Offset: 1 GB, Size: 2 GB");
    EXPECT_EQ(fConvertHexSize("LENGTH100000\"", "S", ""), "Signature: S, Offset: 0 MB, Size: 1 MB");
}

TEST(ConvertHexSize, MissingLengthDropsWholeDescription)
{
    const auto result = fConvertHexSize("7E00 LENGHT 12\"", "1A2B3C4D", "");
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, "");
}

TEST(ConvertHexSize, DigitsThatDoNotConvertGiveNoValue)
{
    EXPECT_FALSE(fConvertHexSize("7E0xLENGTH12\"", "S", ""));
    EXPECT_FALSE(fConvertHexSize(" 7E00LENGTH12\"", "S", ""));
    EXPECT_FALSE(fConvertHexSize(std::string(256, '1') + "LENGTH12\"", "S", ""));
    EXPECT_FALSE(fConvertHexSize("7E00LENGTH" + std::string(256, '1') + "\"", "S", ""));
}

TEST(ConvertHexSize, SignatureBytesPassUnchanged)
{
    EXPECT_EQ(fConvertHexSize("0LENGTH0\"", "\0\xFF"sv, ""), "Signature: \0\xFF, Offset: 0 MB, Size: 0 MB"s);
}

// ---- fTidyDevice -----------------------------------------------------------------------

TEST(TidyDevice, ReadableIdentifiers)
{
    EXPECT_EQ(fTidyDevice("USBSTOR\\DISK&VEN_ZORBEX&PROD_QUIKDRIVE&REV_2.10\\0A1B2C3D&0", "x"),
              "USBSTOR DISK ZORBEX PROD QUIKDRIVE");
    EXPECT_EQ(fTidyDevice("IDE\\DISKZORBEX_QX200______________1.00\\5&2B3C&0&0.0.0", "x"),
              "IDE DISKZORBEX QX200");
    EXPECT_EQ(fTidyDevice("SCSI\\DISK&VEN_A&PROD_B&LUN_0", ""), "SCSI DISK A PROD B");
    EXPECT_EQ(fTidyDevice("SBP2\\X_LUN_0\\Y", ""), "SBP2 X");
}

TEST(TidyDevice, StepsRunInOrder)
{
    // "____" is cut before "_LUN_" is looked for, so "_LUN" survives here.
    EXPECT_EQ(fTidyDevice("A_LUN____B", ""), "A LUN");
    // Only the first "&VEN_" becomes a single blank; later ones lose "&" and "_" alone.
    EXPECT_EQ(fTidyDevice("A&VEN_B&VEN_C", ""), "A B VEN C");
    // Blanks are neither merged nor trimmed.
    EXPECT_EQ(fTidyDevice("\\A&&B_", ""), " A  B ");
    // A marker that an earlier cut breaks no longer counts, nor does a later occurrence.
    EXPECT_EQ(fTidyDevice("A&REV____B&REV_C", ""), "A REV");
    EXPECT_EQ(fTidyDevice("A&VEN____B&VEN_C", ""), "A VEN");
    EXPECT_EQ(fTidyDevice("A&LUN_LUN_", ""), "A");
    EXPECT_EQ(fTidyDevice("A_LUN&REV_", ""), "A LUN");
    EXPECT_EQ(fTidyDevice("A&VEN&VEN_B", ""), "A VEN B");
}

// Every ID built of up to four of these pieces tidies as the steps taken one after another
// tidy it: the tidy makes them in one pass, which must not change where markers that
// overlap, repeat or are broken by an earlier cut count.
TEST(TidyDevice, OnePassGivesWhatTheStepsInTurnGive)
{
    const auto stepByStep = [](std::string id) {
        for (const std::string_view cut : {"____"sv, "&REV_"sv, "&LUN"sv, "_LUN_"sv}) {
            id.resize(std::min(id.size(), id.find(cut)));
        }
        if (const auto vendor = id.find("&VEN_"); vendor != std::string::npos) {
            id.replace(vendor, 5, " ");
        }
        for (char& c : id) {
            c = c == '&' || c == '\\' || c == '_' ? ' ' : c;
        }
        return id;
    };
    const std::string_view pieces[] = {"&", "_", "__", "\\", "REV_", "LUN", "LUN_", "VEN_", "X"};
    std::vector<std::string> ids = {""};
    for (std::size_t from = 0, round = 0; round < 4; ++round) {
        const std::size_t to = ids.size();
        for (std::size_t i = from; i < to; ++i) {
            for (const std::string_view piece : pieces) {
                ids.push_back(ids[i] + std::string(piece));
            }
        }
        from = to;
    }
    ASSERT_GT(ids.size(), 7000u);
    for (const std::string& id : ids) {
        const std::string expected = stepByStep(id);
        EXPECT_EQ(fTidyDevice(id, "s"), expected) << id;
        EXPECT_EQ(fTidyDeviceVista(id, ""), expected) << id;
    }
}

TEST(TidyDevice, LowerCaseMarkersAreNotCut)
{
    EXPECT_EQ(fTidyDevice("USB\\DISK&ven_X&rev_1", ""), "USB DISK ven X rev 1");
}

TEST(TidyDevice, VolumeShowsItsSignature)
{
    EXPECT_EQ(fTidyDevice("STORAGE\\VOLUME SIGNATURE12OFFSET7E00", "Signature: 12, Size: 1 GB"),
              "Signature: 12, Size: 1 GB");
    EXPECT_EQ(fTidyDevice("SIGNATURE", ""), "");
    EXPECT_EQ(fTidyDevice("signature&x", ""), "signature x");
}

TEST(TidyDevice, OtherBytesPassUnchanged)
{
    EXPECT_EQ(fTidyDevice("A\0\xFF&B"sv, ""), "A\0\xFF B"s);
}

// ---- fTidyDeviceVista ------------------------------------------------------------------

// The Vista tidy upper-cases A-Z, lets the embedded disk win over the Device, and then
// tidies as the XP tidy does, without its volume-signature test.
TEST(TidyDeviceVista, GivesTheTextAnXpLogGivesForTheSameDevice)
{
    EXPECT_EQ(fTidyDeviceVista("USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler_2.0&Rev_PMAP\\5B6B0B2A08B9&0", ""),
              "USBSTOR DISK KINGSTON PROD DATATRAVELER 2.0");
    EXPECT_EQ(fTidyDeviceVista("SWD\\WPDBUSENUM\\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#",
                               "USBSTOR\\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\\99E2116A&0"),
              "USBSTOR DISK GENERIC PROD FLASH DISK");
    EXPECT_EQ(fTidyDeviceVista("SIGNATURE\\x", ""), "SIGNATURE X");
    EXPECT_EQ(fTidyDeviceVista("USB\\P\xE9riph\xE9rique", ""), "USB P\xE9RIPH\xE9RIQUE");
    // The XP tidy is unchanged: it cuts only the upper-case markers XP logs write.
    EXPECT_EQ(fTidyDevice("USBSTOR\\Disk&Ven_Kingston&Prod_DataTraveler_2.0&Rev_PMAP\\5B6B0B2A08B9&0", ""),
              "USBSTOR Disk Ven Kingston Prod DataTraveler 2.0 Rev PMAP 5B6B0B2A08B9 0");
}
