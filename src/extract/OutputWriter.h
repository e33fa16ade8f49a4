#pragma once

#include "core/Record.h"
#include "extract/ByteBuffer.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tillery {

class WriteBehind;

// Writes the output table: each row followed by CR LF, byte for byte, through a large
// buffer, which a background thread writes to the file while the next one fills. Creates
// its file (or appends) or writes to a stream it does not own. Rows reach the file whole:
// a buffer is handed over only between rows.
class OutputWriter {
public:
    OutputWriter();
    ~OutputWriter();
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // Opens the file for appending, creating it when absent; false when it cannot be opened.
    bool openAppend(const std::string& utf8Path);
    // Creates the file, failing when one already exists at the path: a second writer that
    // created it after the old one was deleted is never written into. A path that names a
    // device or a pipe is opened for writing as it stands. False when it cannot be opened,
    // with the system's reason in openFailure().
    bool openNew(const std::string& utf8Path);
    const std::string& openFailure() const { return m_openFailure; }
    // Writes to `stream` (standard output, for instance); close() flushes but keeps it open.
    void attach(std::FILE* stream);
    bool isOpen() const { return m_file != nullptr; }

    // Appends `row` and CR LF. Throws ExtractionError when the bytes cannot be written.
    void writeRow(std::string_view row);
    // Appends the row of these values joined by single TABs, and CR LF, without building
    // it first: a row longer than the buffer goes to the file value by value.
    void writeRow(std::span<const std::string_view> values);
    // Appends the row of every field of `record` in column order, with `line` as its Line
    // value: the bytes of writeRow(span) of those values. Each log line's row in Full.
    void writeRow(const RecordView& record, std::string_view line);
    // Writes bytes that hold whole rows, line ends included, after the rows buffered so
    // far; they are not counted in rows(). Throws ExtractionError on failure.
    void writeRows(std::string_view bytes);
    // Writes buffered rows out. Throws ExtractionError on failure.
    void flush();
    // Flushes and closes; never throws (returns false when buffered rows were lost).
    bool close();
    // Rows handed to writeRow() since the last open or attach.
    std::int64_t rows() const { return m_rows; }

private:
    void take(std::FILE* file);
    // Starts writing to `file` (closed by close() when `owned`) with an empty buffer.
    void start(std::FILE* file, bool owned);
    // Writes bytes to the file past the buffer, which must be empty.
    void writeDirect(std::string_view bytes);

    // Hands the buffered rows to the background writer (which may still be writing the
    // rows handed before) and goes on with an empty buffer.
    void handOver();

    std::FILE* m_file = nullptr;
    std::unique_ptr<WriteBehind> m_behind;  // writes full buffers while the next fills
    bool m_owned = false;
    ByteBuffer m_buffer;
    std::size_t m_used = 0;
    std::int64_t m_rows = 0;
    std::string m_openFailure;
};

}  // namespace tillery
