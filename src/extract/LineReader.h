#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tillery {

// Reads a log line by line in large blocks; from the third block on, each is read by a
// thread of its own while the lines of the one before are handed out. A line ends at LF;
// a CR directly before the LF is dropped with it. A last line without a line end is still
// a line. Bytes pass through unchanged, NUL included.
class LineReader {
public:
    LineReader();
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens the file read-only; false when it cannot be opened, with the system's error
    // number in openError().
    bool open(const std::string& utf8Path);
    int openError() const { return m_openError; }
    bool isOpen() const { return m_file != nullptr; }
    // The next line, valid until the next call of next() or atEnd(); false at the end.
    // Throws ExtractionError when reading fails.
    bool next(std::string_view& line)
    {
        // Most lines lie whole in the buffer: they are handed out here, without a call.
        if (m_begin < m_end) {
            const char* const start = data() + m_begin;
            const auto* newline = static_cast<const char*>(std::memchr(start, '\n', m_end - m_begin));
            if (newline != nullptr) {
                const auto length = static_cast<std::size_t>(newline - start);
                line = std::string_view(start, length > 0 && newline[-1] == '\r' ? length - 1 : length);
                m_begin += length + 1;
                return true;
            }
        }
        return nextAcrossBlocks(line);
    }
    // Reads past the next line without holding it: its bytes are handed to `see` piece by
    // piece, as next() would deliver them (a CR LF that straddles two blocks of a line longer
    // than a block hands its CR over). False at the end. Throws ExtractionError when
    // reading fails.
    template <typename See>
    bool skipLine(See&& see);
    // The bytes not read yet, a buffer's worth at a time and not split into lines, for a
    // pass that only counts; valid until the next call. False at the end. Throws
    // ExtractionError when reading fails.
    bool nextBlock(std::string_view& bytes);
    // True when no line is left.
    bool atEnd();
    // How many bytes of the file were handed out so far (lines with their line ends, and
    // blocks).
    std::int64_t position() const { return m_read - static_cast<std::int64_t>(m_end - m_begin); }
    // The file's size when it was opened; -1 when the system could not tell it.
    std::int64_t openedSize() const { return m_openedSize; }
    void close();

private:
    // The buffer's bytes are held with malloc: a buffer that grows for a long line then
    // moves its pages instead of copying them, and pages not yet filled cost no memory.
    struct FreeBytes {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    using Bytes = std::unique_ptr<char, FreeBytes>;
    class ReadAhead;
    // A buffer of the standard size; throws std::bad_alloc.
    static Bytes newBuffer();
    char* data() const { return m_buffer.get(); }
    // Gives the buffer `size` bytes, keeping its contents; throws std::bad_alloc.
    void resize(std::size_t size);
    bool fill();
    // next() for a line that the buffer does not hold whole.
    bool nextAcrossBlocks(std::string_view& line);

    std::FILE* m_file = nullptr;
    std::unique_ptr<ReadAhead> m_ahead;  // reads the next block, from the third one on
    Bytes m_spare;                       // the buffer to read into while none is ahead
    std::int64_t m_blocks = 0;           // blocks taken since open()
    Bytes m_buffer;
    std::size_t m_size = 0;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    int m_openError = 0;
    std::int64_t m_read = 0;  // bytes read from the file into the buffer
    std::int64_t m_openedSize = -1;
};

template <typename See>
bool LineReader::skipLine(See&& see)
{
    bool any = false;
    for (;;) {
        const std::string_view pending(data() + m_begin, m_end - m_begin);
        const auto newline = pending.find('\n');
        if (newline != std::string_view::npos) {
            const bool crBefore = newline > 0 && pending[newline - 1] == '\r';
            see(pending.substr(0, crBefore ? newline - 1 : newline));
            m_begin += newline + 1;
            return true;
        }
        if (!pending.empty()) {
            see(pending);
            any = true;
        }
        m_begin = m_end;  // handed over: the buffer never grows for this line
        if (!fill()) {
            return any;
        }
    }
}

}  // namespace tillery
