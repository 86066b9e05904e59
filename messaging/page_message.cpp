#include "messaging/page_message.h"

#include <nlohmann/json.hpp>

#include "platform/utf8.h"
#include "window/window_state.h"
#include "manifest/json_read.h"

namespace quorvane {

void handlePageMessage(std::wstring_view message) noexcept {
    try {
        const std::string text = wideToUtf8(message);
        // Strict parse of a NUL-terminated text: parsing stops at the first U+0000.
        const nlohmann::json value = nlohmann::json::parse(text.c_str(), nullptr, true, false);
        if (readStringOr(value, "type", L"") == L"set-fullscreen") {
            setFullscreen(readBoolOr(value, "fullscreen", false));
        }
    } catch (...) {
        // Not JSON, or out of memory: the message is dropped without an answer.
    }
}

}  // namespace quorvane
