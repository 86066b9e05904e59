#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "browser/gpu_preference.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace quorvane {
namespace {

// The player's own settings in the value (Windows 11 writes several) survive; only the
// GpuPreference entry changes.
TEST(GpuPreference, OnlyTheGpuEntryOfTheValueChanges) {
    struct Case {
        const wchar_t* data;
        int preference;
        const wchar_t* expected;
    } cases[] = {
        {L"", 2, L"GpuPreference=2;"},
        {L"", 1, L"GpuPreference=1;"},
        {L"", 0, L""},
        {L"GpuPreference=1;", 2, L"GpuPreference=2;"},
        {L"GpuPreference=2;", 2, L"GpuPreference=2;"},
        {L"GpuPreference=2;", 0, L""},
        {L"SwapEffectUpgradeEnable=1;", 2, L"SwapEffectUpgradeEnable=1;GpuPreference=2;"},
        {L"GpuPreference=1;SwapEffectUpgradeEnable=1;", 2,
         L"GpuPreference=2;SwapEffectUpgradeEnable=1;"},
        {L"SwapEffectUpgradeEnable=1;GpuPreference=2;VRROptimizeEnable=0;", 0,
         L"SwapEffectUpgradeEnable=1;VRROptimizeEnable=0;"},
        {L"gpupreference=2;", 1, L"GpuPreference=1;"},
        {L"GpuPreference=2", 2, L"GpuPreference=2;"},
        {L";;GpuPreference=2;;", 0, L""},
        {L"GpuPreference=2;AutoHDREnable=1;GpuPreference=1;", 1,
         L"GpuPreference=1;AutoHDREnable=1;"},
        {L"GpuPreferenceX=1;", 2, L"GpuPreferenceX=1;GpuPreference=2;"},
        {L"VRROptimizeEnable=0", 0, L"VRROptimizeEnable=0;"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withGpuPreference(c.data, c.preference), c.expected)
            << testing::narrow(c.data) << " -> " << c.preference;
    }
}

// Only a runtime that is the game's own gets a preference: one beside other programs' files is
// shared with them.
TEST(GpuPreference, OnlyARuntimeInsideTheAppFolderIsTheGames) {
    testing::TempDir temp;
    const std::wstring app = temp / L"Game";
    for (const wchar_t* folder : {L"Game", L"Game\\webview2", L"Game2", L"Game2\\webview2",
                                  L"Shared", L"Shared\\runtime"}) {
        ASSERT_TRUE(CreateDirectoryW((temp / folder).c_str(), nullptr));
    }
    struct Case {
        std::wstring runtimeFolder;
        std::wstring appFolder;
        std::optional<std::wstring> expected;
    } cases[] = {
        {app + L"\\webview2", app + L"\\", app + L"\\webview2\\msedgewebview2.exe"},
        {app + L"\\webview2", app, app + L"\\webview2\\msedgewebview2.exe"},
        {temp / L"GAME\\WebView2", app + L"\\", temp / L"GAME\\WebView2\\msedgewebview2.exe"},
        {temp / L"Shared\\runtime", app + L"\\", std::nullopt},
        {app + L"\\webview2\\..\\..\\Shared\\runtime", app + L"\\", std::nullopt},
        {temp / L"Game2\\webview2", app + L"\\", std::nullopt},  // a longer name, not inside
        {app, app + L"\\", std::nullopt},                        // the folder itself
        {app + L"\\missing", app + L"\\", std::nullopt},
        {app + L"\\webview2", temp / L"Missing\\", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(browserExecutableInsideApp(c.runtimeFolder, c.appFolder), c.expected)
            << testing::narrow(c.runtimeFolder) << " in " << testing::narrow(c.appFolder);
    }
}

}  // namespace
}  // namespace quorvane
