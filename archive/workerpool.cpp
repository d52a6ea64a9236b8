#include "workerpool_p.h"

#include <system_error>
#include <utility>

namespace zeva::archive::internal {

WorkerPool::WorkerPool(int threads, size_t slots, Job job)
    : m_job(std::move(job)), m_state(slots, State::Free), m_error(slots)
{
    for (int w = 0; w < threads; ++w) {
        try {
            m_threads.emplace_back([this, w] { work(w); });
        } catch (const std::system_error &) {
            break;   // no more threads to be had: work with those there are
        }
    }
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_workReady.notify_all();
    for (auto &t : m_threads)
        t.join();
}

void WorkerPool::submit(size_t slot)
{
    {
        std::lock_guard lock(m_mutex);
        m_state[slot] = State::Queued;
        m_error[slot] = nullptr;
        m_queue.push_back(slot);
    }
    m_workReady.notify_one();
}

void WorkerPool::take(size_t slot)
{
    std::exception_ptr error;
    {
        std::unique_lock lock(m_mutex);
        m_jobDone.wait(lock, [&] { return m_state[slot] == State::Done; });
        m_state[slot] = State::Free;
        error = std::exchange(m_error[slot], nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

void WorkerPool::work(int worker)
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_workReady.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        const size_t slot = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        std::exception_ptr error;
        try {
            m_job(slot, worker);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_error[slot] = error;
        m_state[slot] = State::Done;
        m_jobDone.notify_all();
    }
}

} // namespace zeva::archive::internal
