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
    EXPECT_EQ(spaced.options.logPath, "in.log");

    const ParsedArguments joined = parse({"in.log", "--type=summary", "--output=o.xls", "--settings=a=b.ini"});
    ASSERT_TRUE(joined.ok()) << joined.error;
    EXPECT_EQ(joined.options.type, ExtractionType::Summary);
    EXPECT_EQ(joined.options.outputPath, "o.xls");
    EXPECT_EQ(joined.options.settingsPath, "a=b.ini");  // only the first "=" separates
}

TEST(CliOptions, DashIsStandardOutputAsAValueAndALogNameOtherwise)
{
    EXPECT_TRUE(parse({"-o", "-", "in.log"}).options.toStandardOutput());
    EXPECT_EQ(parse({"-"}).options.logPath, "-");
    EXPECT_EQ(parse({"--", "--type"}).options.logPath, "--type");
    // --help ends the reading: nothing after it is an error.
    EXPECT_TRUE(parse({"--help", "--bogus"}).options.help);
    EXPECT_FALSE(parse({"--bogus", "--help"}).ok());
}

TEST(CliOptions, RefusesWhatMakesNoSense)
{
    const std::vector<std::pair<std::vector<std::string_view>, std::string_view>> cases = {
        {{}, text::kMissingLog},
        {{"--quiet"}, text::kMissingLog},
        {{"a.log", "b.log"}, text::kExtraArgument},
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
