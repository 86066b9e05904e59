#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/single_instance.h"
#include "platform/scoped_handle.h"
#include "tests/e2e/e2e_support.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"

namespace quorvane::testing {
namespace {

const std::string kOneCopy = R"({"name":"one-copy","single-instance":true})";
const std::string kAnyCopies = R"({"name":"any-copies"})";
const char kCloseAtOnce[] = R"({"steps":[{"do":"close"}]})";

// A copy of the game running on another thread until the test closes its window: shown, then
// minimized by the player (the first steps), then waiting.
class RunningCopy {
  public:
    explicit RunningCopy(const AppFolder& folder) {
        thread_ = std::thread([this, &folder] {
            RunOptions options;
            options.scenario =
                R"({"steps":[{"do":"wait","ms":200},{"do":"window","action":"minimize"},)"
                R"({"do":"wait","ms":60000}]})";
            options.fileTag = L"-first";
            options.timeoutMs = 60000;
            options.watch = [this](DWORD processId) { processId_ = processId; };
            result_ = runApp(folder, options);
        });
        // Until its window is there, shown and minimized.
        for (int i = 0; i < 500 && window_ == nullptr; ++i) {
            Sleep(20);
            HWND window = processId_ != 0 ? mainWindowOf(processId_) : nullptr;
            if (window != nullptr && IsWindowVisible(window) && IsIconic(window))
                window_ = window;
        }
    }
    ~RunningCopy() { close(); }

    HWND window() const { return window_; }
    const RunResult& close() {
        if (thread_.joinable()) {
            if (window_ != nullptr)
                PostMessageW(window_, WM_CLOSE, 0, 0);
            thread_.join();
        }
        return result_;
    }

  private:
    std::atomic<DWORD> processId_{0};
    HWND window_ = nullptr;
    RunResult result_;
    std::thread thread_;
};

RunResult secondStart(const AppFolder& folder) {
    RunOptions options;
    options.scenario = kCloseAtOnce;
    options.fileTag = L"-second";
    return runApp(folder, options);
}

bool madeAnEnvironment(const RunResult& run) {
    return !run.linesStartingWith("CreateCoreWebView2EnvironmentWithOptions ").empty();
}

// The second start of a one-copy game: the running copy comes back from the taskbar, and the
// second start ends at once, leaving nothing behind.
TEST(SingleInstance, ASecondStartBringsTheRunningCopyBack) {
    removeTree(userDataFolderFor(L"one-copy"));
    ShellApp app(kOneCopy);
    RunningCopy first(app.folder);
    ASSERT_NE(first.window(), nullptr) << "the first copy never showed its window minimized";

    const ULONGLONG started = GetTickCount64();
    RunResult second = secondStart(app.folder);
    std::printf("the second start ended after %llu ms\n", GetTickCount64() - started);
    EXPECT_FALSE(second.timedOut);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_TRUE(second.transcript.empty());
    EXPECT_TRUE(second.messageBoxes.empty());
    EXPECT_FALSE(IsIconic(first.window()));
    EXPECT_TRUE(IsWindowVisible(first.window()));

    const RunResult& firstRun = first.close();
    EXPECT_EQ(firstRun.exitCode, 0u);
    EXPECT_TRUE(madeAnEnvironment(firstRun));
    // One run's log: the second start wrote no line, not even its own start.
    const std::vector<std::string> log = runLogIn(userDataFolderFor(L"one-copy"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), startLogLine(app.folder, "one-copy", "evergreen"));
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) { return line.starts_with("start "); }),
              1);
    EXPECT_EQ(log.back(), "exit code=0");
}

