#include "tests/standin/standin_client.h"

#include <stdexcept>

#include "platform/scoped_com_mem.h"
#include "platform/utf8.h"

namespace quorvane::testing {

namespace {

template <typename Fn>
Fn exported(HMODULE module, const char* name) {
    auto* address = reinterpret_cast<void*>(GetProcAddress(module, name));
    if (address == nullptr)
        throw std::runtime_error(std::string("stand-in lacks ") + name);
    return reinterpret_cast<Fn>(address);
}

void check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(hr));
    }
}

std::wstring taken(LPWSTR text) {
    ScopedCoMem<wchar_t> owned(text);
    return owned ? std::wstring(owned.get()) : std::wstring();
}

}  // namespace

std::wstring buildOutputPath(std::string_view unixPath) {
    std::wstring path = L"Z:" + utf8ToWide(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::wstring standinDllPath() {
    return buildOutputPath(QV_STANDIN_DLL);
}

StandinClient& StandinClient::instance() {
    static StandinClient client;
    return client;
}

StandinClient::StandinClient() {
    // By full path: a bare name would be searched for, and could find another copy.
    module_ = LoadLibraryExW(standinDllPath().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ == nullptr)
        throw std::runtime_error("cannot load the stand-in runtime");
    createEnvironment_ = exported<StandinCreateEnvironmentFn>(module_, "StandinCreateEnvironment");
    createRequestArgs_ = exported<StandinCreateWebResourceRequestedEventArgsFn>(
        module_, "StandinCreateWebResourceRequestedEventArgs");
    describeResponse_ = exported<StandinDescribeResponseFn>(module_, "StandinDescribeResponse");
    createController_ = exported<StandinCreateControllerFn>(module_, "StandinCreateController");
    takeTranscript_ = exported<StandinTakeTranscriptFn>(module_, "StandinTakeTranscript");
}

ComRef<ICoreWebView2Environment> StandinClient::createEnvironment() const {
    ComRef<ICoreWebView2Environment> environment;
    check(createEnvironment_(environment.put()), "StandinCreateEnvironment");
    return environment;
}

ComRef<ICoreWebView2WebResourceRequestedEventArgs> StandinClient::createRequestArgs(
    const std::wstring& uri, const std::wstring& method, const std::wstring& headers) const {
    ComRef<ICoreWebView2WebResourceRequestedEventArgs> args;
    check(createRequestArgs_(uri.c_str(), method.c_str(), headers.c_str(), args.put()),
          "StandinCreateWebResourceRequestedEventArgs");
    return args;
}

StandinResponse StandinClient::describeResponse(ICoreWebView2WebResourceResponse* response) const {
    StandinResponse result;
    LPWSTR reason = nullptr;
    LPWSTR headers = nullptr;
    check(describeResponse_(response, &result.statusCode, &reason, &headers, result.content.put()),
          "StandinDescribeResponse");
    result.reasonPhrase = taken(reason);
    result.headers = taken(headers);
    return result;
}

ComRef<ICoreWebView2Controller> StandinClient::createController(HWND parent) const {
    ComRef<ICoreWebView2Controller> controller;
    check(createController_(parent, controller.put()), "StandinCreateController");
    return controller;
}

std::vector<std::string> StandinClient::takeTranscript() const {
    LPWSTR lines = nullptr;
    check(takeTranscript_(&lines), "StandinTakeTranscript");
    std::string text = wideToUtf8(taken(lines));
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::string readRest(IStream* stream) {
    std::string bytes;
    if (stream == nullptr)
        return bytes;
    char buffer[8192];
    for (;;) {
        ULONG read = 0;
        HRESULT hr = stream->Read(buffer, sizeof buffer, &read);
        if (FAILED(hr) || read == 0)
            break;
        bytes.append(buffer, read);
    }
    return bytes;
}

}  // namespace quorvane::testing
