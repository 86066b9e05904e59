// Stands in for the runtime bootstrapper: the tests serve this program as the download. It
// records that it ran, its command line and its current directory in "setup-ran.txt" beside
// itself (one record per run, appended), after a pause, so a caller that does not wait for it
// returns before the record exists.
#include <windows.h>

#include <string>

#include "platform/utf8.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(500);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring record = self;
    record = record.substr(0, record.rfind(L'\\') + 1) + L"setup-ran.txt";
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);

    std::string line = "ran|" + quorvane::wideToUtf8(GetCommandLineW()) + "|" +
                       quorvane::wideToUtf8(directory) + "\n";
    HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 7;
}
