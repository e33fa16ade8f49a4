#include "ParsedOutput.h"
#include "export/TableWriter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace tillery;

namespace {

// Values that CSV must quote and JSON must escape, carried through unchanged.
const std::vector<std::string> kAwkward = {
    "", "plain", "a,b", "say \"hi\"", "\"", "line\r\nbreak", "lone\rcr", "lone\nlf", "tab\there",
    "back\\slash", "ctl\x01\x1f\x7f", " leading and trailing ", "\xD0\xA3\xD1\x81", "\xF0\x9F\x92\xBE",
    // Longer values: the sign at the end of a 16-byte step, at the start of the next, past
    // the last whole step, or nowhere.
    std::string(15, 'x') + ",", std::string(16, 'x') + "\"", std::string(40, 'y') + "\r",
    std::string(31, 'z') + "\n" + std::string(20, 'z'), std::string(47, 'w'),
    std::string(20, 'v') + "\x02" + std::string(20, 'v') + "\\",
    "a\"b\\c" + std::string(24, 'u') + "\x1f" + "end \x7f\xC3\xA9",
};

}  // namespace

TEST(TableWriter, CsvAndJsonLinesReadBackExactly)
{
    std::ostringstream csv;
    std::ostringstream jsonl;
    auto csvWriter = TableWriter::create(ExportFormat::Csv, csv);
    auto jsonWriter = TableWriter::create(ExportFormat::Jsonl, jsonl);
    for (auto* writer : {csvWriter.get(), jsonWriter.get()}) {
        writer->header({"text", "number", "flag", "none"});
        for (const std::string& value : kAwkward) {
            writer->row({Cell::ofText(value), Cell::ofNumber(-42), Cell::ofBoolean(false), Cell::null()});
        }
    }
    const std::string bytes = csv.str();
    EXPECT_TRUE(bytes.starts_with("text,number,flag,none\r\n"));
    EXPECT_TRUE(bytes.ends_with(",-42,false,\r\n"));
    const auto rows = test::readCsv(bytes);
    ASSERT_EQ(rows.size(), kAwkward.size() + 1);
    const auto objects = test::readJsonLines(jsonl.str());
    ASSERT_EQ(objects.size(), kAwkward.size()) << "a value broke a line";
    for (std::size_t i = 0; i < kAwkward.size(); ++i) {
        EXPECT_EQ(rows[i + 1], (std::vector<std::string>{kAwkward[i], "-42", "false", ""})) << i;
        EXPECT_EQ(objects[i]["text"], kAwkward[i]) << i;
        EXPECT_EQ(objects[i]["number"], -42);
        EXPECT_EQ(objects[i]["flag"], false);
        EXPECT_TRUE(objects[i]["none"].is_null());
    }
}
