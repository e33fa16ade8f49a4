#include "extract/OutputWriter.h"

#include "core/Errors.h"
#include "core/OutputFormat.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#endif

namespace tillery {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(OutputWriter, RowsEndInCarriageReturnLineFeed)
{
    const TempDir dir;
    const std::string path = dir.file("out.xls");
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend(path));
    EXPECT_TRUE(writer.isOpen());
    writer.writeRow("Date Time\tName");
    writer.writeRow("");
    writer.writeRow("2005/05/12\tDisk");
    EXPECT_TRUE(writer.close());
    EXPECT_FALSE(writer.isOpen());
    EXPECT_EQ(readFile(path), "Date Time\tName\r\n\r\n2005/05/12\tDisk\r\n");
}

TEST(OutputWriter, CreatesAMissingFileWithoutAnyPreamble)
{
    const TempDir dir;
    const std::string path = dir.file("new.xls");
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend(path));
    EXPECT_TRUE(std::filesystem::exists(path));
    writer.writeRow("a");
    writer.close();
    EXPECT_EQ(readFile(path), "a\r\n");
}

TEST(OutputWriter, AppendsToAnExistingFile)
{
    const TempDir dir;
    const std::string path = dir.file("out.xls");
    writeFile(path, "earlier\r\n");
    {
        OutputWriter writer;
        ASSERT_TRUE(writer.openAppend(path));
        writer.writeRow("later");
    }  // the destructor flushes and closes
    EXPECT_EQ(readFile(path), "earlier\r\nlater\r\n");
}

TEST(OutputWriter, BytesAreWrittenUnchanged)
{
    const TempDir dir;
    const std::string path = dir.file("bytes.xls");
    const std::string row("\x00\xFF\xE9\t\"q\"\n\\", 8);
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend(path));
    writer.writeRow(row);
    writer.close();
    EXPECT_EQ(readFile(path), row + "\r\n");
}

TEST(OutputWriter, FlushMakesRowsVisibleBeforeClose)
{
    const TempDir dir;
    const std::string path = dir.file("out.xls");
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend(path));
    writer.writeRow("one");
    writer.flush();
    EXPECT_EQ(readFile(path), "one\r\n");
    writer.writeRow("two");
    writer.close();
    EXPECT_EQ(readFile(path), "one\r\ntwo\r\n");
}

TEST(OutputWriter, ManyRowsAndRowsLongerThanTheBufferKeepTheirOrder)
{
    const TempDir dir;
    const std::string path = dir.file("big.xls");
    const std::string longRow(3u << 20, 'x');
    std::string expected;
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend(path));
    for (int i = 0; i < 200000; ++i) {
        const std::string row = std::to_string(i) + "\tUSBSTOR\\DISK";
        writer.writeRow(row);
        expected += row + "\r\n";
        if (i == 100000) {
            writer.writeRow(longRow);
            expected += longRow + "\r\n";
        }
    }
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(readFile(path), expected);
}

// A line's row is copied column by column in pieces chosen by the value's length: every
// column takes lengths either side of each piece, in rows enough to fill the buffer several
// times, and one value longer than the whole buffer. Each row must be its values joined.
TEST(OutputWriter, LineRowsAreTheirValuesJoinedByTabs)
{
    constexpr std::array<std::size_t, 17> kLengths = {0,  1,  2,  3,  4,  7,  8,  15, 16,
                                                      17, 31, 32, 33, 63, 64, 65, 300};
    // No two neighbouring bytes alike, so that a byte copied to a wrong place shows.
    std::string text(4096, ' ');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('!' + (i * 7) % 90);
    }
    const std::string huge(3u << 20, 'h');
    const TempDir dir;
    const std::string path = dir.file("lines.xls");
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend(path));
    std::string expected;
    for (std::size_t row = 0; row < 6000; ++row) {
        std::array<std::string_view, 12> values;  // the record's eleven, then the Line given
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = std::string_view(text).substr((row * 5 + i * 11) % 1000,
                                                      kLengths[(row + i) % kLengths.size()]);
        }
        if (row == 3000) {
            values[1] = huge;  // Full Text
        }
        const RecordView record = {values[1], values[2], values[3], values[4],
                                   values[5], values[6], values[7], values[8],
                                   values[9], values[10], values[11]};
        writer.writeRow(record, values[0]);
        expected += fFormatOutput("", false, record.full, record.date, record.instance,
                                  values[0], record.type, record.code, record.path,
                                  record.device, record.guid, record.name, record.sig);
        expected += "\r\n";
    }
    EXPECT_EQ(writer.rows(), 6000);
    EXPECT_TRUE(writer.close());
    EXPECT_TRUE(readFile(path) == expected);
}

TEST(OutputWriter, AttachedStreamIsFlushedButLeftOpen)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
#ifndef _WIN32
    const int descriptor = fileno(stream);
#endif
    {
        OutputWriter writer;
        writer.attach(stream);
        EXPECT_TRUE(writer.isOpen());
        writer.writeRow("a\tb");
        EXPECT_TRUE(writer.close());
        EXPECT_FALSE(writer.isOpen());
    }
#ifndef _WIN32
    // A stream the writer does not own must stay open.
    ASSERT_NE(fcntl(descriptor, F_GETFD), -1);
#endif
    ASSERT_GE(std::fputs("tail", stream), 0);
    std::rewind(stream);
    char text[32] = {};
    const std::size_t n = std::fread(text, 1, sizeof text, stream);
    EXPECT_EQ(std::string(text, n), "a\tb\r\ntail");
    std::fclose(stream);
}

TEST(OutputWriter, UnopenableFileIsReported)
{
    const TempDir dir;
    OutputWriter writer;
    EXPECT_FALSE(writer.openAppend(dir.file("no such folder/out.xls")));
    EXPECT_FALSE(writer.isOpen());
    EXPECT_THROW(writer.writeRow("row"), ExtractionError);
    EXPECT_TRUE(writer.close());
}

#ifndef _WIN32
TEST(OutputWriter, FailingWriteIsReported)
{
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend("/dev/full"));
    writer.writeRow("row");
    EXPECT_THROW(writer.flush(), ExtractionError);
    // The rows that did not reach the file are not silently counted as written.
    EXPECT_FALSE(writer.close());
}

TEST(OutputWriter, FailingWriteIsReportedWhenTheBufferFills)
{
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    OutputWriter writer;
    ASSERT_TRUE(writer.openAppend("/dev/full"));
    const std::string row(4096, 'x');
    EXPECT_THROW(
        {
            for (int i = 0; i < 1000; ++i) {
                writer.writeRow(row);
            }
        },
        ExtractionError);
}
#endif

}  // namespace
}  // namespace tillery
