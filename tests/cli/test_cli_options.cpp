#include "app/CliOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tillery::cli {
namespace {

ParsedArguments parse(std::vector<std::string_view> arguments)
{
    return parseArguments(arguments);
}

TEST(CliOptions, DefaultsAndBothSpellingsOfEveryOption)
{
    const ParsedArguments plain = parse({"setupapi.log"});
    ASSERT_TRUE(plain.ok()) << plain.error;
    EXPECT_EQ(plain.options.type, ExtractionType::RuleBased);
    EXPECT_FALSE(plain.options.outputPath || plain.options.settingsPath || plain.options.force ||
                 plain.options.quiet || plain.options.help);

    const ParsedArguments spaced =
        parse({"--type", "full", "-o", "out.xls", "--force", "--settings", "s.ini", "--quiet", "in.log"});
    ASSERT_TRUE(spaced.ok()) << spaced.error;
    EXPECT_EQ(spaced.options.type, ExtractionType::Full);
    EXPECT_EQ(spaced.options.outputPath, "out.xls");
    EXPECT_EQ(spaced.options.settingsPath, "s.ini");
    EXPECT_TRUE(spaced.options.force && spaced.options.quiet);
    EXPECT_EQ(spaced.options.inputs, std::vector<std::string>{"in.log"});

    const ParsedArguments joined = parse({"in.log", "--type=summary", "--output=o.xls", "--settings=a=b.ini"});
    ASSERT_TRUE(joined.ok()) << joined.error;
    EXPECT_EQ(joined.options.type, ExtractionType::Summary);
    EXPECT_EQ(joined.options.outputPath, "o.xls");
    EXPECT_EQ(joined.options.settingsPath, "a=b.ini");  // only the first "=" separates
}

TEST(CliOptions, DashIsStandardOutputAsAValueAndALogNameOtherwise)
{
    EXPECT_TRUE(parse({"-o", "-", "in.log"}).options.toStandardOutput());
    EXPECT_EQ(parse({"-"}).options.inputs, std::vector<std::string>{"-"});
    EXPECT_EQ(parse({"a", "--", "--type", "b"}).options.inputs,
              (std::vector<std::string>{"a", "--type", "b"}));
    // --help ends the reading: nothing after it is an error.
    EXPECT_TRUE(parse({"--help", "--bogus"}).options.help);
    EXPECT_FALSE(parse({"--bogus", "--help"}).ok());
}

TEST(CliOptions, ExportOptionsAndSeveralInputs)
{
    const ParsedArguments parsed = parse({"--type", "devices", "--format=jsonl", "-j", "3", "--encoding",
                                          "windows-1251", "--timezone", "Europe/Berlin", "a", "b"});
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    EXPECT_TRUE(parsed.options.devices);
    EXPECT_EQ(parsed.options.type, ExtractionType::RuleBased);
    EXPECT_EQ(parsed.options.format, ExportFormat::Jsonl);
    EXPECT_EQ(parsed.options.jobs, 3u);
    EXPECT_EQ(parsed.options.encoding, "windows-1251");
    EXPECT_EQ(parsed.options.timeZone, "Europe/Berlin");
    EXPECT_EQ(parsed.options.inputs, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(parse({"--utc-offset=-05:30", "a"}).options.utcOffset, "-05:30");
}

TEST(CliOptions, RefusesWhatMakesNoSense)
{
    const std::vector<std::pair<std::vector<std::string_view>, std::string_view>> cases = {
        {{}, text::kMissingLog},
        {{"--quiet"}, text::kMissingLog},
        {{"--format", "xlsx", "a.log"}, text::kBadFormat},
        {{"--jobs", "0", "a.log"}, text::kBadJobs},
        {{"-j", "257", "a.log"}, text::kBadJobs},
        {{"--jobs=2x", "a.log"}, text::kBadJobs},
        {{"--encoding", "windows-9999", "a.log"}, text::kBadEncoding},
        {{"--timezone", "Europe/Atlantis", "a.log"}, text::kBadZone},
        {{"--utc-offset", "+1:00", "a.log"}, text::kBadOffset},
        {{"--utc-offset", "+14:30", "a.log"}, text::kBadOffset},
        {{"--timezone", "UTC", "--utc-offset", "+01:00", "a.log"}, text::kTwoClocks},
        {{"--bogus", "a.log"}, text::kUnknownOption},
        {{"-x", "a.log"}, text::kUnknownOption},
        {{"a.log", "-o"}, text::kMissingValue},
        {{"--settings=", "a.log"}, text::kMissingValue},
        {{"--type", "Full", "a.log"}, text::kBadType},
        {{"--force=yes", "a.log"}, text::kNoValueWanted},
    };
    for (const auto& [arguments, errorStart] : cases) {
        const ParsedArguments parsed = parse(arguments);
        EXPECT_TRUE(std::string_view(parsed.error).starts_with(errorStart))
            << "error \"" << parsed.error << "\", expected \"" << errorStart << "\"";
    }
}

}  // namespace
}  // namespace tillery::cli
