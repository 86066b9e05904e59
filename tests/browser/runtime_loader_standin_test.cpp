// Each path of the runtime loader against the stand-in runtime: the loader library beside the
// executable, the machine-wide runtime found through its registration, and a fixed runtime given
// relative to the current directory. Through each, an environment is created, a controller made,
// a page navigated to and its document request answered; the stand-in's transcript shows what
// reached it. The runtime folders are laid out at build time (a loaded library cannot be deleted
// on Windows, so they cannot live in a test's temp folder). The registry is shared by every test
// of the prefix: these run serially.

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_paths.h"
#include "platform/scoped_com_mem.h"
#include "platform/utf8.h"
#include "browser/com_handler.h"
#include "browser/environment_options.h"
#include "browser/runtime_loader.h"
#include "tests/browser/runtime_layout.h"
#include "tests/standin/standin_client.h"
#include "tests/standin/standin_test_support.h"
#include "tests/support/current_directory.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::buildOutputPath;
using testing::narrow;
using testing::RuntimeRegistration;
using testing::StandinClient;
using testing::TempDir;

const std::wstring runtimes = buildOutputPath(QV_TEST_RUNTIMES);
const std::wstring machineRuntime = runtimes + L"\\machine\\121.0.2277.83";
const std::wstring appWithFixedRuntime = runtimes + L"\\app";
const wchar_t clientLibrary[] = L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";

// The transcript kept by one loaded copy of the stand-in, collected across calls.
class Transcript {
  public:
    explicit Transcript(const std::wstring& modulePath) : modulePath_(modulePath) {}

    const std::vector<std::string>& lines() {
        HMODULE module = GetModuleHandleW(modulePath_.c_str());
        if (module == nullptr)
            return lines_;
        auto take = reinterpret_cast<StandinTakeTranscriptFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "StandinTakeTranscript")));
        LPWSTR text = nullptr;
        if (take == nullptr || FAILED(take(&text)))
            return lines_;
        ScopedCoMem<wchar_t> owned(text);
        std::string all = wideToUtf8(owned ? owned.get() : L"");
        for (std::string& line : testing::splitLines(all))
            lines_.push_back(std::move(line));
        return lines_;
    }
    bool has(const std::string& line) {
        for (const std::string& seen : lines()) {
            if (seen == line)
                return true;
        }
        return false;
    }
    std::string dump() {
        std::string text;
        for (const std::string& line : lines())
            text += line + "\n";
        return text;
    }

  private:
    std::wstring modulePath_;
    std::vector<std::string> lines_;
};

LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

class Window {
  public:
    Window() {
        WNDCLASSEXW windowClass{sizeof windowClass};
        windowClass.lpfnWndProc = plainWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QvLoaderTestWindow";
        RegisterClassExW(&windowClass);
        handle_ =
            CreateWindowExW(0, L"QvLoaderTestWindow", L"loader test", WS_OVERLAPPEDWINDOW, 0, 0,
                            640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Window() { DestroyWindow(handle_); }
    HWND get() const { return handle_; }

  private:
    HWND handle_ = nullptr;
};

// What one run through a loader path produced.
struct PageRun {
    HRESULT created = E_UNEXPECTED;
    bool environmentCompleted = false;
    bool completedInsideCall = false;
    HRESULT environmentResult = E_UNEXPECTED;
    bool controllerCompleted = false;
    bool requestAnswered = false;
};

// Creates an environment through the loader seam, then a controller, navigates and answers the
// document request with a small page.
PageRun runOnePage(const std::wstring& loaderFolder, PCWSTR browserFolder, PCWSTR userDataFolder,
                   Transcript& transcript) {
    PageRun run;
    Window window;
    ComRef<ICoreWebView2Environment> environment;
    ComRef<ICoreWebView2Controller> controller;
    bool insideCall = true;
    auto environmentHandler =
        makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
            [&](HRESULT result, ICoreWebView2Environment* created) {
                run.environmentCompleted = true;
                run.completedInsideCall = insideCall;
                run.environmentResult = result;
                environment.copyFrom(created);
            });
    auto options = makeEnvironmentOptions(L"--lang=de");
    run.created = createEnvironmentFrom(loaderFolder, browserFolder, userDataFolder, options.get(),
                                        environmentHandler.get());
    insideCall = false;
    environmentHandler.reset();
    if (FAILED(run.created) || !testing::pumpUntil([&] { return run.environmentCompleted; }))
        return run;
    if (!environment)
        return run;

    auto controllerHandler = makeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
        [&](HRESULT, ICoreWebView2Controller* created) {
            run.controllerCompleted = true;
            controller.copyFrom(created);
        });
    environment->CreateCoreWebView2Controller(window.get(), controllerHandler.get());
    controllerHandler.reset();
    if (!testing::pumpUntil([&] { return run.controllerCompleted; }) || !controller)
        return run;

