#include "app/single_instance.h"

#include <cstdint>
#include <cstdio>

#include "platform/final_path.h"
#include "platform/scoped_handle.h"
#include "platform/scoped_mapped_view.h"
#include "platform/windows_names.h"

namespace quorvane {

namespace {

// The shared memory: the running copy's window handle (window handles fit in 32 bits, so one
// aligned 64-bit word is read and written whole).
struct SharedSlot {
    volatile LONG64 window;
};

struct Claim {
    ScopedHandle mutex;
    ScopedHandle mapping;
    ScopedMappedView view;
    SharedSlot* slot = nullptr;  // in |view|
    bool owned = false;
};
Claim claim;

// FNV-1a over the UTF-16 units of the folded path: names of kernel objects are limited to
// MAX_PATH and may not hold backslashes, a path may be longer and does.
uint64_t pathKey(const std::wstring& path) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (wchar_t unit : caseFolded(path)) {
        for (int shift : {0, 8}) {
            hash ^= (static_cast<unsigned>(unit) >> shift) & 0xFF;
            hash *= 0x100000001B3ull;
        }
    }
    return hash;
}

// Every spelling of the executable's path leads to one key; |path| itself when the file cannot
// be opened.
std::wstring finalPathOrItself(const std::wstring& path) {
    std::wstring final = finalPathOf(path);
    return final.empty() ? path : final;
}

HWND publishedWindow() {
    if (claim.slot == nullptr)
        return nullptr;
    const LONG64 value = InterlockedCompareExchange64(&claim.slot->window, 0, 0);
    return reinterpret_cast<HWND>(static_cast<intptr_t>(value));
}

// Asks the copy's |window| to come to the front; true when it answered that it did.
bool askToComeForward(HWND window, DWORD timeoutMs) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    // This start is the foreground process (the player just started it): let the copy take the
    // foreground, which Windows would otherwise refuse to a background process.
    AllowSetForegroundWindow(processId);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, anotherStartMessage(), 0, 0,
                               SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT, timeoutMs, &answer) != 0 &&
           static_cast<LRESULT>(answer) == kAnotherStartAnswer;
}

std::string seconds(DWORD ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", ms / 1000.0);
    return text;
}

}  // namespace

InstanceNames instanceNamesFor(const std::wstring& executablePath) {
    wchar_t key[17];
    std::swprintf(key, 17, L"%016llX",
                  static_cast<unsigned long long>(pathKey(finalPathOrItself(executablePath))));
    return {std::wstring(L"Local\\Quorvane.instance.") + key,
            std::wstring(L"Local\\Quorvane.instance-window.") + key};
}

InstanceStart claimSingleInstance(const std::wstring& executablePath, DWORD patienceMs,
                                  std::string& why) {
    const InstanceNames names = instanceNamesFor(executablePath);
    claim.mutex.reset(CreateMutexW(nullptr, FALSE, names.mutex.c_str()));
    if (!claim.mutex) {
        why = "one copy at a time: the game's mutex cannot be made (error " +
              std::to_string(GetLastError()) + "): starting without it";
        return InstanceStart::StartAnyway;
    }
    claim.mapping.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           sizeof(SharedSlot), names.window.c_str()));
    if (claim.mapping) {
        claim.slot = static_cast<SharedSlot*>(
            MapViewOfFile(claim.mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
        claim.view.reset(claim.slot);
    }

    const ULONGLONG start = GetTickCount64();
    bool sawWindow = false;
    for (DWORD wait = 0;; wait = 50) {
        const DWORD waited = WaitForSingleObject(claim.mutex.get(), wait);
        // An abandoned mutex is a copy that ended without releasing it (it crashed): ours now.
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
            claim.owned = true;
            return InstanceStart::First;
        }
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (waited == WAIT_FAILED || elapsed >= patienceMs)
            break;
        HWND window = publishedWindow();
        if (window != nullptr && IsWindow(window)) {
            sawWindow = true;
            const DWORD left = patienceMs - static_cast<DWORD>(elapsed);
            if (askToComeForward(window, left < 1000 ? left : 1000))
                return InstanceStart::HandedOver;
        }
    }
    why = "one copy at a time: another copy of this game is running but " +
          std::string(sawWindow ? "its window did not answer" : "has no window") + " after " +
          seconds(patienceMs) + " (still starting, or closing): starting anyway";
    return InstanceStart::StartAnyway;
}

void publishInstanceWindow(HWND window) noexcept {
    if (!claim.owned || claim.slot == nullptr)
        return;
    // A copy run with more rights than the later start (run as administrator) still takes the
    // message from it.
    ChangeWindowMessageFilterEx(window, anotherStartMessage(), MSGFLT_ALLOW, nullptr);
    InterlockedExchange64(&claim.slot->window,
                          static_cast<LONG64>(reinterpret_cast<intptr_t>(window)));
}

void withdrawInstanceWindow() noexcept {
    if (!claim.owned || claim.slot == nullptr)
        return;
    InterlockedExchange64(&claim.slot->window, 0);
}

UINT anotherStartMessage() noexcept {
    static const UINT message = RegisterWindowMessageW(L"Quorvane.AnotherStart");
    return message;
}

}  // namespace quorvane
