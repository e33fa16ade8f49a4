#include "extract/MessageCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <string>
#include <vector>

using namespace std::string_literals;
using namespace std::string_view_literals;
using tillery::extractMessageCodes;
using tillery::LineValues;
using tillery::Record;

namespace {

// Runs the extraction on fresh line values against `event`; the values as a record.
Record extract(std::string_view code, std::string_view message, Record& event)
{
    LineValues values;
    extractMessageCodes(code, message, values, event);
    Record line;
    line.path = values.path;
    line.device = values.device;
    line.guid = values.guid;
    line.name = values.name;
    line.sig = values.sig;
    return line;
}

Record extract(std::string_view code, std::string_view message)
{
    Record event;
    return extract(code, message, event);
}

}  // namespace

// ---- code rules ------------------------------------------------------------------------

TEST(CodeRules, Code022TakesDeviceAndName)
{
    const Record both = extract("022", R"( Found "USB\VID_1&PID_2" in "usb.inf"; ok)");
    EXPECT_EQ(both.device, R"(USB\VID_1&PID_2)");
    EXPECT_EQ(both.name, "usb.inf");

    const Record one = extract("022", R"( Found "USB\VID_1" in "usb.inf)");
    EXPECT_EQ(one.device, R"(USB\VID_1)");
    EXPECT_EQ(one.name, "");

    EXPECT_EQ(extract("022", R"( Found "unclosed)").device, "");
}

TEST(CodeRules, DeviceCodesTakeFirstQuotedText)
{
    for (const auto code : {"123", "121", "124", "122", "104", "406", "100", "292", "289"}) {
        const Record line = extract(code, R"( Doing "ROOT\X" with "second")");
        EXPECT_EQ(line.device, R"(ROOT\X)") << code;
        EXPECT_EQ(line.name, "") << code;
    }
}

TEST(CodeRules, Codes198And199TakeWholeTextWithLateBlank)
{
    //                           blank at position 23 ----v
    const std::string late = " Executing:_-_-_-_-_-_ x.exe";
    EXPECT_EQ(extract("198", late).path, late);
    EXPECT_EQ(extract("199", late).path, late);
    // Blanks only before position 23: the last one at 22.
    EXPECT_EQ(extract("199", " Executing:_-_-_-_-_- \"x.exe\"").path, "");
    EXPECT_EQ(extract("199", " Executing:_-_-_-_-_- \"x.exe\"").device, "");
}

TEST(CodeRules, Codes140And147TakeName)
{
    EXPECT_EQ(extract("140", R"( Using "C:\x.inf" for "y")").name, R"(C:\x.inf)");
    EXPECT_EQ(extract("147", R"( Using "C:\x.inf")").name, R"(C:\x.inf)");
}

TEST(CodeRules, Code063NamesTheEventOnce)
{
    Record event;
    const Record first = extract("063", " Section [DiskInstall.NT] done", event);
    EXPECT_EQ(first.name, "DiskInstall.NT");

    event.name = first.name;  // the event keeps what its line gave
    EXPECT_EQ(extract("063", " Section [Other] done", event).name, "");

    EXPECT_EQ(extract("063", " Section [] done").name, "");
    EXPECT_EQ(extract("063", " Section ] [open").name, "");
}

TEST(CodeRules, OnlyMarkedLinesAndListedCodes)
{
    // Unlisted codes and Windows 2000 lines get no code rule.
    EXPECT_EQ(extract("019", R"( "ROOT\X" "n")").device, "");
    EXPECT_EQ(extract("2K", R"( "ROOT\X" "n")").device, "");
    EXPECT_EQ(extract("2K", " Section [DiskInstall] ").name, "");
    // ...but still get the generic rules.
    const Record generic = extract("019", R"( Class {4D36E967-E325} device "IDE\X" ok)");
    EXPECT_EQ(generic.guid, "4D36E967-E325");
    EXPECT_EQ(generic.device, R"(IDE\X)");
}

TEST(CodeRules, OnlyTheExactThreeByteCodeHasItsRule)
{
    // "022" takes the first quoted text as Device and the second as Name, "121" only the
    // Device; a code that differs in a byte, in length or by a byte above 127 has no rule.
    const struct {
        std::string_view code;
        std::string_view device;
        std::string_view name;
    } cases[] = {
        {"022", "D", "N"}, {"121", "D", ""}, {"220", "", ""},  {"02", "", ""},
        {"0220", "", ""},  {"/22", "", ""},  {"02:", "", ""},  {"\xB2" "22", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const Record line = extract(c.code, R"( "D" and "N")");
        EXPECT_EQ(line.device, c.device) << c.code;
        EXPECT_EQ(line.name, c.name) << c.code;
    }
}

// Lines met again give what fresh values give, whatever their code and the event: the same
// text under other codes (marked, unmarked, of another length), a "063" line whose event
// has a name or not, a volume identifier under an "FTDisk" Path or not.
TEST(CodeRules, LinesMetAgainGiveWhatFreshValuesGive)
{
    const std::string_view messages[] = {
        R"(Found "USB\VID_1&PID_2" in "usb.inf"; ok)", "Selecting [Best Name] as the driver",
        "Copying file to C:\\WINNT\\x.sys now", "Disk SIGNATURE1OFFSET2LENGTH3 {guid} here",
        R"(Set device "Q" for it)", "Found DEV here; Device: NAME; done"};
    const std::string_view codes[] = {"022", "063", "198", "019", "2K", "12"};
    LineValues run;  // as a run hands it in: the same for every line
    for (int i = 0; i < tillery::LineMemo::kLinesBeforeTable; ++i) {  // the memo is made
        Record event;
        extractMessageCodes("2K", "a line of its own, " + std::to_string(i), run, event);
    }
    for (const std::string_view code : codes) {
        for (int round = 0; round < 4; ++round) {
            for (const std::string_view message : messages) {
                Record fresh;
                fresh.name = round % 2 == 1 ? "Named" : "";
                fresh.path = round == 2 ? "FTDisk0" : "";
                Record event = fresh;
                const Record expected = extract(code, message, fresh);
                extractMessageCodes(code, message, run, event);
                const std::string values[] = {std::string(run.path), std::string(run.device),
                                              std::string(run.guid), std::string(run.name),
                                              std::string(run.sig)};
                const std::string freshValues[] = {expected.path, expected.device, expected.guid,
                                                   expected.name, expected.sig};
                EXPECT_TRUE(std::equal(std::begin(values), std::end(values), std::begin(freshValues)))
                    << code << ' ' << message << " round " << round;
                EXPECT_EQ(event.path, fresh.path) << code << ' ' << message;
                run.path = run.device = run.guid = run.name = run.sig = {};
            }
        }
    }
}

// ---- generic rules ---------------------------------------------------------------------

TEST(SignatureRule, WithoutLengthKeepsRawSignature)
{
    Record event;
    event.path = "old";
    const Record line = extract("2K", "STORAGE\\VOLUME\\SIGNATURE1A2B3C4DOFFSET7E00 ok", event);
    EXPECT_EQ(line.sig, "1A2B3C4D");
    EXPECT_EQ(event.path, "old");
    EXPECT_EQ(event.sig, "");
}

TEST(SignatureRule, WithLengthDescribesTheVolume)
{
    Record event;
    const Record line = extract(
        "022", R"( Device "STORAGE\VOLUME\1&30A96598&0&SIGNATURE1A2B3C4DOFFSET7E00LENGTH3A3B2A00" found)",
        event);
    const std::string description = "Signature: 1A2B3C4D, Offset: 0 MB, Size: 932 MB";
    EXPECT_EQ(line.sig, description);
    EXPECT_EQ(event.path, description);
    EXPECT_EQ(event.sig, description);
}

TEST(SignatureRule, Windows2000IdentifierWithoutQuotes)
{
    Record event;
    const Record line = extract(
        "2K", "Installing STORAGE\\VOLUME\\1&2&SIGNATURE1A2B3C4DOFFSET7000LENGTH1FF2E6000).", event);
    EXPECT_EQ(line.sig, "Signature: 1A2B3C4D, Offset: 0 MB, Size: 8 GB");
    EXPECT_EQ(event.path, line.sig);
}

TEST(SignatureRule, FtDiskEventKeepsItsPath)
{
    Record event;
    event.path = "FTDisk\\Volume";
    const Record line = extract("2K", "SIGNATURE12OFFSET0LENGTH100000\"", event);
    EXPECT_EQ(line.sig, "12");
    EXPECT_EQ(event.path, "FTDisk\\Volume");
    EXPECT_EQ(event.sig, "");
}

TEST(SignatureRule, LengthMustFollowOffset)
{
    Record event;
    const Record line = extract("2K", "LENGTH5 SIGNATURE12OFFSET0\"", event);
    EXPECT_EQ(line.sig, "12");
    EXPECT_EQ(event.path, "");
    EXPECT_EQ(extract("2K", "OFFSET1 SIGNATURE12").sig, "");
}

TEST(SignatureRule, DigitsThatDoNotConvertLeaveRawSignature)
{
    for (const auto& message : {"SIGNATURE12OFFSET7E0xLENGTH5\""s,
                               "SIGNATURE12OFFSET" + std::string(300, 'F') + "LENGTH5\"",
                               "SIGNATURE12OFFSET0LENGTH" + std::string(300, 'F')}) {
        Record event;
        event.path = "kept";
        LineValues line;
        EXPECT_NO_THROW(extractMessageCodes("2K", message, line, event));
        EXPECT_EQ(line.sig, "12");
        EXPECT_EQ(event.path, "kept");
        EXPECT_EQ(event.sig, "");
    }
}

TEST(GuidRule, TextBetweenBracesOnAnyLine)
{
    EXPECT_EQ(extract("2K", "Class {36fc9e60-c465}.").guid, "36fc9e60-c465");
    EXPECT_EQ(extract("022", " Class {36fc9e60-c465} {other}").guid, "36fc9e60-c465");
    EXPECT_EQ(extract("019", " Class {}").guid, "");
    EXPECT_EQ(extract("019", " Class } {open").guid, "");
}

TEST(QuotedDeviceRule, TakesTextAfterDeviceQuote)
{
    EXPECT_EQ(extract("019", R"( Installing device "PCI\VEN_1" now)").device, R"(PCI\VEN_1)");
    // The closing quote is looked for from the third character after the opening one.
    EXPECT_EQ(extract("019", R"( device "a" and "b")").device, R"(a" and )");
    EXPECT_EQ(extract("019", R"( device "unclosed)").device, "");
}

TEST(QuotedDeviceRule, DoesNotReplaceCodeRuleDevice)
{
    const std::string message = R"( "FIRST" for device "SECOND" ok)";
    EXPECT_EQ(extract("121", message).device, "FIRST");
    EXPECT_EQ(extract("019", message).device, "SECOND");
}

// ---- Windows 2000 phrase rules ---------------------------------------------------------

TEST(PhraseRules, EachPhrase)
{
    EXPECT_EQ(extract("2K", "Found USBSTOR\\DISK in x").device, "USBSTOR\\DISK");
    EXPECT_EQ(extract("2K", "Found USBSTOR\\DISK").device, "");
    EXPECT_EQ(extract("2K", "Device: Disk drive; ok").name, "Disk drive");
    EXPECT_EQ(extract("2K", "Device: Disk drive").name, "");
    EXPECT_EQ(extract("2K", "Doing install of IDE\\CDROM now").device, "IDE\\CDROM");
    EXPECT_EQ(extract("2K", "Doing install of IDE\\CDROM.").device, "IDE\\CDROM");
    EXPECT_EQ(extract("2K", "Installed successfully (SBP2\\X).").device, "SBP2\\X");
    EXPECT_EQ(extract("2K", "Installed successfully (SBP2\\X").device, "");
    EXPECT_EQ(extract("2K", "Using NULL driver for ROOT\\LEGACY.").device, "ROOT\\LEGACY");
    EXPECT_EQ(extract("2K", "Munged path was C:\\WINNT\\x.inf").path, "C:\\WINNT\\x.inf");
    EXPECT_EQ(extract("2K", "EXE name: C:\\x.exe").path, "C:\\x.exe");
    EXPECT_EQ(extract("2K", "Installing Device Class: {4d36e967} DiskDrive.").name, "DiskDrive");
}

TEST(PhraseRules, OnlyForUnmarkedLines)
{
    const Record line = extract("019", " Found USBSTOR\\DISK in x; EXE name: y");
    EXPECT_EQ(line.device, "");
    EXPECT_EQ(line.path, "");
}

TEST(PhraseRules, LaterRowsOverwrite)
{
    EXPECT_EQ(extract("2K", "device \"Q\" xx Found W here install of V now").device, "V");
    EXPECT_EQ(extract("2K", "install of V now successfully (U) NULL driver for T!").device, "T");
    EXPECT_EQ(extract("2K", "Device: N; Installing Device Class: {c} Cls.").name, "Cls");
    EXPECT_EQ(extract("2K", "Munged 1234567890 EXE name: E").path, "E");
}

TEST(PhraseRules, ClassWithoutClosingBraceSetsNothing)
{
    EXPECT_EQ(extract("2K", "Device: N; Installing Device Class: no brace.").name, "N");
}

TEST(PhraseRules, TooShortRestGivesEmptyValue)
{
    // The empty value is still assigned, replacing what an earlier row set.
    LineValues line;
    Record event;
    EXPECT_NO_THROW(extractMessageCodes("2K", "Found W here NULL driver for ", line, event));
    EXPECT_EQ(line.device, "");
    EXPECT_EQ(extract("2K", "Found W here install of ").device, "");
    EXPECT_EQ(extract("2K", "Munged short").path, "");
    EXPECT_EQ(extract("2K", "Device: N; Installing Device Class: {c}").name, "");
    EXPECT_EQ(extract("2K", "Device: N; Installing Device Class: {c}.").name, "");
}

// ---- bytes -----------------------------------------------------------------------------

TEST(MessageCodes, AllBytesPassThrough)
{
    const Record marked = extract("022", " \"A\0\xFF" "B\" \"\xFF\0\" {\0\xFE}"sv);
    EXPECT_EQ(marked.device, "A\0\xFF" "B"s);
    EXPECT_EQ(marked.name, "\xFF\0"s);
    EXPECT_EQ(marked.guid, "\0\xFE"s);

    const Record win2k = extract("2K", "SIGNATURE\0\xFFOFFSET1 EXE name: \0\xE9\xFF"sv);
    EXPECT_EQ(win2k.sig, "\0\xFF"s);
    EXPECT_EQ(win2k.path, "\0\xE9\xFF"s);
}

// Each rule takes the first occurrence of its phrase, quote or brace, however near the
// line's start, with the same bytes before it or a quote inside the phrase's reach.
TEST(MessageCodes, FirstOccurrenceWhereverItStands)
{
    struct Case {
        std::string_view code;
        std::string_view message;
        std::string Record::*field;
        std::string_view expected;
    };
    const Case cases[] = {
        {"019", R"(evice "AB" x)", &Record::device, "AB"},
        {"2K", R"(evice "AB" x)", &Record::device, "AB"},
        {"019", R"(""evice "AB" x)", &Record::device, "AB"},
        {"019", R"(x"devicevice "AB" device "CD")", &Record::device, "AB"},
        {"2K", R"(a "b" c device "D1" device "D2")", &Record::device, "D1"},
        {"022", R"("A""B")", &Record::name, "B"},
        {"022", R"(""A"B")", &Record::device, ""},
        {"022", R"(""A"B")", &Record::name, "B"},
        {"121", R"(x "Q1" device "Q2")", &Record::device, "Q1"},
        {"2K", "}{a}{b}", &Record::guid, "a"},
        {"2K", "{}", &Record::guid, ""},
        {"019", "{", &Record::guid, ""},
        {"2K", "SIGSIGNATUREx1OFFSETOFFSET", &Record::sig, "x1"},
        {"2K", "Found Found A B", &Record::device, "Found"},
        {"2K", "install of install of Z", &Record::device, "install"},
        {"2K", "successfully (successfully (A))", &Record::device, "successfully (A"},
        {"2K", "NULL driver for X", &Record::device, ""},
        {"2K", "NULL driver for XY", &Record::device, "X"},
        {"2K", "EXE name:", &Record::path, ""},
        {"2K", "EXE name: x", &Record::path, "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(extract(c.code, c.message).*c.field, c.expected) << c.code << ' ' << c.message;
    }
}

// Unmarked lines met again are not taken apart again: what they may hold and the values
// they gave are remembered. A run's line values, handed in for line after line, give each line what fresh ones give:
// every phrase and sign at a line's start, middle and end, and without the byte its
// search begins with; lines at and past the lengths that are remembered; lines that share
// their length and first and last eight bytes (one remembered place) but not their middle.
TEST(PhraseRules, LinesMetAgainGiveWhatFreshValuesGive)
{
    const std::string_view phrases[] = {
        "Found DEV here", "Device: NAME;", "install of DEV now", "successfully (DEV)",
        "NULL driver for DEV.", "Munged cmdline: a b c d e", "EXE name: C:\\p.exe",
        "Installing Device Class: {c} Cls.", "SIGNATURE1OFFSET2LENGTH3", "{guid}", R"(device "Q")",
        // The same without the byte its search begins with.
        "ound DEV here", "Device NAME;", "install o DEV now", "successfully DEV)",
        "NULL drive for DEV.", "unged cmdline", "EXE name C:\\p.exe", "Installing Device Class {c} Cls.",
        "SIGNATURE1FFSET2", "guid}", R"(device Q")"};
    constexpr std::size_t kLongest = tillery::LineMemo::kLongest;
    std::vector<std::string> messages;
    for (const std::string_view phrase : phrases) {
        const std::string text(phrase);
        messages.push_back(text);
        messages.push_back(text + ' ');
        messages.push_back("Doing it: " + text + " and more.");
        messages.push_back("Doing it now: " + text);
        messages.push_back(text + std::string(kLongest - text.size(), '.'));      // the longest kept
        messages.push_back(text + std::string(kLongest + 1 - text.size(), '.'));  // too long to keep
    }
    // One place, two texts: each takes it over from the other.
    messages.push_back("12345678 Found DEV here 87654321");
    messages.push_back("12345678 EXE name: C:\\p 87654321");
    messages.push_back("1234567");
    messages.push_back("12345678");

    LineValues run;  // as a run hands it in: the same for every line
    for (int round = 0; round < 3; ++round) {
        // A volume identifier's values depend on the event's Path too: in the second round
        // it begins with "FTDisk", which keeps the event's own.
        const std::string eventPath = round == 1 ? "FTDisk0" : "";
        for (const std::string& message : messages) {
            Record fresh;
            fresh.path = eventPath;
            const Record expected = extract("2K", message, fresh);
            Record event;
            event.path = eventPath;
            extractMessageCodes("2K", message, run, event);
            const auto taken = [](std::string_view& value) {
                const std::string text(value);
                value = {};
                return text;
            };
            EXPECT_EQ(taken(run.path), expected.path) << message;
            EXPECT_EQ(taken(run.device), expected.device) << message;
            EXPECT_EQ(taken(run.guid), expected.guid) << message;
            EXPECT_EQ(taken(run.name), expected.name) << message;
            EXPECT_EQ(taken(run.sig), expected.sig) << message;
            EXPECT_EQ(event.path, fresh.path) << message;
            EXPECT_EQ(event.sig, fresh.sig) << message;
        }
    }
    // The texts sharing one place give their own values, whichever came before.
    for (int round = 0; round < 2; ++round) {
        Record event;
        extractMessageCodes("2K", "12345678 Found DEV here 87654321", run, event);
        EXPECT_EQ(run.device, "DEV");
        EXPECT_EQ(run.path, "");
        run.device = {};
        extractMessageCodes("2K", "12345678 EXE name: C:\\p 87654321", run, event);
        EXPECT_EQ(run.device, "");
        EXPECT_EQ(run.path, "C:\\p 87654321");
        run.path = {};
    }
}
