#include "tools/engine-runtime/steps.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/utf8.h"
#include "tools/engine-runtime/base64.h"
#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/step_keys.h"
#include "tools/engine-runtime/web_view.h"

namespace quorvane::engine {

namespace {

// The picture of the page as PNG, written to |target| (a Linux or Windows path); says how it went.
std::string saveScreenshot(Browser& browser, const std::string& session, const std::string& target,
                           DWORD timeoutMs) {
    auto shot = browser.devtools.callSync("Page.captureScreenshot", {{"format", "png"}}, session,
                                          timeoutMs);
    if (!shot)
        return "failed";
    const std::string png = base64Decode(shot->value("data", ""));
    const std::wstring path = windowsPath(target);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "cannot write";
    DWORD written = 0;
    const bool whole =
        WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
        written == png.size();
    CloseHandle(file);
    // Half a picture is no picture (a full disk).
    if (!whole) {
        DeleteFileW(path.c_str());
        return "cannot write";
    }
    return "saved " + std::to_string(png.size()) + " bytes";
}

// The page the steps drive: the view of the newest browser. A browser that was lost is followed
// by the one its host makes next, so steps carry on across a browser crash.
struct StepTarget {
    std::shared_ptr<Browser> browser;
    ComRef<WebView> view;
};
std::mutex targetLock;
// Never destroyed, like the thread that reads it: ending a browser at process exit, from the
// library's unloading, would start a process under the loader's lock.
StepTarget& currentTarget = *new StepTarget;

void setTarget(const std::shared_ptr<Browser>& browser, WebView* view) {
    std::lock_guard<std::mutex> guard(targetLock);
    currentTarget.browser = browser;
    currentTarget.view = ComRef<WebView>::copyOf(view);
}

class StepRunner {
  public:
    // With |seconds|, the window is closed that many seconds after the steps began: a step that
    // waits then gives up, and the steps after it do not run.
    void run(const Json& steps, int seconds) {
        if (seconds > 0)
            deadline_ = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
        size_t done = 0;
        for (const Json& step : steps) {
            if (finished() || GetTickCount64() >= deadline_)
                break;
            refresh();
            logLine("step " + step.dump() + " -> " + performCaught(step));
            ++done;
        }
        if (seconds <= 0)
            return;
        while (GetTickCount64() < deadline_ && !finished())
            Sleep(50);
        refresh();
        if (finished())
            return;
        const size_t left = steps.size() - done;
        logLine("closing the window after " + std::to_string(seconds) + " s" +
                (left == 0 ? ""
                           : ", " + std::to_string(left) + (left == 1 ? " step" : " steps") +
                                 " not run"));
        // The final picture is taken as the window goes (takeFinalScreenshot).
        PostMessageW(browser_->window, WM_CLOSE, 0, 0);
    }

  private:
    // Takes the newest page for the next step.
    void refresh() {
        std::lock_guard<std::mutex> guard(targetLock);
        if (browser_ == currentTarget.browser)
            return;
        if (browser_) {
            // A lost browser and its view are let go on the thread that made them (which owns
            // their windows), by way of the newest browser's queue.
            auto old = std::make_shared<ComRef<WebView>>(std::move(view_));
            currentTarget.browser->devtools.post([browser = std::move(browser_), old] {});
        }
        browser_ = currentTarget.browser;
        view_ = ComRef<WebView>::copyOf(currentTarget.view.get());
    }
    // The host closed its browser (a lost one is followed by the next).
    bool finished() {
        std::lock_guard<std::mutex> guard(targetLock);
        return currentTarget.browser->closed && !currentTarget.browser->lost;
    }
    std::optional<Json> call(const std::string& method, const Json& params) {
        return browser_->devtools.callSync(method, params, view_->session());
    }
    std::wstring title() {
        refresh();
        return view_->title();
    }

    // Milliseconds from now until |end| or the deadline, whichever comes first.
    DWORD until(ULONGLONG end) const {
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG last = std::min(end, deadline_);
        return last > now ? static_cast<DWORD>(last - now) : 0;
    }

    // Loads |url| (served by anything but the host) in a second page of the same browser, waits
    // for its load event and for |until| to be true there, and reports the load event's time, for
    // comparing the host's serving with plain serving. New pages are not held for inspection
    // meanwhile, so this page is not taken for a popup.
    std::string compare(const std::string& url, const std::string& until) {
        DevTools& devtools = browser_->devtools;
        devtools.callSync(
            "Target.setAutoAttach",
            {{"autoAttach", false}, {"waitForDebuggerOnStart", false}, {"flatten", true}});
        std::string outcome = "failed";
        auto created = devtools.callSync("Target.createTarget", {{"url", "about:blank"}});
        if (created) {
            const std::string target = created->value("targetId", "");
            auto attached = devtools.callSync("Target.attachToTarget",
                                              {{"targetId", target}, {"flatten", true}});
            const std::string session = attached ? attached->value("sessionId", "") : "";
            devtools.callSync("Page.navigate", {{"url", url}}, session);
            const std::string probe =
                "(() => { const n = performance.getEntriesByType('navigation')[0]; "
                "return n && n.loadEventEnd > 0 && (" +
                until + ") ? n.loadEventStart : -1; })()";
            const ULONGLONG end = GetTickCount64() + 60000;
            while (GetTickCount64() < end && !finished()) {
                auto result = devtools.callSync(
                    "Runtime.evaluate", {{"expression", probe}, {"returnByValue", true}}, session);
                const Json value = result ? (*result)["result"].value("value", Json(-1)) : Json(-1);
                if (value.is_number() && value.get<double>() >= 0) {
                    outcome = "load event " + value.dump() + " ms";
                    break;
                }
                Sleep(50);
            }
            devtools.callSync("Target.closeTarget", {{"targetId", target}});
        }
        devtools.callSync(
            "Target.setAutoAttach",
            {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}});
        return outcome;
    }

