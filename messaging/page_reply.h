#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <utility>

namespace quorvane {

// The codes a request is refused with, as the page sees them in error.code.
enum class RequestError {
    BadRequest,   // "bad-request": a member missing or of the wrong JSON type
    UnknownType,  // "unknown-type"
    BadName,      // "bad-name": a save name outside the rules
    TooLarge,     // "too-large"
    Quota,        // "quota"
    Io,           // "io": the system refused; the message says what it said
    // "steam-unavailable": the request needs Steam, which is not running
    SteamUnavailable,
};

const char* requestErrorCode(RequestError error);

// What one request comes to: its result, or an error with a message for the game's maker.
struct Outcome {
    bool ok = true;
    // Kept in the order the members were added, so answers read as documented.
    nlohmann::ordered_json result;
    RequestError error = RequestError::Io;
    std::string message;

    static Outcome success(nlohmann::ordered_json result = nullptr);
    static Outcome failure(RequestError error, std::string message);
};

// Thrown by a request's handler to refuse it; the dispatcher answers with it.
struct RequestFailure {
    RequestError error;
    std::string message;
};

// The one answer owed to a request that carried an "id"; a request without one gets none. Move
// only, so that an answer is sent at most once.
class Reply {
  public:
    Reply() = default;
    explicit Reply(nlohmann::json id) : id_(std::move(id)) {}
    // A moved-from reply owes nothing (std::optional's own move would leave it engaged).
    Reply(Reply&& other) noexcept : id_(std::exchange(other.id_, std::nullopt)) {}
    Reply& operator=(Reply&& other) noexcept {
        id_ = std::exchange(other.id_, std::nullopt);
        return *this;
    }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;

    // The answer's text, as the page is sent it, or none for a request without an id; from any
    // thread. The reply owes nothing afterwards.
    std::optional<std::wstring> text(const Outcome& outcome);

    // Posts the answer to the page (UI thread only); nothing for a request without an id.
    void send(const Outcome& outcome);

  private:
    std::optional<nlohmann::json> id_;
};

// {"type":"reply","id":ID,"ok":true,"result":R} or
// {"type":"reply","id":ID,"ok":false,"error":{"code":C,"message":M}}, as UTF-8 JSON text.
std::string replyText(const nlohmann::json& id, const Outcome& outcome);

// Where answers go: the browser layer posts them to the page with PostWebMessageAsJson. Replaced
// whenever a new view is created; null drops answers (no view).
using ReplySink = void (*)(const std::wstring& json);
void setReplySink(ReplySink sink) noexcept;

// Posts an answer's text made by Reply::text (UI thread only).
void sendReplyText(const std::wstring& json);

}  // namespace quorvane
