#include "extract/LineReader.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

// The line that starts at byte `at` of `bytes` as the reader should hand it out, and where
// the next one starts.
std::pair<std::string_view, std::size_t> lineAt(std::string_view bytes, std::size_t at)
{
    const std::size_t newline = bytes.find('\n', at);
    if (newline == std::string_view::npos) {
        return {bytes.substr(at), bytes.size()};
    }
    std::string_view line = bytes.substr(at, newline - at);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return {line, newline + 1};
}

// From the third block on, the read-ahead thread finds a block's line ends and next() takes
// them from its list. Lines whose ends fall where such blocks meet, lines long enough to
// make the buffer grow, and blocks of more lines than the list keeps all come out as in
// the file: read line by line, and again with lines skipped, blocks taken whole and the
// end asked about in between.
TEST(LineReader, LinesOfBlocksReadAheadComeOutAsInTheFile)
{
    struct Piece {
        std::size_t start;   // where the line starts; short lines fill the log up to it
        std::size_t length;  // of the line, its end not counted
        const char* end;     // its line end
    };
    struct Case {
        const char* what;
        std::size_t shortLength;  // of the lines that fill the log between the pieces
        std::vector<Piece> pieces;
        std::size_t size;  // short lines fill the log up to this size after the pieces
    };
    const std::size_t M = kMiB;
    const std::vector<Case> cases = {
        {"lines that end where blocks end, an empty line first in a block", 80,
         {{2 * M - 100, 99, "\n"}, {4 * M - 100, 99, "\n"}, {4 * M, 0, "\n"}}, 5 * M + 123},
        {"a line across the first block read ahead, a CR LF split over two blocks", 80,
         {{2 * M - 10, 40, "\n"}, {3 * M - 100, 99, "\r\n"}}, 4 * M + M / 2},
        {"a 200 KB line over a block's end, after lines read ahead", 80,
         {{4 * M - 100 * 1024, 200 * 1024, "\r\n"}}, 5 * M + M / 2},
        {"a line of three blocks whose CR ends a block", 60,
         {{3 * M - 300, 3 * M + 299, "\r\n"}}, 7 * M},
        {"lines of one byte, more ends in a block than are kept", 1,
         {{3 * M - 1, 0, "\n"}, {4 * M + 1, 10, ""}}, 0},
        {"a last line without a line end in a block read ahead", 60, {{5 * M + 7, 50, ""}}, 0},
    };
    const TempDir dir;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Case& test = cases[c];
        std::string bytes;
        std::size_t shortLines = 0;
        // Short lines up to `size`, some with CR LF or a NUL, the last one as long as fits.
        const auto fillTo = [&](std::size_t size) {
            while (bytes.size() < size) {
                const std::size_t room = size - bytes.size() - 1;
                const bool cr = ++shortLines % 7 == 0 && room >= test.shortLength + 2;
                std::string line = lineOf(shortLines, test.shortLength).substr(0, test.shortLength);
                line.resize(std::min(line.size(), room - (cr ? 1 : 0)));
                if (shortLines % 5 == 0 && !line.empty()) {
                    line.back() = '\0';
                }
                bytes += line + (cr ? "\r\n" : "\n");
            }
        };
        for (std::size_t p = 0; p < test.pieces.size(); ++p) {
            const Piece& piece = test.pieces[p];
            fillTo(piece.start);
            ASSERT_EQ(bytes.size(), piece.start) << test.what;
            bytes += lineOf(1000000 + p, piece.length).substr(0, piece.length) + piece.end;
        }
        fillTo(test.size);
        const std::string path = dir.file("log.txt");
        writeFile(path, bytes);

        for (const bool mixed : {false, true}) {
            SCOPED_TRACE(std::string(test.what) + (mixed ? ", reads mixed" : ", line by line"));
            LineReader reader;
            ASSERT_TRUE(reader.open(path));
            std::mt19937 pick(static_cast<unsigned>(c));
            std::string fault;
            for (std::size_t steps = 0; fault.empty(); ++steps) {
                const auto at = static_cast<std::size_t>(reader.position());
                const auto [expected, after] = lineAt(bytes, at);
                // Mixed: now and then a block taken whole, a line skipped, the end asked about.
                const unsigned roll = pick() % 20000;
                const bool takeBlock = mixed && roll == 1;
                const bool skip = mixed && roll < 1000 && !takeBlock;
                if (mixed && roll % 50 == 0 && reader.atEnd() != (at == bytes.size())) {
                    fault = "atEnd() at byte " + std::to_string(at);
                    break;
                }
                std::string skipped;
                std::string_view got;
                bool any = false;
                if (takeBlock) {
                    std::string_view block;
                    if (reader.nextBlock(block)) {
                        if (block != std::string_view(bytes).substr(at, block.size())) {
                            fault = "block at byte " + std::to_string(at);
                        }
                        continue;
                    }
                } else if (skip) {
                    // A piece from a wrong line end can be any length: it is not copied then.
                    any = reader.skipLine([&](std::string_view piece) {
                        skipped += piece.substr(0, bytes.size() - skipped.size());
                    });
                    got = skipped;
                } else {
                    any = reader.next(got);
                }
                if (any != (at < bytes.size())) {
                    fault = "a line at byte " + std::to_string(at) + " came " +
                            (any ? "after the end" : "out missing");
                } else if (!any) {
                    break;
                } else if (got != expected ||
                           reader.position() != static_cast<std::int64_t>(after)) {
                    fault = "the line at byte " + std::to_string(at) + " after " +
                            std::to_string(steps) + " steps";
                }
            }
            EXPECT_EQ(fault, "");
            EXPECT_EQ(reader.position(), static_cast<std::int64_t>(bytes.size()));
        }
    }
}

// The line ends listed for a block are those a byte-by-byte search finds, in order, up
// to the limit: ends on both sides of a 64-byte step, in its first and last byte, one in
// every byte, bytes with the high bit set beside them, and tails shorter than a step.
TEST(LineReader, LineEndsListedAreThoseOfABytewiseSearch)
{
    std::mt19937 pick(7);
    std::string noisy(1000, '\0');
    for (char& byte : noisy) {
        byte = static_cast<char>(pick() % 5 == 0 ? '\n' : 0x80 | (pick() & 0x7F));
    }
    const std::vector<std::pair<std::string, std::size_t>> cases = {
        {"", 8},
        {std::string(200, 'a'), 8},
        {std::string(63, 'a') + "\n" + std::string(64, 'b') + "\n", 8},
        {"\n" + std::string(62, 'a') + "\n\n" + std::string(10, 'c') + "\nd", 8},
        {std::string(130, '\n'), 100},  // more ends than room: the first 100
        {std::string(130, '\n'), 130},
        {noisy, 1000},
        {noisy.substr(0, 77), 1000},
    };
    for (const auto& [bytes, most] : cases) {
        std::vector<std::uint32_t> expected;
        for (std::size_t i = 0; i < bytes.size() && expected.size() < most; ++i) {
            if (bytes[i] == '\n') {
                expected.push_back(static_cast<std::uint32_t>(i));
            }
        }
        std::vector<std::uint32_t> ends(most + 1, 0xFFFFFFFF);
        const std::size_t count = listLineEnds(bytes, ends.data(), most);
        EXPECT_EQ(ends[most], 0xFFFFFFFF) << "written past the room";
        ends.resize(count);
        EXPECT_EQ(ends, expected) << bytes.size() << " bytes, room for " << most;
    }
}

}  // namespace
}  // namespace tillery
