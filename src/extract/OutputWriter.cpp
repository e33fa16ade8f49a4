#include "extract/OutputWriter.h"

#include "core/Errors.h"
#include "core/FieldCatalogue.h"
#include "core/OutputFormat.h"
#include "extract/RunChecks.h"
#include "extract/Text.h"
#include "extract/WriteBehind.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace tillery {
namespace {

// Rows are gathered here and handed to the file in large blocks: a log of a million lines
// then costs a few hundred writes instead of a million.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

std::filesystem::path platformPath(const std::string& utf8Path)
{
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8Path.data()), utf8Path.size()));
}

std::FILE* openForAppend(const std::string& utf8Path)
{
#ifdef _WIN32
    return _wfopen(platformPath(utf8Path).c_str(), L"ab");
#else
    return std::fopen(utf8Path.c_str(), "ab");
#endif
}

// Creates the file only when nothing exists at the path; errno tells why not.
std::FILE* createExclusively(const std::string& utf8Path)
{
#ifdef _WIN32
    const int fd = _wopen(platformPath(utf8Path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(utf8Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
        return nullptr;
    }
#ifdef _WIN32
    std::FILE* file = _fdopen(fd, "wb");
#else
    std::FILE* file = fdopen(fd, "wb");
#endif
    if (file == nullptr) {
        const int error = errno;
#ifdef _WIN32
        _close(fd);
#else
        ::close(fd);
#endif
        errno = error;
    }
    return file;
}

// A device or a pipe takes the table as it stands; a file, a folder or a dangling link
// does not.
bool isDeviceOrPipe(const std::string& utf8Path)
{
    std::error_code error;
    const auto status = std::filesystem::status(platformPath(utf8Path), error);
    return !error && std::filesystem::exists(status) &&
           !std::filesystem::is_regular_file(status) && !std::filesystem::is_directory(status);
}

}  // namespace

OutputWriter::OutputWriter() = default;

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
    take(file);
    return true;
}

bool OutputWriter::openNew(const std::string& utf8Path)
{
    close();
    m_openFailure.clear();
    errno = 0;
    std::FILE* file = createExclusively(utf8Path);
    if (file == nullptr && errno == EEXIST && isDeviceOrPipe(utf8Path)) {
        errno = 0;
        file = openForAppend(utf8Path);
    }
    if (file == nullptr) {
        const int error = errno;
        m_openFailure = systemReason(error);
        if (error == EEXIST) {
            m_openFailure += " (another run may be writing it; it was left alone)";
        }
        return false;
    }
    take(file);
    return true;
}

void OutputWriter::take(std::FILE* file)
{
    // This writer does its own buffering; a second copy through the C library buys nothing.
    std::setvbuf(file, nullptr, _IONBF, 0);
    start(file, true);
}

void OutputWriter::attach(std::FILE* stream)
{
    close();
    start(stream, false);
}

void OutputWriter::start(std::FILE* file, bool owned)
{
    m_file = file;
    m_owned = owned;
    m_buffer.resize(kBufferSize);
    m_used = 0;
    m_rows = 0;
    m_behind = std::make_unique<WriteBehind>(m_file);
}

void OutputWriter::writeRow(std::string_view row)
{
    if (m_file == nullptr) {
        throw ExtractionError("the output file is not open");
    }
    static constexpr std::string_view kLineEnd = "\r\n";
    if (m_used + row.size() + kLineEnd.size() > m_buffer.size()) {
        handOver();
    }
    if (row.size() + kLineEnd.size() > m_buffer.size()) {
        // A row longer than the whole buffer goes straight to the file.
        writeDirect(row);
        row = {};
    }
    if (!row.empty()) {
        std::memcpy(m_buffer.data() + m_used, row.data(), row.size());
        m_used += row.size();
    }
    std::memcpy(m_buffer.data() + m_used, kLineEnd.data(), kLineEnd.size());
    m_used += kLineEnd.size();
    ++m_rows;
}

void OutputWriter::writeRow(std::span<const std::string_view> values)
{
    if (m_file == nullptr) {
        throw ExtractionError("the output file is not open");
    }
    std::size_t size = values.empty() ? 0 : values.size() - 1;  // the TABs
    for (const std::string_view value : values) {
        size += value.size();
    }
    if (size + 2 > m_buffer.size()) {
        // A row longer than the whole buffer goes to the file as it is, value by value.
        flush();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0) {
                writeDirect("\t");
            }
            writeDirect(values[i]);
        }
        writeRow(std::string_view{});  // its CR LF, and the count
        return;
    }
    if (m_used + size + 2 > m_buffer.size()) {
        handOver();
    }
    char* out = m_buffer.data() + m_used;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            *out++ = '\t';
        }
        out = copyValue(out, values[i]);
    }
    *out++ = '\r';
    *out++ = '\n';
    m_used = static_cast<std::size_t>(out - m_buffer.data());
    ++m_rows;
}

void OutputWriter::writeRow(const RecordView& record, std::string_view line)
{
    // The loops over the columns are unrolled: each column's value is then read from its
    // own place in the record, and each column's copy has branches of its own, which soon
    // learn that column's usual length (a Date Time is 19 bytes, most Signatures are empty,
    // most Full Texts long). In one loop, one set of branches would see eleven lengths in
    // turn and guess several wrong in every row.
    const auto value = [&](std::size_t column) {
        return column == static_cast<std::size_t>(Field::Line)
                   ? line
                   : record.*kColumnMembers<std::string_view>[column];
    };
    std::size_t size = kFieldCount + 1;  // the TABs and CR LF
#pragma GCC unroll 16
    for (std::size_t column = 0; column < kFieldCount; ++column) {
        size += value(column).size();
    }
    if (m_file == nullptr || size > m_buffer.size() - m_used) {
        // Not open, or no room left: the general routine fails, hands the buffer over or
        // writes the row past it.
        std::array<std::string_view, kFieldCount> values;
        for (std::size_t column = 0; column < kFieldCount; ++column) {
            values[column] = value(column);
        }
        writeRow(std::span<const std::string_view>(values));
        return;
    }
    char* out = m_buffer.data() + m_used;
#pragma GCC unroll 16
    for (std::size_t column = 0; column < kFieldCount; ++column) {
        out = copyValue(out, value(column));
        *out++ = '\t';
    }
    out[-1] = '\r';  // in place of the last TAB
    *out++ = '\n';
    m_used = static_cast<std::size_t>(out - m_buffer.data());
    ++m_rows;
}

void OutputWriter::writeRows(std::string_view bytes)
{
    if (m_file == nullptr) {
        throw ExtractionError("the output file is not open");
    }
    flush();
    writeDirect(bytes);
}

void OutputWriter::writeDirect(std::string_view bytes)
{
    m_behind->wait();  // the buffers handed over go first
    if (bytes.empty()) {
        return;  // an empty value of a long row may view no memory at all
    }
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        throwWriteError(errno);
    }
}

void OutputWriter::handOver()
{
    if (m_used > 0) {
        m_behind->handOver(m_buffer, m_used);
        m_used = 0;
    }
}

void OutputWriter::flush()
{
    if (m_file == nullptr) {
        return;
    }
    handOver();
    m_behind->wait();
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
    m_behind.reset();
    if (m_owned && std::fclose(m_file) != 0) {
        ok = false;
    }
    m_file = nullptr;
    m_owned = false;
    m_used = 0;
    return ok;
}

}  // namespace tillery
