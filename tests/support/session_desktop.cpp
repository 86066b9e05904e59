// Keeps the Wine session's desktop open from the start of a test session to its end.
//
// Wine starts its desktop process (explorer /desktop) for the first program of a session that
// needs a window, and that process ends about a second after its last user has gone. A session
// that runs short programs one after another under ctest therefore starts and ends the desktop
// again and again: a program that arrives while it is ending waits several seconds or fails to
// create its window, and the desktop started by a test keeps that test's output pipe open, so
// ctest waits for it until the test's time-out. This program is the desktop's first user and stays
// one until the session's wineserver ends it; scripts/with-wine.sh starts it with its standard
// streams closed, so the desktop it starts holds no test's pipe.
//
// Usage: qv_session_desktop.exe READY_FILE
// READY_FILE is created once the desktop is up. Windows itself has no such desktop process.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    // The desktop window exists only once the desktop process has created it.
    if (GetDesktopWindow() == nullptr) {
        return 1;
    }
    HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) {
        return 1;
    }
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}
