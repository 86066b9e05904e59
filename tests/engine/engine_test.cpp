// Real pages in a real browser engine: the built shell under Wine, served to headless Chromium by
// the engine runtime. Each test drives one page; most checks happen in the page itself, which
// reports "DONE: PASS" (or what failed) in its title. Skipped where Chromium is not installed or
// the network is more than loopback (scripts/test.sh provides the namespace).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/scheme_handlers.h"
#include "tests/engine/engine_run.h"
#include "tests/engine/real_page.h"
#include "tests/standin/standin_client.h"
#include "tests/support/files.h"
#include "tests/support/run_log_lines.h"
#include "tests/support/temp_dir.h"
#include "tools/engine-runtime/chromium.h"

#ifndef QV_ENGINE_EXAMPLE
#error "QV_ENGINE_EXAMPLE must name the example app laid out with its assets"
#endif

namespace quorvane::testing {
namespace {

const std::string kManifest = R"({"name": "Engine Page", "window": {"width": 800, "height": 600}})";

// One "request" line of the engine's log.
struct Request {
    std::string method, url, range, context, contentRange;
    int status = 0;
    size_t length = 0;
};

std::string field(const std::string& line, const std::string& name, const std::string& next) {
    size_t start = line.find(" " + name + "=");
    if (start == std::string::npos)
        return {};
    start += name.size() + 2;
    size_t end = next.empty() ? std::string::npos : line.find(" " + next + "=", start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<Request> answeredRequests(const EngineRun& run) {
    std::vector<Request> requests;
    for (const std::string& line : run.linesStartingWith("request ")) {
        size_t arrow = line.find(" -> ");
        if (arrow == std::string::npos || !isdigit(static_cast<unsigned char>(line[arrow + 4])))
            continue;
        Request request;
        const size_t method = line.find(' ');
        const size_t url = line.find(' ', method + 1);
        request.method = line.substr(method + 1, url - method - 1);
        request.url = line.substr(url + 1, line.find(" range=") - url - 1);
        request.range = field(line, "range", "context");
        request.context =
            line.substr(line.find(" context=") + 9, arrow - line.find(" context=") - 9);
        request.status = std::stoi(line.substr(arrow + 4));
        request.length = std::stoul(field(line, "length", "content-range"));
        request.contentRange = field(line, "content-range", "handler_us");
        requests.push_back(request);
    }
    return requests;
}

bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// A window that covers the whole 1920x1080 screen without a caption.
bool fullscreenState(const MainWindowState& state) {
    return state.visible && (state.style & WS_CAPTION) != WS_CAPTION &&
           state.windowRect.left == 0 && state.windowRect.top == 0 &&
           state.windowRect.right == 1920 && state.windowRect.bottom == 1080;
}

// The last state in which the window was still shown (the watch also sees it being destroyed).
MainWindowState lastShown(const MainWindowWatch& watch) {
    MainWindowState shown;
    for (const MainWindowState& state : watch.states()) {
        if (state.visible)
            shown = state;
    }
    return shown;
}


TEST_F(RealPage, TheExampleAppPlaysAsAPlayerSeesIt) {
    EngineApp app(readFile(buildOutputPath(QV_ENGINE_EXAMPLE) + L"\\package.json"), L"");
    app.folder.writeFile(L"www\\index.html", "");
    const std::wstring example = buildOutputPath(QV_ENGINE_EXAMPLE) + L"\\www";
    for (const wchar_t* file :
         {L"index.html", L"css\\style.css", L"js\\game.js", L"img\\tiles.png", L"img\\sprite.png",
          L"img\\icon.png", L"audio\\theme.wav", L"audio\\slide.wav", L"fonts\\DejaVuSans.ttf"}) {
        app.folder.writeFile(std::wstring(L"www\\") + file, readFile(example + L"\\" + file));
    }
    TempDir logFolder;
    const std::wstring links = logFolder / L"links.txt";
    SchemeHandlers handlers({L"http", L"https", L"mailto"}, links);
    MainWindowWatch watch;
    // F11 twice (on, then off), one tile slid into the gap by a click and two by the arrow keys
    // (browser keys are off: the page still gets every key), the credits link, then the page
    // closes its window.
    EngineRun run = runInEngine(app, R"JS([
        {"waitTitle": "Level 1"}, {"wait": 300},
        {"key": "F11"}, {"wait": 800}, {"key": "F11"}, {"wait": 800},
        {"click": [265, 471]}, {"waitTitle": "1 move"},
        {"key": "ArrowLeft"}, {"waitTitle": "2 moves"}, {"key": "ArrowDown"}, {"waitTitle": "3 moves"},
        {"evaluate": "document.getElementById('credits').click()"
}, {"wait": 1500},
        {"evaluate": "window.close()"}])JS",
                                &watch);
    ASSERT_FALSE(run.run.timedOut) << run.text();
    EXPECT_EQ(run.run.exitCode, 0u) << run.text();
    EXPECT_EQ(run.lastTitle(), "Sky Puzzle - Level 1 - 3 moves") << run.text();
    ASSERT_FALSE(watch.states().empty());
    EXPECT_FALSE(watch.states().front().visible);
    EXPECT_TRUE(watch.everVisible());
    EXPECT_EQ(lastShown(watch).title, L"Sky Puzzle - Level 1 - 3 moves");
    // What the example turns off for its players reached the runtime.
    for (const char* setting :
         {"settings AreDefaultContextMenusEnabled=0", "settings AreDevToolsEnabled=0",
          "settings AreBrowserAcceleratorKeysEnabled=0"}) {
        EXPECT_EQ(run.linesStartingWith(setting).size(), 1u) << setting << "\n" << run.text();
    }

    // Every asset answered; the browser's own favicon request is the only miss.
    std::vector<std::string> answered;
    for (const Request& request : answeredRequests(run)) {
        if (request.url.ends_with("/favicon.ico")) {
            EXPECT_EQ(request.status, 404);
            continue;
        }
        answered.push_back(request.url.substr(request.url.rfind('/') + 1));
        if (request.context == "Media") {
            EXPECT_EQ(request.status, 206) << request.url;
            EXPECT_TRUE(request.contentRange.starts_with("bytes ")) << request.url;
        } else {
            EXPECT_EQ(request.status, 200) << request.url;
        }
    }
    for (const char* file : {"index.html", "style.css", "game.js", "tiles.png", "sprite.png",
                             "theme.wav", "slide.wav", "DejaVuSans.ttf"}) {
        EXPECT_NE(std::find(answered.begin(), answered.end(), file), answered.end()) << file;
    }

    // The first F11 asks for fullscreen, the second leaves it, through the page API; the window
    // follows. Each move is kept in the game's save.
    EXPECT_EQ(run.linesStartingWith("page request set-fullscreen").size(), 2u) << run.text();
    EXPECT_EQ(run.linesStartingWith("page request saves.write").size(), 3u) << run.text();
    for (const std::string& line : run.linesStartingWith("page reply"))
        EXPECT_TRUE(line.ends_with(" ok")) << line;
    EXPECT_TRUE(std::any_of(watch.states().begin(), watch.states().end(), fullscreenState));
    EXPECT_FALSE(fullscreenState(lastShown(watch)));
    // Each switch of the window is logged (no element of the page was fullscreen).
    EXPECT_EQ(run.linesStartingWith("window fullscreen "),
              (std::vector<std::string>{"window fullscreen 1", "window fullscreen 0"}))
        << run.text();
    EXPECT_TRUE(run.linesStartingWith("fullscreen ").empty()) << run.text();

    EXPECT_TRUE(contains(run.log, "new window https://example.com/sky-puzzle/credits handled=1"))
        << run.text();
    std::vector<std::string> recorded;
    for (int i = 0; i < 50 && recorded.empty(); ++i) {
        Sleep(100);
        recorded = recordedLinks(links);
    }
    EXPECT_EQ(recorded, std::vector<std::string>{"https://example.com/sky-puzzle/credits"});
    EXPECT_TRUE(run.linesStartingWith("console error").empty()) << run.text();
    EXPECT_TRUE(run.linesStartingWith("uncaught").empty()) << run.text();
}

// A threaded game's page: with isolation its worker writes into memory it shares with the page;
// without, the browser gives it no SharedArrayBuffer at all.
TEST_F(RealPage, CrossOriginIsolationGivesThePageSharedMemory) {
    const std::pair<const char*, const char*> cases[] = {
        {"true", "DONE: isolated=true shared=4242"},
        {"false", "DONE: isolated=false no SharedArrayBuffer"},
    };
    for (const auto& [isolation, title] : cases) {
        SCOPED_TRACE(isolation);
        EngineApp app(
            std::string(R"({"name": "Engine Page", "settings": {"cross-origin-isolation": )") +
                isolation + "}}",
            L"isolation");
        EngineRun run = runInEngine(app, R"JS([{"waitTitle": "DONE:", "timeout": 20000},
                                             {"evaluate": "window.close()"}])JS");
        EXPECT_EQ(run.lastTitle(), title) << run.text();
        // The worker is fetched only where there is memory to share.
        const std::vector<Request> requests = answeredRequests(run);
        EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                                [](const Request& r) {
                                    return r.url.ends_with("/worker.js") && r.status == 200;
                                }),
                  std::string(isolation) == "true" ? 1 : 0)
            << run.text();
        EXPECT_EQ(run.run.exitCode, 0u);
    }
}

