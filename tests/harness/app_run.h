#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/harness/app_folder.h"
#include "tests/support/message_box_capture.h"
#include "tests/support/process_windows.h"

namespace quorvane::testing {

struct RunOptions {
    // The stand-in runtime's scenario (JSON text).
    std::string scenario = "{}";
    // What follows the program name on the command line (the shell takes nothing).
    std::wstring arguments;
    // The run is killed after this long and reported as timed out (exit code 0xDEAD).
    DWORD timeoutMs = 30000;
    // Called with the child's process id about every 40 ms while it runs (after its message
    // boxes were handled), to look at its windows as the run goes on.
    std::function<void(DWORD processId)> watch;
    // Names the run's scenario and transcript files (scenario<tag>.json, transcript<tag>.txt),
    // so that runs of one folder at the same time keep theirs apart.
    std::wstring fileTag;
};

struct RunResult {
    bool timedOut = false;
    DWORD exitCode = 0;
    // The stand-in's transcript, one UTF-8 line each, in order.
    std::vector<std::string> transcript;
    // Every message box the program showed, in order; each was dismissed with OK.
    std::vector<MessageBoxSeen> messageBoxes;
    // The user data folder the stand-in received (empty when no environment was created). A
    // child's local application data folder comes from the known folder, not from a variable
    // the harness could set, so tests read it from here instead of assuming it.
    std::wstring userDataFolder;

    bool hasLine(std::string_view line) const;
    // Lines starting with |prefix|, in order.
    std::vector<std::string> linesStartingWith(std::string_view prefix) const;
};

// Runs the folder's executable with the folder as current directory and the stand-in's scenario
// and transcript variables set, dismissing message boxes as they appear. Throws when the program
// cannot be started.
RunResult runApp(const AppFolder& app, const RunOptions& options = {});

}  // namespace quorvane::testing
