#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/crash_dump.h"
#include "platform/scoped_handle.h"
#include "tests/standin/standin_client.h"
#include "tests/support/crash_dumps.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

#ifndef QV_CRASH_PROBE
#error "QV_CRASH_PROBE must name the probe program"
#endif

namespace quorvane {
namespace {

using testing::narrow;
using testing::readFile;
using testing::TempDir;

// Crashes within one millisecond (two instances of a game, say) each keep their dump.
TEST(CrashDump, DumpsOfOneMillisecondAreAllKept) {
    TempDir folder;
    const SYSTEMTIME time = {2026, 5, 5, 1, 10, 40, 12, 771};
    const std::vector<std::wstring> expected = {
        L"20260501T104012.771Z.dmp",
        L"20260501T104012.771Z-1.dmp",
        L"20260501T104012.771Z-2.dmp",
        L"20260501T104012.771Z-3.dmp",
        L"20260501T104012.771Z-4.dmp",
        L"20260501T104012.771Z-5.dmp",
        L"20260501T104012.771Z-6.dmp",
        L"20260501T104012.771Z-7.dmp",
        L"20260501T104012.771Z-8.dmp",
        L"20260501T104012.771Z-9.dmp",
        L"",  // no eleventh
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        CrashDumpName name;
        ScopedHandle file(createCrashDumpFile(folder.path().c_str(), time, name));
        EXPECT_EQ(std::wstring(name), expected[i]) << i;
        EXPECT_EQ(static_cast<bool>(file), !expected[i].empty()) << i;
        const std::string content = "dump " + std::to_string(i);
        DWORD written = 0;
        if (file)
            WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                      nullptr);
    }
    for (size_t i = 0; i + 1 < expected.size(); ++i)
        EXPECT_EQ(readFile(folder / expected[i]), "dump " + std::to_string(i)) << i;
    // A folder that is not there gives no file and no name.
    CrashDumpName name;
    EXPECT_EQ(createCrashDumpFile((folder / L"missing").c_str(), time, name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(name), L"");
}

// A C++ exception that nothing catches ends the process as a crash does: a dump, a log line and
// the exception code as exit code. (Wine's minidump writer takes seconds: one run only.)
TEST(CrashDump, AnUncaughtCppExceptionLeavesADumpALogLineAndItsCode) {
    TempDir folder;
    const std::wstring program = testing::buildOutputPath(QV_CRASH_PROBE);
    std::wstring commandLine = L"\"" + program + L"\" \"" + folder.path() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 90000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, kUncaughtCppException);

    const std::vector<std::wstring> dumps = testing::crashDumpsIn(folder.path());
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_EQ(testing::dumpedExceptionCode(readFile(folder / (L"crashes\\" + dumps[0]))),
              kUncaughtCppException);
    const std::vector<std::string> log = testing::runLogIn(folder.path());
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "probe started");
    const std::regex crashLine(R"(crash exception=0xE0515601 address=0x[0-9A-F]{16} )"
                               R"(\(qv_crash_probe\.exe\+0x[0-9A-F]{8}\) dump=crashes\\)" +
                               narrow(dumps[0]).substr(0, 20) + R"(\.dmp)");
    EXPECT_TRUE(std::regex_match(log[1], crashLine)) << log[1];
}

}  // namespace
}  // namespace quorvane
