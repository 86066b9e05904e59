#include <windows.h>

#include "app/startup.h"
#include "platform/system_library.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything loads a library by name: only System32 is searched from here on, never the
    // executable's folder, where anyone may have left a DLL.
    quorvane::restrictDllSearchToSystem32();
    return quorvane::runShell(instance);
}
