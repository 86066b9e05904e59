#pragma once

#include <nlohmann/json.hpp>

#include <span>
#include <string_view>

#include "messaging/page_reply.h"

namespace quorvane {

// Where a request's handler runs: on the page worker (file work, which must not hold up the
// window) or on the UI thread (the window's own calls).
enum class RunsOn { Worker, UiThread };

// One request type of the page API: its "type", where it runs, and the handler that answers it.
// The handler returns its result, or refuses the request by throwing RequestFailure. |request| is
// the whole message, a JSON object.
struct RequestType {
    std::string_view type;
    RunsOn runsOn;
    Outcome (*handle)(nlohmann::json& request);
};

// The request types of each area, gathered by the dispatcher (page_message.cpp).
std::span<const RequestType> saveRequests();
std::span<const RequestType> appRequests();
std::span<const RequestType> windowRequests();
std::span<const RequestType> steamRequests();

}  // namespace quorvane
