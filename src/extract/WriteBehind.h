#pragma once

#include "extract/ByteBuffer.h"
#include "extract/HandOffThread.h"

#include <cstddef>
#include <cstdio>

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

    // Hands the first `size` bytes of `bytes` over to be written and gives back an empty
    // buffer of at least the same capacity in its place. Waits while the last buffer is
    // still being written. Throws ExtractionError when an earlier write failed.
    void handOver(ByteBuffer& bytes, std::size_t size);
    // Waits until every buffer handed over is written. Throws ExtractionError when a
    // write failed.
    void wait() { m_thread.wait(); }

private:
    struct Buffer {
        ByteBuffer bytes;
        std::size_t size = 0;  // the bytes to write
    };

    std::FILE* const m_file;
    HandOffThread<Buffer> m_thread;  // waits for the buffer being written when it ends
};

}  // namespace tillery
