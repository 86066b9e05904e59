#include "messaging/page_worker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvane {

namespace {

struct Job {
    std::function<void()> work;
    size_t bytes = 0;
};

struct PageWorker {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<Job> jobs;
    std::deque<std::function<void()>> tasks;
    size_t queuedBytes = 0;
    bool running = false;
    bool stopping = false;
    std::function<void()> wake;
    std::thread thread;

    // A thread still joinable here would end the process through std::terminate.
    ~PageWorker() {
        if (thread.joinable()) {
            {
                std::lock_guard<std::mutex> guard(lock);
                stopping = true;
            }
            ready.notify_one();
            thread.join();
        }
    }
};

PageWorker worker;

void workLoop() {
    std::unique_lock<std::mutex> guard(worker.lock);
    for (;;) {
        worker.ready.wait(guard, [] { return worker.stopping || !worker.jobs.empty(); });
        if (worker.jobs.empty())
            return;
        Job job = std::move(worker.jobs.front());
        worker.jobs.pop_front();
        guard.unlock();
        try {
            job.work();
        } catch (...) {
            // Each job answers its own failures; nothing may end the thread.
        }
        job.work = nullptr;  // a save's text goes now, not with the next job
        guard.lock();
        worker.queuedBytes -= job.bytes;
    }
}

}  // namespace

void startPageWorker(std::function<void()> wake) {
    std::lock_guard<std::mutex> guard(worker.lock);
    if (worker.thread.joinable())
        return;
    worker.wake = std::move(wake);
    worker.stopping = false;
    worker.running = true;
    worker.thread = std::thread(workLoop);
}

bool pageWorkerRunning() {
    std::lock_guard<std::mutex> guard(worker.lock);
    return worker.running && !worker.stopping;
}

bool queuePageWork(std::function<void()> job, size_t bytes) {
    std::lock_guard<std::mutex> guard(worker.lock);
    if (!worker.running || worker.stopping || worker.queuedBytes + bytes > kMaxQueuedPageBytes)
        return false;
    worker.queuedBytes += bytes;
    worker.jobs.push_back({std::move(job), bytes});
    worker.ready.notify_one();
    return true;
}

void postToUiThread(std::function<void()> task) {
    std::lock_guard<std::mutex> guard(worker.lock);
    if (worker.stopping)
        return;
    const bool first = worker.tasks.empty();
    worker.tasks.push_back(std::move(task));
    // One wake for a run of tasks: the UI thread takes all that wait.
    if (first && worker.wake)
        worker.wake();
}

void runPageWorkerTasks() {
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        ready.swap(worker.tasks);
    }
    for (std::function<void()>& task : ready) {
        try {
            task();
        } catch (...) {
        }
    }
}

void stopPageWorker() {
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        if (!worker.running)
            return;
        worker.stopping = true;
    }
    worker.ready.notify_one();
    if (worker.thread.joinable())
        worker.thread.join();
    std::lock_guard<std::mutex> guard(worker.lock);
    worker.tasks.clear();
    worker.jobs.clear();
    worker.queuedBytes = 0;
    worker.running = false;
    worker.wake = nullptr;
}

}  // namespace quorvane
