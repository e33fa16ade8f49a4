#include "extract/OutputWriter.h"

#include "core/Errors.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <filesystem>
#endif

namespace tillery {
namespace {

// Rows are gathered here and handed to the file in large blocks: a log of a million lines
// then costs a few hundred writes instead of a million.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

[[noreturn]] void throwWriteError(int error)
{
    std::string reason = "cannot write the output file";
    if (error != 0) {
        reason += ": " + std::generic_category().message(error);
    }
    throw ExtractionError(reason);
}

std::FILE* openForAppend(const std::string& utf8Path)
{
#ifdef _WIN32
    const std::filesystem::path path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8Path.data()), utf8Path.size()));
    return _wfopen(path.c_str(), L"ab");
#else
    return std::fopen(utf8Path.c_str(), "ab");
#endif
}

}  // namespace

OutputWriter::~OutputWriter()
{
    close();
}

bool OutputWriter::openAppend(const std::string& utf8Path)
{
    close();
    std::FILE* file = openForAppend(utf8Path);
    if (file == nullptr) {
        return false;
    }
    // This writer does its own buffering; a second copy through the C library buys nothing.
    std::setvbuf(file, nullptr, _IONBF, 0);
    m_file = file;
    m_owned = true;
    m_buffer.resize(kBufferSize);
    m_used = 0;
    return true;
}

void OutputWriter::attach(std::FILE* stream)
{
    close();
    m_file = stream;
    m_owned = false;
    m_buffer.resize(kBufferSize);
    m_used = 0;
}

void OutputWriter::writeRow(std::string_view row)
{
    if (m_file == nullptr) {
        throw ExtractionError("the output file is not open");
    }
    static constexpr std::string_view kLineEnd = "\r\n";
    if (m_used + row.size() + kLineEnd.size() > m_buffer.size()) {
        flush();
    }
    if (row.size() + kLineEnd.size() > m_buffer.size()) {
        // A row longer than the whole buffer goes straight to the file.
        errno = 0;
        if (std::fwrite(row.data(), 1, row.size(), m_file) != row.size()) {
            throwWriteError(errno);
        }
        row = {};
    }
    if (!row.empty()) {
        std::memcpy(m_buffer.data() + m_used, row.data(), row.size());
        m_used += row.size();
    }
    std::memcpy(m_buffer.data() + m_used, kLineEnd.data(), kLineEnd.size());
    m_used += kLineEnd.size();
}

void OutputWriter::flush()
{
    if (m_file == nullptr) {
        return;
    }
    if (m_used > 0) {
        errno = 0;
        const std::size_t written = std::fwrite(m_buffer.data(), 1, m_used, m_file);
        if (written != m_used) {
            // Keep what did not reach the file, so that a later flush neither loses nor
            // repeats bytes.
            std::memmove(m_buffer.data(), m_buffer.data() + written, m_used - written);
            m_used -= written;
            throwWriteError(errno);
        }
        m_used = 0;
    }
    errno = 0;
    if (std::fflush(m_file) != 0) {
        throwWriteError(errno);
    }
}

bool OutputWriter::close()
{
    if (m_file == nullptr) {
        return true;
    }
    bool ok = true;
    try {
        flush();
    } catch (const ExtractionError&) {
        ok = false;
    }
    if (m_owned && std::fclose(m_file) != 0) {
        ok = false;
    }
    m_file = nullptr;
    m_owned = false;
    m_used = 0;
    return ok;
}

}  // namespace tillery
