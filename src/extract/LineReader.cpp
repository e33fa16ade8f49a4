#include "extract/LineReader.h"

#include "core/Errors.h"
#include "extract/HandOffThread.h"
#include "extract/RunChecks.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <new>

#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tillery {
namespace {

constexpr std::size_t kBlockSize = 1 << 20;
// Room before a block for the start of the line it continues: a block is read in behind
// it, so that the line's bytes are moved there instead of the block's behind them.
constexpr std::size_t kLead = 64 * 1024;
constexpr std::size_t kBufferSize = kLead + kBlockSize;
constexpr std::size_t kFirstBlockSize = 64 * 1024;
// The most line ends kept for one block: lines of 16 bytes on average. A block of shorter
// lines has its later ends searched for as they are needed, and a block's list stays
// small however the log looks.
constexpr std::size_t kMostLineEnds = kBlockSize / 16;

}  // namespace

// Writes the offsets of the first `most` line ends in `bytes` to `ends`; returns how many
// it wrote. Where the processor compares 16 bytes at once, 64 bytes are looked at per
// step and each line end is taken from the step's bit mask: lines are short, and a search
// call per line costs more than the compares.
std::size_t listLineEnds(std::string_view bytes, std::uint32_t* ends, std::size_t most)
{
    std::size_t count = 0;
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i lineEnd = _mm_set1_epi8('\n');
    const auto maskOf = [&](std::size_t from) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + from));
        return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lineEnd))));
    };
    for (; at + 64 <= bytes.size(); at += 64) {
        std::uint64_t mask = maskOf(at) | maskOf(at + 16) << 16 | maskOf(at + 32) << 32 | maskOf(at + 48) << 48;
        for (; mask != 0; mask &= mask - 1) {
            if (count == most) {
                return count;
            }
            ends[count++] = static_cast<std::uint32_t>(at + static_cast<std::size_t>(std::countr_zero(mask)));
        }
    }
#endif
    for (; count < most; ++count) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) {
            break;
        }
        ends[count] = static_cast<std::uint32_t>(end);
        at = end + 1;
    }
    return count;
}

LineReader::Bytes LineReader::newBuffer()
{
    char* bytes = static_cast<char*>(std::malloc(kBufferSize));
    if (bytes == nullptr) {
        throw std::bad_alloc();
    }
    return Bytes(bytes);
}

// Reads the file a block at a time on a thread of its own, one block ahead of the reader:
// the system's copy of the file into memory overlaps the work on the lines before, and so
// does the search for the block's line ends when lines are read. The thread alone reads
// the file while it runs; blocks are handed over in file order.
class LineReader::ReadAhead {
public:
    struct Block {
        Bytes bytes;  // kBufferSize bytes, the block's at kLead
        std::size_t got = 0;
        bool failed = false;
        // The block's first `endCount` line ends, as offsets from its first byte; none
        // when they were not looked for. Room for kMostLineEnds, which goes back and forth
        // with the blocks.
        LineEnds ends;
        std::size_t endCount = 0;
        bool findEnds = false;  // asked of the read ahead
    };

    // Reads the file's next block, of `size` bytes at most, into `block.bytes`.
    static void read(std::FILE* file, Block& block, std::size_t size = kBlockSize)
    {
        block.got = std::fread(block.bytes.get() + kLead, 1, size, file);
        block.failed = block.got < size && std::ferror(file) != 0;
    }
    // Lists the block's line ends, up to kMostLineEnds of them.
    static void findLineEnds(Block& block)
    {
        if (!block.ends) {
            // Not filled first: pages that no line end is written to cost no memory.
            block.ends = std::make_unique_for_overwrite<std::uint32_t[]>(kMostLineEnds);
        }
        block.endCount = listLineEnds(std::string_view(block.bytes.get() + kLead, block.got),
                                      block.ends.get(), kMostLineEnds);
    }

    explicit ReadAhead(std::FILE* file)
        : m_file(file), m_thread([this](Block& block) {
              read(m_file, block);
              block.endCount = 0;
              if (block.findEnds && !block.failed) {
                  findLineEnds(block);
              }
          })
    {
    }

    // Reads the next block into `block.bytes` (kBufferSize bytes), and lists its line ends
    // in `block.ends` when `findEnds`.
    void request(Block block, bool findEnds)
    {
        block.findEnds = findEnds;
        m_thread.handOver(block);
    }
    // The block requested last, once it is read.
    Block take()
    {
        Block block;
        m_thread.takeBack(block);
        return block;
    }

private:
    std::FILE* const m_file;
    HandOffThread<Block> m_thread;  // the only reader of the file while it runs; when it
                                    // ends, it waits for the read in flight first
};

LineReader::LineReader() = default;

LineReader::~LineReader()
{
    close();
}

bool LineReader::open(const std::string& utf8Path)
{
    close();
    errno = 0;
#ifdef _WIN32
    m_file = _wfopen(pathFromUtf8(utf8Path).c_str(), L"rb");
#else
    m_file = std::fopen(utf8Path.c_str(), "rb");
#endif
    if (m_file == nullptr) {
        m_openError = errno;
        return false;
    }
    m_openError = 0;
    if (m_size != kBufferSize) {
        m_buffer = newBuffer();
        m_size = kBufferSize;
    }
    m_begin = m_end = 0;
    m_eof = false;
    m_read = 0;
    dropLineEnds();
    m_byLines = false;
#ifdef _WIN32
    struct _stat64 status {};
    const bool known = _fstat64(_fileno(m_file), &status) == 0;
#else
    struct stat status {};
    const bool known = fstat(fileno(m_file), &status) == 0;
#endif
    m_openedSize = known ? static_cast<std::int64_t>(status.st_size) : -1;
    m_blocks = 0;
    return true;
}

