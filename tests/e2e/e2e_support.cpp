#include "tests/e2e/e2e_support.h"

#include <windows.h>

#include "tests/support/files.h"

namespace quorvane::testing {

ShellApp::ShellApp(const std::string& manifest, bool loaderBesideExe) {
    folder.installExecutable();
    if (loaderBesideExe)
        folder.placeLoaderBesideExe();
    folder.writePackageJson(manifest);
    folder.writeFile(L"www\\index.html", "<!DOCTYPE html><title>t</title>");
}

ScopedDllOverride::ScopedDllOverride(const std::wstring& program, const std::wstring& library,
                                     const std::wstring& loadOrder)
    : key_(L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides"), library_(library) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), library_.c_str(), REG_SZ, loadOrder.c_str(),
                    static_cast<DWORD>((loadOrder.size() + 1) * sizeof(wchar_t)));
}

ScopedDllOverride::~ScopedDllOverride() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key_.c_str(), library_.c_str());
}

bool MainWindowState::operator==(const MainWindowState& other) const {
    return visible == other.visible && style == other.style && exStyle == other.exStyle &&
           title == other.title && EqualRect(&windowRect, &other.windowRect) &&
           EqualRect(&clientRect, &other.clientRect);
}

HWND mainWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner == s->processId && std::wstring(name) == L"WindowsQuorvane") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void MainWindowWatch::operator()(DWORD processId) {
    HWND found = mainWindowOf(processId);
    if (found == nullptr)
        return;
    // The window can be destroyed at any point of these reads (the run ends by closing it). The
    // reads after that fail and give zeros and an empty title, a state the window never had, so
    // a sample counts only when the window still exists once all of it has been read. The title
    // is the system's copy: GetWindowTextW sends no WM_GETTEXT to another process's window, so
    // the answer never waits for the shell's message loop, which stops when the window goes.
    MainWindowState state;
    state.visible = IsWindowVisible(found) != FALSE;
    state.style = GetWindowLongW(found, GWL_STYLE);
    state.exStyle = GetWindowLongW(found, GWL_EXSTYLE);
    wchar_t title[512] = {};
    GetWindowTextW(found, title, 512);
    state.title = title;
    const bool read = GetWindowRect(found, &state.windowRect) &&
                      GetClientRect(found, &state.clientRect);
    if (!read || !IsWindow(found))
        return;
    // The shell changes style and rectangle in separate calls (fullscreen), so reads that straddle
    // one of them would mix two states into one it never had: such a sample is dropped.
    RECT again = {};
    if (GetWindowLongW(found, GWL_STYLE) != state.style ||
        GetWindowLongW(found, GWL_EXSTYLE) != state.exStyle ||
        !GetWindowRect(found, &again) || !EqualRect(&again, &state.windowRect) ||
        IsWindowVisible(found) != (state.visible ? TRUE : FALSE)) {
        return;
    }
    if (states_.empty() || !(states_.back() == state))
        states_.push_back(state);
}

bool MainWindowWatch::everVisible() const {
    for (const MainWindowState& state : states_) {
        if (state.visible)
            return true;
    }
    return false;
}

RunResult runShell(const ShellApp& app, const std::string& steps, const std::string& members,
                   MainWindowWatch* watch) {
    RunOptions options;
    if (watch != nullptr)
        options.watch = [watch](DWORD processId) { (*watch)(processId); };
    std::string scenario = "{";
    if (!members.empty())
        scenario.append(members).append(",");
    scenario.append("\"steps\":").append(steps).append("}");
    options.scenario = std::move(scenario);
    options.timeoutMs = 30000;
    return runApp(app.folder, options);
}

std::string webMessage(const std::string& source, const std::string& json,
                       const std::string& kind) {
    std::string escaped;
    for (char c : json) {
        if (c == '"' || c == '\\')
            escaped.push_back('\\');
        escaped.push_back(c);
    }
    return R"({"do":")" + kind + R"(","source":")" + source + R"(","text":")" + escaped + "\"}";
}

std::string stepList(const std::vector<std::string>& steps) {
    std::string list = "[";
    for (const std::string& step : steps) {
        if (list.size() > 1)
            list.push_back(',');
        list.append(step);
    }
    list.push_back(']');
    return list;
}

std::vector<std::string> linesBetween(const RunResult& run, const std::string& from,
                                      const std::string& to) {
    std::vector<std::string> lines;
    bool inside = false;
    for (const std::string& line : run.transcript) {
        if (!inside && line.starts_with(from))
            inside = true;
        if (!inside)
            continue;
        lines.push_back(line);
        if (lines.size() > 1 && line.starts_with(to))
            break;
    }
    return lines;
}

std::string boxText(const MessageBoxSeen& box) {
    return narrow(box.text);
}

std::string startLogLine(const AppFolder& folder, const std::string& name,
                         const std::string& distribution) {
    return "start executable=" + narrow(folder.executable()) +
           " version=" QV_SHELL_FILE_VERSION " app=\"" + name + "\" distribution=" + distribution;
}

}  // namespace quorvane::testing
