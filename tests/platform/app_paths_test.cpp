#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/app_paths.h"
#include "platform/scoped_handle.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

#ifndef QV_APP_PATHS_PROBE
#error "QV_APP_PATHS_PROBE must name the probe program"
#endif

namespace quorvane {
namespace {

using testing::TempDir;

TEST(AppPaths, FolderOfKeepsEverythingUpToTheLastBackslash) {
    EXPECT_EQ(folderOf(L"C:\\Games\\Sky\\Sky.exe"), L"C:\\Games\\Sky\\");
    EXPECT_EQ(folderOf(L"C:\\Sky.exe"), L"C:\\");
    EXPECT_EQ(folderOf(L"Sky.exe"), L"Sky.exe");
    EXPECT_EQ(folderOf(L"\\\\server\\share\\a.exe"), L"\\\\server\\share\\");
}

TEST(AppPaths, TheRunningExecutableIsFoundWhole) {
    wchar_t expected[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, expected, MAX_PATH);
    EXPECT_EQ(executablePath(), expected);
    EXPECT_EQ(appFolder(), folderOf(expected));
    EXPECT_EQ(appFolder().back(), L'\\');
}

TEST(AppPaths, TheModulePathIsReadWholeHoweverSmallTheFirstBuffer) {
    // GetModuleFileNameW cuts a path that does not fit and reports the buffer as full; the path
    // must come out whole whatever the first buffer's size (the 260-unit start included).
    wchar_t expected[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, expected, MAX_PATH);
    for (size_t initial : {0u, 1u, 2u, 7u, 16u, 100u, 260u}) {
        EXPECT_EQ(modulePath(nullptr, initial), expected) << initial;
    }
    wchar_t kernel[MAX_PATH] = {};
    GetModuleFileNameW(GetModuleHandleW(L"kernel32.dll"), kernel, MAX_PATH);
    EXPECT_EQ(modulePath(GetModuleHandleW(L"kernel32.dll"), 3), kernel);
}

// Runs the probe copied into |folder| and returns the two lines it wrote.
std::string probeFrom(const std::wstring& folder, const std::wstring& report) {
    const std::wstring program = folder + L"\\probe.exe";
    EXPECT_TRUE(
        CopyFileW(testing::buildOutputPath(QV_APP_PATHS_PROBE).c_str(), program.c_str(), FALSE));
    std::wstring commandLine = L"\"" + program + L"\" \"" + report + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start the probe: " << GetLastError();
        return {};
    }
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    return testing::readFile(report);
}

// A program started from a folder whose name holds dots and non-ASCII characters finds itself
// there. (A path beyond 260 units cannot be started under Wine: CreateProcessW answers
// ERROR_INVALID_NAME, or ERROR_PATH_NOT_FOUND for the "\\?\" form, so the long case is covered
// through modulePath above.)
TEST(AppPaths, AChildFindsItsOwnFolder) {
    TempDir temp;
    const std::wstring folder = temp / L"Sky Puzzle v1.2 \x65E5\x672C";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::string lines = probeFrom(folder, temp / L"report.txt");
    EXPECT_EQ(lines, testing::narrow(folder + L"\\probe.exe") + "\n" +
                         testing::narrow(folder + L"\\") + "\n");
}

}  // namespace
}  // namespace quorvane
