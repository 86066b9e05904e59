#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quorvane::standin {

// How one asynchronous creation (environment or controller) turns out.
struct CreationOutcome {
    HRESULT returns = S_OK;  // what the creating call itself returns; a failure means no completion
    HRESULT completes = S_OK;    // the error code handed to the completion
    bool deliversObject = true;  // false: the completion receives a null object
};

// One thing the page or the user does, after the first navigation.
struct Step {
    enum class Kind {
        Request,           // uri, method, headers, context
        Navigate,          // uri, parses
        DomContentLoaded,  //
        Title,             // text
        MessageString,     // source, text
        MessageJson,       // source, text (a JSON text)
        Fullscreen,        // flag
        Permission,        // uri, number (kind), flag (user initiated)
        NewWindow,         // uri, flag (user initiated)
        Close,             //
        Wait,              // number (milliseconds)
        ProcessFailed,     // number (kind), reason, exitCode, text (description), details, badArgs,
                           // fromReplacedView
        Window,            // text (the player's action on the window), rect (for "drag")
    };
    Kind kind = Kind::Wait;
    std::wstring uri;
    std::wstring method = L"GET";
    std::wstring headers;  // "Name: value" lines separated by "\n"
    int context = 16;      // COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER
    std::wstring source;
    std::wstring text;
    bool flag = false;
    bool parses = true;
    int number = 0;
    int reason = 0;
    int exitCode = 0;
    bool details = true;   // the arguments answer ICoreWebView2ProcessFailedEventArgs2
    bool badArgs = false;  // the handler gets a pointer to nothing instead of arguments
    // Raised by the view of the browser that exited last, after the shell replaced (and closed)
    // it: an event in flight when the view went, which a runtime should no longer deliver.
    bool fromReplacedView = false;
    RECT rect = {};        // where the player drags the window's frame to (screen coordinates)
};

struct Scenario {
    bool runtimePresent = true;
    // With runtimePresent false: the version query of this number (1 for the first in the
    // process) and every later one find the runtime, as after an installation; 0: never.
    int runtimeAppearsAtQuery = 0;
    std::wstring version = L"120.0.2210.91";
    CreationOutcome environment;
    CreationOutcome controller;
    bool offersWebView2 = true;  // the view answers ICoreWebView2_2
    bool pagesParse = true;      // the first navigation's document raises DOMContentLoaded
    // The newest ICoreWebView2SettingsN the view's settings answer, 1 to 6: an older runtime.
    int newestSettings = 6;
    std::vector<Step> steps;
};

// The scenario named by the scenario variable, read afresh on each call; the default scenario
// when the variable is unset. A file that cannot be read or parsed is reported in the transcript
// ("scenario error ...") and the default is used.
Scenario loadScenario();

// Parses a scenario from its JSON text (UTF-8); throws std::exception on malformed input.
Scenario parseScenario(const std::string& json);

}  // namespace quorvane::standin
