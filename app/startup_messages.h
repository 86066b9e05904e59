#pragma once

namespace quorvane {

// Texts and captions of the start-up failures, shown before the main window exists.
inline constexpr wchar_t kShellCaption[] = L"Windows Quorvane";
inline constexpr wchar_t kManifestLoadFailed[] =
    L"Failed to load package.json. Check the file is in the same folder as the app.";
inline constexpr wchar_t kManifestParseFailed[] =
    L"Failed to parse package.json. Check the file has valid JSON and that all parameters are "
    L"correct.";
inline constexpr wchar_t kFixedRuntimeMissing[] =
    L"This app is set to \"fixed\" distribution mode, but the WebView2 control failed to "
    L"initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime in "
    L"the \"webview2\" subfolder.";
inline constexpr wchar_t kRegisterClassFailed[] = L"Failed to register window class";
inline constexpr wchar_t kCreateWindowFailed[] = L"Failed to create window";
inline constexpr wchar_t kLocalAppDataMissing[] =
    L"Failed to find the local application data folder.";

// A modal error box without owner window, as every start-up failure is reported.
void showErrorBox(const wchar_t* text, const wchar_t* caption);

}  // namespace quorvane