    // A step of the wrong shape (a text where a number belongs) fails alone; thrown on this
    // detached thread it would end the whole process.
    std::string performCaught(const Json& step) {
        try {
            return perform(step);
        } catch (const std::exception& error) {
            return std::string("failed: ") + error.what();
        }
    }

    std::string perform(const Json& step) {
        if (step.contains("wait")) {
            const ULONGLONG end = GetTickCount64() + step["wait"].get<DWORD>();
            for (DWORD left = until(end); left > 0 && !finished(); left = until(end))
                Sleep(std::min<DWORD>(left, 50));
            return "ok";
        }
        if (step.contains("click")) {
            const double x = step["click"][0].get<double>();
            const double y = step["click"][1].get<double>();
            call("Input.dispatchMouseEvent", {{"type", "mouseMoved"}, {"x", x}, {"y", y}});
            call("Input.dispatchMouseEvent", {{"type", "mousePressed"},
                                              {"x", x},
                                              {"y", y},
                                              {"button", "left"},
                                              {"clickCount", 1}});
            auto done = call("Input.dispatchMouseEvent", {{"type", "mouseReleased"},
                                                          {"x", x},
                                                          {"y", y},
                                                          {"button", "left"},
                                                          {"clickCount", 1}});
            return done ? "ok" : "failed";
        }
        if (step.contains("key")) {
            const std::optional<KeyPress> press = keyPress(step["key"].get<std::string>());
            if (!press)
                return "unknown key";
            call("Input.dispatchKeyEvent", press->down);
            return call("Input.dispatchKeyEvent", press->up) ? "ok" : "failed";
        }
        if (step.contains("waitTitle")) {
            const std::wstring wanted = utf8ToWide(step["waitTitle"].get<std::string>());
            const ULONGLONG end = GetTickCount64() + step.value("timeout", 15000);
            while (until(end) > 0 && !finished()) {
                if (title().find(wanted) != std::wstring::npos)
                    return "ok";
                Sleep(20);
            }
            return "timed out, title " + Json(wideToUtf8(title())).dump();
        }
        if (step.contains("evaluate")) {
            auto result =
                call("Runtime.evaluate", {{"expression", step["evaluate"].get<std::string>()},
                                          {"userGesture", true},
                                          {"awaitPromise", true},
                                          {"returnByValue", true}});
            if (!result)
                return "failed";
            if (result->contains("exceptionDetails"))
                return "exception " + (*result)["exceptionDetails"].value("text", "");
            return (*result)["result"].value("value", Json()).dump();
        }
        if (step.contains("screenshot"))
            return saveScreenshot(*browser_, view_->session(),
                                  step["screenshot"].get<std::string>(), 20000);
        if (step.contains("compare"))
            return compare(step["compare"].get<std::string>(),
                           step.value("until", std::string("true")));
        if (step.contains("close")) {
            PostMessageW(browser_->window, WM_CLOSE, 0, 0);
            return "ok";
        }
        if (step.contains("crash"))
            return crash(step.value("crash", ""));
        return "unknown step";
    }

    // What a crashing page or browser would do, for testing the host's recovery.
    std::string crash(const std::string& what) {
        if (what == "renderer") {
            // The renderer dies before it could answer: no reply is waited for.
            browser_->devtools.call("Page.crash", Json::object(), view_->session());
            return "ok";
        }
        if (what == "browser") {
            browser_->process.crash();
            return "ok";
        }
        return "unknown crash (renderer or browser)";
    }

    std::shared_ptr<Browser> browser_;
    ComRef<WebView> view_;
    ULONGLONG deadline_ = ~0ULL;
};

}  // namespace

void takeFinalScreenshot(Browser& browser) {
    // The UI thread's: the window goes once.
    static bool taken = false;
    if (taken)
        return;
    taken = true;
    const std::string target = environmentVariable(L"QV_ENGINE_FINAL_SCREENSHOT");
    if (target.empty())
        return;
    // Replies reach a waiting caller from the connection's reader, so the UI thread may wait
    // here; not for long, as the page's dialogs, handled on this thread, wait meanwhile.
    const std::string session = browser.view != nullptr ? browser.view->session() : "";
    logLine("screenshot " + target + " -> " +
            (browser.closed ? std::string("failed, the browser is gone")
                            : saveScreenshot(browser, session, target, 5000)));
}

void startSteps(const std::shared_ptr<Browser>& browser, WebView* view) {
    setTarget(browser, view);
    static bool started = false;
    if (started)
        return;
    started = true;
    const std::string stepsPath = environmentVariable(L"QV_ENGINE_STEPS");
    const std::string seconds = environmentVariable(L"QV_ENGINE_SECONDS");
    if (stepsPath.empty() && seconds.empty())
        return;
    Json steps = Json::array();
    if (!stepsPath.empty()) {
        steps = Json::parse(readWholeFile(windowsPath(stepsPath)), nullptr, false);
        if (!steps.is_array()) {
            logLine("steps: " + stepsPath + " holds no JSON array");
            steps = Json::array();
        }
    }
    std::thread([steps, seconds = atoi(seconds.c_str())] {
        StepRunner().run(steps, seconds);
    }).detach();
}

}  // namespace quorvane::engine