// A 16-bit mono PCM WAV of |seconds| at 22050 Hz: long enough to be fetched by ranges.
std::string wavFile(int seconds) {
    const uint32_t rate = 22050;
    std::string samples;
    for (uint32_t i = 0; i < rate * static_cast<uint32_t>(seconds); ++i) {
        const int16_t value = static_cast<int16_t>(((i / 50) % 2 ? 3000 : -3000));
        samples.append(reinterpret_cast<const char*>(&value), 2);
    }
    auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    return "RIFF" + u32(36 + static_cast<uint32_t>(samples.size())) + "WAVEfmt " + u32(16) +
           u16(1) + u16(1) + u32(rate) + u32(rate * 2) + u16(2) + u16(16) + "data" +
           u32(static_cast<uint32_t>(samples.size())) + samples;
}

TEST_F(RealPage, MediaPlaysAndSeeksThroughRangeAnswers) {
    EngineApp app(kManifest, L"media");
    app.folder.writeFile(L"www\\sound\\tone.wav", wavFile(30));
    EngineRun run = runInEngine(app, R"JS([{"waitTitle": "DONE:", "timeout": 30000},
                                         {"evaluate": "window.close()"}])JS");
    EXPECT_EQ(run.lastTitle(), "DONE: PASS") << run.text();
    const size_t size = 44 + 30 * 22050 * 2;
    int media = 0;
    for (const Request& request : answeredRequests(run)) {
        if (request.context != "Media")
            continue;
        ++media;
        // "bytes=first-[last]" answered with exactly that range.
        ASSERT_TRUE(request.range.starts_with("bytes=")) << request.range;
        const size_t first = std::stoul(request.range.substr(6));
        const std::string lastText = request.range.substr(request.range.find('-') + 1);
        const size_t last =
            lastText.empty() ? size - 1 : std::min<size_t>(std::stoul(lastText), size - 1);
        EXPECT_EQ(request.status, 206);
        EXPECT_EQ(request.contentRange, "bytes " + std::to_string(first) + "-" +
                                            std::to_string(last) + "/" + std::to_string(size));
        EXPECT_EQ(request.length, last - first + 1);
    }
    EXPECT_GE(media, 1) << run.text();
    EXPECT_EQ(run.run.exitCode, 0u);
}

