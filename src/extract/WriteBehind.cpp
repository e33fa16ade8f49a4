#include "extract/WriteBehind.h"

#include "core/Errors.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace tillery {

void throwWriteError(int error)
{
    std::string reason = "cannot write the output file";
    if (error != 0) {
        reason += ": " + std::generic_category().message(error);
    }
    throw ExtractionError(reason);
}

WriteBehind::WriteBehind(std::FILE* file)
    : m_file(file), m_thread([this](Buffer& buffer) {
          errno = 0;
          if (std::fwrite(buffer.bytes.data(), 1, buffer.size, m_file) != buffer.size) {
              throwWriteError(errno);
          }
      })
{
}

void WriteBehind::handOver(ByteBuffer& bytes, std::size_t size)
{
    const std::size_t capacity = bytes.size();
    Buffer buffer;
    buffer.bytes.swap(bytes);
    buffer.size = size;
    try {
        m_thread.handOver(buffer);
    } catch (...) {
        bytes.swap(buffer.bytes);  // not handed over: the run keeps its buffer
        throw;
    }
    bytes.swap(buffer.bytes);
    if (bytes.size() < capacity) {
        bytes.resize(capacity);  // the first buffer given back is a new one
    }
}

}  // namespace tillery
