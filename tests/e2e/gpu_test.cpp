#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"

namespace quorvane::testing {
namespace {

// Where Windows keeps each program's graphics preference; these tests change it in the shared
// test prefix, so they run alone and put it back.
const wchar_t kPreferences[] = L"Software\\Microsoft\\DirectX\\UserGpuPreferences";

std::optional<std::wstring> preferenceOf(const std::wstring& executable) {
    wchar_t data[512] = {};
    DWORD bytes = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, kPreferences, executable.c_str(), RRF_RT_REG_SZ, nullptr,
                     data, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(data);
}

void setPreference(const std::wstring& executable, const std::wstring& data) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kPreferences, executable.c_str(), REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

// Every value under the key, name and data.
std::vector<std::wstring> allPreferences() {
    std::vector<std::wstring> all;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPreferences, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return all;
    for (DWORD i = 0;; ++i) {
        wchar_t name[1024] = {};
        DWORD nameLength = 1024;
        wchar_t data[512] = {};
        DWORD bytes = sizeof data;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, nullptr,
                          reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS) {
            break;
        }
        all.push_back(std::wstring(name) + L"=" + data);
    }
    RegCloseKey(key);
    return all;
}

std::string manifest(const std::string& distribution, const std::string& gpu) {
    return R"({"name":"gpu-game","chromium-args":"--mute-audio","settings":{"distribution-mode":")" +
           distribution + "\"}" + (gpu.empty() ? "" : ",\"gpu\":\"" + gpu + "\"") + "}";
}

// A fixed runtime shipped in the game's folder is the game's own: its browser executable gets the
// preference "gpu" asks for, and loses it again with "default"; the player's other settings in
// the value stay.
TEST(Gpu, TheGamesOwnFixedRuntimeGetsThePreference) {
    ShellApp app(manifest("fixed", ""), /*loaderBesideExe=*/false);
    app.folder.placeFixedRuntime();
    app.folder.writeFile(L"webview2\\msedgewebview2.exe", "MZ");
    const std::wstring browser = app.folder / L"webview2\\msedgewebview2.exe";
    struct Case {
        const char* gpu;
        const char* arguments;
        std::optional<std::wstring> value;
        const char* logged;  // the log's line about it, "" for none
    } cases[] = {
        {"high-performance", "--mute-audio --force_high_performance_gpu",
         L"SwapEffectUpgradeEnable=1;GpuPreference=2;",
         "SwapEffectUpgradeEnable=1;GpuPreference=2; for "},
        {"low-power", "--mute-audio --force_low_power_gpu",
         L"SwapEffectUpgradeEnable=1;GpuPreference=1;",
         "SwapEffectUpgradeEnable=1;GpuPreference=1; for "},
        {"low-power", "--mute-audio --force_low_power_gpu",
         L"SwapEffectUpgradeEnable=1;GpuPreference=1;", ""},
        {"default", "--mute-audio", L"SwapEffectUpgradeEnable=1;",
         "SwapEffectUpgradeEnable=1; for "},
        {"high-performance", "--mute-audio --force_high_performance_gpu", L"GpuPreference=2;",
         "GpuPreference=2; for "},
        {"", "--mute-audio", std::nullopt, "removed for "},
    };
    setPreference(browser, L"SwapEffectUpgradeEnable=1;");
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::to_string(i) + ": " + c.gpu);
        if (i == 4)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kPreferences, browser.c_str());
        app.folder.writePackageJson(manifest("fixed", c.gpu));
        RunResult run = runShell(app, R"([{"do":"close"}])");
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.hasLine(std::string("options AdditionalBrowserArguments=") + c.arguments));
        EXPECT_EQ(preferenceOf(browser), c.value);
        std::vector<std::string> lines;
        for (const std::string& line : runLogIn(userDataFolderFor(L"gpu-game"))) {
            if (line.starts_with("gpu preference "))
                lines.push_back(line);
        }
        if (*c.logged == '\0') {
            EXPECT_TRUE(lines.empty());
        } else {
            EXPECT_EQ(lines, std::vector<std::string>{"gpu preference " + std::string(c.logged) +
                                                      narrow(browser)});
        }
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kPreferences, browser.c_str());
}

// The machine-wide runtime serves every program on the machine: no preference is written or
// removed for it, whatever the game asks; the browser switch still goes to this game's browser.
TEST(Gpu, TheSharedRuntimeIsLeftAlone) {
    const std::vector<std::wstring> before = allPreferences();
    for (const char* gpu : {"high-performance", "default"}) {
        SCOPED_TRACE(gpu);
        ShellApp app(manifest("evergreen", gpu));
        RunResult run = runShell(app, R"([{"do":"close"}])");
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.hasLine(std::string("options AdditionalBrowserArguments=--mute-audio") +
                                (gpu[0] == 'h' ? " --force_high_performance_gpu" : "")));
        EXPECT_EQ(allPreferences(), before);
    }
}

}  // namespace
}  // namespace quorvane::testing
