#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace quorvane::testing {

// The arguments of one CreateWindowExW call, as the CBT hook saw them.
struct CreatedWindow {
    HWND window = nullptr;
    std::wstring className;
    std::wstring title;
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0, y = 0, width = 0, height = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    HINSTANCE instance = nullptr;
};

// The progress window as it stood when WM_CLOSE reached it.
struct ClosingSnapshot {
    bool taken = false;
    RECT windowRect{};
    RECT clientRect{};
    RECT barRect{};  // in the window's client coordinates
    LONG style = 0;
    int barPosition = -1;
    ULONGLONG at = 0;
};

// Watches the windows this thread creates and the messages they receive, through thread-local
// WH_CBT and WH_CALLWNDPROC hooks (the latter sees messages sent from other threads too, just
// before the window procedure runs). One spy at a time; the hooks go with it.
class SetupWindowSpy {
  public:
    SetupWindowSpy();
    ~SetupWindowSpy();
    SetupWindowSpy(const SetupWindowSpy&) = delete;
    SetupWindowSpy& operator=(const SetupWindowSpy&) = delete;

    // Every window this thread created while the spy was up (the platform's own helper windows
    // too, such as the IME window or the message box's dialog).
    std::vector<CreatedWindow> created;
    // The created windows of one class, in creation order.
    std::vector<CreatedWindow> createdOf(const std::wstring& className) const;
    std::vector<int> positions;  // each PBM_SETPOS wParam, as the signed value sent
    std::vector<LPARAM> ranges;  // each PBM_SETRANGE lParam (wParam was 0 if listed)
    std::vector<WPARAM> steps;   // each PBM_SETSTEP wParam
    ClosingSnapshot closing;
    ULONGLONG destroyedAt = 0;  // WM_DESTROY of the progress window
    // Called (on this thread) at the first PBM_SETPOS, with the progress window.
    std::function<void(HWND)> onFirstPosition;

  private:
    static LRESULT CALLBACK cbtHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK callWndProcHook(int code, WPARAM wParam, LPARAM lParam);
    void observe(const CWPSTRUCT& message);

    HHOOK cbt_ = nullptr;
    HHOOK callWndProc_ = nullptr;
};

}  // namespace quorvane::testing
