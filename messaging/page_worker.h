#pragma once

#include <cstddef>
#include <functional>

namespace quorvane {

// One thread that takes the page's requests off the UI thread: it parses them (a save's text
// may be 16 MiB of JSON), does their file work and makes their answers, in the order the page
// posted them, so that the window keeps painting and answering input meanwhile, and two requests
// on one save complete in that order. What must happen on the UI thread (window calls, posting
// answers to the page) comes back as tasks: the worker calls |wake| (from its own thread) when
// tasks are waiting, and the UI thread then runs them with runPageWorkerTasks, in order.

// Starts the thread (once); |wake| must be safe to call from any thread (PostMessageW).
void startPageWorker(std::function<void()> wake);

bool pageWorkerRunning();

// Queues |job| for the worker. |bytes| is what it holds in memory: while more than
// kMaxQueuedPageBytes wait, it is refused (false), so a page posting large saves in a loop cannot
// fill the memory. Also false when no worker runs.
inline constexpr size_t kMaxQueuedPageBytes = 256u << 20;
bool queuePageWork(std::function<void()> job, size_t bytes);

// From the worker: |task| runs on the UI thread, after the tasks posted before it.
void postToUiThread(std::function<void()> task);

// Runs the waiting tasks (UI thread).
void runPageWorkerTasks();

// Finishes the work already queued (a save asked for before the window closed is still written),
// then ends the thread. Tasks not yet run are dropped: the page is gone.
void stopPageWorker();

}  // namespace quorvane
