#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/run_log.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;
using testing::fileExists;
using testing::readFile;
using testing::runLogMessages;

class RunLog : public ::testing::Test {
  protected:
    void TearDown() override { closeRunLog(); }
    std::string log() const { return readFile(folder / L"quorvane.log"); }
    TempDir folder;
};

TEST_F(RunLog, WritesOneEscapedLinePerCallUnderATimeStamp) {
    ASSERT_TRUE(openRunLog(folder.path()));
    const struct {
        std::string text;
        std::string written;
    } cases[] = {
        {"start executable=C:\\Games\\Sky.exe", "start executable=C:\\Games\\Sky.exe"},
        {"two\r\nlines\tand a bell\x07", "two\\x0D\\x0Alines\\x09and a bell\\x07"},
        // The last control below the space, the space, the last printable and DEL.
        {"\x1F ~\x7F", "\\x1F ~\\x7F"},
        {"caf\xC3\xA9 \xE6\x97\xA5", "caf\xC3\xA9 \xE6\x97\xA5"},
        {"", ""},
        {std::string("nul\0inside", 10), "nul\\x00inside"},
        {std::string(5000, 'a'), std::string(kRunLogLineLimit, 'a') + "..."},
        // Cut before a character that would not fit whole, never inside it.
        {std::string(kRunLogLineLimit - 1, 'b') + "\xC3\xA9", std::string(kRunLogLineLimit - 1, 'b') + "..."},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        logLine(c.text);
        expected.push_back(c.written);
    }
    EXPECT_EQ(runLogMessages(log()), expected);
}

TEST_F(RunLog, KeepsThePreviousRunAsTheOldLog) {
    ASSERT_TRUE(openRunLog(folder.path()));
    logLine("first run");
    ASSERT_TRUE(openRunLog(folder.path()));
    logLine("second run");
    ASSERT_TRUE(openRunLog(folder.path()));
    logLine("third run");
    closeRunLog();
    EXPECT_EQ(runLogMessages(log()), std::vector<std::string>{"third run"});
    EXPECT_EQ(runLogMessages(readFile(folder / L"quorvane.old.log")),
              std::vector<std::string>{"second run"});
}

TEST_F(RunLog, CreatesItsFolderButNotTheFolderAboveIt) {
    EXPECT_TRUE(openRunLog(folder / L"Sky Puzzle"));
    logLine("here");
    closeRunLog();
    EXPECT_EQ(runLogMessages(readFile(folder / L"Sky Puzzle\\quorvane.log")),
              std::vector<std::string>{"here"});
    EXPECT_FALSE(openRunLog(folder / L"missing\\Sky Puzzle"));
    logLine("nowhere");
    EXPECT_FALSE(fileExists(folder / L"missing"));
}

TEST_F(RunLog, NeverPassesOneMebibyteAndSaysWhatWasDropped) {
    ASSERT_TRUE(openRunLog(folder.path()));
    // 100 characters of text make lines of 127 bytes with the time stamp and CR LF.
    const std::string text(100, 'x');
    // The last 128 bytes are kept for the line that says what was dropped.
    const size_t kept = (kRunLogLimit - 128) / 127;
    for (size_t i = 0; i < kept; ++i)
        logLine(text);
    EXPECT_EQ(log().size(), kept * 127);
    for (int dropped = 1; dropped <= 3; ++dropped) {
        logLine(text);
        const std::vector<std::string> lines = runLogMessages(log());
        ASSERT_EQ(lines.size(), kept + 1);
        EXPECT_EQ(lines.back(), "log limit of 1 MiB reached: " + std::to_string(dropped) +
                                    (dropped == 1 ? " later line (" : " later lines (") +
                                    std::to_string(dropped * 127) + " bytes) dropped");
        EXPECT_EQ(lines[kept - 1], text);
    }
    for (int i = 0; i < 20000; ++i)
        logLine(text);
    const std::string full = log();
    EXPECT_LE(full.size(), kRunLogLimit);
    EXPECT_EQ(runLogMessages(full).back(),
              "log limit of 1 MiB reached: 20003 later lines (2540381 bytes) dropped");
    // Opened again in the same process, the log starts afresh with the whole limit before it.
    ASSERT_TRUE(openRunLog(folder.path()));
    logLine("opened again");
    EXPECT_EQ(runLogMessages(log()), std::vector<std::string>{"opened again"});
    EXPECT_EQ(log().size(), 25u + 12u + 2u);
    EXPECT_EQ(readFile(folder / L"quorvane.old.log"), full);
}

TEST_F(RunLog, ALogThatCannotBeWrittenIsNoLog) {
    // The log's name taken by a folder: nothing can be opened, nothing moved, nothing thrown.
    CreateDirectoryW((folder / L"quorvane.log").c_str(), nullptr);
    EXPECT_FALSE(openRunLog(folder.path()));
    logLine("lost");
    logLineWhileCrashing("lost too");
    closeRunLog();
    EXPECT_FALSE(fileExists(folder / L"quorvane.old.log"));
    const DWORD attributes = GetFileAttributesW((folder / L"quorvane.log").c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
}  // namespace quorvane
