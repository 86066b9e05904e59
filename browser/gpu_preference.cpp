#include "browser/gpu_preference.h"

#include <windows.h>

#include <vector>

#include "browser/installed_runtime.h"
#include "platform/ascii_case.h"
#include "platform/final_path.h"
#include "platform/run_log.h"
#include "platform/scoped_reg_key.h"
#include "platform/system_error.h"
#include "platform/utf8.h"
#include "platform/windows_names.h"

namespace quorvane {

namespace {

constexpr std::wstring_view kEntryName = L"GpuPreference";

// The value's current text; none when there is no such value (or it is not a string).
std::optional<std::wstring> readPreference(HKEY key, const std::wstring& name) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

void logPreference(const std::string& text) {
    logLine("gpu preference " + text);
}

}  // namespace

std::wstring withGpuPreference(std::wstring_view data, int preference) {
    std::vector<std::wstring_view> entries;
    size_t gpuAt = std::wstring_view::npos;
    while (!data.empty()) {
        const size_t end = data.find(L';');
        const std::wstring_view entry = data.substr(0, end);
        data.remove_prefix(end == std::wstring_view::npos ? data.size() : end + 1);
        if (entry.empty())
            continue;
        if (equalsIgnoringAsciiCase(entry.substr(0, entry.find(L'=')), kEntryName)) {
            if (gpuAt == std::wstring_view::npos)
                gpuAt = entries.size();
            continue;
        }
        entries.push_back(entry);
    }
    const std::wstring gpuEntry = std::wstring(kEntryName) + L"=" + std::to_wstring(preference);
    if (preference != 0) {
        entries.insert(
            entries.begin() + (gpuAt == std::wstring_view::npos ? entries.size() : gpuAt),
            gpuEntry);
    }
    std::wstring result;
    for (std::wstring_view entry : entries)
        result.append(entry).push_back(L';');
    return result;
}

std::optional<std::wstring> browserExecutableInsideApp(const std::wstring& runtimeFolder,
                                                       const std::wstring& appFolder) {
    const std::wstring runtime = finalPathOf(runtimeFolder);
    const std::wstring app = finalPathOf(appFolder);
    if (runtime.empty() || app.empty())
        return std::nullopt;
    const std::wstring inside = caseFolded(app) + L"\\";
    if (!caseFolded(runtime).starts_with(inside))
        return std::nullopt;
    std::wstring executable = runtimeFolder;
    if (!executable.empty() && executable.back() != L'\\')
        executable.push_back(L'\\');
    return executable + L"msedgewebview2.exe";
}

void applyRuntimeGpuPreference(GpuPreference gpu, const std::optional<std::wstring>& browserFolder,
                               const std::wstring& appFolder) {
    if (!browserFolder)
        return;
    const std::optional<InstalledRuntime> runtime = findInstalledRuntime(browserFolder->c_str());
    if (!runtime)
        return;
    const std::optional<std::wstring> executable =
        browserExecutableInsideApp(runtime->folder, appFolder);
    if (!executable) {
        if (gpu != GpuPreference::Default) {
            logPreference("not set: the runtime in " + wideToUtf8(runtime->folder) +
                          " is not inside the app's folder");
        }
        return;
    }
    const int preference = gpu == GpuPreference::HighPerformance ? 2
                           : gpu == GpuPreference::LowPower      ? 1
                                                                 : 0;
    // Removing needs no key of its own: when there is none, there is nothing to remove.
    ScopedRegKey key;
    LSTATUS status = preference == 0 ? RegOpenKeyExW(HKEY_CURRENT_USER, kUserGpuPreferencesKey, 0,
                                                     KEY_QUERY_VALUE | KEY_SET_VALUE, key.put())
                                     : RegCreateKeyExW(HKEY_CURRENT_USER, kUserGpuPreferencesKey, 0,
                                                       nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                                       nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) {
        if (preference != 0)
            logPreference("not set: " + systemErrorText(static_cast<DWORD>(status)));
        return;
    }
    const std::optional<std::wstring> current = readPreference(key.get(), *executable);
    const std::wstring wanted = withGpuPreference(current.value_or(L""), preference);
    const std::string what = wideToUtf8(*executable);
    if (current.value_or(L"") == wanted) {
        // Already as wanted, or nothing to remove.
    } else if (preference != 0 &&
               GetFileAttributesW(executable->c_str()) == INVALID_FILE_ATTRIBUTES) {
        logPreference("not set: there is no " + what);
    } else if (wanted.empty()) {
        status = RegDeleteValueW(key.get(), executable->c_str());
        logPreference(status == ERROR_SUCCESS ? "removed for " + what
                                              : "not removed for " + what + ": " +
                                                    systemErrorText(static_cast<DWORD>(status)));
    } else {
        status = RegSetValueExW(key.get(), executable->c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(wanted.c_str()),
                                static_cast<DWORD>((wanted.size() + 1) * sizeof(wchar_t)));
        logPreference(status == ERROR_SUCCESS ? wideToUtf8(wanted) + " for " + what
                                              : "not set for " + what + ": " +
                                                    systemErrorText(static_cast<DWORD>(status)));
    }
}

}  // namespace quorvane
