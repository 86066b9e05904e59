#pragma once

#include <string_view>

namespace quorvane {

// Acts on one message the page posted as a string: a JSON object whose "type" is
// "set-fullscreen" switches the main window in or out of fullscreen by its boolean "fullscreen"
// (absent or not a boolean counts as false). Everything else is dropped silently. Never throws.
void handlePageMessage(std::wstring_view message) noexcept;

}  // namespace quorvane
