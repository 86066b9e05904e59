#pragma once

namespace quorvane {

// Texts of the browser start failures, shown in a box captioned with the window title.
// The browser objects could not be created, so the window would stay hidden for good.
inline constexpr wchar_t kBrowserStartFailed[] =
    L"Failed to start the Microsoft Edge WebView2 runtime.";
// The runtime's view cannot report parsed documents, so the window would never be shown.
inline constexpr wchar_t kBrowserTooOld[] =
    L"This app needs a newer version of the Microsoft Edge WebView2 runtime.";
// The page's or the browser's process kept failing, and recovering it did not last.
inline constexpr wchar_t kGameStoppedWorking[] =
    L"The game stopped working: its browser failed again and again. Start the game again to "
    L"continue.";

}  // namespace quorvane
