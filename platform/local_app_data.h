#pragma once

#include <string>

namespace quorvane {

// The per-user local application data folder, without a trailing backslash. Resolved once and
// cached. Empty when the platform cannot resolve it (the caller reports that).
std::wstring localAppDataPath();

}  // namespace quorvane
