#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tillery::cli {

// Whole rows of one log's output, line ends included.
struct Piece {
    std::string bytes;
    std::int64_t rows = 0;
};

class LogPool;

// What a worker thread's run of one log sees of the pool.
class LogWorker {
public:
    LogWorker(LogPool& pool, std::size_t index) : m_pool(pool), m_index(index) {}
    std::size_t index() const { return m_index; }
    // Hands rows to the writer. While the log is not the one being written and the logs
    // ahead of the writer hold too much already, waits until that changes (or the pool
    // stops; the rows are then dropped).
    void put(Piece piece);
    // True once the pool stops: the run should end at its next row boundary.
    bool stopped() const;
    // The share of the log read so far, 0 to 100.
    void progress(int percent);

private:
    LogPool& m_pool;
    std::size_t m_index;
};

// Runs `work` for logs 0 to count-1 on up to `jobs` threads, taking the logs in order, and
// hands each log's pieces to one writer (the calling thread) strictly in log order: the
// writer drains log 0, then log 1, and so on, while later logs are read ahead. Memory is
// bounded: logs ahead of the writer hold at most kHeldAhead bytes between them; a worker
// that would pass it waits, and the log being written never waits.
class LogPool {
public:
    static constexpr std::size_t kHeldAhead = std::size_t{128} << 20;
    using Work = std::function<void(LogWorker&)>;

    LogPool(std::size_t count, std::size_t jobs, Work work);
    ~LogPool();  // stops and joins
    LogPool(const LogPool&) = delete;
    LogPool& operator=(const LogPool&) = delete;

    enum class Next { Piece, Done, Waiting };
    // The writer's side: the next piece of log `index` (which becomes the log being
    // written), Done once its work has returned and every piece was taken, or Waiting when
    // nothing came within `timeout`.
    Next next(std::size_t index, Piece& piece, std::chrono::milliseconds timeout);
    // Lets every run end at its next row boundary; pieces not yet taken are dropped.
    void stop();
    // Waits until every worker has ended.
    void join();
    int percent(std::size_t index) const;

private:
    friend class LogWorker;
    struct Slot;

    void workerLoop();
    void put(std::size_t index, Piece piece);

    Work m_work;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::thread> m_threads;
    std::atomic<std::size_t> m_nextLog{0};
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_mutex;
    std::condition_variable m_pieceCame;  // the writer waits for pieces and ends
    std::condition_variable m_roomMade;   // workers wait for room ahead of the writer
    std::size_t m_writing = 0;
    std::size_t m_heldAhead = 0;
};

}  // namespace tillery::cli
