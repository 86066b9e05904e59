#include "tools/engine-runtime/steps.h"

#include <windows.h>

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

class StepRunner {
  public:
    StepRunner(std::shared_ptr<Browser> browser, std::string session, HWND window)
        : browser_(std::move(browser)), session_(std::move(session)), window_(window) {}

    void run(const Json& steps, WebView* view, int seconds) {
        const ULONGLONG start = GetTickCount64();
        for (const Json& step : steps) {
            if (browser_->closed)
                return;
            logLine("step " + step.dump() + " -> " + performCaught(step, view));
        }
        if (seconds > 0) {
            const ULONGLONG end = start + static_cast<ULONGLONG>(seconds) * 1000;
            while (GetTickCount64() < end && !browser_->closed)
                Sleep(50);
            const std::string finalShot = environmentVariable(L"QV_ENGINE_FINAL_SCREENSHOT");
            if (!finalShot.empty() && !browser_->closed)
                logLine("screenshot " + finalShot + " -> " + screenshot(finalShot));
            if (!browser_->closed) {
                logLine("closing the window after " + std::to_string(seconds) + " s");
                PostMessageW(window_, WM_CLOSE, 0, 0);
            }
        }
    }

  private:
    std::optional<Json> call(const std::string& method, const Json& params) {
        return browser_->devtools.callSync(method, params, session_);
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
            while (GetTickCount64() < end && !browser_->closed) {
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
    std::string performCaught(const Json& step, WebView* view) {
        try {
            return perform(step, view);
        } catch (const std::exception& error) {
            return std::string("failed: ") + error.what();
        }
    }

    std::string perform(const Json& step, WebView* view) {
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
            while (GetTickCount64() < end && !browser_->closed) {
                if (view->title().find(wanted) != std::wstring::npos)
                    return "ok";
                Sleep(20);
            }
            return "timed out, title " + Json(wideToUtf8(view->title())).dump();
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
            PostMessageW(window_, WM_CLOSE, 0, 0);
            return "ok";
        }
        return "unknown step";
    }

    std::shared_ptr<Browser> browser_;
    std::string session_;
    HWND window_;
};

}  // namespace

void startSteps(const std::shared_ptr<Browser>& browser, WebView* view) {
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
    ComRef<ICoreWebView2> held = ComRef<ICoreWebView2>::copyOf(view);
    std::thread([browser, steps, held = std::make_shared<ComRef<ICoreWebView2>>(std::move(held)),
                 view, seconds = atoi(seconds.c_str())] {
        StepRunner(browser, view->session(), browser->window).run(steps, view, seconds);
    }).detach();
}

}  // namespace quorvane::engine
