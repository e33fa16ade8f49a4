#include "ParsedOutput.h"
#include "export/TableWriter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tillery;

namespace {

// Values that every format must carry through unchanged.
const std::vector<std::string> kAwkward = {
    "",
    "plain",
    "a,b",
    "say \"hi\"",
    "\"",
    "line\r\nbreak",
    "lone\rcr",
    "lone\nlf",
    "tab\there",
    "back\\slash",
    "ctl\x01\x1f\x7f",
    " leading and trailing ",
    "\xD0\xA3\xD1\x81\xD1\x82\xD1\x80",  // Cyrillic
    "\xF0\x9F\x92\xBE",                  // beyond the BMP
    "=1+2",
};

}  // namespace

TEST(TableWriter, CsvRowsEndInCrLfAndReadBackExactly)
{
    std::ostringstream out;
    auto writer = TableWriter::create(ExportFormat::Csv, out);
    writer->header({"name", "value"});
    for (const std::string& value : kAwkward) {
        writer->row({Cell::ofText(value), Cell::ofText(value)});
    }
    writer->row({Cell::ofNumber(-42), Cell::ofBoolean(false)});
    writer->row({Cell::null(), Cell::ofBoolean(true)});
    const std::string bytes = out.str();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 12), "name,value\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 7), ",true\r\n");

    const auto rows = test::readCsv(bytes);
    ASSERT_EQ(rows.size(), kAwkward.size() + 3);
    for (std::size_t i = 0; i < kAwkward.size(); ++i) {
        ASSERT_EQ(rows[i + 1].size(), 2u) << i;
        EXPECT_EQ(rows[i + 1][0], kAwkward[i]);
        EXPECT_EQ(rows[i + 1][1], kAwkward[i]);
    }
    EXPECT_EQ(rows[kAwkward.size() + 1], (std::vector<std::string>{"-42", "false"}));
    EXPECT_EQ(rows[kAwkward.size() + 2], (std::vector<std::string>{"", "true"}));
}

TEST(TableWriter, JsonLinesKeepValuesAndKinds)
{
    std::ostringstream out;
    auto writer = TableWriter::create(ExportFormat::Jsonl, out);
    writer->header({"text", "number", "flag", "none"});
    for (const std::string& value : kAwkward) {
        writer->row({Cell::ofText(value), Cell::ofNumber(7), Cell::ofBoolean(true), Cell::null()});
    }
    const std::string bytes = out.str();
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), static_cast<long>(kAwkward.size()))
        << "a value broke a line";
    const auto rows = test::readJsonLines(bytes);
    ASSERT_EQ(rows.size(), kAwkward.size());
    for (std::size_t i = 0; i < kAwkward.size(); ++i) {
        EXPECT_EQ(rows[i]["text"], kAwkward[i]);
        EXPECT_EQ(rows[i]["number"], 7);
        EXPECT_EQ(rows[i]["flag"], true);
        EXPECT_TRUE(rows[i]["none"].is_null());
    }
}

TEST(TableWriter, XlsKeepsBytesTabSeparatedWithCrLf)
{
    std::ostringstream out;
    auto writer = TableWriter::create(ExportFormat::Xls, out);
    writer->header({"a", "b"});
    writer->row({Cell::ofText("P\xE9riph\xE9rique"), Cell::ofText("x,\"y\"")});
    EXPECT_EQ(out.str(), "a\tb\r\nP\xE9riph\xE9rique\tx,\"y\"\r\n");
}
