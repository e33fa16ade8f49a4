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

WriteBehind::WriteBehind(std::FILE* file) : m_file(file), m_thread([this] { run(); }) {}

WriteBehind::~WriteBehind()
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_full; });
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void WriteBehind::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_full || m_ending; });
        if (!m_full) {
            return;
        }
        if (m_error < 0) {
            lock.unlock();
            errno = 0;
            const std::size_t written = std::fwrite(m_bytes.data(), 1, m_size, m_file);
            const int error = errno;
            lock.lock();
            if (written != m_size) {
                m_error = error;
            }
        }
        m_full = false;
        m_changed.notify_all();
    }
}

void WriteBehind::throwIfFailed() const
{
    if (m_error >= 0) {
        throwWriteError(m_error);
    }
}

void WriteBehind::handOver(ByteBuffer& bytes, std::size_t size)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_full; });
        throwIfFailed();
        m_bytes.swap(bytes);
        m_size = size;
        m_full = true;
    }
    m_changed.notify_all();
    if (bytes.size() < m_bytes.size()) {
        bytes.resize(m_bytes.size());  // the first buffer given back is a new one
    }
}

void WriteBehind::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_full; });
    throwIfFailed();
}

}  // namespace tillery
