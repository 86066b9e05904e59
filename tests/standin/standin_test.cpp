// The stand-in runtime as far as the shell's end-to-end tests rely on it: delivery from the
// message loop after the creating call returned, strings from the task allocator, handlers kept
// by the runtime, response bodies read after the handler returned, on another thread, to the end.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/scoped_com_mem.h"
#include "browser/com_handler.h"
#include "browser/environment_options.h"
#include "browser/installed_runtime.h"
#include "tests/standin/standin_client.h"
#include "tests/standin/standin_test_support.h"
#include "tests/standin/transcript_format.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

using Lines = std::vector<std::string>;

template <typename Fn>
Fn loaderExport(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(StandinClient::instance().module(), name)));
}

class Standin : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        client().takeTranscript();
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window_);
        client().takeTranscript();
    }

    static StandinClient& client() { return StandinClient::instance(); }

    // Creates the environment through the loader export and waits for its completion.
    ComRef<ICoreWebView2Environment> environmentFromLoader() {
        auto create = loaderExport<CreateCoreWebView2EnvironmentWithOptionsFn>(
            "CreateCoreWebView2EnvironmentWithOptions");
        ComRef<ICoreWebView2Environment> environment;
        bool done = false;
        auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
            IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
            [&](HRESULT, ICoreWebView2Environment* created) {
                environment.copyFrom(created);
                done = true;
            });
        EXPECT_EQ(create(nullptr, L"C:\\data", nullptr, handler.get()), S_OK);
        EXPECT_TRUE(pumpUntil([&] { return done; }));
        return environment;
    }

    // A view made in-process, with a filter for the whole of https://app.test/.
    ComRef<ICoreWebView2_2> view() {
        controller_ = client().createController(window_);
        ComRef<ICoreWebView2> view;
        controller_->get_CoreWebView2(view.put());
        view->AddWebResourceRequestedFilter(L"https://app.test/*",
                                            COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
        return view.query<ICoreWebView2_2>(IID_ICoreWebView2_2);
    }

    Lines transcriptUntil(const std::string& last) {
        Lines lines;
        pumpUntil([&] {
            for (auto& line : client().takeTranscript())
                lines.push_back(line);
            return !lines.empty() && lines.back() == last;
        });
        return lines;
    }

    HWND window_ = nullptr;
    ComRef<ICoreWebView2Controller> controller_;
};

TEST_F(Standin, DeliversTheEnvironmentFromTheMessageLoopAfterTheCallReturned) {
    auto create = loaderExport<CreateCoreWebView2EnvironmentWithOptionsFn>(
        "CreateCoreWebView2EnvironmentWithOptions");
    ASSERT_NE(create, nullptr);
    bool invoked = false;
    DWORD thread = 0;
    ComRef<ICoreWebView2Environment> environment;
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        [&](HRESULT hr, ICoreWebView2Environment* created) {
            EXPECT_EQ(hr, S_OK);
            invoked = true;
            thread = GetCurrentThreadId();
            environment.copyFrom(created);
        });
    auto options = makeEnvironmentOptions(L"--a --b");
    ASSERT_EQ(create(nullptr, L"C:\\users\\me\\AppData\\Local\\App", options.get(), handler.get()),
              S_OK);
    EXPECT_FALSE(invoked);
    // The runtime keeps its own reference to the handler.
    handler.reset();
    ASSERT_TRUE(pumpUntil([&] { return invoked; }));
    EXPECT_EQ(thread, GetCurrentThreadId());
    EXPECT_TRUE(environment);
    EXPECT_EQ(client().takeTranscript(),
              (Lines{"CreateCoreWebView2EnvironmentWithOptions browserFolder=(null) "
                     "userDataFolder=C:\\users\\me\\AppData\\Local\\App",
                     "options AdditionalBrowserArguments=--a --b",
                     "options Language=", "options TargetCompatibleBrowserVersion=89.0.774.44",
                     "options AllowSingleSignOnUsingOSPrimaryAccount=0",
                     "options ICoreWebView2EnvironmentOptions2 refused 0x80004002 out=null",
                     "EnvironmentCompleted hr=0x00000000 environment=yes"}));
}

