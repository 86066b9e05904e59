#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/scoped_com_mem.h"
#include "browser/environment_options.h"

namespace quorvane {
namespace {

using Getter = HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*)(LPWSTR*);
using Setter = HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*)(LPCWSTR);

struct StringProperty {
    const char* name;
    Getter get;
    Setter put;
    const wchar_t* initial;
};

const StringProperty stringProperties[] = {
    {"AdditionalBrowserArguments", &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments,
     &ICoreWebView2EnvironmentOptions::put_AdditionalBrowserArguments, L""},
    {"Language", &ICoreWebView2EnvironmentOptions::get_Language,
     &ICoreWebView2EnvironmentOptions::put_Language, L""},
    {"TargetCompatibleBrowserVersion",
     &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion,
     &ICoreWebView2EnvironmentOptions::put_TargetCompatibleBrowserVersion, L"89.0.774.44"},
};

// Reads a string property; the copy must come from the COM task allocator, which the runtime
// frees it with.
std::wstring read(ICoreWebView2EnvironmentOptions* options, Getter get) {
    ScopedCoMem<wchar_t> value;
    HRESULT hr = (options->*get)(value.put());
    EXPECT_EQ(hr, S_OK);
    if (!value) {
        ADD_FAILURE() << "no string returned";
        return L"<null>";
    }
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(CoGetMalloc(1, &allocator))) {
        EXPECT_EQ(allocator->DidAlloc(value.get()), 1);
        allocator->Release();
    }
    return value.get();
}

TEST(EnvironmentOptions, StartsWithTheRuntimesDefaults) {
    auto options = newEnvironmentOptions();
    ASSERT_TRUE(options);
    for (const StringProperty& property : stringProperties) {
        EXPECT_EQ(read(options.get(), property.get), property.initial) << property.name;
    }
    BOOL allow = 7;
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
    EXPECT_EQ(allow, FALSE);
}

TEST(EnvironmentOptions, StringPropertiesKeepTheirOwnCopies) {
    const std::wstring values[] = {
        L"--disable-gpu --proxy-server=\"http://127.0.0.1:9\"",
        L"fr-CA",
        L"\x00e9t\x00e9 \x65e5\x672c \xd83d\xde00",
        std::wstring(40000, L'x'),
        L"",
    };
    for (const StringProperty& property : stringProperties) {
        auto options = newEnvironmentOptions();
        for (const std::wstring& value : values) {
            std::wstring source = value;
            EXPECT_EQ((options.get()->*property.put)(source.c_str()), S_OK) << property.name;
            source.assign(source.size(), L'?');
            EXPECT_EQ(read(options.get(), property.get), value) << property.name;
        }
    }
}

TEST(EnvironmentOptions, EachReadIsAFreshAllocation) {
    auto options = makeEnvironmentOptions(L"--a");
    ScopedCoMem<wchar_t> first, second;
    ASSERT_EQ(options->get_AdditionalBrowserArguments(first.put()), S_OK);
    ASSERT_EQ(options->get_AdditionalBrowserArguments(second.put()), S_OK);
    EXPECT_NE(first.get(), second.get());
    EXPECT_STREQ(first.get(), L"--a");
    EXPECT_STREQ(second.get(), L"--a");
}

TEST(EnvironmentOptions, NullArgumentsAreRefusedAndChangeNothing) {
    for (const StringProperty& property : stringProperties) {
        auto options = newEnvironmentOptions();
        EXPECT_EQ((options.get()->*property.put)(L"kept"), S_OK);
        EXPECT_EQ((options.get()->*property.get)(nullptr), E_POINTER) << property.name;
        EXPECT_EQ((options.get()->*property.put)(nullptr), E_INVALIDARG) << property.name;
        EXPECT_EQ(read(options.get(), property.get), L"kept") << property.name;
    }
    auto options = newEnvironmentOptions();
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(nullptr), E_POINTER);
}

TEST(EnvironmentOptions, SingleSignOnIsStoredAsABoolean) {
    const struct {
        BOOL put;
        BOOL expected;
    } cases[] = {{TRUE, TRUE}, {FALSE, FALSE}, {5, TRUE}, {-1, TRUE}, {0, FALSE}};
    auto options = newEnvironmentOptions();
    for (const auto& c : cases) {
        EXPECT_EQ(options->put_AllowSingleSignOnUsingOSPrimaryAccount(c.put), S_OK);
        BOOL allow = 42;
        EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
        EXPECT_EQ(allow, c.expected) << "put " << c.put;
    }
}

