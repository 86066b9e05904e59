#pragma once

#include <string>
#include <vector>

#include "tests/harness/app_run.h"

namespace quorvane::testing {

// The app origin as the page sees it, for scenario texts.
inline const std::string kOrigin = "https://quorvane.localhost/";

// An application folder with the built shell, a manifest and a one-line main page.
struct ShellApp {
    explicit ShellApp(const std::string& manifest, bool loaderBesideExe = true);
    AppFolder folder;
};

// What the shell's main window looked like at one moment of a run.
struct MainWindowState {
    bool visible = false;
    LONG style = 0;
    LONG exStyle = 0;
    std::wstring title;
    RECT windowRect = {};
    RECT clientRect = {};

    bool operator==(const MainWindowState& other) const;
};

// The shell's main window (class "WindowsQuorvane") of process |processId|, shown or hidden; null
// when it has none.
HWND mainWindowOf(DWORD processId);

// Records every distinct state of the shell's main window (class "WindowsQuorvane") seen while a
// run goes on, in order.
class MainWindowWatch {
  public:
    void operator()(DWORD processId);
    const std::vector<MainWindowState>& states() const { return states_; }
    bool everVisible() const;

  private:
    std::vector<MainWindowState> states_;
};

// Sets Wine's load order of |library| (L"comctl32") for the program |program| (L"Quorvane.exe")
// in the shared prefix while this lives: L"native,builtin" makes Wine search like Windows, the
// executable's folder first; L"" disables the library, as if the system had none. Wine reads
// WINEDLLOVERRIDES from the Unix environment it was started with, not from the block
// CreateProcessW passes, and reads the per-program setting when the program starts.
class ScopedDllOverride {
  public:
    ScopedDllOverride(const std::wstring& program, const std::wstring& library,
                      const std::wstring& loadOrder);
    ~ScopedDllOverride();
    ScopedDllOverride(const ScopedDllOverride&) = delete;
    ScopedDllOverride& operator=(const ScopedDllOverride&) = delete;

  private:
    std::wstring key_;
    std::wstring library_;
};

// Runs the shell with a scenario of the stand-in runtime (steps as a JSON array text, plus other
// top-level members as a JSON object text without braces), optionally watching its main window.
RunResult runShell(const ShellApp& app, const std::string& steps = "[]",
                   const std::string& members = "", MainWindowWatch* watch = nullptr);

// A web message step: |kind| "messageString" (posted as a string) or "messageJson" (posted as a
// JSON value, |json| being its JSON text).
std::string webMessage(const std::string& source, const std::string& json,
                       const std::string& kind = "messageString");

// A JSON array of scenario steps, each given as its JSON text.
std::string stepList(const std::vector<std::string>& steps);

// The transcript lines between the first line starting with |from| and the first later line
// starting with |to|, both included.
std::vector<std::string> linesBetween(const RunResult& run, const std::string& from,
                                      const std::string& to);

// The UTF-8 text of a message box, for assertions.
std::string boxText(const MessageBoxSeen& box);

// The run log's first line for the built shell run from |folder| as the app |name| in
// |distribution| mode ("evergreen" or "fixed").
std::string startLogLine(const AppFolder& folder, const std::string& name,
                         const std::string& distribution);

}  // namespace quorvane::testing
