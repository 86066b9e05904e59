#include "browser/installed_runtime.h"

#include <shlwapi.h>
#include <winver.h>

#include <vector>

#include "platform/system_library.h"

namespace quorvane {

namespace {

// Where EdgeUpdate registers the stable channel of the runtime. EdgeUpdate is a 32-bit program, so
// on 64-bit Windows its machine-wide keys live in the 32-bit registry view.
const wchar_t clientStateKey[] =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wchar_t runtimeFolderValue[] = L"EBWebView";
const wchar_t clientLibraryPath[] = L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";

bool isFile(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    return path;
}

// The registered runtime folder under |root|, empty when there is none. RegGetValueW always
// returns a terminated string, and without RRF_NOEXPAND it expands a REG_EXPAND_SZ value and
// accepts it as REG_SZ (asking for RRF_RT_REG_EXPAND_SZ as well is ERROR_INVALID_PARAMETER).
std::wstring registeredFolder(HKEY root) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, clientStateKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring folder;
    const DWORD types = RRF_RT_REG_SZ;
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, runtimeFolderValue, types, nullptr, nullptr, &bytes) ==
            ERROR_SUCCESS &&
        bytes >= sizeof(wchar_t)) {
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1);
        bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (RegGetValueW(key, nullptr, runtimeFolderValue, types, nullptr, buffer.data(), &bytes) ==
            ERROR_SUCCESS) {
            folder = buffer.data();
        }
    }
    RegCloseKey(key);
    return withoutTrailingSeparators(folder);
}

std::optional<InstalledRuntime> machineWideRuntime() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        std::wstring folder = registeredFolder(root);
        // An installation always registers a full path. A relative one would be taken against
        // the current directory, and a library loaded from wherever that is: passed over.
        if (folder.empty() || PathIsRelativeW(folder.c_str()))
            continue;
        // The folder is named after the version it holds: ...\Application\120.0.2210.91.
        size_t slash = folder.find_last_of(L"\\/");
        std::wstring version = slash == std::wstring::npos ? folder : folder.substr(slash + 1);
        std::wstring clientLibrary = folder + clientLibraryPath;
        if (version.empty() || !isFile(clientLibrary))
            continue;
        return InstalledRuntime{RuntimeKind::MachineWide, folder, clientLibrary, version};
    }
    return std::nullopt;
}

// GetFullPathNameW resolves a relative path the way the platform does for any file name: against
// the current directory (or, for "C:x", the current directory of that drive).
std::wstring fullPath(PCWSTR path) {
    DWORD needed = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (needed == 0)
        return {};
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path, needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return {};
    full.resize(length);
    return full;
}

std::optional<InstalledRuntime> fixedRuntime(PCWSTR browserExecutableFolder) {
    std::wstring folder = withoutTrailingSeparators(fullPath(browserExecutableFolder));
    if (folder.empty())
        return std::nullopt;
    std::wstring clientLibrary = folder + clientLibraryPath;
    if (!isFile(clientLibrary))
        return std::nullopt;
    std::wstring version = fileVersionOf(clientLibrary);
    if (version.empty())
        return std::nullopt;
    return InstalledRuntime{RuntimeKind::Fixed, folder, clientLibrary, version};
}

// version.dll is not a known DLL: loaded from System32, never imported.
struct VersionApi {
    decltype(&GetFileVersionInfoSizeW) getSize;
    decltype(&GetFileVersionInfoW) get;
    decltype(&VerQueryValueW) query;
};

const VersionApi& versionApi() {
    static const VersionApi api = {
        systemFunction<decltype(VersionApi::getSize)>(L"version.dll", "GetFileVersionInfoSizeW"),
        systemFunction<decltype(VersionApi::get)>(L"version.dll", "GetFileVersionInfoW"),
        systemFunction<decltype(VersionApi::query)>(L"version.dll", "VerQueryValueW"),
    };
    return api;
}

}  // namespace

std::optional<InstalledRuntime> findInstalledRuntime(PCWSTR browserExecutableFolder) {
    if (browserExecutableFolder == nullptr || *browserExecutableFolder == L'\0') {
        return machineWideRuntime();
    }
    return fixedRuntime(browserExecutableFolder);
}

std::wstring fileVersionOf(const std::wstring& path) {
    const VersionApi& version = versionApi();
    if (!version.getSize || !version.get || !version.query)
        return {};
    DWORD ignored = 0;
    DWORD size = version.getSize(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> block(size);
    if (!version.get(path.c_str(), 0, size, block.data()))
        return {};
    void* value = nullptr;
    UINT length = 0;
    if (!version.query(block.data(), L"\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    if (info->dwSignature != 0xFEEF04BD)
        return {};
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info->dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info->dwFileVersionLS));
}

}  // namespace quorvane
