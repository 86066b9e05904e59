#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "manifest/app_config.h"

namespace quorvane {

// The graphics preference Windows keeps per program (Settings > System > Display > Graphics):
// under this key of HKEY_CURRENT_USER, a string value named after the executable's full path
// holds "GpuPreference=2;" (high performance) or "GpuPreference=1;" (low power), possibly among
// other settings of the player's. The browser's own processes ignore the game executable's
// preference, so the preference goes to the runtime's browser executable.
inline constexpr wchar_t kUserGpuPreferencesKey[] =
    L"Software\\Microsoft\\DirectX\\UserGpuPreferences";

// |data| (such a value) with its GpuPreference entry set to |preference| (1 or 2), or removed
// for 0; the other entries are kept in their order. Empty when no entry is left.
std::wstring withGpuPreference(std::wstring_view data, int preference);

// The full path of the browser executable (msedgewebview2.exe) of the fixed runtime in
// |runtimeFolder| when that folder lies inside |appFolder|, compared by where the folders really
// are (links followed); none for a runtime elsewhere, which other programs may share.
std::optional<std::wstring> browserExecutableInsideApp(const std::wstring& runtimeFolder,
                                                       const std::wstring& appFolder);

// For a fixed runtime in |browserFolder| (none: the machine-wide runtime) inside |appFolder|:
// sets its browser executable's preference for |gpu|, or removes it again for Default. Nothing
// for any other runtime. What changed is logged.
void applyRuntimeGpuPreference(GpuPreference gpu, const std::optional<std::wstring>& browserFolder,
                               const std::wstring& appFolder);

}  // namespace quorvane
