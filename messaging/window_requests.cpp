// "set-fullscreen", "window.get-state" and "window.set-size".
#include "messaging/request_members.h"
#include "messaging/request_table.h"
#include "manifest/json_read.h"
#include "window/client_size.h"
#include "window/window_state.h"

namespace quorvane {

namespace {

// The page's first message: a "fullscreen" of another JSON type (or none) counts as false.
Outcome setFullscreenRequest(nlohmann::json& request) {
    setFullscreen(readBoolOr(request, "fullscreen", false));
    return Outcome::success();
}

Outcome getState(nlohmann::json&) {
    const WindowClientState state = clientStateInDips();
    return Outcome::success(
        {{"fullscreen", state.fullscreen}, {"width", state.width}, {"height", state.height}});
}

Outcome setSize(nlohmann::json& request) {
    // Any integer is taken; the window keeps it within its monitor and above its smallest size.
    constexpr int64_t kLimit = 1 << 20;
    const int64_t width = requireInteger(request, "width", 0, kLimit);
    const int64_t height = requireInteger(request, "height", 0, kLimit);
    setClientSizeInDips(static_cast<int>(width), static_cast<int>(height));
    return Outcome::success();
}

constexpr RequestType kWindowRequests[] = {
    {"set-fullscreen", RunsOn::UiThread, setFullscreenRequest},
    {"window.get-state", RunsOn::UiThread, getState},
    {"window.set-size", RunsOn::UiThread, setSize},
};

}  // namespace

std::span<const RequestType> windowRequests() {
    return kWindowRequests;
}

}  // namespace quorvane