TEST_F(RealPage, AssetsArriveAsThePageExpects) {
    EngineApp app(kManifest, L"assets");
    app.folder.writeFile(L"www\\fonts\\test font.ttf",
                         readFile(L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf"));
    EngineRun run = runInEngine(app, R"JS([{"waitTitle": "DONE:", "timeout": 30000},
                                         {"evaluate": "window.close()"}])JS");
    EXPECT_EQ(run.lastTitle(), "DONE: PASS") << run.text();
    EXPECT_TRUE(contains(run.log, "/data/missing.json range=- context=XHR -> 404")) << run.text();
    EXPECT_TRUE(
        contains(run.log, "/wasm/add.wasm range=- context=XHR -> 200 type=application/wasm"))
        << run.text();
    // Permissions asked through page APIs reach the shell, which grants them.
    EXPECT_TRUE(contains(run.log,
                         "permission notifications https://quorvane.localhost/index.html -> allow"))
        << run.text();
    EXPECT_TRUE(contains(
        run.log, "permission clipboard-read https://quorvane.localhost/index.html -> allow"))
        << run.text();
    EXPECT_EQ(run.run.exitCode, 0u);
}

TEST_F(RealPage, NavigationAwayIsCancelledAndNewWindowsOnlyReachTheirPrograms) {
    EngineApp app(kManifest, L"nav");
    TempDir logFolder;
    const std::wstring links = logFolder / L"links.txt";
    SchemeHandlers handlers({L"http", L"https", L"mailto", L"ms-settings", L"quorvanetest"}, links);
    EngineRun run = runInEngine(app, R"JS([{"waitTitle": "ready"},
        {"evaluate": "document.getElementById('away').click()"
}, {"wait": 500},
        {"evaluate": "location.href = 'http://example.com/plain'"}, {"wait": 500},
        {"evaluate": "document.getElementById('form').submit()"}, {"wait": 800},
        {"evaluate": "window.marker"},
        {"evaluate": "window.open('https://example.com/popup') && 1"},
        {"evaluate": "document.getElementById('blank').click()"},
        {"evaluate": "window.open('mailto:team@example.com') && 1"},
        {"evaluate": "window.open('ms-settings:privacy') && 1"},
        {"evaluate": "window.open('quorvanetest:run') && 1"}, {"wait": 1500},
        {"evaluate": "window.marker"}, {"evaluate": "window.close()"}])JS");
    EXPECT_EQ(run.run.exitCode, 0u) << run.text();
    EXPECT_EQ(run.linesStartingWith("navigation cancelled"),
              (std::vector<std::string>{"navigation cancelled GET https://example.com/elsewhere",
                                        "navigation cancelled GET http://example.com/plain",
                                        "navigation cancelled POST https://example.com/submit"}))
        << run.text();
    // The page was never replaced, and nothing outside the app origin was fetched or loaded.
    EXPECT_EQ(run.linesStartingWith("step {\"evaluate\":\"window.marker\"}"),
              std::vector<std::string>(2, R"(step {"evaluate":"window.marker"} -> "original")"));
    EXPECT_EQ(run.linesStartingWith("navigated "),
              std::vector<std::string>{"navigated https://quorvane.localhost/index.html"});
    for (const Request& request : answeredRequests(run))
        EXPECT_TRUE(request.url.starts_with("https://quorvane.localhost/")) << request.url;
    EXPECT_FALSE(contains(run.linesStartingWith("request "), "example.com")) << run.text();

    std::vector<std::string> recorded;
    for (int i = 0; i < 50 && recorded.size() < 3; ++i) {
        Sleep(100);
        recorded = recordedLinks(links);
    }
    Sleep(500);
    recorded = recordedLinks(links);
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(recorded,
              (std::vector<std::string>{"https://example.com/blank-target",
                                        "https://example.com/popup", "mailto:team@example.com"}))
        << run.text();
}

