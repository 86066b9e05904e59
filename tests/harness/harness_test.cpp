// The harness itself: message boxes of a child seen and dismissed, and a program of the shell's
// shape run under the stand-in through the loader beside it, with its transcript, exit code and
// time limit.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/harness/app_run.h"
#include "tests/harness/expect_lines.h"
#include "tests/harness/probe_expectations.h"
#include "tests/support/files.h"

namespace quorvane::testing {
namespace {

std::wstring messageBoxProbe() {
    return buildOutputPath(QV_MESSAGE_BOX_PROBE);
}
std::wstring probeShell() {
    return buildOutputPath(QV_PROBE_SHELL);
}

struct IconCase {
    const char* name;
    const wchar_t* flags;
    MessageBoxIcon icon;
};

void PrintTo(const IconCase& c, std::ostream* out) {
    *out << c.name;
}

// Wine differs from Windows here in two ways the capture copes with: a box without icon keeps an
// empty icon control (Windows has none), and a child control of another process reads back black
// through its own DC (the pixels are read through the box's DC instead).
class MessageBoxes : public ::testing::TestWithParam<IconCase> {};

TEST_P(MessageBoxes, AreReportedWithCaptionTextAndIconAndDismissedWithOk) {
    AppFolder app;
    app.installExecutable(messageBoxProbe());
    RunOptions options;
    options.arguments = std::wstring(GetParam().flags) +
                        L" \"Windows Quorvane\" \"Failed to register window class\"";
    options.timeoutMs = 20000;
    RunResult result = runApp(app, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1u);  // one box, answered with OK
    ASSERT_EQ(result.messageBoxes.size(), 1u);
    EXPECT_EQ(result.messageBoxes[0].caption, L"Windows Quorvane");
    EXPECT_EQ(result.messageBoxes[0].text, L"Failed to register window class");
    EXPECT_STREQ(iconName(result.messageBoxes[0].icon), iconName(GetParam().icon));
}

INSTANTIATE_TEST_SUITE_P(EachIcon, MessageBoxes,
                         ::testing::Values(IconCase{"Error", L"10", MessageBoxIcon::Error},
                                           IconCase{"Information", L"40",
                                                    MessageBoxIcon::Information},
                                           IconCase{"Warning", L"30", MessageBoxIcon::Warning},
                                           IconCase{"Question", L"20", MessageBoxIcon::Question},
                                           IconCase{"NoIcon", L"0", MessageBoxIcon::None}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MessageBoxSequence, KeepsOrderAndTextsWithQuotesAndNonAsciiCharacters) {
    AppFolder app;
    app.installExecutable(messageBoxProbe());
    RunOptions options;
    options.arguments =
        L"40 \"Mon app\" \"Le runtime est installé.\" "
        L"10 \"Mon app\" \"This app is set to \\\"fixed\\\" mode\"";
    RunResult result = runApp(app, options);
    EXPECT_EQ(result.exitCode, 2u);
    ASSERT_EQ(result.messageBoxes.size(), 2u);
    EXPECT_EQ(result.messageBoxes[0].text, L"Le runtime est installé.");
    EXPECT_EQ(result.messageBoxes[0].icon, MessageBoxIcon::Information);
    EXPECT_EQ(result.messageBoxes[1].text, L"This app is set to \"fixed\" mode");
    EXPECT_EQ(result.messageBoxes[1].icon, MessageBoxIcon::Error);
}

class ProbeShell : public ::testing::Test {
  protected:
    void SetUp() override {
        app_.installExecutable(probeShell());
        app_.placeLoaderBesideExe();
    }
    AppFolder app_;
};

TEST_F(ProbeShell, RunsToItsCloseAndTheTranscriptShowsEveryCall) {
    RunOptions options;
    options.scenario = R"({"steps":[{"do":"request","uri":"https://probe.test/app.js","context":6},
                                    {"do":"close"}]})";
    RunResult result = runApp(app_, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.messageBoxes.empty());
    ASSERT_TRUE(result.userDataFolder.ends_with(L"\\QuorvaneProbe"));
    EXPECT_EQ(
        differenceFrom(
            result.transcript,
            probeTranscript({"GetAvailableCoreWebView2BrowserVersionString browserFolder=(null) -> "
                             "120.0.2210.91",
                             "CreateCoreWebView2EnvironmentWithOptions browserFolder=(null) "
                             "userDataFolder=" +
                                 narrow(result.userDataFolder)},
                            {"WebResourceRequested GET https://probe.test/app.js context=6",
                             kProbeResponseLine})),
        "");
}

struct FailureCase {
    const char* name;
    const char* scenario;
    DWORD exitCode;
    const wchar_t* text;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class ProbeShellFailures : public ProbeShell, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ProbeShellFailures, EndWithTheirMessageBoxAndExitCode) {
    RunOptions options;
    options.scenario = GetParam().scenario;
    RunResult result = runApp(app_, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    ASSERT_EQ(result.messageBoxes.size(), 1u);
    EXPECT_EQ(result.messageBoxes[0].caption, L"Probe");
    EXPECT_EQ(result.messageBoxes[0].text, GetParam().text);
    EXPECT_EQ(result.messageBoxes[0].icon, MessageBoxIcon::Error);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ProbeShellFailures,
    ::testing::Values(
        FailureCase{"NoRuntime", R"({"runtime":{"present":false}})", 1, L"no runtime"},
        FailureCase{"EnvironmentCallFails", R"({"environment":{"returns":"0x80004005"}})", 4,
                    L"environment creation failed"},
        FailureCase{"EnvironmentCompletesWithError",
                    R"({"environment":{"completes":"0x80070005"}})", 2, L"no environment"},
        FailureCase{"ControllerWithoutObject", R"({"controller":{"nullObject":true}})", 3,
                    L"no controller"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProbeShell, IsKilledAtItsTimeLimitAndKeepsItsTranscript) {
    RunOptions options;
    options.scenario = R"({"steps":[{"do":"title","text":"Still running"}]})";
    options.timeoutMs = 4000;
    bool shown = false;
    options.watch = [&](DWORD processId) {
        for (const WindowSeen& seen : visibleWindowsOf(processId)) {
            shown = shown || (seen.className == L"QuorvaneProbe" && seen.title == L"Probe");
        }
    };
    RunResult result = runApp(app_, options);
    EXPECT_TRUE(shown);  // at DOMContentLoaded
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0xDEADu);
    ASSERT_FALSE(result.transcript.empty());
    EXPECT_EQ(result.transcript.back(), "steps done");
    EXPECT_TRUE(result.hasLine("DocumentTitleChanged Still running"));
}

}  // namespace
}  // namespace quorvane::testing
