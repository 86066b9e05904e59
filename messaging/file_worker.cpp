#include "messaging/file_worker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvane {

namespace {

struct Job {
    std::function<Outcome()> work;
    Reply reply;
    size_t bytes = 0;
};

struct Finished {
    Reply reply;
    Outcome outcome;
};

struct FileWorker {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<Job> jobs;
    std::deque<Finished> finished;
    size_t queuedBytes = 0;
    bool stopping = false;
    std::function<void()> wake;
    std::thread thread;
};

FileWorker worker;

Outcome run(const std::function<Outcome()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Outcome::failure(RequestError::Io, "out of memory");
    } catch (...) {
        return Outcome::failure(RequestError::Io, "the request failed");
    }
}

void workLoop() {
    std::unique_lock<std::mutex> guard(worker.lock);
    for (;;) {
        worker.ready.wait(guard, [] { return worker.stopping || !worker.jobs.empty(); });
        if (worker.jobs.empty())
            return;
        Job job = std::move(worker.jobs.front());
        worker.jobs.pop_front();
        guard.unlock();
        Outcome outcome = run(job.work);
        job.work = nullptr;  // the save's text goes now, not when the answer is sent
        guard.lock();
        worker.queuedBytes -= job.bytes;
        worker.finished.push_back({std::move(job.reply), std::move(outcome)});
        if (worker.wake)
            worker.wake();
    }
}

}  // namespace

void startFileWorker(std::function<void()> wake) {
    std::lock_guard<std::mutex> guard(worker.lock);
    if (worker.thread.joinable())
        return;
    worker.wake = std::move(wake);
    worker.stopping = false;
    worker.thread = std::thread(workLoop);
}

void queueFileWork(std::function<Outcome()> work, Reply reply, size_t bytes) {
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        const bool running = worker.thread.joinable() && !worker.stopping;
        if (running && worker.queuedBytes + bytes <= kMaxQueuedFileBytes) {
            worker.queuedBytes += bytes;
            worker.jobs.push_back({std::move(work), std::move(reply), bytes});
            worker.ready.notify_one();
            return;
        }
        if (running) {
            work = [] {
                return Outcome::failure(RequestError::Quota,
                                        "too much file work is waiting; try again when the "
                                        "earlier requests have been answered");
            };
        }
    }
    reply.send(run(work));
}

void deliverFinishedFileWork() {
    std::deque<Finished> ready;
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        ready.swap(worker.finished);
    }
    for (Finished& done : ready)
        done.reply.send(done.outcome);
}

void stopFileWorker() {
    {
        std::lock_guard<std::mutex> guard(worker.lock);
        worker.stopping = true;
    }
    worker.ready.notify_one();
    if (worker.thread.joinable())
        worker.thread.join();
    std::lock_guard<std::mutex> guard(worker.lock);
    worker.finished.clear();
    worker.wake = nullptr;
}

}  // namespace quorvane
