#pragma once

#include <string_view>

namespace quorvane {

// Acts on one message the page posted as a string: a JSON object {"type": T, "id": ID, ...}.
// The request types (saves, app, window) answer a message that carries an "id" (a JSON number or
// string) exactly once, through the reply sink (page_reply.h); a message without one is acted on
// and never answered. Text that is not JSON, or an object without a string "type", is dropped
// silently. Called on the UI thread; while the page worker runs (page_worker.h) the message is
// parsed and answered there, in order, and only window requests come back to the UI thread.
// Never throws.
void handlePageMessage(std::wstring_view message) noexcept;

}  // namespace quorvane
