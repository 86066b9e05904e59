#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace quorvane {

enum class DistributionMode : int32_t {
    Evergreen = 0,  // the machine-wide runtime, installed on demand
    Fixed = 1,      // a copy of the runtime in the "webview2" subfolder
};

// The settings read from "package.json". Filled once at start-up, read-only afterwards apart from
// windowIcon, which start-up sets.
struct AppConfig {
    std::wstring name;
    std::wstring mainPage;
    std::wstring windowTitle;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    std::wstring windowIconPath;
    HICON windowIcon = nullptr;
    bool resizable = true;
    std::wstring chromiumArgs;
    DistributionMode distributionMode = DistributionMode::Evergreen;
    bool enableDevtools = true;
    std::wstring installMessage;
    std::wstring downloadingMessage;
    std::wstring installFailedMessage;
};

// The one process-wide instance.
extern AppConfig appConfig;

}  // namespace quorvane
