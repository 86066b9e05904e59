#pragma once

#include <windows.h>

#include <string>

namespace quorvane {

// One copy of a game at a time. The copies of one installed game (one executable file, however
// its path is spelt) share two named objects in the session: a mutex the running copy owns for
// its whole run, and a small shared memory in which it publishes its main window once it has
// one. A second start waits for the mutex; while another copy owns it, the second start sends
// that copy's window a message; the copy brings its window to the front and answers, and the
// second start ends. A copy that ends (or crashes) frees the mutex for the next start.

// The two objects' names for the executable at |executablePath|: "Local\Quorvane.instance.<key>"
// and "Local\Quorvane.instance-window.<key>", the key a hash of the file's final path (links,
// short names and other spellings resolved) folded as Windows compares names, so letter case
// does not matter either.
struct InstanceNames {
    std::wstring mutex;
    std::wstring window;
};
InstanceNames instanceNamesFor(const std::wstring& executablePath);

enum class InstanceStart {
    First,        // this process is the game's running copy from now on
    HandedOver,   // another copy runs and has brought its window to the front: end with 0
    StartAnyway,  // another copy holds the game but did not answer in time: run all the same
};

// Claims the game at |executablePath| for this process, before anything else of the run (no
// log, window or browser yet). Waits at most |patienceMs| for a copy that is still starting
// (no window yet) or closing (its window gone, its process not yet); |why| then says why this
// start runs anyway, for the log.
InstanceStart claimSingleInstance(const std::wstring& executablePath, DWORD patienceMs,
                                  std::string& why);

// The running copy's main window, published for later starts once it exists (hidden or not),
// and withdrawn when it is destroyed. Nothing unless this process claimed the game.
void publishInstanceWindow(HWND window) noexcept;
void withdrawInstanceWindow() noexcept;

// The message a later start sends to the running copy's window, and the answer that says the
// window took it (anything else means another program, or a copy too old to know it).
UINT anotherStartMessage() noexcept;
inline constexpr LRESULT kAnotherStartAnswer = 0x51564E31;  // "QVN1"

}  // namespace quorvane
