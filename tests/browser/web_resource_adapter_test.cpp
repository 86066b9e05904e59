#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "platform/app_paths.h"
#include "browser/browser_host.h"
#include "browser/web_resource_adapter.h"
#include "content/app_origin.h"
#include "content/content_server.h"
#include "content/mapped_file_cache.h"
#include "platform/com_object.h"
#include "tests/content/content_fixture.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::ContentFolder;
using testing::narrow;
using testing::offsetPattern;
using testing::readToEndOnAnotherThread;
using testing::StandinClient;
using testing::StandinResponse;

struct ServeCase {
    std::wstring path;  // after the origin
    std::wstring method;
    std::wstring headers;  // request header lines
    int status;
    std::string reason;
    std::string headerBlock;
    std::optional<std::string> body;
};

// Runs |args| through the content server and returns what the runtime was handed, or nothing
// when no response was set.
std::optional<StandinResponse> responseOf(ICoreWebView2WebResourceRequestedEventArgs* args) {
    ComRef<ICoreWebView2WebResourceResponse> response;
    args->get_Response(response.put());
    if (!response)
        return std::nullopt;
    return StandinClient::instance().describeResponse(response.get());
}

class ContentServerTest : public ::testing::Test {
  protected:
    void SetUp() override { environment_ = StandinClient::instance().createEnvironment(); }

    std::optional<StandinResponse> serve(const std::wstring& path, const std::wstring& method,
                                         const std::wstring& headers) {
        auto args = StandinClient::instance().createRequestArgs(appOrigin + path, method, headers);
        EXPECT_EQ(serveResourceFrom(args.get(), folder_.www(), environment_.get(), cache_,
                                    Isolation::None),
                  S_OK);
        return responseOf(args.get());
    }

    ContentFolder folder_;
    MappedFileCache cache_;
    ComRef<ICoreWebView2Environment> environment_;
};

