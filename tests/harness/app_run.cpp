#include "tests/harness/app_run.h"

#include <stdexcept>

#include "platform/scoped_handle.h"
#include "platform/utf8.h"
#include "tests/standin/standin_environment.h"
#include "tests/support/files.h"

namespace quorvane::testing {

namespace {

constexpr DWORD kPollMs = 40;

// The current environment with the stand-in's variables replaced, as a CreateProcessW block.
std::wstring childEnvironment(const std::wstring& scenarioPath,
                              const std::wstring& transcriptPath) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; entry != nullptr && *entry != L'\0';
         entry += wcslen(entry) + 1) {
        std::wstring_view text(entry);
        if (text.starts_with(standin::kScenarioVariable) ||
            text.starts_with(standin::kTranscriptVariable)) {
            continue;
        }
        block.append(text).push_back(L'\0');
    }
    FreeEnvironmentStringsW(strings);
    block.append(standin::kScenarioVariable).append(L"=").append(scenarioPath).push_back(L'\0');
    block.append(standin::kTranscriptVariable).append(L"=").append(transcriptPath).push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

std::wstring userDataFolderOf(const std::vector<std::string>& transcript) {
    const std::string_view field = " userDataFolder=";
    for (const std::string& line : transcript) {
        if (!line.starts_with("CreateCoreWebView2EnvironmentWithOptions ") &&
            !line.starts_with("CreateWebViewEnvironmentWithOptionsInternal ")) {
            continue;
        }
        size_t at = line.find(field);
        if (at == std::string::npos)
            continue;
        std::string value = line.substr(at + field.size());
        return value == "(null)" ? std::wstring() : utf8ToWide(value);
    }
    return {};
}

}  // namespace

bool RunResult::hasLine(std::string_view line) const {
    for (const std::string& entry : transcript) {
        if (entry == line)
            return true;
    }
    return false;
}

std::vector<std::string> RunResult::linesStartingWith(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : transcript) {
        if (entry.starts_with(prefix))
            found.push_back(entry);
    }
    return found;
}

RunResult runApp(const AppFolder& app, const RunOptions& options) {
    if (app.executable().empty())
        throw std::runtime_error("no executable installed");
    const std::wstring scenarioPath = app.root() + L"\\scenario" + options.fileTag + L".json";
    const std::wstring transcriptPath = app.root() + L"\\transcript" + options.fileTag + L".txt";
    writeFile(scenarioPath, options.scenario);
    DeleteFileW(transcriptPath.c_str());

    std::wstring environment = childEnvironment(scenarioPath, transcriptPath);
    std::wstring commandLine = L"\"" + app.executable() + L"\"";
    if (!options.arguments.empty())
        commandLine += L" " + options.arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(app.executable().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), app.path().c_str(),
                        &startup, &process)) {
        throw std::runtime_error("cannot start " + narrow(app.executable()) + ": error " +
                                 std::to_string(GetLastError()));
    }
    ScopedHandle processHandle(process.hProcess);
    ScopedHandle threadHandle(process.hThread);

    RunResult result;
    MessageBoxCapture capture(process.dwProcessId);
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    for (;;) {
        capture.poll();
        if (options.watch)
            options.watch(process.dwProcessId);
        if (WaitForSingleObject(processHandle.get(), kPollMs) == WAIT_OBJECT_0)
            break;
        if (GetTickCount64() >= deadline) {
            result.timedOut = true;
            TerminateProcess(processHandle.get(), 0xDEAD);
            WaitForSingleObject(processHandle.get(), 5000);
            break;
        }
    }
    GetExitCodeProcess(processHandle.get(), &result.exitCode);
    result.messageBoxes = capture.seen();
    if (fileExists(transcriptPath))
        result.transcript = splitLines(readFile(transcriptPath));
    result.userDataFolder = userDataFolderOf(result.transcript);
    return result;
}

}  // namespace quorvane::testing
