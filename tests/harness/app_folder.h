#pragma once

#include <string>
#include <string_view>

#include "tests/standin/standin_client.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {

// The built shell executable.
std::wstring shellExecutablePath();

// An application folder laid out in a fresh temp folder: <temp>\app holds the program and its
// files; the run's scenario and transcript live beside it, outside the application folder.
class AppFolder {
  public:
    AppFolder();

    // The application folder, without a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    // The temp folder that holds the application folder (for runtime folders outside it).
    const std::wstring& root() const { return temp_.path(); }

    // Copies |program| (by default the built shell) into the folder under its own file name and
    // makes it the program that runApp starts.
    void installExecutable(const std::wstring& program = shellExecutablePath());
    const std::wstring& executable() const { return executable_; }

    void writePackageJson(std::string_view text);
    // |relative| to the application folder, e.g. L"www\\index.html"; parents are created.
    void writeFile(const std::wstring& relative, std::string_view bytes);

    // The stand-in as WebView2Loader.dll beside the executable.
    void placeLoaderBesideExe();
    // A fixed runtime: the stand-in as <folder>\EBWebView\x64\EmbeddedBrowserWebView.dll, with
    // |folder| relative to the application folder.
    void placeFixedRuntime(const std::wstring& folder = L"webview2");

  private:
    TempDir temp_;
    std::wstring path_;
    std::wstring executable_;
};

}  // namespace quorvane::testing