TEST_F(RealPage, TheFullscreenApiTakesTheWindowAlong) {
    EngineApp app(kManifest, L"fullscreen");
    MainWindowWatch watch;
    EngineRun run = runInEngine(app, R"JS([{"waitTitle": "ready"},
        {"click": [100, 50]}, {"waitTitle": "full"}, {"wait": 800},
        {"evaluate": "document.exitFullscreen().then(() => 'left')"
}, {"waitTitle": "windowed"},
        {"wait": 800}, {"evaluate": "window.close()"}])JS",
                                &watch);
    EXPECT_EQ(run.run.exitCode, 0u) << run.text();
    EXPECT_EQ(run.linesStartingWith("fullscreen "),
              (std::vector<std::string>{"fullscreen 1", "fullscreen 0"}))
        << run.text();
    EXPECT_EQ(run.linesStartingWith("window fullscreen "),
              (std::vector<std::string>{"window fullscreen 1", "window fullscreen 0"}))
        << run.text();
    EXPECT_TRUE(std::any_of(watch.states().begin(), watch.states().end(), fullscreenState));
    ASSERT_FALSE(watch.states().empty());
    EXPECT_FALSE(fullscreenState(lastShown(watch)));
    EXPECT_EQ(lastShown(watch).clientRect.right, 800);
}

TEST_F(RealPage, ThreeHundredImagesAndTwentyRangesLoadAtOnce) {
    EngineApp app(kManifest, L"load");
    for (int n = 0; n < 300; ++n) {
        // A 2x2 24-bit BMP (rows padded to 4 bytes) of colour (n, 7n, 13n) mod 256.
        std::string bmp = "BM";
        auto u32 = [&](uint32_t v) { bmp.append(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](uint16_t v) { bmp.append(reinterpret_cast<const char*>(&v), 2); };
        u32(70), u32(0), u32(54), u32(40), u32(2), u32(2), u16(1), u16(24), u32(0), u32(16),
            u32(2835), u32(2835), u32(0), u32(0);
        const char pixel[3] = {static_cast<char>(n * 13 % 256), static_cast<char>(n * 7 % 256),
                               static_cast<char>(n % 256)};
        for (int row = 0; row < 2; ++row) {
            bmp.append(pixel, 3).append(pixel, 3).append(2, '\0');
        }
        app.folder.writeFile(L"www\\img\\i" + std::to_wstring(n) + L".bmp", bmp);
    }
    std::string blob(1 << 20, '\0');
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<char>((i * 31 + 7) % 256);
    app.folder.writeFile(L"www\\blob.bin", blob);
    EngineRun run = runInEngine(app, R"JS([{"waitTitle": "DONE:", "timeout": 45000},
                                         {"evaluate": "window.close()"}])JS");
    EXPECT_TRUE(run.lastTitle().starts_with("DONE: PASS 300/300 images 20/20 ranges"))
        << run.lastTitle();
    EXPECT_EQ(run.run.exitCode, 0u);
}

