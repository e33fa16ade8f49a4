#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tillery {

// Writes the output table: each row followed by CR LF, byte for byte, through a large
// buffer. Opens for appending (creating the file) or writes to a stream it does not own.
class OutputWriter {
public:
    OutputWriter() = default;
    ~OutputWriter();
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // Opens the file for appending, creating it when absent; false when it cannot be opened.
    bool openAppend(const std::string& utf8Path);
    // Writes to `stream` (standard output, for instance); close() flushes but keeps it open.
    void attach(std::FILE* stream);
    bool isOpen() const { return m_file != nullptr; }

    // Appends `row` and CR LF. Throws ExtractionError when the bytes cannot be written.
    void writeRow(std::string_view row);
    // Writes buffered rows out. Throws ExtractionError on failure.
    void flush();
    // Flushes and closes; never throws (returns false when buffered rows were lost).
    bool close();

private:
    std::FILE* m_file = nullptr;
    bool m_owned = false;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
};

}  // namespace tillery