TEST_F(ContentServerTest, AnswersThroughTheRuntimesObjectsBeforeReturning) {
    const std::string hero = offsetPattern(1000);
    const std::string notFound = "Cache-Control: no-store";
    const ServeCase cases[] = {
        {L"index.html", L"GET", L"", 200, "OK",
         "Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\nAccept-Ranges: bytes\n"
         "Content-Length: 39",
         ContentFolder::kIndex},
        // Any method is answered like GET; a request body is never read.
        {L"index.html", L"POST", L"Content-Type: text/plain", 200, "OK",
         "Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\nAccept-Ranges: bytes\n"
         "Content-Length: 39",
         ContentFolder::kIndex},
        {L"index.html", L"DELETE", L"", 200, "OK",
         "Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\nAccept-Ranges: bytes\n"
         "Content-Length: 39",
         ContentFolder::kIndex},
        {L"sprites/hero.png", L"GET", L"Range: bytes=100-199", 206, "Partial Content",
         "Cache-Control: no-store\nContent-Type: image/png\nAccept-Ranges: bytes\n"
         "Content-Range: bytes 100-199/1000\nContent-Length: 100",
         hero.substr(100, 100)},
        // Header names are matched without regard to case, as HTTP has it.
        {L"sprites/hero.png", L"GET", L"Accept: */*\nrange: bytes=-1", 206, "Partial Content",
         "Cache-Control: no-store\nContent-Type: image/png\nAccept-Ranges: bytes\n"
         "Content-Range: bytes 999-999/1000\nContent-Length: 1",
         hero.substr(999)},
        {L"sprites/hero.png", L"GET", L"Range: bytes=-1000", 206, "Partial Content",
         "Cache-Control: no-store\nContent-Type: image/png\nAccept-Ranges: bytes\n"
         "Content-Range: bytes 0-999/1000\nContent-Length: 1000",
         hero},
        {L"sprites/hero.png", L"GET", L"Range: bytes=1000-", 416, "Range Not Satisfiable",
         "Cache-Control: no-store\nContent-Type: image/png\nAccept-Ranges: bytes", std::nullopt},
        {L"sprites/hero.png", L"GET", L"Range: bytes=-0", 416, "Range Not Satisfiable",
         "Cache-Control: no-store\nContent-Type: image/png\nAccept-Ranges: bytes", std::nullopt},
        {L"empty.txt", L"GET", L"", 200, "OK",
         "Cache-Control: no-store\nContent-Type: text/plain; charset=utf-8\nAccept-Ranges: bytes\n"
         "Content-Length: 0",
         ""},
        {L"caf%C3%A9.png", L"GET", L"", 200, "OK",
         "Cache-Control: no-store\nContent-Type: image/png\nAccept-Ranges: bytes\n"
         "Content-Length: 5",
         ContentFolder::kAccented},
        {L"%E6%97%A5%E6%9C%AC%E8%AA%9E.txt", L"GET", L"", 200, "OK",
         "Cache-Control: no-store\nContent-Type: text/plain; charset=utf-8\n"
         "Accept-Ranges: bytes\nContent-Length: 6",
         ContentFolder::kJapanese},
        {L"missing.js", L"GET", L"", 404, "Not Found", notFound, "File not found"},
        {L"", L"GET", L"", 404, "Not Found", notFound, "File not found"},
        {L"img", L"GET", L"Range: bytes=0-1", 404, "Not Found", notFound, "File not found"},
        {L"..%5csecret.txt", L"GET", L"", 404, "Not Found", notFound, "File not found"},
        {L"%2e%2e/secret.txt", L"GET", L"Range: bytes=0-1", 404, "Not Found", notFound,
         "File not found"},
        {L"COM1", L"GET", L"", 404, "Not Found", notFound, "File not found"},
        // A cache-busting query names the same file.
        {L"index.html?v=2", L"GET", L"", 200, "OK",
         "Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\nAccept-Ranges: bytes\n"
         "Content-Length: 39",
         ContentFolder::kIndex},
    };
    for (const ServeCase& c : cases) {
        SCOPED_TRACE(narrow(c.method + L" " + c.path + L" [" + c.headers + L"]"));
        std::optional<StandinResponse> response = serve(c.path, c.method, c.headers);
        ASSERT_TRUE(response.has_value());
        EXPECT_EQ(response->statusCode, c.status);
        EXPECT_EQ(narrow(response->reasonPhrase), c.reason);
        EXPECT_EQ(narrow(response->headers), c.headerBlock);
        if (c.body) {
            ASSERT_TRUE(response->content);
            EXPECT_EQ(readToEndOnAnotherThread(response->content.get()), *c.body);
        } else {
            EXPECT_FALSE(response->content);
        }
    }
    EXPECT_EQ(cache_.size(), 1u);  // only sprites/hero.png, for its partial ranges
}

TEST_F(ContentServerTest, BodiesOutliveTheShutdownReleaseOfTheCache) {
    auto first = serve(L"music/theme.ogg", L"GET", L"Range: bytes=4000-4999");
    auto second = serve(L"Music/Theme.ogg", L"GET", L"Range: bytes=10-19");
    ASSERT_TRUE(first && first->content && second && second->content);
    EXPECT_EQ(cache_.size(), 2u);
    cache_.releaseAll();
    const std::string theme = offsetPattern(5000);
    EXPECT_EQ(readToEndOnAnotherThread(first->content.get()), theme.substr(4000));
    EXPECT_EQ(readToEndOnAnotherThread(second->content.get()), theme.substr(10, 10));
}

TEST_F(ContentServerTest, SetsNoResponseWithoutAnEnvironmentAndRefusesNullArguments) {
    auto args = StandinClient::instance().createRequestArgs(appOrigin + L"index.html");
    EXPECT_EQ(serveResourceFrom(args.get(), folder_.www(), nullptr, cache_, Isolation::None), S_OK);
    EXPECT_FALSE(responseOf(args.get()).has_value());
    EXPECT_EQ(
        serveResourceFrom(nullptr, folder_.www(), environment_.get(), cache_, Isolation::None),
        E_POINTER);
    EXPECT_EQ(serveResource(nullptr), E_POINTER);
}

