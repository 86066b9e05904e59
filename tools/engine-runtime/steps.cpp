#include "tools/engine-runtime/steps.h"

#include <windows.h>

#include <mutex>
#include <thread>

#include "platform/utf8.h"
#include "tools/engine-runtime/base64.h"
#include "tools/engine-runtime/engine_log.h"
#include "tools/engine-runtime/web_view.h"

namespace quorvane::engine {

namespace {

struct Key {
    const char* name;
    const char* code;
    int virtualKey;
    const char* text;
};
const Key kKeys[] = {{"F11", "F11", VK_F11, ""},
                     {"Escape", "Escape", VK_ESCAPE, ""},
                     {"Enter", "Enter", VK_RETURN, "\r"},
                     {" ", "Space", VK_SPACE, " "},
                     {"ArrowLeft", "ArrowLeft", VK_LEFT, ""},
                     {"ArrowRight", "ArrowRight", VK_RIGHT, ""},
                     {"ArrowUp", "ArrowUp", VK_UP, ""},
                     {"ArrowDown", "ArrowDown", VK_DOWN, ""}};

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
    void run(const Json& steps, int seconds) {
        const ULONGLONG start = GetTickCount64();
        for (const Json& step : steps) {
            if (finished())
                return;
            refresh();
            logLine("step " + step.dump() + " -> " + performCaught(step));
        }
        if (seconds > 0) {
            const ULONGLONG end = start + static_cast<ULONGLONG>(seconds) * 1000;
            while (GetTickCount64() < end && !finished())
                Sleep(50);
            refresh();
            const std::string finalShot = environmentVariable(L"QV_ENGINE_FINAL_SCREENSHOT");
            if (!finalShot.empty() && !finished())
                logLine("screenshot " + finalShot + " -> " + screenshot(finalShot));
            if (!finished()) {
                logLine("closing the window after " + std::to_string(seconds) + " s");
                PostMessageW(browser_->window, WM_CLOSE, 0, 0);
            }
        }
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

    std::string screenshot(const std::string& target) {
        auto shot = call("Page.captureScreenshot", {{"format", "png"}});
        if (!shot)
            return "failed";
        const std::string png = base64Decode(shot->value("data", ""));
        const std::wstring path = windowsPath(target);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "cannot write";
        DWORD written = 0;
        WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
        CloseHandle(file);
        return "saved " + std::to_string(png.size()) + " bytes";
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
            Sleep(step["wait"].get<DWORD>());
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
            const std::string name = step["key"].get<std::string>();
            Json down = {{"type", "keyDown"}, {"key", name}};
            Json up = {{"type", "keyUp"}, {"key", name}};
            for (const Key& key : kKeys) {
                if (name == key.name) {
                    for (Json* event : {&down, &up}) {
                        (*event)["code"] = key.code;
                        (*event)["windowsVirtualKeyCode"] = key.virtualKey;
                    }
                    if (*key.text != '\0')
                        down["text"] = key.text;
                }
            }
            if (name.size() == 1 && !down.contains("code")) {
                down["text"] = name;
                down["windowsVirtualKeyCode"] = std::toupper(static_cast<unsigned char>(name[0]));
            }
            call("Input.dispatchKeyEvent", down);
            return call("Input.dispatchKeyEvent", up) ? "ok" : "failed";
        }
        if (step.contains("waitTitle")) {
            const std::wstring wanted = utf8ToWide(step["waitTitle"].get<std::string>());
            const ULONGLONG end = GetTickCount64() + step.value("timeout", 15000);
            while (GetTickCount64() < end && !finished()) {
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
            return screenshot(step["screenshot"].get<std::string>());
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
};

}  // namespace

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
    std::thread([steps, seconds = atoi(seconds.c_str())] { StepRunner().run(steps, seconds); })
        .detach();
}

}  // namespace quorvane::engine
