// The runtime loader's paths, against real folders, files and registry values of the test prefix.
// Every test here reads or writes the machine-wide runtime's registration, which all tests of the
// prefix share: the program's tests run serially.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/app_paths.h"
#include "platform/scoped_com_mem.h"
#include "browser/com_handler.h"
#include "browser/installed_runtime.h"
#include "browser/runtime_loader.h"
#include "tests/browser/runtime_layout.h"
#include "tests/standin/standin_test_support.h"
#include "tests/support/current_directory.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::narrow;
using testing::placeClientLibrary;
using testing::RuntimeRegistration;
using testing::stampFileVersion;
using testing::TempDir;
using testing::thisProgram;

const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

struct VersionAnswer {
    HRESULT result;
    std::optional<std::wstring> version;
};

VersionAnswer askVersion(const std::wstring& loaderFolder, PCWSTR browserFolder) {
    ScopedCoMem<wchar_t> version;
    *version.put() = reinterpret_cast<LPWSTR>(1);  // must be overwritten, also on failure
    VersionAnswer answer{availableBrowserVersionFrom(loaderFolder, browserFolder, version.put()),
                         std::nullopt};
    if (version)
        answer.version = version.get();
    return answer;
}

std::string show(const std::optional<std::wstring>& version) {
    if (!version)
        return "null";
    std::string quoted = "\"";
    quoted += narrow(*version);
    quoted += '"';
    return quoted;
}

// A runtime folder whose client library is a copy of this program carrying a version resource.
std::wstring layOutRuntime(const std::wstring& folder, WORD a, WORD b, WORD c, WORD d) {
    std::wstring library = placeClientLibrary(folder, thisProgram());
    stampFileVersion(library, a, b, c, d);
    return library;
}

TEST(RuntimeLoader, NoRuntimeGivesNoVersionString) {
    TempDir app;
    RuntimeRegistration noMachine(HKEY_LOCAL_MACHINE, std::nullopt);
    RuntimeRegistration noUser(HKEY_CURRENT_USER, std::nullopt);
    // A runtime folder whose client library has no version resource, and one without a client
    // library at all.
    testing::writeFile(app / L"noversion\\EBWebView\\x64\\EmbeddedBrowserWebView.dll", "MZ");
    testing::writeFile(app / L"empty\\EBWebView\\x64\\other.dll", "MZ");
    const std::wstring folders[] = {L"", app / L"missing", app / L"noversion", app / L"empty",
                                    app / L"noversion\\EBWebView\\x64"};
    for (const std::wstring& folder : folders) {
        PCWSTR browserFolder = folder.empty() ? nullptr : folder.c_str();
        VersionAnswer answer = askVersion(app.path(), browserFolder);
        EXPECT_EQ(answer.result, notFound) << narrow(folder);
        EXPECT_EQ(show(answer.version), "null") << narrow(folder);
    }
}

TEST(RuntimeLoader, VersionQueryNeedsAnOutPointer) {
    TempDir app;
    EXPECT_EQ(availableBrowserVersionFrom(app.path(), nullptr, nullptr), E_POINTER);
}