TEST(EnvironmentOptions, AnswersOnlyIUnknownAndItsOwnInterface) {
    auto options = newEnvironmentOptions();
    for (const IID* iid : {&IID_IUnknown, &IID_ICoreWebView2EnvironmentOptions}) {
        void* found = nullptr;
        ASSERT_EQ(options->QueryInterface(*iid, &found), S_OK);
        EXPECT_EQ(found, static_cast<void*>(options.get()));
        EXPECT_EQ(static_cast<IUnknown*>(found)->Release(), 1u);
    }
    // The runtime asks for the option interfaces of newer SDK generations
    // (ICoreWebView2EnvironmentOptions2 first) and must be told they are not there.
    const IID options2 = {
        0xFF85C98A, 0x1BA7, 0x4A6B, {0x90, 0xC8, 0x2B, 0x75, 0x2C, 0x89, 0xE9, 0xE2}};
    const IID* refused[] = {&options2,
                            &IID_IDispatch,
                            &IID_IMarshal,
                            &IID_IAgileObject,
                            &IID_ICoreWebView2Environment,
                            &IID_ICoreWebView2};
    for (const IID* iid : refused) {
        void* found = reinterpret_cast<void*>(1);
        EXPECT_EQ(options->QueryInterface(*iid, &found), E_NOINTERFACE);
        EXPECT_EQ(found, nullptr);
    }
    EXPECT_EQ(options->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST(EnvironmentOptions, CountsReferences) {
    auto options = newEnvironmentOptions();
    EXPECT_EQ(options->AddRef(), 2u);
    EXPECT_EQ(options->AddRef(), 3u);
    EXPECT_EQ(options->Release(), 2u);
    EXPECT_EQ(options->Release(), 1u);
}

TEST(EnvironmentOptions, MakeSetsTheBrowserArgumentsAlwaysAndNothingElse) {
    const wchar_t* arguments[] = {L"", L"--autoplay-policy=no-user-gesture-required",
                                  L"--a --b=\"c d\""};
    for (const wchar_t* chromiumArgs : arguments) {
        auto options = makeEnvironmentOptions(chromiumArgs);
        ASSERT_TRUE(options);
        EXPECT_EQ(
            read(options.get(), &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments),
            chromiumArgs);
        EXPECT_EQ(read(options.get(), &ICoreWebView2EnvironmentOptions::get_Language), L"");
        EXPECT_EQ(read(options.get(),
                       &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion),
                  L"89.0.774.44");
        BOOL allow = TRUE;
        options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow);
        EXPECT_EQ(allow, FALSE);
    }
}

// The manifest's "chromium-args" as written, then the switch of "gpu" once.
TEST(BrowserArguments, TheGpuSwitchFollowsTheMakersArgumentsOnce) {
    const wchar_t kHigh[] = L"--force_high_performance_gpu";
    const wchar_t kLow[] = L"--force_low_power_gpu";
    struct Case {
        const wchar_t* chromiumArgs;
        GpuPreference gpu;
        const wchar_t* expected;
    } cases[] = {
        {L"", GpuPreference::Default, L""},
        {L"", GpuPreference::HighPerformance, kHigh},
        {L"", GpuPreference::LowPower, kLow},
        {L"--mute-audio  --disable-gpu", GpuPreference::Default, L"--mute-audio  --disable-gpu"},
        {L"--mute-audio", GpuPreference::HighPerformance,
         L"--mute-audio --force_high_performance_gpu"},
        {L"--mute-audio", GpuPreference::LowPower, L"--mute-audio --force_low_power_gpu"},
        // Already there, as Chromium on Windows reads switches: not added again.
        {L"--force_high_performance_gpu", GpuPreference::HighPerformance,
         L"--force_high_performance_gpu"},
        {L"--mute-audio --FORCE_High_Performance_GPU", GpuPreference::HighPerformance,
         L"--mute-audio --FORCE_High_Performance_GPU"},
        {L"-force_high_performance_gpu --x", GpuPreference::HighPerformance,
         L"-force_high_performance_gpu --x"},
        {L"/force_high_performance_gpu", GpuPreference::HighPerformance,
         L"/force_high_performance_gpu"},
        {L"--force_high_performance_gpu=1", GpuPreference::HighPerformance,
         L"--force_high_performance_gpu=1"},
        {L"\t\"--force_low_power_gpu\"", GpuPreference::LowPower, L"\t\"--force_low_power_gpu\""},
        // Only the same switch counts: a longer name, a value or a quoted text is not it.
        {L"--force_high_performance_gpu_x", GpuPreference::HighPerformance,
         L"--force_high_performance_gpu_x --force_high_performance_gpu"},
        {L"--user-agent=\"a --force_high_performance_gpu b\"", GpuPreference::HighPerformance,
         L"--user-agent=\"a --force_high_performance_gpu b\" --force_high_performance_gpu"},
        {L"--js-flags=--force_high_performance_gpu", GpuPreference::HighPerformance,
         L"--js-flags=--force_high_performance_gpu --force_high_performance_gpu"},
        {L"--force_high_performance_gpu", GpuPreference::LowPower,
         L"--force_high_performance_gpu --force_low_power_gpu"},
        {L"force_high_performance_gpu", GpuPreference::HighPerformance,
         L"force_high_performance_gpu --force_high_performance_gpu"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(browserArguments(c.chromiumArgs, c.gpu), c.expected)
            << testing::PrintToString(std::wstring(c.chromiumArgs)) << " gpu "
            << static_cast<int>(c.gpu);
    }
}

}  // namespace
}  // namespace quorvane
