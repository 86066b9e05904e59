#include <windows.h>
#include <commctrl.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "installer/download_progress.h"
#include "tests/support/message_window.h"

namespace quorvane {
namespace {

// A plain window standing in for the progress bar, recording every PBM_SETPOS exactly as sent
// (a real bar would clamp the value to its range).
std::vector<WPARAM> sentPositions;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS) {
        sentPositions.push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class RecordingBar {
  public:
    RecordingBar() : window_(testing::createMessageWindow(L"QvRecordingBar", recordingProc)) {
        sentPositions.clear();
    }
    ~RecordingBar() { DestroyWindow(window_); }
    HWND get() const { return window_; }

  private:
    HWND window_;
};

TEST(DownloadProgress, OnProgressSendsTheSinglePrecisionPercentage) {
    struct Case {
        ULONG progress;
        ULONG total;
        WPARAM sent;
    } cases[] = {
        {1, 3, 33},
        {2, 3, 66},
        {3, 3, 100},
        {0, 7, 0},
        {0, 4294967295u, 0},
        {53, 100, 53},                    // dividing first would give 52
        {59, 100, 59},                    // likewise 58
        {16777216, 16777217, 100},        // exact arithmetic gives 99
        {4294967294u, 4294967295u, 100},  // likewise
        {4294967295u, 4294967295u, 100},
        // A finished download can end at 99: 705417 x 100 rounds down to 70541696 in single
        // precision.
        {705417, 705417, 99},
        {250, 100, 250},  // over 100: sent unchanged, the control clamps it
        {7, 1, 700},
        // Beyond the 32-bit range the value is held at INT32_MAX rather than overflowing
        // the conversion (which would wrap to INT32_MIN and reset the bar to 0).
        {4294967295u, 1, static_cast<WPARAM>(INT32_MAX)},
        {30000000, 1, static_cast<WPARAM>(INT32_MAX)},
    };
    RecordingBar bar;
    DownloadProgress progress(bar.get());
    for (const Case& c : cases) {
        sentPositions.clear();
        EXPECT_EQ(progress.OnProgress(c.progress, c.total, BINDSTATUS_DOWNLOADINGDATA, L"x"), S_OK);
        ASSERT_EQ(sentPositions.size(), 1u) << c.progress << " of " << c.total;
        EXPECT_EQ(sentPositions[0], c.sent) << c.progress << " of " << c.total;
    }
}

TEST(DownloadProgress, NotificationsWithoutTotalDoNotMoveTheBar) {
    RecordingBar bar;
    DownloadProgress progress(bar.get());
    const ULONG statuses[] = {BINDSTATUS_FINDINGRESOURCE, BINDSTATUS_CONNECTING,
                              BINDSTATUS_BEGINDOWNLOADDATA, BINDSTATUS_DOWNLOADINGDATA,
                              BINDSTATUS_ENDDOWNLOADDATA};
    for (ULONG status : statuses) {
        EXPECT_EQ(progress.OnProgress(0, 0, status, nullptr), S_OK);
        EXPECT_EQ(progress.OnProgress(12345, 0, status, L"text"), S_OK);
    }
    EXPECT_TRUE(sentPositions.empty());
    // Whatever the stage, a known total moves it.
    EXPECT_EQ(progress.OnProgress(1, 2, BINDSTATUS_CONNECTING, nullptr), S_OK);
    EXPECT_EQ(sentPositions, std::vector<WPARAM>{50});
}

TEST(DownloadProgress, QueryInterfaceAnswersIHttpNegotiateOnly) {
    DownloadProgress progress(nullptr);
    IBindStatusCallback* callback = &progress;
    struct Case {
        const IID* iid;
        HRESULT result;
    } cases[] = {
        {&IID_IUnknown, E_NOINTERFACE},         {&IID_IBindStatusCallback, E_NOINTERFACE},
        {&IID_IServiceProvider, E_NOINTERFACE}, {&IID_IHttpNegotiate2, E_NOINTERFACE},
        {&IID_IAuthenticate, E_NOINTERFACE},    {&IID_IHttpNegotiate, S_OK},
    };
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(callback->QueryInterface(*c.iid, &object), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(object, static_cast<IHttpNegotiate*>(&progress));
        } else {
            EXPECT_EQ(object, nullptr);  // cleared on refusal
        }
    }
    EXPECT_EQ(callback->QueryInterface(IID_IHttpNegotiate, nullptr), E_POINTER);
}

TEST(DownloadProgress, ReferenceCountsAreConstantThroughEitherInterface) {
    DownloadProgress progress(nullptr);
    IBindStatusCallback* callback = &progress;
    IHttpNegotiate* negotiate = &progress;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(callback->AddRef(), 1u);
        EXPECT_EQ(negotiate->AddRef(), 1u);
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(callback->Release(), 1u);
        EXPECT_EQ(negotiate->Release(), 1u);
    }
    // Still usable: nothing was destroyed.
    EXPECT_EQ(callback->OnLowResource(0), S_OK);
}

TEST(DownloadProgress, OtherCallbackOperationsAnswerAsDeclared) {
    DownloadProgress progress(nullptr);
    IBindStatusCallback* callback = &progress;
    LONG priority = 0;
    DWORD flags = 0;
    BINDINFO info{};
    info.cbSize = sizeof info;
    EXPECT_EQ(callback->OnStartBinding(0, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback->GetPriority(&priority), E_NOTIMPL);
    EXPECT_EQ(callback->OnLowResource(0), S_OK);
    EXPECT_EQ(callback->OnStopBinding(S_OK, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback->GetBindInfo(&flags, &info), E_NOTIMPL);
    EXPECT_EQ(callback->OnDataAvailable(0, 0, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(callback->OnObjectAvailable(IID_IUnknown, nullptr), E_NOTIMPL);
}

TEST(DownloadProgress, RemembersTheLastResponseStatus) {
    DownloadProgress progress(nullptr);
    IHttpNegotiate* negotiate = &progress;
    EXPECT_EQ(progress.httpStatus(), 0u);

    LPWSTR added = reinterpret_cast<LPWSTR>(1);
    EXPECT_EQ(negotiate->BeginningTransaction(L"http://127.0.0.1/", L"", 0, &added), S_OK);
    EXPECT_EQ(added, nullptr);  // no headers of ours to add
    EXPECT_EQ(progress.httpStatus(), 0u);

    const DWORD statuses[] = {302, 200, 404};
    for (DWORD status : statuses) {
        added = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(negotiate->OnResponse(status, L"HTTP/1.1 x\r\n\r\n", L"", &added), S_OK);
        EXPECT_EQ(added, nullptr);
        EXPECT_EQ(progress.httpStatus(), status);
    }
    EXPECT_EQ(negotiate->OnResponse(200, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(progress.httpStatus(), 200u);
}

}  // namespace
}  // namespace quorvane
