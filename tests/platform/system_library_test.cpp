#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/app_paths.h"
#include "platform/system_library.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"

namespace quorvane {
namespace {

using testing::fileExists;

// A library placed beside the executable (a downloads folder) under a name that the app, or a
// system component it calls, asks for by bare name. Each copy leaves "<path>.loaded" when loaded.
class PlantedBesideExecutable {
  public:
    explicit PlantedBesideExecutable(const wchar_t* name) : path_(appFolder() + name) {
        DeleteFileW(marker().c_str());
        CopyFileW(testing::buildOutputPath(QV_PLANTED_LIBRARY).c_str(), path_.c_str(), FALSE);
    }
    ~PlantedBesideExecutable() {
        DeleteFileW(path_.c_str());
        DeleteFileW(marker().c_str());
    }
    const std::wstring& path() const { return path_; }
    std::wstring marker() const { return path_ + L".loaded"; }

  private:
    std::wstring path_;
};

// Once restricted, a bare name is looked for in System32 only: a library beside the executable
// is refused, as the same name was found there before the restriction.
TEST(RestrictDllSearchToSystem32, ABareNameIsNoLongerFoundBesideTheExecutable) {
    PlantedBesideExecutable before(L"qv_probe_before.dll");
    PlantedBesideExecutable after(L"qv_probe_after.dll");
    ASSERT_TRUE(fileExists(before.path()) && fileExists(after.path()));
    HMODULE found = LoadLibraryW(L"qv_probe_before.dll");
    ASSERT_NE(found, nullptr) << "the default search does not look beside the executable";
    FreeLibrary(found);

    restrictDllSearchToSystem32();
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibraryW(L"qv_probe_after.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryExW(L"qv_probe_after.dll", nullptr, 0), nullptr);
    EXPECT_FALSE(fileExists(after.marker()));
    // System libraries are still found by bare name.
    HMODULE system = LoadLibraryW(L"version.dll");
    EXPECT_NE(system, nullptr);
    FreeLibrary(system);
}

}  // namespace
}  // namespace quorvane