TEST_F(Standin, DeliversTheControllerLaterWithItsViewInsideTheParent) {
    auto environment = environmentFromLoader();
    ASSERT_TRUE(environment);
    client().takeTranscript();
    bool invoked = false;
    ComRef<ICoreWebView2Controller> controller;
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
        [&](HRESULT hr, ICoreWebView2Controller* created) {
            EXPECT_EQ(hr, S_OK);
            invoked = true;
            controller.copyFrom(created);
        });
    ASSERT_EQ(environment->CreateCoreWebView2Controller(window_, handler.get()), S_OK);
    EXPECT_FALSE(invoked);
    ASSERT_TRUE(pumpUntil([&] { return invoked; }));
    ASSERT_TRUE(controller);
    controller->put_Bounds(RECT{10, 20, 110, 70});
    controller->put_IsVisible(FALSE);
    HWND child = FindWindowExW(window_, nullptr, L"QuorvaneStandinView", nullptr);
    ASSERT_NE(child, nullptr);
    RECT placed = {};
    GetWindowRect(child, &placed);
    MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 20);
    EXPECT_EQ(placed.right, 110);
    EXPECT_EQ(placed.bottom, 70);
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_EQ(client().takeTranscript(),
              (Lines{"CreateCoreWebView2Controller parent=Static",
                     "ControllerCompleted hr=0x00000000 controller=yes",
                     "controller Bounds=10,20,110,70", "controller IsVisible=0"}));
}

struct CreationCase {
    const char* name;
    const char* scenario;
    HRESULT returned;  // by the creating call
    bool completes;    // whether the completion comes at all
    HRESULT completion;
    bool object;
};

void PrintTo(const CreationCase& c, std::ostream* out) {
    *out << c.name;
}

class FailingEnvironment : public Standin, public ::testing::WithParamInterface<CreationCase> {};

