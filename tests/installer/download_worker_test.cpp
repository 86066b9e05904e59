#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "installer/download_worker.h"
#include "tests/support/files.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/message_window.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::closedLoopbackPort;
using testing::fileExists;
using testing::LoopbackHttpServer;
using testing::readFile;
using testing::ScriptedResponse;
using testing::ScriptedRoute;
using testing::TempDir;
using testing::writeFile;

ScriptedResponse payload(const char* statusLine = "HTTP/1.1 200 OK") {
    ScriptedResponse response;
    response.statusLine = statusLine;
    response.body = "payload";
    return response;
}

// A job that fetches |path| from |server| into Webview2Setup.exe in |folder|.
DownloadJob jobFor(const LoopbackHttpServer& server, const TempDir& folder,
                   const std::wstring& path = L"/file") {
    DownloadJob job;
    job.link = server.url(path);
    job.targetPath = folder / L"Webview2Setup.exe";
    return job;
}

// Only a success status from the server, with the download call succeeding, counts.
TEST(DownloadToFile, SucceedsOnlyForA2xxAnswer) {
    struct Case {
        const char* statusLine;
        bool downloaded;
    } cases[] = {
        {"HTTP/1.1 200 OK", true},
        {"HTTP/1.1 203 Non-Authoritative Information", true},
        // A final 3xx is no file: a choice the client must make, or "use your cached copy".
        {"HTTP/1.1 300 Multiple Choices", false},
        {"HTTP/1.1 304 Not Modified", false},
        {"HTTP/1.1 403 Forbidden", false},
        {"HTTP/1.1 404 Not Found", false},
        {"HTTP/1.1 410 Gone", false},
        {"HTTP/1.1 500 Internal Server Error", false},
        {"HTTP/1.1 503 Service Unavailable", false},
    };
    TempDir temp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statusLine);
        LoopbackHttpServer server(payload(c.statusLine));
        DownloadJob job = jobFor(server, temp);
        writeFile(job.targetPath, "stale");
        EXPECT_EQ(downloadToFile(job), c.downloaded);
        if (c.downloaded) {
            EXPECT_EQ(readFile(job.targetPath), "payload");
        }
        EXPECT_FALSE(fileExists(job.targetPath) && readFile(job.targetPath) == "stale");
    }
}

// A file: link never reports an HTTP status to the callback, as urlmon may also skip it for an
// answer it serves itself: then the call's result and a non-empty file decide.
TEST(DownloadToFile, WithoutAReportedStatusTheCallAndTheFileDecide) {
    struct Case {
        const char* name;
        const char* content;  // null: no source file at all
        bool downloaded;
    } cases[] = {
        {"setup.exe", "payload", true},
        {"empty.exe", "", false},
        {"missing.exe", nullptr, false},
    };
    TempDir temp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring source = temp / utf8ToWide(c.name);
        if (c.content != nullptr)
            writeFile(source, c.content);
        DownloadJob job;
        job.link = testing::fileUrl(source);
        job.targetPath = temp / L"Webview2Setup.exe";
        EXPECT_EQ(downloadToFile(job), c.downloaded);
        if (c.downloaded) {
            EXPECT_EQ(readFile(job.targetPath), c.content);
        }
    }
}

