#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tillery {

// Writes the offsets of the first `most` line ends (LF bytes) in `bytes` to `ends`, in
// order; returns how many it wrote.
std::size_t listLineEnds(std::string_view bytes, std::uint32_t* ends, std::size_t most);

// Reads a log line by line in large blocks; from the third block on, each is read by a
// thread of its own while the lines of the one before are handed out, and while lines are
// read that thread also finds the block's line ends. A line ends at LF; a CR directly
// before the LF is dropped with it. A last line without a line end is still a line. Bytes
// pass through unchanged, NUL included.
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
    // Moves to byte `offset` before anything is read: reading then starts there, and
    // position() counts from there. False when the system cannot move there.
    bool skipTo(std::int64_t offset);
    // The next line, valid until the next call of next() or atEnd(); false at the end.
    // Throws ExtractionError when reading fails.
    bool next(std::string_view& line)
    {
        // Most lines lie whole in the buffer: they are handed out here, without a call.
        if (const char* const newline = takeLineEnd(m_begin)) {
            takeLine(newline, line);
            return true;
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
    using LineEnds = std::unique_ptr<std::uint32_t[]>;
    class ReadAhead;
    // A buffer of the standard size; throws std::bad_alloc.
    static Bytes newBuffer();
    char* data() const { return m_buffer.get(); }
    // Gives the buffer `size` bytes, keeping its contents; throws std::bad_alloc.
    void resize(std::size_t size);
    bool fill();
    // next() for a line that the buffer does not hold whole.
    bool nextAcrossBlocks(std::string_view& line);
    // The first line end at or after m_begin, null when the buffer holds none; a search
    // starts at `from`, before which there is none. The block's line ends found by the
    // read-ahead thread tell it without a search; it is taken from them, so the caller
    // moves m_begin past it.
    const char* takeLineEnd(std::size_t from)
    {
        if (m_nextEnd != m_endsStop) {
            return data() + m_endsBase + *m_nextEnd++;
        }
        if (from >= m_end) {
            return nullptr;
        }
        return static_cast<const char*>(std::memchr(data() + from, '\n', m_end - from));
    }
    // Hands out the line from m_begin to `newline`, a CR before it dropped, and moves past it.
    void takeLine(const char* newline, std::string_view& line)
    {
        const char* const start = data() + m_begin;
        const auto length = static_cast<std::size_t>(newline - start);
        line = std::string_view(start, length > 0 && newline[-1] == '\r' ? length - 1 : length);
        m_begin += length + 1;
    }
    // Forgets the block's line ends, for bytes taken without them.
    void dropLineEnds() { m_nextEnd = m_endsStop = nullptr; }

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
    // The line ends of the block in the buffer, as offsets from its first byte, which lies
    // at m_endsBase: the read-ahead thread finds them, so that the work on the lines does
    // not search for them. While any are left, *m_nextEnd is the first line end at or
    // after m_begin: whatever else moves m_begin takes its end from them or drops them.
    LineEnds m_ends;
    const std::uint32_t* m_nextEnd = nullptr;
    const std::uint32_t* m_endsStop = nullptr;
    std::size_t m_endsBase = 0;
    bool m_byLines = false;  // lines are being read: blocks read ahead come with their ends
};

template <typename See>
bool LineReader::skipLine(See&& see)
{
    bool any = false;
    for (;;) {
        if (const char* const newline = takeLineEnd(m_begin)) {
            std::string_view line;
            takeLine(newline, line);
            see(line);
            return true;
        }
        const std::string_view pending(data() + m_begin, m_end - m_begin);
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
