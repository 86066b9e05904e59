#pragma once

#include <string_view>

namespace quorvane {

// Whether |text| begins with the app origin: its first code units equal those of the origin
// exactly (case-sensitive, no unescaping). A text shorter than the origin never does.
bool beginsWithAppOrigin(std::wstring_view text);

}  // namespace quorvane
