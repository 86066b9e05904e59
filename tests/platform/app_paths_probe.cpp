// Writes what the shell computes for its own location (executablePath, then appFolder, one line
// each, UTF-8) to the file named by its only argument.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/app_paths.h"
#include "platform/utf8.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 2)
        return 2;
    HANDLE out = CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 3;
    std::string text = quorvane::wideToUtf8(quorvane::executablePath()) + "\n" +
                       quorvane::wideToUtf8(quorvane::appFolder()) + "\n";
    DWORD written = 0;
    WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(out);
    return 0;
}
