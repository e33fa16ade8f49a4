#include "app/CliLogPool.h"

#include <deque>

namespace tillery::cli {

struct LogPool::Slot {
    std::deque<Piece> pieces;
    std::size_t heldBytes = 0;
    bool done = false;
    std::atomic<int> percent{0};
};

void LogWorker::put(Piece piece)
{
    m_pool.put(m_index, std::move(piece));
}

bool LogWorker::stopped() const
{
    return m_pool.m_stop.load();
}

void LogWorker::progress(int percent)
{
    m_pool.m_slots[m_index]->percent.store(percent, std::memory_order_relaxed);
}

LogPool::LogPool(std::size_t count, std::size_t jobs, Work work) : m_work(std::move(work))
{
    for (std::size_t i = 0; i < count; ++i) {
        m_slots.push_back(std::make_unique<Slot>());
    }
    const std::size_t threads = std::max<std::size_t>(1, std::min(jobs, count));
    for (std::size_t i = 0; i < threads && count > 0; ++i) {
        m_threads.emplace_back([this] { workerLoop(); });
    }
}

LogPool::~LogPool()
{
    stop();
    join();
}

void LogPool::join()
{
    for (std::thread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

void LogPool::workerLoop()
{
    for (;;) {
        const std::size_t index = m_nextLog.fetch_add(1);
        if (index >= m_slots.size()) {
            return;
        }
        if (!m_stop.load()) {
            LogWorker worker(*this, index);
            m_work(worker);  // the work catches its own failures
        }
        std::lock_guard lock(m_mutex);
        m_slots[index]->done = true;
        m_pieceCame.notify_all();
    }
}

void LogPool::put(std::size_t index, Piece piece)
{
    std::unique_lock lock(m_mutex);
    const std::size_t bytes = piece.bytes.size();
    // The log being written always goes on; so does a log that holds nothing yet, so that
    // every run makes progress however large its first piece.
    m_roomMade.wait(lock, [&] {
        return m_stop.load() || index == m_writing || m_heldAhead + bytes <= kHeldAhead ||
               m_slots[index]->heldBytes == 0;
    });
    if (m_stop.load()) {
        return;
    }
    Slot& slot = *m_slots[index];
    slot.pieces.push_back(std::move(piece));
    slot.heldBytes += bytes;
    if (index != m_writing) {
        m_heldAhead += bytes;
    }
    m_pieceCame.notify_all();
}

LogPool::Next LogPool::next(std::size_t index, Piece& piece, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (index != m_writing) {
        m_writing = index;
        m_heldAhead -= m_slots[index]->heldBytes;  // no longer ahead of the writer
        m_roomMade.notify_all();
    }
    Slot& slot = *m_slots[index];
    m_pieceCame.wait_for(lock, timeout, [&] { return !slot.pieces.empty() || slot.done; });
    if (!slot.pieces.empty()) {
        piece = std::move(slot.pieces.front());
        slot.pieces.pop_front();
        slot.heldBytes -= piece.bytes.size();
        return Next::Piece;
    }
    return slot.done ? Next::Done : Next::Waiting;
}

void LogPool::stop()
{
    std::lock_guard lock(m_mutex);
    m_stop.store(true);
    m_roomMade.notify_all();
    m_pieceCame.notify_all();
}

int LogPool::percent(std::size_t index) const
{
    return m_slots.at(index)->percent.load(std::memory_order_relaxed);
}

}  // namespace tillery::cli
