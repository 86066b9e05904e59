#pragma once

#include <optional>
#include <string>

#include "platform/com_ref.h"
#include "webview2/webview2_api.h"

namespace quorvane {

// What the browser is created with, kept for the run so that a browser whose process died is made
// again exactly as at start-up: the same runtime folder, user data folder and options.
struct BrowserStart {
    std::optional<std::wstring> browserFolder;  // none: the machine-wide runtime
    std::wstring userDataFolder;
    ComRef<ICoreWebView2EnvironmentOptions> options;
};

extern BrowserStart browserStart;

// Starts creating the environment from |browserStart|; the completions of browser_setup.h take it
// from there to the first navigation. A failure returned here means no completion will come.
HRESULT startBrowser();

}  // namespace quorvane
