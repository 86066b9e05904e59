#pragma once

#include <nlohmann/json.hpp>

#include <span>
#include <string_view>

#include "messaging/page_reply.h"

namespace quorvane {

// One request type of the page API: its "type" and the handler that answers it. A handler either
// sends its answer before it returns or moves the reply on to the file worker; it refuses a request
// by throwing RequestFailure. |request| is the whole message, a JSON object.
struct RequestType {
    std::string_view type;
    void (*handle)(nlohmann::json& request, Reply& reply);
};

// The request types of each area, gathered by the dispatcher (page_message.cpp).
std::span<const RequestType> saveRequests();
std::span<const RequestType> appRequests();
std::span<const RequestType> windowRequests();
std::span<const RequestType> steamRequests();

}  // namespace quorvane
