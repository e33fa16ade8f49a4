#pragma once

#include "extract/ByteBuffer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <thread>

namespace tillery {

// Throws the ExtractionError of a failed write to the output file, with the system's
// reason for error number `error` (none for 0).
[[noreturn]] void throwWriteError(int error);

// Writes full buffers of the output table to its file on a thread of its own, while the
// run fills the next buffer: the file system's share of writing (a memory file system
// allocates and fills its pages, a disk's cache takes the bytes) overlaps the extraction
// instead of adding to it. Buffers are written whole and in the order they are handed
// over. After a failed write nothing more is written (a table with a hole would look
// whole); the failure is reported to the run at its next handing over or wait.
class WriteBehind {
public:
    explicit WriteBehind(std::FILE* file);
    ~WriteBehind();  // waits for the buffer being written, then ends the thread
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Hands the first `size` bytes of `bytes` over to be written and gives back an empty
    // buffer of at least the same capacity in its place. Waits while the last buffer is
    // still being written. Throws ExtractionError when an earlier write failed.
    void handOver(ByteBuffer& bytes, std::size_t size);
    // Waits until every buffer handed over is written. Throws ExtractionError when a
    // write failed.
    void wait();

private:
    void run();
    void throwIfFailed() const;  // with m_mutex held

    std::FILE* const m_file;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    ByteBuffer m_bytes;  // the buffer handed over; the thread's while m_full
    std::size_t m_size = 0;
    bool m_full = false;
    bool m_ending = false;
    int m_error = -1;  // the system's error number of the first failed write; -1: none
    std::thread m_thread;  // last: it starts once the members above exist
};

}  // namespace tillery
