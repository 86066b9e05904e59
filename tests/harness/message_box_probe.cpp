// Shows message boxes one after another, as the command line says: groups of three arguments,
// "<flags in hex> <caption> <text>". The exit code counts the boxes answered with OK.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    int answeredOk = 0;
    for (int i = 1; i + 2 < count; i += 3) {
        UINT flags = static_cast<UINT>(wcstoul(args[i], nullptr, 16));
        if (MessageBoxW(nullptr, args[i + 2], args[i + 1], flags) == IDOK)
            ++answeredOk;
    }
    LocalFree(args);
    return answeredOk;
}
