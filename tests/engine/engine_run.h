#pragma once

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace quorvane::testing {

// What the engine runtime logged during one run of the shell, without the time stamps.
struct EngineRun {
    RunResult run;
    std::vector<std::string> log;

    std::vector<std::string> linesStartingWith(const std::string& prefix) const;
    // The log's last "title" line's text, unquoted.
    std::string lastTitle() const;
    // The whole log, for failure messages.
    std::string text() const;
};

// An application folder for the engine: the built shell, |manifest|, the engine runtime as the
// loader library beside it, and the files of tests/engine/pages/|page| (if given) in www.
struct EngineApp {
    EngineApp(const std::string& manifest, const std::wstring& page);
    AppFolder folder;
};

// Runs the shell against the engine, driving the page with |steps| (a JSON array text), with
// |arguments| after the program name on its command line.
EngineRun runInEngine(const EngineApp& app, const std::string& steps,
                      MainWindowWatch* watch = nullptr, const std::wstring& arguments = L"");

}  // namespace quorvane::testing
