#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace tillery {

// A thread of its own that handles one job at a time for one other thread, which fills the
// next job meanwhile. A job handed over is swapped into the thread's slot; handing over
// waits while the job before is still in hand, so jobs are handled in the order they come.
// A job whose handling throws ends the handling of every later one: what it threw is
// thrown to the handing thread at its next hand-over, wait or take-back.
template <typename Job>
class HandOffThread {
public:
    using Handle = std::function<void(Job&)>;

    explicit HandOffThread(Handle handle) : m_handle(std::move(handle)), m_thread([this] { run(); })
    {
    }
    ~HandOffThread()  // waits for the job in hand, then ends the thread
    {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_full; });
            m_ending = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    HandOffThread(const HandOffThread&) = delete;
    HandOffThread& operator=(const HandOffThread&) = delete;

    // Starts on `job`, which is given the slot's contents in its place: the job handled
    // last, or a default-made one at first.
    void handOver(Job& job)
    {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_full; });
            throwIfFailed();
            std::swap(job, m_slot);
            m_full = true;
        }
        m_changed.notify_all();
    }
    // Waits until the job in hand is handled.
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_full; });
        throwIfFailed();
    }
    // Waits until the job in hand is handled, and swaps it into `job`: for a job whose
    // result the handing thread takes.
    void takeBack(Job& job)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_full; });
        throwIfFailed();
        std::swap(job, m_slot);
    }

private:
    void throwIfFailed() const  // with m_mutex held
    {
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_full || m_ending; });
            if (!m_full) {
                return;
            }
            if (!m_failure) {
                lock.unlock();
                std::exception_ptr failure;
                try {
                    m_handle(m_slot);  // the slot is the thread's alone until m_full drops
                } catch (...) {
                    failure = std::current_exception();
                }
                lock.lock();
                m_failure = failure;
            }
            m_full = false;
            m_changed.notify_all();
        }
    }

    Handle m_handle;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Job m_slot;  // the thread's while m_full
    bool m_full = false;
    bool m_ending = false;
    std::exception_ptr m_failure;  // what the first failed job threw
    std::thread m_thread;  // last: it starts once the members above exist
};

}  // namespace tillery