// Stands in for the progress bar: from the first progress notification on it holds the target
// path open, empty and unshared, until released.
class TargetHolder {
  public:
    explicit TargetHolder(std::wstring target)
        : target_(std::move(target)),
          bar_(testing::createMessageWindow(L"QvTargetHolder", procedure)) {
        SetWindowLongPtrW(bar_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TargetHolder() { DestroyWindow(bar_); }
    HWND bar() const { return bar_; }
    bool held() const { return held_.valid(); }
    void release() { held_.reset(); }

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TargetHolder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == PBM_SETPOS && self != nullptr && !self->held_) {
            self->held_.reset(CreateFileW(self->target_.c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    std::wstring target_;
    HWND bar_ = nullptr;
    ScopedHandle held_;
};

// A call that succeeds without a status and leaves an empty file has downloaded nothing. Under
// Wine the call reports success when it cannot write the target, and a file: link reports no
// status: holding the target during the download leaves exactly that. (Windows may fail the call
// instead, which is refused either way.)
TEST(DownloadToFile, AnEmptyFileFromACallWithoutStatusIsRefused) {
    TempDir temp;
    const std::wstring source = temp / L"setup.exe";
    writeFile(source, "payload");
    DownloadJob job;
    job.link = testing::fileUrl(source);
    job.targetPath = temp / L"Webview2Setup.exe";
    TargetHolder holder(job.targetPath);
    job.progressBar = holder.bar();
    EXPECT_FALSE(downloadToFile(job));
    ASSERT_TRUE(holder.held()) << "no progress was reported";
    holder.release();
    EXPECT_EQ(readFile(job.targetPath), "");
}

// The shipped link is a redirection service: the status that counts is the final one.
TEST(DownloadToFile, FollowsRedirectsAndJudgesTheFinalAnswer) {
    struct Case {
        const char* redirect;
        const char* finalStatus;
        bool downloaded;
    } cases[] = {
        {"HTTP/1.1 302 Found", "HTTP/1.1 200 OK", true},
        {"HTTP/1.1 301 Moved Permanently", "HTTP/1.1 200 OK", true},
        {"HTTP/1.1 307 Temporary Redirect", "HTTP/1.1 200 OK", true},
        {"HTTP/1.1 302 Found", "HTTP/1.1 404 Not Found", false},
        {"HTTP/1.1 302 Found", "HTTP/1.1 500 Internal Server Error", false},
    };
    TempDir temp;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.redirect) + " then " + c.finalStatus);
        ScriptedResponse redirect;
        redirect.statusLine = c.redirect;
        redirect.headers = {"Location: /download/setup.exe"};
        LoopbackHttpServer server(
            std::vector<ScriptedRoute>{{"/fwlink/p/?LinkId=2124703", redirect},
                                       {"/download/setup.exe", payload(c.finalStatus)}});
        DownloadJob job = jobFor(server, temp, L"/fwlink/p/?LinkId=2124703");
        EXPECT_EQ(downloadToFile(job), c.downloaded);
        EXPECT_EQ(server.requestLines(),
                  (std::vector<std::string>{"GET /fwlink/p/?LinkId=2124703 HTTP/1.1",
                                            "GET /download/setup.exe HTTP/1.1"}));
        if (c.downloaded) {
            EXPECT_EQ(readFile(job.targetPath), "payload");
        }
    }
}

// A read-only leftover would otherwise make every later attempt fail.
TEST(DownloadToFile, ReplacesAReadOnlyLeftover) {
    TempDir temp;
    LoopbackHttpServer server(payload());
    DownloadJob job = jobFor(server, temp);
    writeFile(job.targetPath, "stale");
    ASSERT_TRUE(SetFileAttributesW(job.targetPath.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(downloadToFile(job));
    EXPECT_EQ(readFile(job.targetPath), "payload");
}

// Something at the target path that cannot be removed: nothing is downloaded, nothing is lost.
TEST(DownloadToFile, TargetThatCannotBeFreedIsNotDownloadedOver) {
    LoopbackHttpServer server(payload());
    {
        SCOPED_TRACE("folder in the way");
        TempDir temp;
        DownloadJob job = jobFor(server, temp);
        writeFile(job.targetPath + L"\\inside.txt", "kept");
        EXPECT_FALSE(downloadToFile(job));
        EXPECT_EQ(readFile(job.targetPath + L"\\inside.txt"), "kept");
    }
    {
        SCOPED_TRACE("file in use without delete sharing");
        TempDir temp;
        DownloadJob job = jobFor(server, temp);
        writeFile(job.targetPath, "stale");
        ScopedHandle held(CreateFileW(job.targetPath.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(downloadToFile(job));
        held.reset();
        EXPECT_EQ(readFile(job.targetPath), "stale");
    }
    EXPECT_TRUE(server.requestLines().empty());
}

TEST(DownloadToFile, RefusedConnectionFailsAndLeavesNoFile) {
    TempDir temp;
    DownloadJob job;
    job.link = L"http://127.0.0.1:" + std::to_wstring(closedLoopbackPort()) + L"/file";
    job.targetPath = temp / L"Webview2Setup.exe";
    writeFile(job.targetPath, "stale");
    EXPECT_FALSE(downloadToFile(job));
    EXPECT_FALSE(fileExists(job.targetPath));
}

// With the window already gone (closed by the user) the worker's sends return at once: the
// thread finishes its download, records the outcome and ends with code 0.
TEST(DownloadWorker, EndsWithCodeZeroWhenTheWindowIsAlreadyGone) {
    TempDir temp;
    ScriptedResponse response;
    response.body = std::string(100000, 'x');
    response.chunkSize = 10000;
    response.chunkPauseMs = 20;
    LoopbackHttpServer server(response);

    HWND gone =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HWND goneBar =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    DestroyWindow(goneBar);

    DownloadJob job = jobFor(server, temp);
    job.progressWindow = gone;
    job.progressBar = goneBar;
    ScopedHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, downloadWorker, &job, 0, nullptr)));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ASSERT_TRUE(GetExitCodeThread(thread.get(), &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(job.downloaded);
    EXPECT_EQ(readFile(job.targetPath), response.body);
}

}  // namespace
}  // namespace quorvane