TEST_P(FailingEnvironment, FailsAsTheScenarioSays) {
    const CreationCase& c = GetParam();
    ScopedScenario scenario(c.scenario);
    auto create = loaderExport<CreateCoreWebView2EnvironmentWithOptionsFn>(
        "CreateCoreWebView2EnvironmentWithOptions");
    int calls = 0;
    HRESULT seen = S_OK;
    bool gotObject = false;
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        [&](HRESULT hr, ICoreWebView2Environment* created) {
            ++calls;
            seen = hr;
            gotObject = created != nullptr;
        });
    EXPECT_EQ(create(nullptr, L"C:\\data", nullptr, handler.get()), c.returned);
    pumpFor(300);
    EXPECT_EQ(calls, c.completes ? 1 : 0);
    if (c.completes) {
        EXPECT_EQ(seen, c.completion);
        EXPECT_EQ(gotObject, c.object);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, FailingEnvironment,
    ::testing::Values(CreationCase{"CallFails", R"({"environment":{"returns":"0x80004005"}})",
                                   E_FAIL, false, S_OK, false},
                      CreationCase{"CompletesWithError",
                                   R"({"environment":{"completes":"0x80070005"}})", S_OK, true,
                                   E_ACCESSDENIED, false},
                      CreationCase{"CompletesWithoutObject",
                                   R"({"environment":{"nullObject":true}})", S_OK, true, S_OK,
                                   false},
                      CreationCase{"NoRuntime", R"({"runtime":{"present":false}})",
                                   HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), false, S_OK, false},
                      CreationCase{"MisspeltMemberFallsBackToDefaults",
                                   R"({"environment":{"returns":"0x80004005"},"enviroment":{}})",
                                   S_OK, true, S_OK, true},
                      CreationCase{"UnusableScenarioFallsBackToDefaults",
                                   R"({"steps":[{"do":"unheard-of"}]})", S_OK, true, S_OK, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Standin, VersionStringComesFromTheTaskAllocatorOrIsNullWithoutRuntime) {
    auto version = loaderExport<GetAvailableCoreWebView2BrowserVersionStringFn>(
        "GetAvailableCoreWebView2BrowserVersionString");
    ComRef<IMalloc> allocator;
    ASSERT_EQ(CoGetMalloc(1, allocator.put()), S_OK);
    {
        ScopedScenario scenario(R"({"runtime":{"version":"121.0.1.2"}})");
        ScopedCoMem<wchar_t> text;
        EXPECT_EQ(version(L"webview2", text.put()), S_OK);
        ASSERT_TRUE(text);
        EXPECT_STREQ(text.get(), L"121.0.1.2");
        EXPECT_EQ(allocator->DidAlloc(text.get()), 1);
    }
    {
        ScopedScenario scenario(R"({"runtime":{"present":false}})");
        LPWSTR text = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(version(nullptr, &text), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(text, nullptr);
    }
    EXPECT_EQ(
        client().takeTranscript(),
        (Lines{"GetAvailableCoreWebView2BrowserVersionString browserFolder=webview2 -> "
               "121.0.1.2",
               "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> (none)"}));
}

// A loader reads a fixed runtime's version from its client library's file version.
TEST(StandinFile, CarriesTheFileVersionAFixedRuntimeLoaderReads) {
    EXPECT_EQ(fileVersionOf(standinDllPath()), L"120.0.2210.91");
}

// Counts version queries from the start of the process: ctest runs each case in a process of its
// own.
TEST_F(Standin, RuntimeCanAppearBetweenTwoVersionQueriesAsAfterAnInstallation) {
    ScopedScenario scenario(R"({"runtime":{"present":false,"appearsAtQuery":2}})");
    auto version = loaderExport<GetAvailableCoreWebView2BrowserVersionStringFn>(
        "GetAvailableCoreWebView2BrowserVersionString");
    auto create = loaderExport<CreateCoreWebView2EnvironmentWithOptionsFn>(
        "CreateCoreWebView2EnvironmentWithOptions");
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        [](HRESULT, ICoreWebView2Environment*) {});
    ScopedCoMem<wchar_t> text;
    EXPECT_EQ(version(nullptr, text.put()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(text);
    EXPECT_EQ(create(nullptr, L"C:\\data", nullptr, handler.get()),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(version(nullptr, text.put()), S_OK);
    ASSERT_TRUE(text);
    EXPECT_STREQ(text.get(), L"120.0.2210.91");
    EXPECT_EQ(create(nullptr, L"C:\\data", nullptr, handler.get()), S_OK);
}

TEST_F(Standin, ViewAnswersBothViewInterfacesAsOneObjectAndRefusesOthers) {
    auto webView2 = view();
    ASSERT_TRUE(webView2);
    ComRef<ICoreWebView2> webView;
    controller_->get_CoreWebView2(webView.put());
    EXPECT_EQ(static_cast<ICoreWebView2*>(webView2.get()), webView.get());
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(webView->QueryInterface(IID_ICoreWebView2Controller, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    ScopedScenario scenario(R"({"webView2":false})");
    auto older = client().createController(window_);
    ComRef<ICoreWebView2> olderView;
    older->get_CoreWebView2(olderView.put());
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(olderView->QueryInterface(IID_ICoreWebView2_2, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

// A stream that hands out three bytes per Read and notes on which thread, and when, it is read.
class ChunkedStream final : public ComObject<ChunkedStream, IStream> {
  public:
    ChunkedStream(std::string bytes, const std::atomic<bool>* handlerReturned)
        : ComObject(IID_IStream), bytes_(std::move(bytes)), handlerReturned_(handlerReturned) {}

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) noexcept override {
        readThread = GetCurrentThreadId();
        if (reads++ == 0)
            readAfterReturn = handlerReturned_->load();
        ULONG n = static_cast<ULONG>(std::min<size_t>({size, 3, bytes_.size() - position_}));
        memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        if (read != nullptr)
            *read = n;
        return n < size ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER,
                                           DWORD) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) noexcept override { return E_NOTIMPL; }

    std::atomic<DWORD> readThread{0};
    std::atomic<int> reads{0};
    std::atomic<bool> readAfterReturn{false};

  private:
    std::string bytes_;
    size_t position_ = 0;
    const std::atomic<bool>* handlerReturned_;
};

TEST_F(Standin, ReadsTheResponseAfterTheHandlerReturnedOnAnotherThreadToTheEnd) {
    ScopedScenario scenario(R"({"pagesParse":false})");
    auto webView = view();
    auto environment = client().createEnvironment();
    std::atomic<bool> returned{false};
    ComRef<ChunkedStream> stream(new ChunkedStream("0123456789", &returned));
    auto handler = makeHandler<ICoreWebView2WebResourceRequestedEventHandler>(
        IID_ICoreWebView2WebResourceRequestedEventHandler,
        [&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
            ComRef<ICoreWebView2WebResourceResponse> response;
            environment->CreateWebResourceResponse(stream.get(), 206, L"Partial Content",
                                                   L"Content-Type: text/plain\r\nX-A: 1",
                                                   response.put());
            args->put_Response(response.get());
            pumpFor(100);  // a handler that spins a loop still finds its stream unread
            EXPECT_EQ(stream->reads.load(), 0);
            returned = true;
        });
    webView->add_WebResourceRequested(handler.get(), nullptr);
    client().takeTranscript();
    webView->Navigate(L"https://app.test/index.html");
    EXPECT_EQ(transcriptUntil("steps done"),
              (Lines{"Navigate https://app.test/index.html",
                     "NavigationStarting https://app.test/index.html userInitiated=0",
                     "navigation allowed",
                     "WebResourceRequested GET https://app.test/index.html context=1",
                     "response 206 Partial Content headers=Content-Type: text/plain\\r\\nX-A: 1 "
                     "body[10]=0123456789",
                     "steps done"}));
    EXPECT_TRUE(stream->readAfterReturn.load());
    EXPECT_NE(stream->readThread.load(), GetCurrentThreadId());
    EXPECT_EQ(stream->reads.load(), 5);  // four with bytes, one that finds the end
}

TEST_F(Standin, RecordsLargeBodiesByLengthAndDigestAndReadsFromTheCurrentPosition) {
    std::string big(5000, 'x');
    big[4999] = 'y';
    ScopedScenario scenario(R"({"pagesParse":false,"steps":[
        {"do":"request","uri":"https://app.test/big.bin","headers":["Range: bytes=1-"]},
        {"do":"request","uri":"https://app.test/seeked.txt"},
        {"do":"request","uri":"https://elsewhere.test/a.js","context":6}]})");
    auto webView = view();
    auto environment = client().createEnvironment();
    auto handler = makeHandler<ICoreWebView2WebResourceRequestedEventHandler>(
        IID_ICoreWebView2WebResourceRequestedEventHandler,
        [&](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
            ComRef<ICoreWebView2WebResourceRequest> request;
            args->get_Request(request.put());
            ScopedCoMem<wchar_t> uri;
            request->get_Uri(uri.put());
            std::wstring target = uri.get();
            ComRef<IStream> content;
            if (target.ends_with(L"big.bin")) {
                content.reset(SHCreateMemStream(reinterpret_cast<const BYTE*>(big.data()),
                                                static_cast<UINT>(big.size())));
            } else if (target.ends_with(L"seeked.txt")) {
                content.reset(SHCreateMemStream(reinterpret_cast<const BYTE*>("abcdef"), 6));
                LARGE_INTEGER at{};
                at.QuadPart = 4;
                content->Seek(at, STREAM_SEEK_SET, nullptr);
            } else {
                return;  // the document: no answer
            }
            ComRef<ICoreWebView2WebResourceResponse> response;
            environment->CreateWebResourceResponse(content.get(), 200, L"OK", L"", response.put());
            args->put_Response(response.get());
        });
    webView->add_WebResourceRequested(handler.get(), nullptr);
    client().takeTranscript();
    webView->Navigate(L"https://app.test/");
    wchar_t digest[24];
    swprintf(digest, 24, L"%016llx", static_cast<unsigned long long>(standin::fnv1a64(big)));
    EXPECT_EQ(
        transcriptUntil("steps done"),
        (Lines{"Navigate https://app.test/", "NavigationStarting https://app.test/ userInitiated=0",
               "navigation allowed", "WebResourceRequested GET https://app.test/ context=1",
               "response none", "WebResourceRequested GET https://app.test/big.bin context=16",
               "response 200 OK headers= body[5000]~fnv1a64:" + narrow(digest),
               "WebResourceRequested GET https://app.test/seeked.txt context=16",
               "response 200 OK headers= body[2]=ef",
               "request GET https://elsewhere.test/a.js context=6 unfiltered", "steps done"}));
}

TEST_F(Standin, RaisesEventsOneAtATimeEvenWhenAHandlerSpinsAMessageLoop) {
    ScopedScenario scenario(R"({"pagesParse":false,"steps":[
        {"do":"title","text":"First"},{"do":"close"}]})");
    auto webView = view();
    bool insideTitle = false;
    bool closeInsideTitle = false;
    int closes = 0;
    std::wstring title;
    auto titleHandler = makeHandler<ICoreWebView2DocumentTitleChangedEventHandler>(
        IID_ICoreWebView2DocumentTitleChangedEventHandler,
        [&](ICoreWebView2* sender, IUnknown* args) {
            EXPECT_EQ(args, nullptr);
            ScopedCoMem<wchar_t> text;
            sender->get_DocumentTitle(text.put());
            title = text.get();
            insideTitle = true;
            pumpFor(300);
            insideTitle = false;
        });
    auto closeHandler = makeHandler<ICoreWebView2WindowCloseRequestedEventHandler>(
        IID_ICoreWebView2WindowCloseRequestedEventHandler, [&](ICoreWebView2*, IUnknown* args) {
            EXPECT_EQ(args, nullptr);
            closeInsideTitle = insideTitle;
            ++closes;
        });
    EventRegistrationToken token{};
    ASSERT_EQ(webView->add_DocumentTitleChanged(titleHandler.get(), &token), S_OK);
    ASSERT_EQ(webView->add_WindowCloseRequested(closeHandler.get(), nullptr), S_OK);
    // The runtime holds a reference of its own to each handler.
    EXPECT_EQ(titleHandler->AddRef(), 3u);
    titleHandler->Release();
    webView->Navigate(L"https://app.test/");
    EXPECT_TRUE(pumpUntil([&] { return closes == 1; }));
    EXPECT_FALSE(closeInsideTitle);
    EXPECT_EQ(title, L"First");
    EXPECT_EQ(webView->remove_DocumentTitleChanged(token), S_OK);
    EXPECT_EQ(titleHandler->AddRef(), 2u);
    titleHandler->Release();
}

struct MessageCase {
    const char* name;
    const char* step;
    HRESULT tryResult;
    const wchar_t* asString;  // null: no string handed out
    const wchar_t* asJson;
};

void PrintTo(const MessageCase& c, std::ostream* out) {
    *out << c.name;
}

class WebMessages : public Standin, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(WebMessages, AnswerAsTheRuntimeDoes) {
    const MessageCase& c = GetParam();
    ScopedScenario scenario(std::string(R"({"pagesParse":false,"steps":[)") + c.step + "]}");
    auto webView = view();
    bool called = false;
    HRESULT tryResult = S_OK;
    LPWSTR asString = reinterpret_cast<LPWSTR>(1);
    std::wstring source, json, text;
    auto handler = makeHandler<ICoreWebView2WebMessageReceivedEventHandler>(
        IID_ICoreWebView2WebMessageReceivedEventHandler,
        [&](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
            called = true;
            ScopedCoMem<wchar_t> s, j;
            args->get_Source(s.put());
            args->get_WebMessageAsJson(j.put());
            source = s.get();
            json = j.get();
            tryResult = args->TryGetWebMessageAsString(&asString);
            if (asString != nullptr)
                text = asString;
            CoTaskMemFree(asString);
        });
    webView->add_WebMessageReceived(handler.get(), nullptr);
    webView->Navigate(L"https://app.test/");
    ASSERT_TRUE(pumpUntil([&] { return called; }));
    EXPECT_EQ(source, L"https://app.test/page.html");
    EXPECT_EQ(tryResult, c.tryResult);
    EXPECT_EQ(json, c.asJson);
    if (c.asString == nullptr) {
        EXPECT_EQ(asString, nullptr);
    } else {
        EXPECT_EQ(text, c.asString);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Posted, WebMessages,
    ::testing::Values(
        MessageCase{
            "String",
            R"({"do":"messageString","source":"https://app.test/page.html","text":"{\"type\":\"x\"}"})",
            S_OK, L"{\"type\":\"x\"}", L"\"{\\\"type\\\":\\\"x\\\"}\""},
        MessageCase{
            "JsonObject",
            R"({"do":"messageJson","source":"https://app.test/page.html","text":"{\"type\":\"x\"}"})",
            E_INVALIDARG, nullptr, L"{\"type\":\"x\"}"},
        MessageCase{"JsonNumber",
                    R"({"do":"messageJson","source":"https://app.test/page.html","text":"42"})",
                    E_INVALIDARG, nullptr, L"42"},
        MessageCase{"JsonString",
                    R"({"do":"messageJson","source":"https://app.test/page.html","text":"\"hi\""})",
                    S_OK, L"hi", L"\"hi\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Standin, CancelledNavigationRequestsNothingAndRecordsOutcomes) {
    ScopedScenario scenario(R"({"steps":[
        {"do":"navigate","uri":"https://elsewhere.test/"},
        {"do":"permission","kind":2,"uri":"https://app.test/","userInitiated":true},
        {"do":"newWindow","uri":"https://app.test/popup.html"},
        {"do":"fullscreen","enter":true}]})");
    auto webView = view();
    auto navigation = makeHandler<ICoreWebView2NavigationStartingEventHandler>(
        IID_ICoreWebView2NavigationStartingEventHandler,
        [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            ScopedCoMem<wchar_t> uri;
            args->get_Uri(uri.put());
            if (!std::wstring(uri.get()).starts_with(L"https://app.test/"))
                args->put_Cancel(TRUE);
        });
    auto permission = makeHandler<ICoreWebView2PermissionRequestedEventHandler>(
        IID_ICoreWebView2PermissionRequestedEventHandler,
        [](ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
            args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
        });
    auto newWindow = makeHandler<ICoreWebView2NewWindowRequestedEventHandler>(
        IID_ICoreWebView2NewWindowRequestedEventHandler,
        [](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
            args->put_Handled(TRUE);
        });
    webView->add_NavigationStarting(navigation.get(), nullptr);
    webView->add_PermissionRequested(permission.get(), nullptr);
    webView->add_NewWindowRequested(newWindow.get(), nullptr);
    client().takeTranscript();
    webView->Navigate(L"https://app.test/");
    EXPECT_EQ(
        transcriptUntil("steps done"),
        (Lines{"Navigate https://app.test/", "NavigationStarting https://app.test/ userInitiated=0",
               "navigation allowed", "WebResourceRequested GET https://app.test/ context=1",
               "response none", "DOMContentLoaded navigationId=1",
               "NavigationStarting https://elsewhere.test/ userInitiated=1", "navigation cancelled",
               "PermissionRequested kind=2 uri=https://app.test/ userInitiated=1",
               "permission state=1",
               "NewWindowRequested https://app.test/popup.html userInitiated=0",
               "new window handled=1 newWindow=none", "ContainsFullScreenElementChanged 1",
               "steps done"}));
    BOOL fullscreen = FALSE;
    webView->get_ContainsFullScreenElement(&fullscreen);
    EXPECT_TRUE(fullscreen);
}

// What in-process tests of the shell's request handling build on: request arguments made from a
// URI, method and header lines, and responses that can be looked into.
TEST_F(Standin, TestExportsMakeRequestsAndDescribeResponses) {
    auto args = client().createRequestArgs(L"https://app.test/a%20b.mp4", L"GET",
                                           L"Range: bytes=0-3\nAccept:  */*  ");
    ComRef<ICoreWebView2WebResourceRequest> request;
    ASSERT_EQ(args->get_Request(request.put()), S_OK);
    ScopedCoMem<wchar_t> uri, method, range, accept;
    request->get_Uri(uri.put());
    request->get_Method(method.put());
    EXPECT_STREQ(uri.get(), L"https://app.test/a%20b.mp4");
    EXPECT_STREQ(method.get(), L"GET");
    ComRef<ICoreWebView2HttpRequestHeaders> headers;
    ASSERT_EQ(request->get_Headers(headers.put()), S_OK);
    BOOL contains = FALSE;
    EXPECT_EQ(headers->Contains(L"range", &contains), S_OK);
    EXPECT_TRUE(contains);
    EXPECT_EQ(headers->GetHeader(L"RANGE", range.put()), S_OK);
    EXPECT_STREQ(range.get(), L"bytes=0-3");
    EXPECT_EQ(headers->GetHeader(L"Accept", accept.put()), S_OK);
    EXPECT_STREQ(accept.get(), L"*/*");
    EXPECT_EQ(headers->Contains(L"If-None-Match", &contains), S_OK);
    EXPECT_FALSE(contains);
    LPWSTR missing = reinterpret_cast<LPWSTR>(1);
    EXPECT_TRUE(FAILED(headers->GetHeader(L"If-None-Match", &missing)));
    EXPECT_EQ(missing, nullptr);
    ComRef<ICoreWebView2WebResourceResponse> none;
    EXPECT_EQ(args->get_Response(none.put()), S_OK);
    EXPECT_FALSE(none);

    auto environment = client().createEnvironment();
    ComRef<IStream> content(SHCreateMemStream(reinterpret_cast<const BYTE*>("0123"), 4));
    ComRef<ICoreWebView2WebResourceResponse> response;
    ASSERT_EQ(environment->CreateWebResourceResponse(
                  content.get(), 206, L"Partial Content",
                  L"Content-Range: bytes 0-3/10\r\nContent-Type: video/mp4", response.put()),
              S_OK);
    content.reset();  // the response holds its own reference
    ASSERT_EQ(args->put_Response(response.get()), S_OK);
    ComRef<ICoreWebView2WebResourceResponse> set;
    ASSERT_EQ(args->get_Response(set.put()), S_OK);
    StandinResponse seen = client().describeResponse(set.get());
    EXPECT_EQ(seen.statusCode, 206);
    EXPECT_EQ(seen.reasonPhrase, L"Partial Content");
    EXPECT_EQ(seen.headers, L"Content-Range: bytes 0-3/10\r\nContent-Type: video/mp4");
    EXPECT_EQ(readRest(seen.content.get()), "0123");

    ComRef<ICoreWebView2WebResourceResponse> empty;
    EXPECT_EQ(environment->CreateWebResourceResponse(nullptr, 404, L"Not Found", L"", empty.put()),
              S_OK);
    EXPECT_FALSE(client().describeResponse(empty.get()).content);
    ComRef<ICoreWebView2WebResourceResponse> refused;
    EXPECT_EQ(environment->CreateWebResourceResponse(nullptr, 200, nullptr, L"", refused.put()),
              E_INVALIDARG);
    EXPECT_FALSE(refused);
}

TEST(StandinTranscriptFormat, EscapesControlCharactersAndDigestsLargeBodies) {
    EXPECT_EQ(standin::escapeText(L"a\r\nb\tc\x01\\d"), L"a\\r\\nb\\tc\\x01\\d");
    EXPECT_EQ(standin::describeBody(std::string("hi\0\xff\n", 5)), L"body[5]=hi\\x00\\xFF\\n");
    EXPECT_EQ(standin::describeBody(std::string(4096, 'a')).substr(0, 12), L"body[4096]=a");
    // FNV-1a 64 reference values.
    EXPECT_EQ(standin::fnv1a64(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(standin::fnv1a64("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(standin::fnv1a64("foobar"), 0x85944171f73967e8ULL);
    EXPECT_EQ(standin::describeBody(std::string(4097, 'a')).substr(0, 19), L"body[4097]~fnv1a64:");
    EXPECT_EQ(standin::hresultText(E_NOINTERFACE), L"0x80004002");
}

}  // namespace
}  // namespace quorvane::testing
