// Stands in for the user's default browser and mail program in tests: registered as the handler
// of a URL scheme, it appends the link it was given (its last argument) as one UTF-8 line to the
// file named by its first argument.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/utf8.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 3)
        return 2;
    HANDLE log = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 3;
    std::string line = quorvane::wideToUtf8(arguments[count - 1]) + "\n";
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    LocalFree(arguments);
    return 0;
}
