#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

enum class DistributionMode : int32_t {
    Evergreen = 0,  // the machine-wide runtime, installed on demand
    Fixed = 1,      // a copy of the runtime in the "webview2" subfolder
};

// Where the page's saves are kept as plain files (the manifest's "saves-folder").
enum class SavesFolder : int32_t {
    SavedGames = 0,  // <Saved Games>\<name>, the default
    Documents = 1,   // <Documents>\My Games\<name>
    Roaming = 2,     // %APPDATA%\<name>
    Local = 3,       // <user data folder>\saves
};

// Which graphics chip the browser draws with on a machine that has two.
enum class GpuPreference : int32_t {
    Default = 0,          // the system's choice (usually the integrated, low-power one)
    HighPerformance = 1,  // the discrete, fast one
    LowPower = 2,         // the integrated one
};

// The settings read from "package.json". Filled once at start-up, read-only afterwards apart from
// windowIcon, which start-up sets.
struct AppConfig {
    std::wstring name;
    // The app's own version as the manifest gives it ("1.2.0"); empty when it gives none.
    std::wstring version;
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
    // What the browser itself offers the player. A setting that is not given (none) leaves the
    // runtime's own default alone; the context menu is on unless the manifest turns it off.
    std::optional<bool> browserKeys;
    bool contextMenu = true;
    std::optional<bool> statusBar;
    std::optional<bool> pinchZoom;
    std::optional<bool> swipeNavigation;
    std::optional<bool> autofill;
    // Every answer of the content server carries the headers that make the page cross-origin
    // isolated (SharedArrayBuffer, threads in WebAssembly).
    bool crossOriginIsolation = false;
    SavesFolder savesFolder = SavesFolder::SavedGames;
    // Why the default saves folder is used although the manifest names one ("unknown value
    // \"x\""), or empty; start-up logs it once the log is open.
    std::string savesFolderProblem;
    // Steam ("steam": {"app-id": N}): the app id when the manifest turns Steam on, else none.
    std::optional<uint32_t> steamAppId;
    // Why a "steam" member that is there does not turn Steam on, or empty.
    std::string steamProblem;
    // Player comforts: the window comes back where the player left it (window.json in the user
    // data folder); a second start of the game brings the running copy to the front instead;
    // the graphics chip the browser draws with.
    bool rememberWindow = false;
    bool singleInstance = false;
    GpuPreference gpu = GpuPreference::Default;
    std::wstring installMessage;
    std::wstring downloadingMessage;
    std::wstring installFailedMessage;
};

// The one process-wide instance.
extern AppConfig appConfig;

}  // namespace quorvane