bool LineReader::skipTo(std::int64_t offset)
{
    if (m_file == nullptr || m_read != 0 || offset < 0) {
        return false;
    }
#ifdef _WIN32
    const bool moved = _fseeki64(m_file, offset, SEEK_SET) == 0;
#else
    const bool moved = fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    if (moved) {
        m_read = offset;
    }
    return moved;
}

void LineReader::close()
{
    m_ahead.reset();  // after the read in flight
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_begin = m_end = 0;
    m_eof = true;
    m_read = 0;
    m_openedSize = -1;
    dropLineEnds();
}

void LineReader::resize(std::size_t size)
{
    void* bytes = std::realloc(m_buffer.get(), size);
    if (bytes == nullptr) {
        throw std::bad_alloc();
    }
    static_cast<void>(m_buffer.release());  // realloc has freed or kept it
    m_buffer.reset(static_cast<char*>(bytes));
    m_size = size;
}

bool LineReader::fill()
{
    // Only bytes without a line end are left (a line's start, or none): the block's line
    // ends are all taken or no longer wanted.
    dropLineEnds();
    if (m_file == nullptr || m_eof) {
        return false;
    }
    ReadAhead::Block block;
    if (m_ahead) {
        block = m_ahead->take();
    } else {
        block.bytes = m_spare ? std::move(m_spare) : newBuffer();
        // The file's first block is a short one: the checks before a run read only its
        // first lines, and a whole block would cost them its copy and its fresh pages.
        ReadAhead::read(m_file, block, m_read == 0 ? kFirstBlockSize : kBlockSize);
    }
    const std::size_t pending = m_end - m_begin;
    if (block.failed || block.got == 0) {
        m_eof = true;  // nothing more is requested
        if (block.failed) {
            throw ExtractionError("the log could not be read");
        }
        if (m_size != kBufferSize && pending <= kBlockSize) {
            // A long line's memory goes back before the run ends its last event.
            Bytes standard = newBuffer();
            std::memcpy(standard.get(), data() + m_begin, pending);
            m_buffer = std::move(standard);
            m_size = kBufferSize;
            m_begin = 0;
            m_end = pending;
        }
        return false;
    }
    const std::size_t got = block.got;
    char* const fresh = block.bytes.get();
    if (pending <= kLead) {
        // The unread start of a line goes in front of the block, whose buffer becomes the
        // reader's; the old one (a standard one: a long line's memory goes back) is read
        // into next.
        std::memcpy(fresh + kLead - pending, data() + m_begin, pending);
        block.bytes.swap(m_buffer);
        if (m_size != kBufferSize) {
            block.bytes = newBuffer();
            m_size = kBufferSize;
        }
        m_begin = kLead - pending;
        m_end = kLead + got;
    } else {
        // A line longer than the room in front of a block grows in this buffer, and the
        // block is copied behind it.
        std::memmove(data(), data() + m_begin, pending);
        m_begin = 0;
        m_end = pending;
        if (m_size < pending + got) {
            resize(std::max(m_size * 2, pending + got));
        }
        std::memcpy(data() + m_end, fresh + kLead, got);
        m_end += got;
    }
    m_read += static_cast<std::int64_t>(got);
    // The block's line ends, if the read-ahead thread found them: the block's first byte
    // now lies `got` bytes before the buffer's end, behind the start of the line it
    // continues.
    const std::size_t endCount = block.endCount;
    m_ends.swap(block.ends);  // the list it replaces goes back to be filled again
    if (endCount > 0) {
        m_nextEnd = m_ends.get();
        m_endsStop = m_nextEnd + endCount;
        m_endsBase = m_end - got;
    }
    // A reader of lines that goes on past its second block reads ahead from then on; one
    // that wants only the first lines (the layout test, the header scan) reads no more than
    // it uses. A pass that takes blocks whole (the count) reads them itself: counting a
    // block takes less time than handing it from one thread to another.
    if (m_ahead || (m_byLines && ++m_blocks >= 2)) {
        if (!m_ahead) {
            m_ahead = std::make_unique<ReadAhead>(m_file);
        }
        m_ahead->request(std::move(block), m_byLines);
    } else {
        m_spare = std::move(block.bytes);
    }
    return true;
}

bool LineReader::nextAcrossBlocks(std::string_view& line)
{
    // next() found no line end in the buffer: the line goes on in the next block.
    m_byLines = true;
    for (;;) {
        const std::size_t pending = m_end - m_begin;
        if (!fill()) {
            if (m_begin < m_end) {
                line = std::string_view(data() + m_begin, m_end - m_begin);
                m_begin = m_end;
                return true;
            }
            return false;
        }
        // fill() moved the unread bytes, which hold no line end, to the front.
        if (const char* const newline = takeLineEnd(m_begin + pending)) {
            takeLine(newline, line);
            return true;
        }
    }
}

bool LineReader::nextBlock(std::string_view& bytes)
{
    m_byLines = false;
    if (m_begin == m_end && !fill()) {
        return false;
    }
    bytes = std::string_view(data() + m_begin, m_end - m_begin);
    m_begin = m_end;
    dropLineEnds();
    return true;
}

bool LineReader::atEnd()
{
    if (m_begin < m_end) {
        return false;
    }
    fill();
    return m_begin >= m_end;
}

}  // namespace tillery
