#pragma once

#include <string>
#include <string_view>

#include "manifest/app_config.h"
#include "platform/com_ref.h"
#include "webview2/webview2_api.h"

namespace quorvane {

// The browser version the shell's interface generation targets; the runtime refuses to start when
// it is older than this.
extern const wchar_t* const targetCompatibleBrowserVersion;

// The browser's command-line switches for |gpu|: --force_high_performance_gpu for HighPerformance,
// --force_low_power_gpu for LowPower, none for Default.
const wchar_t* gpuSwitch(GpuPreference gpu);

// The additional browser arguments: the manifest's "chromium-args" as written, then the switch
// for "gpu", separated by a blank; the switch is not added again when the maker's arguments
// already hold it (in any letter case, with "--", "-" or "/", with or without a value).
std::wstring browserArguments(const std::wstring& chromiumArgs, GpuPreference gpu);

// Whether the command-line text |arguments| holds the switch |name| (without its prefix), as the
// browser reads switches on Windows: tokens split at blanks outside double quotes, the quotes
// removed, a prefix of "--", "-" or "/", the name before any "=" compared without ASCII case;
// nothing after a lone "--" is a switch.
bool holdsSwitch(std::wstring_view arguments, std::wstring_view name);

// A new environment options object with the runtime's own defaults: no additional browser
// arguments, no language, TargetCompatibleBrowserVersion targetCompatibleBrowserVersion, single
// sign-on with the OS primary account off. Null when out of memory.
ComRef<ICoreWebView2EnvironmentOptions> newEnvironmentOptions();

// The options the shell creates its environment with: the defaults, with
// AdditionalBrowserArguments set to |chromiumArgs| (also when empty). Null when out of memory.
ComRef<ICoreWebView2EnvironmentOptions> makeEnvironmentOptions(const std::wstring& chromiumArgs);

}  // namespace quorvane
