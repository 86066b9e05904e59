#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/com_ref.h"
#include "webview2/webview2_api.h"
#include "tests/standin/standin_test_api.h"

namespace quorvane::testing {

// Windows path of a file the build produced, given its Unix path (Wine maps "/" to drive Z:).
std::wstring buildOutputPath(std::string_view unixPath);

// The built stand-in runtime DLL.
std::wstring standinDllPath();

// What a response made by the stand-in holds.
struct StandinResponse {
    int statusCode = 0;
    std::wstring reasonPhrase;
    std::wstring headers;     // exactly as passed to CreateWebResourceResponse
    ComRef<IStream> content;  // may be null
};

// The stand-in runtime loaded into this process by its full path, with typed wrappers of its
// test-only exports. Every wrapper throws std::runtime_error when the export fails.
class StandinClient {
  public:
    // Loaded once per process; throws when the DLL or an export is missing.
    static StandinClient& instance();

    HMODULE module() const { return module_; }

    ComRef<ICoreWebView2Environment> createEnvironment() const;
    // |headers|: "Name: value" lines separated by "\n".
    ComRef<ICoreWebView2WebResourceRequestedEventArgs> createRequestArgs(
        const std::wstring& uri, const std::wstring& method = L"GET",
        const std::wstring& headers = L"") const;
    StandinResponse describeResponse(ICoreWebView2WebResourceResponse* response) const;
    ComRef<ICoreWebView2Controller> createController(HWND parent) const;
    // The transcript lines recorded in this process since the last call (UTF-8).
    std::vector<std::string> takeTranscript() const;

  private:
    StandinClient();

    HMODULE module_ = nullptr;
    StandinCreateEnvironmentFn createEnvironment_ = nullptr;
    StandinCreateWebResourceRequestedEventArgsFn createRequestArgs_ = nullptr;
    StandinDescribeResponseFn describeResponse_ = nullptr;
    StandinCreateControllerFn createController_ = nullptr;
    StandinTakeTranscriptFn takeTranscript_ = nullptr;
};

// Everything left in |stream| from its current position (read on the calling thread).
std::string readRest(IStream* stream);

}  // namespace quorvane::testing
