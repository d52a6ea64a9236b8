#pragma once
// A few threads that run one caller's jobs, each job a numbered slot of the caller's ring:
// the caller hands slots out and takes them back in its own order. Nothing a job throws
// escapes its thread (that would end the process): it reaches the caller when it takes
// that slot back.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zeva::archive::internal {

class WorkerPool {
public:
    // `job(slot, worker)` runs on thread `worker` (0 .. workers() - 1), never two jobs of
    // one slot at once.
    using Job = std::function<void(size_t slot, int worker)>;

    // Starts up to `threads` threads for `slots` slots; fewer when no more can be had.
    WorkerPool(int threads, size_t slots, Job job);
    ~WorkerPool();   // waits for the running jobs, drops the queued ones
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    int workers() const { return int(m_threads.size()); }
    size_t slots() const { return m_state.size(); }

    void submit(size_t slot);
    // Waits until the job of `slot` has run, then rethrows what it threw.
    void take(size_t slot);

private:
    enum class State { Free, Queued, Done };

    void work(int worker);

    Job m_job;
    std::vector<State> m_state;
    std::vector<std::exception_ptr> m_error;
    std::deque<size_t> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_workReady, m_jobDone;
    bool m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace zeva::archive::internal
