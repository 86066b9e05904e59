#pragma once

#include <windows.h>

#include <string>

#include "manifest/app_config.h"

namespace quorvane {

// Downloads the runtime bootstrapper into the user data folder behind a progress window, runs it
// and waits for it. Reports its own set-up failures; whether the runtime is usable afterwards is
// for the caller to detect.
void installRuntime(HINSTANCE instance, const std::wstring& userDataFolder, const AppConfig& config);

}  // namespace quorvane
