#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tillery {

// Reads a log line by line in large blocks. A line ends at LF; a CR directly before the
// LF is dropped with it. A last line without a line end is still a line. Bytes pass
// through unchanged, NUL included.
class LineReader {
public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file read-only; false when it cannot be opened.
    bool open(const std::string& utf8Path);
    bool isOpen() const { return m_file != nullptr; }
    // The next line, valid until the next call of next() or atEnd(); false at the end.
    // Throws ExtractionError when reading fails.
    bool next(std::string_view& line);
    // True when no line is left.
    bool atEnd();
    void close();

private:
    bool fill();

    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
};

}  // namespace tillery
