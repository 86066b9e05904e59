#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

using testing::namesIn;

TEST(AtomicFile, ReplacesWholeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::wstring path = dir.path() + L"\\slot1";
    ASSERT_EQ(replaceFileAtomically(path, "first"), 0u);
    EXPECT_EQ(testing::readFile(path), "first");
    const std::string big(5u << 20, 'x');
    ASSERT_EQ(replaceFileAtomically(path, big), 0u);
    EXPECT_EQ(testing::readFile(path), big);
    ASSERT_EQ(replaceFileAtomically(path, ""), 0u);
    EXPECT_EQ(testing::readFile(path), "");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::wstring>{L"slot1"});
}

TEST(AtomicFile, AFailedWriteKeepsTheOldContentAndCleansUp) {
    TempDir dir;
    // No such folder: the temporary file cannot even be made.
    EXPECT_EQ(replaceFileAtomically(dir.path() + L"\\missing\\slot", "x"),
              static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    // A folder under the name: the replace step fails, the temporary file goes again.
    ASSERT_TRUE(CreateDirectoryW((dir.path() + L"\\taken").c_str(), nullptr));
    EXPECT_EQ(replaceFileAtomically(dir.path() + L"\\taken", "x"),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::wstring>{L"taken"});
}

TEST(AtomicFile, OnlyItsOwnLeftoversAreRecognisedAndRemoved) {
    struct Case {
        const wchar_t* name;
        bool temporary;
    };
    const Case cases[] = {
        {L".slot1.12-3.quorvane-tmp", true},
        {L".window.json.4-1.quorvane-tmp", true},
        {L"slot1.quorvane-tmp", false},  // a save may be named so; it is the player's
        {L".quorvane-tmp", false},
        {L".slot1.tmp", false},
        {L"slot1", false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        EXPECT_EQ(isTemporaryFileName(c.name), c.temporary)
            << ::testing::PrintToString(std::wstring(c.name));
        testing::writeFile(dir.path() + L"\\" + c.name, "kept?");
    }
    removeTemporaryFiles(dir.path());
    std::vector<std::wstring> left = namesIn(dir.path());
    std::vector<std::wstring> expected;
    for (const Case& c : cases) {
        if (!c.temporary)
            expected.push_back(c.name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace quorvane