// Hands every call to the stand-in's environment, but refuses the first response it is asked for:
// with |refusal| as the result, or, for S_OK, by succeeding without an object.
class RefusingEnvironment final : public ComObject<RefusingEnvironment, ICoreWebView2Environment> {
  public:
    RefusingEnvironment(ICoreWebView2Environment* inner, HRESULT refusal)
        : ComObject(IID_ICoreWebView2Environment), refusal_(refusal) {
        inner_.copyFrom(inner);
    }
    ~RefusingEnvironment() = default;

    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) noexcept override {
        return inner_->CreateCoreWebView2Controller(parent, handler);
    }
    HRESULT STDMETHODCALLTYPE
    CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason, LPCWSTR headers,
                              ICoreWebView2WebResourceResponse** response) noexcept override {
        if (refused_++ == 0) {
            *response = nullptr;
            return refusal_;
        }
        return inner_->CreateWebResourceResponse(content, status, reason, headers, response);
    }
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* version) noexcept override {
        return inner_->get_BrowserVersionString(version);
    }
    HRESULT STDMETHODCALLTYPE
    add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* handler,
                                   EventRegistrationToken* token) noexcept override {
        return inner_->add_NewBrowserVersionAvailable(handler, token);
    }
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken token) noexcept override {
        return inner_->remove_NewBrowserVersionAvailable(token);
    }

  private:
    ComRef<ICoreWebView2Environment> inner_;
    HRESULT refusal_;
    int refused_ = 0;
};

// A response the runtime refuses to make is replaced by a bare 500, so the page never waits on a
// request nobody answered; an isolated app's 500 is isolated too.
TEST_F(ContentServerTest, ARefusedResponseBecomesABare500) {
    const std::pair<Isolation, std::string> isolations[] = {
        {Isolation::None, "Cache-Control: no-store"},
        {Isolation::CrossOrigin,
         "Cache-Control: no-store\nCross-Origin-Opener-Policy: same-origin\n"
         "Cross-Origin-Embedder-Policy: require-corp\nCross-Origin-Resource-Policy: same-origin"},
    };
    for (const auto& [isolation, headers] : isolations) {
        for (HRESULT refusal : {E_OUTOFMEMORY, S_OK}) {
            SCOPED_TRACE(refusal);
            ComRef<ICoreWebView2Environment> refusing(
                new RefusingEnvironment(environment_.get(), refusal));
            auto args = StandinClient::instance().createRequestArgs(appOrigin + L"index.html");
            EXPECT_EQ(
                serveResourceFrom(args.get(), folder_.www(), refusing.get(), cache_, isolation),
                S_OK);
            std::optional<StandinResponse> response = responseOf(args.get());
            ASSERT_TRUE(response.has_value());
            EXPECT_EQ(response->statusCode, 500);
            EXPECT_EQ(narrow(response->reasonPhrase), "Internal Server Error");
            EXPECT_EQ(narrow(response->headers), headers);
            EXPECT_FALSE(response->content);
        }
    }
}

// The shell's own entry: the content folder beside the executable, the process-wide environment
// and cache.
TEST(ServeResource, ServesFromWwwBesideTheExecutableWithTheHostsEnvironment) {
    const std::wstring www = appFolder() + contentRoot;
    const bool made = CreateDirectoryW(www.c_str(), nullptr) != 0;
    const std::wstring name = L"serve-resource-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    testing::writeFile(www + name, "beside the executable");
    browserHost.environment = StandinClient::instance().createEnvironment();

    auto args =
        StandinClient::instance().createRequestArgs(appOrigin + name, L"GET", L"Range: bytes=7-9");
    EXPECT_EQ(serveResource(args.get()), S_OK);
    std::optional<StandinResponse> response = responseOf(args.get());
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->statusCode, 206);
    EXPECT_EQ(narrow(response->headers),
              "Cache-Control: no-store\nContent-Type: text/plain; charset=utf-8\n"
              "Accept-Ranges: bytes\nContent-Range: bytes 7-9/21\nContent-Length: 3");
    releaseMappedFiles();
    ASSERT_TRUE(response->content);
    EXPECT_EQ(readToEndOnAnotherThread(response->content.get()), "the");
    response.reset();
    args.reset();

    auto origin = StandinClient::instance().createRequestArgs(appOrigin);
    EXPECT_EQ(serveResource(origin.get()), S_OK);
    response = responseOf(origin.get());
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->statusCode, 404);

    browserHost.environment.reset();
    DeleteFileW((www + name).c_str());
    if (made)
        RemoveDirectoryW(www.c_str());
}

}  // namespace
}  // namespace quorvane
