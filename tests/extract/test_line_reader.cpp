#include "extract/LineReader.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tillery {
namespace {

using test::TempDir;
using test::writeFile;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// A line of `length` bytes, numbered so that a line handed out twice or out of order
// shows.
std::string lineOf(std::size_t number, std::size_t length)
{
    std::string line = std::to_string(number) + ":";
    line.resize(std::max(length, line.size()), static_cast<char>('a' + number % 26));
    return line;
}

// Lines whose ends fall where blocks meet: a line that starts before a block's end and
// ends after it, short or longer than a whole block, a CR LF split over two blocks, and a
// last line without a line end. Each is read back exactly as written.
TEST(LineReader, LinesAcrossBlocksComeOutWholeAndInOrder)
{
    struct Case {
        const char* what;
        std::vector<std::size_t> lengths;  // of the lines, their ends not counted
        std::size_t crAt;                  // the line that ends in CR LF (0: none)
        bool lastEnded;                    // whether the last line has a line end
    };
    const std::size_t fill = 1000;
    const std::vector<Case> cases = {
        {"a short line over the first block's end", {kMiB - 10, 40, 5}, 0, true},
        {"a 100 KB line over the first block's end", {kMiB - 50 * 1024, 100 * 1024, 7}, 0, true},
        {"a line of three blocks, then short lines", {kMiB / 2, 3 * kMiB, 10, 20}, 0, true},
        {"a CR LF split over two blocks", {kMiB - 2 - fill, fill, 30}, 2, true},
        {"a long last line without a line end", {kMiB - 1000, 2 * kMiB}, 0, false},
    };
    const TempDir dir;
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        std::string bytes;
        for (std::size_t i = 0; i < c.lengths.size(); ++i) {
            lines.push_back(lineOf(i, c.lengths[i]));
            bytes += lines.back();
            if (i + 1 == c.crAt) {
                bytes += "\r\n";
            } else if (i + 1 < c.lengths.size() || c.lastEnded) {
                bytes += "\n";
            }
        }
        const std::string path = dir.file("log.txt");
        writeFile(path, bytes);

        LineReader reader;
        ASSERT_TRUE(reader.open(path)) << c.what;
        std::vector<std::string> read;
        std::string_view line;
        while (reader.next(line)) {
            read.emplace_back(line);
        }
        EXPECT_EQ(read, lines) << c.what;
        EXPECT_EQ(reader.position(), static_cast<std::int64_t>(bytes.size())) << c.what;
    }
}

}  // namespace
}  // namespace tillery
