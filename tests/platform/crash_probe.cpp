// Starts its run log and crash handler in the folder named by its only argument, as the shell
// does, then lets a C++ exception reach a function that may not throw, as a window procedure or a
// COM method that lost its catch would.
#include <windows.h>
#include <shellapi.h>

#include <stdexcept>

#include "platform/crash_dump.h"
#include "platform/run_log.h"

namespace {

void fail() {
    throw std::runtime_error("nothing catches this");
}

void boundary() noexcept {
    fail();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 2)
        return 2;
    quorvane::openRunLog(arguments[1]);
    quorvane::installCrashHandler(arguments[1]);
    quorvane::logLine("probe started");
    boundary();
    return 0;
}
