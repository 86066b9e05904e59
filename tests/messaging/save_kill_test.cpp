#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "messaging/save_store.h"
#include "platform/atomic_file.h"
#include "platform/scoped_handle.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

size_t temporaryFilesIn(const std::wstring& folder) {
    size_t count = 0;
    for (const std::wstring& name : testing::namesIn(folder))
        count += isTemporaryFileName(name) ? 1 : 0;
    return count;
}

// A writer killed at random moments, in the middle of writing, flushing or replacing, leaves the
// save whole: the old content or the new, never a mix or an empty file, and its temporary file is
// neither listed nor left after the next start's clean-up.
TEST(SaveKill, AKilledWriterLeavesTheOldOrTheNewSaveWhole) {
    TempDir dir;
    const std::wstring folder = dir.path() + L"\\saves";
    const std::string a(4u << 20, 'A'), b(4u << 20, 'B');
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> delay(0, 120);
    int leftTemporaries = 0;
    for (int kill = 0; kill < 24; ++kill) {
        std::wstring command =
            L"\"" + testing::buildOutputPath(QV_SAVE_WRITER_PROBE) + L"\" \"" + folder + L"\"";
        STARTUPINFOW startup = {sizeof startup};
        PROCESS_INFORMATION process = {};
        // Once in a full run under Wine this start failed (not reproduced alone): say how.
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process))
            << "kill " << kill << ": the writer did not start, error " << GetLastError();
        ScopedHandle owner(process.hProcess);
        CloseHandle(process.hThread);
        // Once the first save is in place, kill it somewhere in the loop that follows.
        for (int i = 0; i < 500 && !testing::fileExists(folder + L"\\slot"); ++i)
            Sleep(10);
        Sleep(delay(random));
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, 10000);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        ASSERT_EQ(code, 9u) << "the writer stopped by itself at kill " << kill;

        const std::string saved = testing::readFile(folder + L"\\slot");
        EXPECT_TRUE(saved == a || saved == b)
            << "kill " << kill << ": " << saved.size() << " bytes, not one whole content";
        const Outcome list = listSaves(folder);
        ASSERT_TRUE(list.ok);
        ASSERT_EQ(list.result.size(), 1u) << list.result.dump();
        EXPECT_EQ(list.result[0]["name"], "slot");
        EXPECT_EQ(list.result[0]["size"], 4u << 20);
        leftTemporaries += static_cast<int>(temporaryFilesIn(folder));
        removeTemporaryFiles(folder);
        EXPECT_EQ(temporaryFilesIn(folder), 0u);
    }
    // How many kills fell inside a write, before its replace: under Wine a few of the 24 (a
    // killed thread there ends when its current system call returns).
    std::printf("kills that left a temporary file: %d of 24\n", leftTemporaries);
}

}  // namespace
}  // namespace quorvane
