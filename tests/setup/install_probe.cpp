// Reads what an installer left behind the way Windows programs read it, for the installer test
// (a shell script): prints UTF-8 lines on stdout.
//
//   qv_install_probe folders               LocalAppData=<folder> and Programs=<Start menu programs>
//   qv_install_probe shortcut FILE.lnk     target=, arguments=, workingFolder=
//   qv_install_probe entry KEY             every value of HKCU\...\Uninstall\KEY, in name order, as
//                                       NAME=VALUE (REG_SZ) or NAME=dword:N; exit 1 when absent
//   qv_install_probe hold FILE             makes a window, writes FILE, and stays until FILE is
//                                       deleted (at most 10 minutes)
//
// Why "hold": Wine's desktop process ends about a second after the session's last program, and
// a program that starts while it ends can wait 10 s for a desktop or fail to make its window.
// The test keeps one program running, so the installers, uninstallers and the app it starts one
// after another all find the desktop up, as they would on Windows.

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/com_ref.h"
#include "platform/scoped_com_mem.h"
#include "platform/utf8.h"

namespace {

using quorvane::ComRef;
using quorvane::ScopedCoMem;
using quorvane::wideToUtf8;

void print(const char* name, const std::wstring& value) {
    std::printf("%s=%s\n", name, wideToUtf8(value).c_str());
}

std::wstring knownFolder(REFKNOWNFOLDERID id) {
    ScopedCoMem<wchar_t> path;
    return SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, path.put())) ? path.get() : L"";
}

int shortcut(const wchar_t* file) {
    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(link.put()))) ||
        FAILED(link->QueryInterface(IID_PPV_ARGS(persist.put()))) ||
        FAILED(persist->Load(file, STGM_READ))) {
        std::fprintf(stderr, "cannot read the shortcut\n");
        return 1;
    }
    wchar_t text[MAX_PATH * 4] = {};
    link->GetPath(text, MAX_PATH * 4, nullptr, SLGP_RAWPATH);
    print("target", text);
    text[0] = L'\0';
    link->GetArguments(text, MAX_PATH * 4);
    print("arguments", text);
    text[0] = L'\0';
    link->GetWorkingDirectory(text, MAX_PATH * 4);
    print("workingFolder", text);
    return 0;
}

int entry(const std::wstring& name) {
    HKEY key = nullptr;
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 1;
    std::vector<std::string> lines;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[512];
        DWORD nameLength = 512, type = 0;
        BYTE data[8192];
        DWORD size = sizeof data - 2;
        if (RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string line = wideToUtf8(valueName) + "=";
        if (type == REG_DWORD) {
            DWORD value = 0;
            std::memcpy(&value, data, sizeof value);
            line += "dword:" + std::to_string(value);
        } else if (type == REG_SZ) {
            data[size] = data[size + 1] = 0;
            line += wideToUtf8(reinterpret_cast<const wchar_t*>(data));
        } else {
            line += "type:" + std::to_string(type);
        }
        lines.push_back(line);
    }
    RegCloseKey(key);
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());
    return 0;
}

int hold(const wchar_t* file) {
    HWND window = CreateWindowExW(0, L"STATIC", L"install probe", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr)
        return 1;
    HANDLE ready = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(ready);
    for (int i = 0; i < 10 * 60 * 10 && GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    DestroyWindow(window);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring command = argc >= 2 ? argv[1] : L"";
    if (command == L"folders" && argc == 2) {
        print("LocalAppData", knownFolder(FOLDERID_LocalAppData));
        print("Programs", knownFolder(FOLDERID_Programs));
        return 0;
    }
    if (command == L"shortcut" && argc == 3)
        return shortcut(argv[2]);
    if (command == L"entry" && argc == 3)
        return entry(argv[2]);
    if (command == L"hold" && argc == 3)
        return hold(argv[2]);
    std::fprintf(stderr,
                 "usage: qv_install_probe folders | shortcut FILE.lnk | entry KEY | hold FILE\n");
    return 2;
}
