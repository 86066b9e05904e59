#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quorvane {

// How the runtime was found; the value is the runtimeType its client library expects.
enum class RuntimeKind { MachineWide = 0, Fixed = 1 };

struct InstalledRuntime {
    RuntimeKind kind = RuntimeKind::MachineWide;
    std::wstring folder;         // full path, no trailing backslash
    std::wstring clientLibrary;  // full path of <folder>\EBWebView\x64\EmbeddedBrowserWebView.dll
    std::wstring version;        // "a.b.c.d"
};

// The runtime a loader would use for |browserExecutableFolder|, found the way the runtime's own
// loader finds it: null or empty means the machine-wide runtime that EdgeUpdate registers (the
// local machine's registration first, then the user's); anything else is a fixed runtime in that
// folder, a relative folder being taken against the current directory. Nothing when no runtime
// with a client library is there.
std::optional<InstalledRuntime> findInstalledRuntime(PCWSTR browserExecutableFolder);

// The file version of a module file as "a.b.c.d"; empty when it has no version resource.
std::wstring fileVersionOf(const std::wstring& path);

}  // namespace quorvane
