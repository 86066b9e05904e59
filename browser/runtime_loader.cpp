#include "browser/runtime_loader.h"

#include <objbase.h>

#include <new>
#include <optional>

#include "platform/app_paths.h"
#include "platform/scoped_com_mem.h"
#include "browser/installed_runtime.h"

namespace quorvane {

namespace {

// The client library's entry point. checkRunningInstance is a C++ bool: one byte, passed in CL.
typedef HRESULT(STDMETHODCALLTYPE* CreateWebViewEnvironmentWithOptionsInternalFn)(
    bool checkRunningInstance, int runtimeType, PCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

const HRESULT runtimeNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

HRESULT lastErrorOr(HRESULT fallback) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : fallback;
}

// Always by full path: a bare name would be searched for along the DLL search path, where anyone
// able to write to one of its folders could plant a library of that name. The library's own
// dependencies are searched for in its folder first. Libraries stay loaded for the life of the
// process: the runtime's objects and threads live in them.
HMODULE loadByFullPath(const std::wstring& path) {
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Function>
Function exportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct LoaderLibrary {
    GetAvailableCoreWebView2BrowserVersionStringFn availableBrowserVersion;
    CreateCoreWebView2EnvironmentWithOptionsFn createEnvironment;
};

// The path of the loader library file in |folder|; empty when there is none.
std::wstring loaderFileIn(const std::wstring& folder) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    path += L"WebView2Loader.dll";
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return path;
}

// The loader library in |folder|, when one is there and has both exports. A file of that name
// that is no usable library is passed over: the built-in loader does the same work.
std::optional<LoaderLibrary> loaderLibraryIn(const std::wstring& folder) {
    const std::wstring path = loaderFileIn(folder);
    if (path.empty())
        return std::nullopt;
    HMODULE module = loadByFullPath(path);
    if (module == nullptr)
        return std::nullopt;
    LoaderLibrary library{exportOf<GetAvailableCoreWebView2BrowserVersionStringFn>(
                              module, "GetAvailableCoreWebView2BrowserVersionString"),
                          exportOf<CreateCoreWebView2EnvironmentWithOptionsFn>(
                              module, "CreateCoreWebView2EnvironmentWithOptions")};
    if (library.availableBrowserVersion == nullptr || library.createEnvironment == nullptr) {
        FreeLibrary(module);
        return std::nullopt;
    }
    return library;
}

HRESULT builtInAvailableBrowserVersion(PCWSTR browserExecutableFolder, LPWSTR* versionInfo) {
    std::optional<InstalledRuntime> runtime = findInstalledRuntime(browserExecutableFolder);
    if (!runtime)
        return runtimeNotFound;
    return copyToTaskMemory(runtime->version, versionInfo);
}

HRESULT builtInCreateEnvironment(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    std::optional<InstalledRuntime> runtime = findInstalledRuntime(browserExecutableFolder);
    if (!runtime)
        return runtimeNotFound;
    HMODULE module = loadByFullPath(runtime->clientLibrary);
    if (module == nullptr)
        return lastErrorOr(E_FAIL);
    auto create = exportOf<CreateWebViewEnvironmentWithOptionsInternalFn>(
        module, "CreateWebViewEnvironmentWithOptionsInternal");
    if (create == nullptr) {
        FreeLibrary(module);
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    return create(true, static_cast<int>(runtime->kind), userDataFolder, environmentOptions,
                  environmentCreatedHandler);
}

}  // namespace

std::wstring runtimeLocation(PCWSTR browserExecutableFolder) {
    std::wstring loader = loaderFileIn(appFolder());
    if (!loader.empty())
        return loader;
    std::optional<InstalledRuntime> runtime = findInstalledRuntime(browserExecutableFolder);
    return runtime ? runtime->folder : std::wstring();
}

HRESULT availableBrowserVersionFrom(const std::wstring& loaderFolder,
                                    PCWSTR browserExecutableFolder, LPWSTR* versionInfo) noexcept {
    if (versionInfo == nullptr)
        return E_POINTER;
    *versionInfo = nullptr;
    try {
        if (std::optional<LoaderLibrary> library = loaderLibraryIn(loaderFolder)) {
            return library->availableBrowserVersion(browserExecutableFolder, versionInfo);
        }
        return builtInAvailableBrowserVersion(browserExecutableFolder, versionInfo);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT createEnvironmentFrom(const std::wstring& loaderFolder, PCWSTR browserExecutableFolder,
                              PCWSTR userDataFolder,
                              ICoreWebView2EnvironmentOptions* environmentOptions,
                              ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*
                                  environmentCreatedHandler) noexcept {
    if (environmentCreatedHandler == nullptr)
        return E_POINTER;
    try {
        if (std::optional<LoaderLibrary> library = loaderLibraryIn(loaderFolder)) {
            return library->createEnvironment(browserExecutableFolder, userDataFolder,
                                              environmentOptions, environmentCreatedHandler);
        }
        return builtInCreateEnvironment(browserExecutableFolder, userDataFolder, environmentOptions,
                                        environmentCreatedHandler);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                     LPWSTR* versionInfo) noexcept {
    try {
        return availableBrowserVersionFrom(appFolder(), browserExecutableFolder, versionInfo);
    } catch (const std::bad_alloc&) {
        if (versionInfo != nullptr)
            *versionInfo = nullptr;
        return E_OUTOFMEMORY;
    }
}

HRESULT CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*
        environmentCreatedHandler) noexcept {
    try {
        return createEnvironmentFrom(appFolder(), browserExecutableFolder, userDataFolder,
                                     environmentOptions, environmentCreatedHandler);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace quorvane
