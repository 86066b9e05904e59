#include "tests/browser/runtime_layout.h"

#include <winver.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "tests/support/files.h"

namespace quorvane::testing {

namespace {

const wchar_t clientStateKey[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const REGSAM view = KEY_WOW64_32KEY;

// A VS_VERSIONINFO block holding only the fixed part: header (length, value length, type 0 for
// binary), the key "VS_VERSION_INFO" with its terminator, padding to 32 bits, VS_FIXEDFILEINFO.
std::vector<BYTE> versionBlock(WORD a, WORD b, WORD c, WORD d) {
    const wchar_t key[] = L"VS_VERSION_INFO";
    const size_t headerBytes = 3 * sizeof(WORD) + sizeof key;   // 38
    const size_t valueOffset = (headerBytes + 3) & ~size_t{3};  // 40
    std::vector<BYTE> block(valueOffset + sizeof(VS_FIXEDFILEINFO));
    const WORD header[3] = {static_cast<WORD>(block.size()), sizeof(VS_FIXEDFILEINFO), 0};
    std::memcpy(block.data(), header, sizeof header);
    std::memcpy(block.data() + sizeof header, key, sizeof key);
    VS_FIXEDFILEINFO info{};
    info.dwSignature = 0xFEEF04BD;
    info.dwStrucVersion = 0x00010000;
    info.dwFileVersionMS = MAKELONG(b, a);
    info.dwFileVersionLS = MAKELONG(d, c);
    info.dwProductVersionMS = info.dwFileVersionMS;
    info.dwProductVersionLS = info.dwFileVersionLS;
    info.dwFileOS = VOS_NT_WINDOWS32;
    info.dwFileType = VFT_DLL;
    std::memcpy(block.data() + valueOffset, &info, sizeof info);
    return block;
}

}  // namespace

void stampFileVersion(const std::wstring& path, WORD a, WORD b, WORD c, WORD d) {
    std::vector<BYTE> block = versionBlock(a, b, c, d);
    HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
    if (update == nullptr)
        throw std::runtime_error("BeginUpdateResourceW " + narrow(path));
    // Both the neutral and the US English slot, so whichever the version API looks at first holds
    // this version.
    for (WORD language : {MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                          MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)}) {
        if (!UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), language,
                             block.data(), static_cast<DWORD>(block.size()))) {
            EndUpdateResourceW(update, TRUE);
            throw std::runtime_error("UpdateResourceW " + narrow(path));
        }
    }
    if (!EndUpdateResourceW(update, FALSE)) {
        throw std::runtime_error("EndUpdateResourceW " + narrow(path));
    }
}

std::wstring placeClientLibrary(const std::wstring& runtimeFolder, const std::wstring& library) {
    std::wstring target = runtimeFolder + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
    writeFile(target, "");  // creates the folders
    if (!CopyFileW(library.c_str(), target.c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + narrow(library));
    }
    return target;
}

std::wstring thisProgram() {
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    return path;
}

namespace {

std::optional<std::wstring> readValue(HKEY key) {
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, L"EBWebView", RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1);
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(key, nullptr, L"EBWebView", RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr,
                     buffer.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer.data());
}

void writeValue(HKEY root, const std::optional<std::wstring>& folder, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, clientStateKey, 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the EdgeUpdate key");
    }
    LONG result = folder
                      ? RegSetValueExW(key, L"EBWebView", 0, type,
                                       reinterpret_cast<const BYTE*>(folder->c_str()),
                                       static_cast<DWORD>((folder->size() + 1) * sizeof(wchar_t)))
                      : RegDeleteValueW(key, L"EBWebView");
    RegCloseKey(key);
    if (folder && result != ERROR_SUCCESS)
        throw std::runtime_error("cannot set EBWebView");
}

}  // namespace

RuntimeRegistration::RuntimeRegistration(HKEY root, const std::optional<std::wstring>& folder,
                                         DWORD type)
    : root_(root) {
    // Remembers the outermost key that does not exist yet, to remove what this creates.
    const std::wstring key = clientStateKey;
    for (size_t end = key.find(L'\\', key.find(L'\\') + 1);; end = key.find(L'\\', end + 1)) {
        std::wstring prefix = key.substr(0, end);
        HKEY opened = nullptr;
        if (RegOpenKeyExW(root, prefix.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
            createdKey_ = prefix;
            break;
        }
        if (end == std::wstring::npos)
            previous_ = readValue(opened);
        RegCloseKey(opened);
        if (end == std::wstring::npos)
            break;
    }
    writeValue(root, folder, type);
}

RuntimeRegistration::~RuntimeRegistration() {
    try {
        if (createdKey_.empty()) {
            writeValue(root_, previous_);
            return;
        }
        size_t slash = createdKey_.rfind(L'\\');
        HKEY parent = nullptr;
        if (RegOpenKeyExW(root_, createdKey_.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view,
                          &parent) == ERROR_SUCCESS) {
            RegDeleteTreeW(parent, createdKey_.substr(slash + 1).c_str());
            RegCloseKey(parent);
        }
    } catch (...) {
    }
}

}  // namespace quorvane::testing
