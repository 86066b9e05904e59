// Each way the runtime loader reaches a runtime, end to end: a program of the shell's shape finds
// the stand-in through WebView2Loader.dll beside it, through the machine-wide runtime's registry
// registration, and as a fixed runtime in the relative folder "webview2"; it creates an
// environment and a controller, navigates, and answers the page's request. These tests change the
// registry of the shared test prefix and run serially.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "tests/browser/runtime_layout.h"
#include "tests/harness/app_run.h"
#include "tests/harness/expect_lines.h"
#include "tests/harness/probe_expectations.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

enum class Path { LoaderBesideExe, Registry, FixedFolder };

struct PathCase {
    const char* name;
    Path path;
    const wchar_t* arguments;
    // How the environment was asked for: the version query made through the loader library (none
    // when the built-in loader answers it), then the creating call up to its user data folder.
    const char* versionLine;
    const char* createLine;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.name;
}

class LoaderPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(LoaderPaths, ReachTheRuntimeAndServeTheFirstRequest) {
    const PathCase& c = GetParam();
    AppFolder app;
    app.installExecutable(buildOutputPath(QV_PROBE_SHELL));
    // No machine-wide runtime unless this case registers one.
    RuntimeRegistration machine(HKEY_LOCAL_MACHINE, std::nullopt);
    std::optional<std::wstring> registered;
    if (c.path == Path::Registry) {
        registered = app.root() + L"\\EdgeWebView\\Application\\120.0.2210.91";
        placeClientLibrary(*registered, standinDllPath());
    }
    RuntimeRegistration user(HKEY_CURRENT_USER, registered);
    if (c.path == Path::LoaderBesideExe)
        app.placeLoaderBesideExe();
    if (c.path == Path::FixedFolder)
        app.placeFixedRuntime(L"webview2");

    RunOptions options;
    options.arguments = c.arguments;
    options.scenario = R"({"steps":[{"do":"close"}]})";
    RunResult result = runApp(app, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.messageBoxes.empty());
    ASSERT_FALSE(result.userDataFolder.empty());

    std::vector<std::string> head;
    if (c.versionLine != nullptr)
        head.push_back(c.versionLine);
    head.push_back(c.createLine + narrow(result.userDataFolder));
    EXPECT_EQ(differenceFrom(result.transcript, probeTranscript(head, {})), "");
}

INSTANTIATE_TEST_SUITE_P(
    EachPath, LoaderPaths,
    ::testing::Values(
        PathCase{"LoaderBesideExe", Path::LoaderBesideExe, L"",
                 "GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> "
                 "120.0.2210.91",
                 "CreateCoreWebView2EnvironmentWithOptions browserFolder=(null) userDataFolder="},
        PathCase{"Registry", Path::Registry, L"", nullptr,
                 "CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=1 "
                 "runtimeType=0 userDataFolder="},
        PathCase{"FixedFolder", Path::FixedFolder, L"fixed", nullptr,
                 "CreateWebViewEnvironmentWithOptionsInternal checkRunningInstance=1 "
                 "runtimeType=1 userDataFolder="}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoaderPathsWithoutRuntime, FindNoneAndNeverLoadTheStandIn) {
    AppFolder app;
    app.installExecutable(buildOutputPath(QV_PROBE_SHELL));
    RuntimeRegistration machine(HKEY_LOCAL_MACHINE, std::nullopt);
    RuntimeRegistration user(HKEY_CURRENT_USER, std::nullopt);
    for (const wchar_t* arguments : {L"", L"fixed"}) {
        RunOptions options;
        options.arguments = arguments;
        RunResult result = runApp(app, options);
        EXPECT_EQ(result.exitCode, 1u);
        ASSERT_EQ(result.messageBoxes.size(), 1u);
        EXPECT_EQ(result.messageBoxes[0].text, L"no runtime");
        EXPECT_TRUE(result.transcript.empty());
    }
}

}  // namespace
}  // namespace quorvane::testing
