#pragma once

#include <objidl.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/com_ref.h"
#include "tests/standin/dispatcher.h"

namespace quorvane::standin {

struct ReadResult {
    std::string bytes;
    HRESULT error = S_OK;    // the failing Read's result, if one failed
    bool truncated = false;  // stopped at kMaxBody
};

inline constexpr size_t kMaxBody = 256u * 1024u * 1024u;

// Reads a response stream from its current position to its end on the stand-in's one reader
// thread, as the runtime reads response bodies on a worker thread after the event handler has
// returned; then hands the result to |done| on |dispatcher|'s thread. A Read that blocks stalls
// every later read, as it does in the runtime.
void readStream(ComRef<IStream> stream, std::shared_ptr<Dispatcher> dispatcher,
                std::function<void(ReadResult)> done);

}  // namespace quorvane::standin
