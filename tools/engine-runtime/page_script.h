#pragma once

#include <string>

namespace quorvane::engine {

// The script the engine runs in every document before the page's own scripts: it takes the
// binding |binding| (removing it from the page's reach) and reports through it what the protocol
// has no events for: chrome.webview.postMessage ("s" + string, "j" + JSON), title changes ("t"),
// fullscreen changes ("f1"/"f0") and window.close() ("c") of the top document, and permission
// requests ("p" kind ":" id ":" user gesture) made through Notification.requestPermission and
// the clipboard's read calls, which wait until the host calls globalThis[|replies|](id). The host
// delivers its own messages with globalThis[|replies|](0, "m", data).
std::string pageScript(const std::string& binding, const std::string& replies);

}  // namespace quorvane::engine
