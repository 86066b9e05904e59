#include "messaging/page_reply.h"

#include "platform/utf8.h"

namespace quorvane {

namespace {

ReplySink replySink = nullptr;

// Texts from the page and from files are valid UTF-8 by the time they get here; names and system
// messages always are. Replacing keeps a stray byte from turning an answer into an exception.
std::string dumped(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

const char* requestErrorCode(RequestError error) {
    switch (error) {
        case RequestError::BadRequest:
            return "bad-request";
        case RequestError::UnknownType:
            return "unknown-type";
        case RequestError::BadName:
            return "bad-name";
        case RequestError::TooLarge:
            return "too-large";
        case RequestError::Quota:
            return "quota";
        case RequestError::SteamUnavailable:
            return "steam-unavailable";
        case RequestError::Io:
            break;
    }
    return "io";
}

Outcome Outcome::success(nlohmann::ordered_json result) {
    Outcome outcome;
    outcome.result = std::move(result);
    return outcome;
}

Outcome Outcome::failure(RequestError error, std::string message) {
    Outcome outcome;
    outcome.ok = false;
    outcome.error = error;
    outcome.message = std::move(message);
    return outcome;
}

std::string replyText(const nlohmann::json& id, const Outcome& outcome) {
    std::string text = "{\"type\":\"reply\",\"id\":" + id.dump() + ",\"ok\":";
    if (outcome.ok)
        return text + "true,\"result\":" + dumped(outcome.result) + "}";
    return text + "false,\"error\":{\"code\":\"" + requestErrorCode(outcome.error) +
           "\",\"message\":" + dumped(outcome.message) + "}}";
}

std::optional<std::wstring> Reply::text(const Outcome& outcome) {
    if (!id_)
        return std::nullopt;
    const nlohmann::json id = std::move(*id_);
    id_.reset();
    return utf8ToWide(replyText(id, outcome));
}

void Reply::send(const Outcome& outcome) {
    if (std::optional<std::wstring> json = text(outcome))
        sendReplyText(*json);
}

void setReplySink(ReplySink sink) noexcept {
    replySink = sink;
}

void sendReplyText(const std::wstring& json) {
    if (replySink != nullptr)
        replySink(json);
}

}  // namespace quorvane