// An app whose page counts its loads in localStorage, with its user data folder (browser profile
// and log) emptied first.
struct CrashApp {
    explicit CrashApp(const std::string& name)
        : userData(userDataFolderFor(std::wstring(name.begin(), name.end()))),
          app(R"({"name": ")" + name + R"(", "window": {"title": "Crashing"}})", L"crash") {
        removeTree(userData);
    }
    std::vector<std::string> loadTitles(const EngineRun& run) const {
        std::vector<std::string> titles;
        for (const std::string& line : run.linesStartingWith("title \"loads"))
            titles.push_back(line.substr(7, line.size() - 8));
        return titles;
    }
    std::wstring userData;
    EngineApp app;
};

TEST_F(RealPage, ACrashedRendererIsReloadedWithItsStorageUntilItCrashesThreeTimesInAMinute) {
    CrashApp crash("Engine Renderer Crash");
    EngineRun run = runInEngine(crash.app, R"JS([{"waitTitle": "loads 1"}, {"crash": "renderer"},
        {"waitTitle": "loads 2"}, {"crash": "renderer"}, {"waitTitle": "loads 3"},
        {"crash": "renderer"}])JS");
    ASSERT_FALSE(run.run.timedOut) << run.text();
    EXPECT_EQ(run.run.exitCode, 2u) << run.text();
    EXPECT_EQ(crash.loadTitles(run),
              (std::vector<std::string>{"loads 1", "loads 2", "loads 3"}))
        << run.text();
    ASSERT_EQ(run.run.messageBoxes.size(), 1u);
    EXPECT_EQ(narrow(run.run.messageBoxes[0].caption), "Crashing");
    EXPECT_EQ(boxText(run.run.messageBoxes[0]),
              "The game stopped working: its browser failed again and again. Start the game "
              "again to continue.");
    std::vector<std::string> failures;
    for (const std::string& line : runLogIn(crash.userData)) {
        if (line.starts_with("process failed") || line.starts_with("reloading") ||
            line.starts_with("giving up") || line.starts_with("exit code"))
            failures.push_back(line.substr(0, line.find(" exit code=")));
    }
    const std::string exited = "process failed kind=1 (render process exited) reason=3 (crashed)";
    EXPECT_EQ(failures, (std::vector<std::string>{
                            exited, "reloading the page", exited, "reloading the page", exited,
                            "giving up: the page's process exited 3 times within 60 s",
                            "exit code=2"}))
        << run.text();
}

// The browser writes local storage to disk up to 5 s after a change (Chromium's commit delay):
// what a page stored just before the browser crashed is lost, as with any browser.
TEST_F(RealPage, ACrashedBrowserIsReplacedAndThePageComesBackWithItsStorage) {
    CrashApp crash("Engine Browser Crash");
    MainWindowWatch watch;
    EngineRun run = runInEngine(crash.app, R"JS([{"waitTitle": "loads 1"},
        {"evaluate": "chrome.webview.postMessage(JSON.stringify({type: 'set-fullscreen', fullscreen: true}))"},
        {"wait": 6000}, {"crash": "browser"}, {"waitTitle": "loads 2", "timeout": 30000},
        {"wait": 300}, {"evaluate": "window.close()"}])JS",
                                &watch);
    ASSERT_FALSE(run.run.timedOut) << run.text();
    EXPECT_EQ(run.run.exitCode, 0u) << run.text();
    EXPECT_EQ(crash.loadTitles(run), (std::vector<std::string>{"loads 1", "loads 2"}))
        << run.text();
    EXPECT_TRUE(run.run.messageBoxes.empty());
    const std::vector<std::string> log = runLogIn(crash.userData);
    EXPECT_TRUE(contains(log, "process failed kind=0 (browser process exited) reason=2 "
                              "(terminated) exit code=137"))
        << run.text();
    EXPECT_TRUE(contains(log, "restarting the browser"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "controller hr=0x00000000"), 2);
    // The same window all along, still fullscreen in the new browser: one switch, logged once.
    EXPECT_TRUE(fullscreenState(lastShown(watch))) << run.text();
    EXPECT_EQ(run.linesStartingWith("window fullscreen "),
              std::vector<std::string>{"window fullscreen 1"})
        << run.text();
}

}  // namespace
}  // namespace quorvane::testing