TEST(RuntimeLoader, FindsTheMachineWideRuntimeThroughItsRegistration) {
    TempDir temp;
    const std::wstring good = temp / L"Application\\120.0.2210.91";
    const std::wstring other = temp / L"User\\Application\\118.0.2088.76";
    const std::wstring hollow = temp / L"Hollow\\121.0.1.2";  // registered, no client library
    layOutRuntime(good, 1, 2, 3, 4);  // the folder name, not the file version, counts here
    layOutRuntime(other, 1, 2, 3, 4);
    CreateDirectoryW((temp / L"Hollow").c_str(), nullptr);
    CreateDirectoryW(hollow.c_str(), nullptr);
    const std::optional<std::wstring> none;
    const struct {
        const char* name;
        std::optional<std::wstring> machine;
        std::optional<std::wstring> user;
        const char* expected;
    } cases[] = {
        {"machine only", good, none, "\"120.0.2210.91\""},
        {"machine with trailing backslash", good + L"\\", none, "\"120.0.2210.91\""},
        {"user only", none, other, "\"118.0.2088.76\""},
        {"machine before user", good, other, "\"120.0.2210.91\""},
        {"hollow machine, user", hollow, other, "\"118.0.2088.76\""},
        {"hollow machine only", hollow, none, "null"},
        {"empty value", std::wstring(), none, "null"},
        {"relative machine, user", L"Application\\120.0.2210.91", other, "\"118.0.2088.76\""},
        {"neither", none, none, "null"},
    };
    TempDir app;
    // Where a relative registration would lead, if it were taken against the current directory.
    testing::CurrentDirectory cwd(temp.path());
    for (const auto& c : cases) {
        RuntimeRegistration machine(HKEY_LOCAL_MACHINE, c.machine);
        RuntimeRegistration user(HKEY_CURRENT_USER, c.user);
        VersionAnswer answer = askVersion(app.path(), nullptr);
        EXPECT_EQ(show(answer.version), c.expected) << c.name;
        EXPECT_EQ(answer.result, answer.version ? S_OK : notFound) << c.name;
        // An empty browser folder means the machine-wide runtime too.
        EXPECT_EQ(show(askVersion(app.path(), L"").version), c.expected) << c.name;
    }
    // EdgeUpdate may register the folder as REG_EXPAND_SZ.
    SetEnvironmentVariableW(L"QV_RUNTIME_ROOT", (temp / L"Application").c_str());
    {
        RuntimeRegistration machine(HKEY_LOCAL_MACHINE, L"%QV_RUNTIME_ROOT%\\120.0.2210.91",
                                    REG_EXPAND_SZ);
        EXPECT_EQ(show(askVersion(app.path(), nullptr).version), "\"120.0.2210.91\"");
    }
    std::optional<InstalledRuntime> runtime;
    {
        RuntimeRegistration machine(HKEY_LOCAL_MACHINE, good);
        runtime = findInstalledRuntime(nullptr);
    }
    ASSERT_TRUE(runtime);
    EXPECT_EQ(runtime->kind, RuntimeKind::MachineWide);
    EXPECT_EQ(narrow(runtime->clientLibrary),
              narrow(good + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll"));
}

TEST(RuntimeLoader, FixedRuntimeVersionIsItsClientLibrarysFileVersion) {
    TempDir app;
    layOutRuntime(app / L"webview2", 109, 0, 1518, 78);
    RuntimeRegistration noMachine(HKEY_LOCAL_MACHINE, std::nullopt);
    const struct {
        const wchar_t* currentDirectory;  // relative to the app folder
        std::wstring browserFolder;
        const char* expected;
    } cases[] = {
        {L"", L"webview2", "\"109.0.1518.78\""},
        {L"", L"webview2\\", "\"109.0.1518.78\""},
        {L"", L".\\webview2", "\"109.0.1518.78\""},
        {L"", L"www\\..\\webview2", "\"109.0.1518.78\""},
        {L"www", L"..\\webview2", "\"109.0.1518.78\""},
        {L"www", app / L"webview2", "\"109.0.1518.78\""},
        // Relative folders are taken against the current directory, not the executable's.
        {L"www", L"webview2", "null"},
        {L"", L"webview2\\EBWebView", "null"},
    };
    CreateDirectoryW((app / L"www").c_str(), nullptr);
    for (const auto& c : cases) {
        testing::CurrentDirectory cwd(app / c.currentDirectory);
        VersionAnswer answer = askVersion(app.path(), c.browserFolder.c_str());
        EXPECT_EQ(show(answer.version), c.expected) << narrow(c.browserFolder);
        EXPECT_EQ(answer.result, answer.version ? S_OK : notFound) << narrow(c.browserFolder);
    }
    testing::CurrentDirectory cwd(app.path());
    std::optional<InstalledRuntime> runtime = findInstalledRuntime(L"webview2");
    ASSERT_TRUE(runtime);
    EXPECT_EQ(runtime->kind, RuntimeKind::Fixed);
    EXPECT_EQ(narrow(runtime->folder), narrow(app / L"webview2"));
}

TEST(RuntimeLoader, FileVersionIsReadFromTheVersionResource) {
    TempDir temp;
    const struct {
        WORD a, b, c, d;
        const char* expected;
    } cases[] = {{89, 0, 774, 44, "89.0.774.44"},
                 {0, 0, 0, 0, "0.0.0.0"},
                 {65535, 65535, 65535, 65535, "65535.65535.65535.65535"}};
    for (const auto& c : cases) {
        std::wstring library = layOutRuntime(temp / L"r", c.a, c.b, c.c, c.d);
        EXPECT_EQ(narrow(fileVersionOf(library)), c.expected);
    }
    testing::writeFile(temp / L"plain.txt", "not a module");
    EXPECT_EQ(narrow(fileVersionOf(temp / L"plain.txt")), "");
    EXPECT_EQ(narrow(fileVersionOf(temp / L"absent.dll")), "");
}

TEST(RuntimeLoader, AFileNamedLikeTheLoaderThatIsNoLoaderIsPassedOver) {
    // Not a module at all; a module without the loader's exports (a copy of this program); a
    // folder of that name.
    const char* const kinds[] = {"text", "module without exports", "folder"};
    for (const char* kind : kinds) {
        TempDir app;
        const std::wstring loader = app / L"WebView2Loader.dll";
        if (kind == kinds[0]) {
            testing::writeFile(loader, "not a library");
        } else if (kind == kinds[1]) {
            ASSERT_TRUE(CopyFileW(thisProgram().c_str(), loader.c_str(), FALSE));
        } else {
            ASSERT_TRUE(CreateDirectoryW(loader.c_str(), nullptr));
        }
        layOutRuntime(app / L"webview2", 100, 0, 1185, 36);
        VersionAnswer answer = askVersion(app.path(), (app / L"webview2").c_str());
        EXPECT_EQ(answer.result, S_OK) << kind;
        EXPECT_EQ(show(answer.version), "\"100.0.1185.36\"") << kind;
        // Nothing of it stays loaded.
        EXPECT_EQ(GetModuleHandleW(loader.c_str()), nullptr) << kind;
    }
}

TEST(RuntimeLoader, CreatingWithoutARuntimeFailsWithoutCallingTheHandler) {
    TempDir app;
    RuntimeRegistration noMachine(HKEY_LOCAL_MACHINE, std::nullopt);
    RuntimeRegistration noUser(HKEY_CURRENT_USER, std::nullopt);
    bool invoked = false;
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        [&](HRESULT, ICoreWebView2Environment*) { invoked = true; });
    for (PCWSTR browserFolder : {static_cast<PCWSTR>(nullptr), L"webview2", L"C:\\nowhere"}) {
        EXPECT_EQ(createEnvironmentFrom(app.path(), browserFolder, nullptr, nullptr, handler.get()),
                  notFound);
    }
    EXPECT_EQ(createEnvironmentFrom(app.path(), nullptr, nullptr, nullptr, nullptr), E_POINTER);
    testing::pumpFor(200);
    EXPECT_FALSE(invoked);
    EXPECT_EQ(handler->AddRef(), 2u);  // nothing kept a reference
    handler->Release();
}

TEST(RuntimeLoader, PublicFunctionsLookBesideThisExecutable) {
    // No WebView2Loader.dll lies beside the test program, so the built-in loader answers.
    ASSERT_FALSE(testing::fileExists(appFolder() + L"WebView2Loader.dll"));
    TempDir app;
    layOutRuntime(app / L"webview2", 110, 0, 1587, 41);
    RuntimeRegistration noMachine(HKEY_LOCAL_MACHINE, std::nullopt);
    RuntimeRegistration noUser(HKEY_CURRENT_USER, std::nullopt);
    const struct {
        std::wstring browserFolder;
        HRESULT result;
        const char* expected;
    } cases[] = {{L"", notFound, "null"},
                 {app / L"webview2", S_OK, "\"110.0.1587.41\""},
                 {app / L"elsewhere", notFound, "null"}};
    for (const auto& c : cases) {
        ScopedCoMem<wchar_t> version;
        PCWSTR folder = c.browserFolder.empty() ? nullptr : c.browserFolder.c_str();
        EXPECT_EQ(GetAvailableCoreWebView2BrowserVersionString(folder, version.put()), c.result);
        EXPECT_EQ(show(version ? std::optional<std::wstring>(version.get()) : std::nullopt),
                  c.expected);
    }
    EXPECT_EQ(GetAvailableCoreWebView2BrowserVersionString(nullptr, nullptr), E_POINTER);
    auto handler = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
        IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
        [](HRESULT, ICoreWebView2Environment*) {});
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler.get()),
              notFound);
}

}  // namespace
}  // namespace quorvane
