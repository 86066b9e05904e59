#pragma once

#include <windows.h>

#include <string>

#include "manifest/app_config.h"

namespace quorvane {

// Where the browser runtime's bootstrapper is downloaded from when the runtime is missing.
extern const std::wstring runtimeBootstrapperLink;

// Downloads the browser runtime's bootstrapper from runtimeBootstrapperLink into
// |userDataFolder| (creating that folder, not its parents) while a small progress window is
// shown, then runs it and waits for it to end. The bootstrapper is run only when this download
// succeeded. Set-up failures are reported in an error box captioned |config.windowTitle|; whether
// the runtime is usable afterwards is for the caller to find out.
void installRuntime(HINSTANCE instance, const std::wstring& userDataFolder,
                    const AppConfig& config);

// installRuntime with the download link given: the seam through which tests download from a
// loopback server. The shell itself always calls installRuntime.
void installRuntimeFrom(HINSTANCE instance, const std::wstring& userDataFolder,
                        const AppConfig& config, const std::wstring& link);

}  // namespace quorvane
