#pragma once

#include <string>

#include "platform/com_ref.h"
#include "webview2/webview2_api.h"

namespace quorvane {

// The browser version the shell's interface generation targets; the runtime refuses to start when
// it is older than this.
extern const wchar_t* const targetCompatibleBrowserVersion;

// A new environment options object with the runtime's own defaults: no additional browser
// arguments, no language, TargetCompatibleBrowserVersion targetCompatibleBrowserVersion, single
// sign-on with the OS primary account off. Null when out of memory.
ComRef<ICoreWebView2EnvironmentOptions> newEnvironmentOptions();

// The options the shell creates its environment with: the defaults, with
// AdditionalBrowserArguments set to |chromiumArgs| (also when empty). Null when out of memory.
ComRef<ICoreWebView2EnvironmentOptions> makeEnvironmentOptions(const std::wstring& chromiumArgs);

}  // namespace quorvane