    ComRef<ICoreWebView2> view;
    controller->get_CoreWebView2(view.put());
    if (!view)
        return run;
    view->AddWebResourceRequestedFilter(L"https://quorvane.localhost/*",
                                        COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    auto requestHandler = makeHandler<ICoreWebView2WebResourceRequestedEventHandler>(
        IID_ICoreWebView2WebResourceRequestedEventHandler,
        [&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
            const char page[] = "<p>hi</p>";
            ComRef<IStream> body(
                SHCreateMemStream(reinterpret_cast<const BYTE*>(page), sizeof page - 1));
            ComRef<ICoreWebView2WebResourceResponse> response;
            environment->CreateWebResourceResponse(body.get(), 200, L"OK",
                                                   L"Content-Type: text/html", response.put());
            args->put_Response(response.get());
        });
    EventRegistrationToken token{};
    view->add_WebResourceRequested(requestHandler.get(), &token);
    requestHandler.reset();
    view->Navigate(L"https://quorvane.localhost/index.html");
    const std::string answered =
        "response 200 OK headers=Content-Type: text/html body[9]=<p>hi</p>";
    run.requestAnswered = testing::pumpUntil([&] { return transcript.has(answered); });
    controller->Close();
    return run;
}

void expectWholeRun(const PageRun& run, Transcript& transcript) {
    EXPECT_EQ(run.created, S_OK);
    EXPECT_TRUE(run.environmentCompleted);
    EXPECT_FALSE(run.completedInsideCall);
    EXPECT_EQ(run.environmentResult, S_OK);
    EXPECT_TRUE(run.controllerCompleted);
    EXPECT_TRUE(run.requestAnswered);
    for (const char* line : {"options AdditionalBrowserArguments=--lang=de",
                             "options TargetCompatibleBrowserVersion=89.0.774.44",
                             "EnvironmentCompleted hr=0x00000000 environment=yes",
                             "ControllerCompleted hr=0x00000000 controller=yes",
                             "Navigate https://quorvane.localhost/index.html"}) {
        EXPECT_TRUE(transcript.has(line)) << line << "\n" << transcript.dump();
    }
}

std::optional<std::wstring> versionFrom(const std::wstring& loaderFolder, PCWSTR browserFolder,
                                        HRESULT expected) {
    ScopedCoMem<wchar_t> version;
    EXPECT_EQ(availableBrowserVersionFrom(loaderFolder, browserFolder, version.put()), expected);
    if (!version)
        return std::nullopt;
    return std::wstring(version.get());
}

TEST(RuntimeLoaderPaths, LoaderLibraryBesideTheExecutableIsCalled) {
    // No runtime is registered, so an answer can only come from the loader library.
    RuntimeRegistration noMachine(HKEY_LOCAL_MACHINE, std::nullopt);
    RuntimeRegistration noUser(HKEY_CURRENT_USER, std::nullopt);
    StandinClient& standin = StandinClient::instance();
    const std::wstring loaderFolder = folderOf(testing::standinDllPath());
    standin.takeTranscript();

    EXPECT_EQ(versionFrom(loaderFolder, nullptr, S_OK), L"120.0.2210.91");
    EXPECT_EQ(versionFrom(loaderFolder, L"webview2", S_OK), L"120.0.2210.91");
    const std::vector<std::string> queries = standin.takeTranscript();
    EXPECT_EQ(queries, (std::vector<std::string>{
                           "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> "
                           "120.0.2210.91",
                           "GetAvailableCoreWebView2BrowserVersionString browserFolder=webview2 -> "
                           "120.0.2210.91"}));

    Transcript transcript(testing::standinDllPath());
    PageRun run = runOnePage(loaderFolder, L"webview2", L"C:\\Data\\Quorvane Test", transcript);
    expectWholeRun(run, transcript);
    // The browser folder reaches the loader library unchanged; resolving it is its business.
    ASSERT_FALSE(transcript.lines().empty());
    EXPECT_EQ(transcript.lines().front(),
              "CreateCoreWebView2EnvironmentWithOptions browserFolder=webview2 "
              "userDataFolder=C:\\Data\\Quorvane Test");
}

TEST(RuntimeLoaderPaths, MachineWideRuntimeFromTheRegistry) {
    TempDir emptyAppFolder;
    RuntimeRegistration machine(HKEY_LOCAL_MACHINE, machineRuntime);
    RuntimeRegistration noUser(HKEY_CURRENT_USER, std::nullopt);
    // The machine-wide version is the folder's name, not the client library's file version.
    EXPECT_EQ(versionFrom(emptyAppFolder.path(), nullptr, S_OK), L"121.0.2277.83");

    Transcript transcript(machineRuntime + clientLibrary);
    PageRun run = runOnePage(emptyAppFolder.path(), nullptr, L"C:\\Data\\Machine", transcript);
    expectWholeRun(run, transcript);
    ASSERT_FALSE(transcript.lines().empty());
    EXPECT_EQ(transcript.lines().front(),
              "CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=1 runtimeType=0 "
              "userDataFolder=C:\\Data\\Machine");
}

TEST(RuntimeLoaderPaths, FixedRuntimeGivenRelativeToTheCurrentDirectory) {
    TempDir emptyAppFolder;
    RuntimeRegistration noMachine(HKEY_LOCAL_MACHINE, std::nullopt);
    testing::CurrentDirectory cwd(appWithFixedRuntime);
    // The fixed runtime's version is its client library's file version.
    EXPECT_EQ(versionFrom(emptyAppFolder.path(), L"webview2", S_OK), L"120.0.2210.91");

    Transcript transcript(appWithFixedRuntime + L"\\webview2" + clientLibrary);
    PageRun run = runOnePage(emptyAppFolder.path(), L"webview2", L"C:\\Data\\Fixed", transcript);
    expectWholeRun(run, transcript);
    ASSERT_FALSE(transcript.lines().empty());
    EXPECT_EQ(transcript.lines().front(),
              "CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=1 runtimeType=1 "
              "userDataFolder=C:\\Data\\Fixed");
}

TEST(RuntimeLoaderPaths, TheLoaderLibraryAnswersNoRuntimeWithNoString) {
    // The loader library's own answer when it finds no runtime passes through unchanged.
    testing::ScopedScenario scenario(R"({"runtime": {"present": false}})");
    const std::wstring loaderFolder = folderOf(testing::standinDllPath());
    EXPECT_EQ(versionFrom(loaderFolder, nullptr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)),
              std::nullopt);
}

}  // namespace
}  // namespace quorvane
