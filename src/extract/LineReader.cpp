#include "extract/LineReader.h"

#include "core/Errors.h"
#include "extract/RunChecks.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <sys/stat.h>

namespace tillery {
namespace {
constexpr std::size_t kBlockSize = 1 << 20;
}

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
    if (m_size < kBlockSize) {
        resize(kBlockSize);
    }
    m_begin = m_end = 0;
    m_eof = false;
    m_read = 0;
#ifdef _WIN32
    struct _stat64 status {};
    const bool known = _fstat64(_fileno(m_file), &status) == 0;
#else
    struct stat status {};
    const bool known = fstat(fileno(m_file), &status) == 0;
#endif
    m_openedSize = known ? static_cast<std::int64_t>(status.st_size) : -1;
    return true;
}

void LineReader::close()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_begin = m_end = 0;
    m_eof = true;
    m_read = 0;
    m_openedSize = -1;
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
    if (m_file == nullptr || m_eof) {
        return false;
    }
    if (m_begin > 0) {
        std::memmove(data(), data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_size) {
        resize(m_size * 2);  // a line longer than the buffer
    } else if (m_size > kBlockSize && m_end < kBlockSize / 2) {
        resize(kBlockSize);  // the long line is handled: its memory goes back
    }
    const std::size_t got = std::fread(data() + m_end, 1, m_size - m_end, m_file);
    if (got == 0) {
        if (std::ferror(m_file)) {
            throw ExtractionError("the log could not be read");
        }
        m_eof = true;
        return false;
    }
    m_end += got;
    m_read += static_cast<std::int64_t>(got);
    return true;
}

bool LineReader::nextAcrossBlocks(std::string_view& line)
{
    std::size_t scanned = m_begin;
    for (;;) {
        const char* start = data() + scanned;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', m_end - scanned));
        if (newline != nullptr) {
            const std::size_t nl = static_cast<std::size_t>(newline - data());
            std::size_t stop = nl;
            if (stop > m_begin && data()[stop - 1] == '\r') {
                --stop;
            }
            line = std::string_view(data() + m_begin, stop - m_begin);
            m_begin = nl + 1;
            return true;
        }
        const std::size_t pending = m_end - m_begin;
        if (!fill()) {
            if (m_begin < m_end) {
                line = std::string_view(data() + m_begin, m_end - m_begin);
                m_begin = m_end;
                return true;
            }
            return false;
        }
        scanned = m_begin + pending;  // fill() moved the unread bytes to the front
    }
}

bool LineReader::nextBlock(std::string_view& bytes)
{
    if (m_begin == m_end && !fill()) {
        return false;
    }
    bytes = std::string_view(data() + m_begin, m_end - m_begin);
    m_begin = m_end;
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
