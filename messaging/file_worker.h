#pragma once

#include <cstddef>
#include <functional>

#include "messaging/page_reply.h"

namespace quorvane {

// One thread that does the page's file work (saves) in the order it was asked for, so that the
// window keeps painting and answering while a large save is written, and two requests on the same
// save complete in the order the page posted them. Answers go back through the UI thread: the
// worker calls |wake| (from its own thread) when answers are ready, and the UI thread then calls
// deliverFinishedFileWork, which sends them.

// Starts the thread (once); |wake| must be safe to call from any thread (PostMessageW).
void startFileWorker(std::function<void()> wake);

// Queues |work| (run on the worker) with the reply it answers. |bytes| is what the job holds in
// memory: while more than kMaxQueuedFileBytes wait, further work is refused with "quota", so a page
// posting saves in a loop cannot fill the memory. Without a started worker the work runs at once.
inline constexpr size_t kMaxQueuedFileBytes = 256u << 20;
void queueFileWork(std::function<Outcome()> work, Reply reply, size_t bytes);

// Sends every answer that is ready (UI thread).
void deliverFinishedFileWork();

// Finishes the work already queued (a save asked for before the window closed is still written),
// then ends the thread. Answers not yet delivered are dropped: the page is gone.
void stopFileWorker();

}  // namespace quorvane
