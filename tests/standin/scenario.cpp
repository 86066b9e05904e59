#include "tests/standin/scenario.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "tests/standin/standin_environment.h"
#include "tests/standin/transcript.h"

namespace quorvane::standin {

namespace {

using nlohmann::json;

std::wstring wide(const json& value) {
    return utf8ToWide(value.get<std::string>());
}

// An HRESULT written as a hex string ("0x80004005") or as a number.
HRESULT hresultOf(const json& value) {
    if (value.is_string()) {
        return static_cast<HRESULT>(std::stoul(value.get<std::string>(), nullptr, 16));
    }
    return static_cast<HRESULT>(value.get<long long>());
}

// A misspelt member would otherwise be ignored without a word and the test would test less.
void onlyMembers(const json& value, std::initializer_list<const char*> known) {
    if (!value.is_object())
        throw std::invalid_argument("not an object: " + value.dump());
    for (const auto& item : value.items()) {
        bool found = false;
        for (const char* name : known)
            found = found || item.key() == name;
        if (!found)
            throw std::invalid_argument("unknown member \"" + item.key() + "\"");
    }
}

CreationOutcome outcomeOf(const json& value) {
    onlyMembers(value, {"returns", "completes", "nullObject"});
    CreationOutcome outcome;
    if (value.contains("returns"))
        outcome.returns = hresultOf(value["returns"]);
    if (value.contains("completes")) {
        outcome.completes = hresultOf(value["completes"]);
        outcome.deliversObject = SUCCEEDED(outcome.completes);
    }
    if (value.contains("nullObject"))
        outcome.deliversObject = !value["nullObject"].get<bool>();
    return outcome;
}

std::wstring headerLines(const json& value) {
    std::wstring lines;
    for (const json& line : value) {
        if (!lines.empty())
            lines += L"\n";
        lines += wide(line);
    }
    return lines;
}

// {"do":"window","action":"drag","rect":[L,T,R,B]} or an action without a rectangle.
void windowActionOf(const json& value, Step& step) {
    const std::string action = value.at("action").get<std::string>();
    const bool drag = action == "drag";
    if (!drag && action != "maximize" && action != "minimize" && action != "restore" &&
        action != "close") {
        throw std::invalid_argument("unknown window action \"" + action + "\"");
    }
    step.text = utf8ToWide(action);
    if (drag != value.contains("rect"))
        throw std::invalid_argument("a \"rect\" goes with \"drag\" and only with it");
    if (drag) {
        const json& rect = value["rect"];
        if (!rect.is_array() || rect.size() != 4)
            throw std::invalid_argument("\"rect\" is not [left, top, right, bottom]");
        step.rect = {rect[0].get<LONG>(), rect[1].get<LONG>(), rect[2].get<LONG>(),
                     rect[3].get<LONG>()};
    }
}

Step stepOf(const json& value) {
    static const std::pair<const char*, Step::Kind> kinds[] = {
        {"request", Step::Kind::Request},
        {"navigate", Step::Kind::Navigate},
        {"domContentLoaded", Step::Kind::DomContentLoaded},
        {"title", Step::Kind::Title},
        {"messageString", Step::Kind::MessageString},
        {"messageJson", Step::Kind::MessageJson},
        {"fullscreen", Step::Kind::Fullscreen},
        {"permission", Step::Kind::Permission},
        {"newWindow", Step::Kind::NewWindow},
        {"close", Step::Kind::Close},
        {"wait", Step::Kind::Wait},
        {"processFailed", Step::Kind::ProcessFailed},
        {"window", Step::Kind::Window},
    };
    onlyMembers(value,
                {"do",     "uri",      "method",        "headers", "context", "source",
                 "text",   "enter",    "userInitiated", "parses",  "kind",    "ms",
                 "reason", "exitCode", "description",   "details", "badArgs", "fromReplacedView",
                 "action", "rect"});
    const std::string name = value.at("do").get<std::string>();
    Step step;
    bool known = false;
    for (const auto& [text, kind] : kinds) {
        if (name == text) {
            step.kind = kind;
            known = true;
        }
    }
    if (!known)
        throw std::invalid_argument("unknown step \"" + name + "\"");
    if (value.contains("uri"))
        step.uri = wide(value["uri"]);
    if (value.contains("method"))
        step.method = wide(value["method"]);
    if (value.contains("headers"))
        step.headers = headerLines(value["headers"]);
    if (value.contains("context"))
        step.context = value["context"].get<int>();
    if (value.contains("source"))
        step.source = wide(value["source"]);
    if (value.contains("text"))
        step.text = wide(value["text"]);
    if (value.contains("enter"))
        step.flag = value["enter"].get<bool>();
    if (value.contains("userInitiated"))
        step.flag = value["userInitiated"].get<bool>();
    if (value.contains("parses"))
        step.parses = value["parses"].get<bool>();
    if (value.contains("kind"))
        step.number = value["kind"].get<int>();
    if (value.contains("ms"))
        step.number = value["ms"].get<int>();
    if (value.contains("reason"))
        step.reason = value["reason"].get<int>();
    if (value.contains("exitCode"))
        step.exitCode = value["exitCode"].get<int>();
    if (value.contains("description"))
        step.text = wide(value["description"]);
    if (value.contains("details"))
        step.details = value["details"].get<bool>();
    if (value.contains("badArgs"))
        step.badArgs = value["badArgs"].get<bool>();
    if (value.contains("fromReplacedView"))
        step.fromReplacedView = value["fromReplacedView"].get<bool>();
    if (step.kind == Step::Kind::Window)
        windowActionOf(value, step);
    return step;
}

std::string readWholeFile(const std::wstring& path) {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw std::runtime_error("cannot open the scenario file");
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

}  // namespace

Scenario parseScenario(const std::string& text) {
    const json root = json::parse(text);
    onlyMembers(root, {"runtime", "environment", "controller", "webView2", "pagesParse",
                       "newestSettings", "steps"});
    Scenario scenario;
    if (root.contains("runtime")) {
        const json& runtime = root["runtime"];
        onlyMembers(runtime, {"present", "version", "appearsAtQuery"});
        if (runtime.contains("appearsAtQuery")) {
            scenario.runtimeAppearsAtQuery = runtime["appearsAtQuery"].get<int>();
        }
        if (runtime.contains("present"))
            scenario.runtimePresent = runtime["present"].get<bool>();
        if (runtime.contains("version"))
            scenario.version = wide(runtime["version"]);
    }
    if (root.contains("environment"))
        scenario.environment = outcomeOf(root["environment"]);
    if (root.contains("controller"))
        scenario.controller = outcomeOf(root["controller"]);
    if (root.contains("webView2"))
        scenario.offersWebView2 = root["webView2"].get<bool>();
    if (root.contains("pagesParse"))
        scenario.pagesParse = root["pagesParse"].get<bool>();
    if (root.contains("newestSettings")) {
        scenario.newestSettings = root["newestSettings"].get<int>();
        if (scenario.newestSettings < 1 || scenario.newestSettings > 6)
            throw std::invalid_argument("newestSettings is not 1 to 6");
    }
    if (root.contains("steps")) {
        for (const json& step : root["steps"])
            scenario.steps.push_back(stepOf(step));
    }
    return scenario;
}

Scenario loadScenario() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = GetEnvironmentVariableW(kScenarioVariable, path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2)
        return Scenario();
    try {
        return parseScenario(readWholeFile(path));
    } catch (const std::exception& error) {
        record(L"scenario error " + utf8ToWide(error.what()));
        return Scenario();
    }
}

}  // namespace quorvane::standin