// Copies that are not one game, or a game that allows several: both run.
TEST(SingleInstance, OtherGamesAndGamesWithoutTheSettingRunSideBySide) {
    struct Case {
        const char* title;
        const std::string& manifest;
        bool sameFolder;
    } cases[] = {
        {"without the setting", kAnyCopies, true},
        {"the same game in another folder", kOneCopy, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ShellApp app(c.manifest);
        ShellApp other(c.manifest);
        RunningCopy first(app.folder);
        ASSERT_NE(first.window(), nullptr);
        RunResult second = secondStart(c.sameFolder ? app.folder : other.folder);
        EXPECT_EQ(second.exitCode, 0u);
        EXPECT_TRUE(madeAnEnvironment(second));
        EXPECT_TRUE(second.hasLine("WindowCloseRequested"));
        EXPECT_TRUE(IsIconic(first.window()));
        EXPECT_EQ(first.close().exitCode, 0u);
    }
}

// The copy that holds the game is still starting (no window yet), or closing and no longer
// answering: the second start waits 5 s, then runs all the same and says why. A copy that
// crashed holding the game does not hold it up at all.
TEST(SingleInstance, ACopyThatDoesNotAnswerHoldsASecondStartUpFor5SecondsOnly) {
    struct Case {
        const char* title;
        bool window;       // the holder published a window...
        bool abandon;      // ...or its thread ended without giving the game up
        const char* note;  // the second start's log line after its start line; "" for none
    } cases[] = {
        {"still starting", false, false,
         "one copy at a time: another copy of this game is running but has no window after "
         "5.0 s (still starting, or closing): starting anyway"},
        {"closing, its window not answering", true, false,
         "one copy at a time: another copy of this game is running but its window did not "
         "answer after 5.0 s (still starting, or closing): starting anyway"},
        {"crashed", false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        removeTree(userDataFolderFor(L"one-copy"));
        ShellApp app(kOneCopy);
        const InstanceNames names = instanceNamesFor(app.folder.executable());

        // The holder: a thread that owns the game's mutex and, for the closing copy, publishes a
        // window of its own and then stops pumping messages.
        ScopedHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        ScopedHandle held(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        // Kept open here, the mutex outlives a holder that ends without releasing it (abandoned).
        ScopedHandle mutex(CreateMutexW(nullptr, FALSE, names.mutex.c_str()));
        std::thread holder([&] {
            WaitForSingleObject(mutex.get(), INFINITE);
            ScopedHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                    0, 8, names.window.c_str()));
            auto* slot = static_cast<volatile LONG64*>(
                MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 8));
            HWND window = nullptr;
            if (c.window) {
                window = CreateWindowExW(0, L"STATIC", L"closing copy", WS_OVERLAPPEDWINDOW, 0, 0,
                                         100, 100, nullptr, nullptr, nullptr, nullptr);
                *slot = reinterpret_cast<intptr_t>(window);
            }
            SetEvent(held.get());
            if (!c.abandon)
                WaitForSingleObject(release.get(), INFINITE);
            *slot = 0;
            UnmapViewOfFile(const_cast<LONG64*>(slot));
            if (window != nullptr)
                DestroyWindow(window);
            if (!c.abandon)
                ReleaseMutex(mutex.get());
        });
        WaitForSingleObject(held.get(), INFINITE);
        if (c.abandon)
            holder.join();

        const ULONGLONG started = GetTickCount64();
        RunResult second = secondStart(app.folder);
        const ULONGLONG took = GetTickCount64() - started;
        std::printf("%s: the second start ran its course in %llu ms\n", c.title, took);
        SetEvent(release.get());
        if (holder.joinable())
            holder.join();

        EXPECT_FALSE(second.timedOut);
        EXPECT_EQ(second.exitCode, 0u);
        EXPECT_TRUE(madeAnEnvironment(second));
        const std::vector<std::string> log = runLogIn(userDataFolderFor(L"one-copy"));
        ASSERT_GE(log.size(), 2u);
        EXPECT_TRUE(log[0].starts_with("start ")) << log[0];
        if (*c.note != '\0') {
            EXPECT_EQ(log[1], c.note);
            // It did wait: the shell counts its 5 s from its own start, after this clock began.
            EXPECT_GE(took, 5000u);
        } else {
            EXPECT_TRUE(log[1].starts_with("runtime found ")) << log[1];
        }
    }
}

// One game whatever the letter case of its path; two folders are two games.
TEST(SingleInstance, TheKeyIsTheExecutableFileNotItsSpelling) {
    TempDir temp;
    writeFile(temp / L"Game\\Game.exe", "MZ");
    writeFile(temp / L"Other\\Game.exe", "MZ");
    const InstanceNames names = instanceNamesFor(temp / L"Game\\Game.exe");
    EXPECT_TRUE(names.mutex.starts_with(L"Local\\Quorvane.instance.")) << narrow(names.mutex);
    EXPECT_EQ(names.mutex.size(), std::wstring(L"Local\\Quorvane.instance.").size() + 16);
    EXPECT_EQ(names.window.substr(names.window.size() - 16),
              names.mutex.substr(names.mutex.size() - 16));
    std::wstring upper = temp / L"GAME\\game.EXE";
    EXPECT_EQ(instanceNamesFor(upper).mutex, names.mutex);
    EXPECT_EQ(instanceNamesFor(temp / L"Other\\..\\Game\\Game.exe").mutex, names.mutex);
    EXPECT_NE(instanceNamesFor(temp / L"Other\\Game.exe").mutex, names.mutex);
}

}  // namespace
}  // namespace quorvane::testing
