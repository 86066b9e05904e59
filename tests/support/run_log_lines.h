#pragma once

#include <string>
#include <vector>

namespace quorvane::testing {

// The messages of a run log's text (quorvane.log) without their time stamps, in order. A line
// whose stamp is not a UTC time ("2026-05-01T10:20:30.123Z ") or that does not end in CR LF comes
// back whole after "BAD LINE: ", so an exact comparison shows it.
std::vector<std::string> runLogMessages(const std::string& log);

// The user data folder the shell gives the runtime for an app named |name|, as the shell forms it
// (this process and the shell it starts share the local application data folder).
std::wstring userDataFolderFor(const std::wstring& name);

// The line a run of the app |name| logs for its saves when the manifest names no saves folder.
std::string defaultSavesLogLine(const std::wstring& name);

// The messages of the run log in |folder|; empty when there is none.
std::vector<std::string> runLogIn(const std::wstring& folder);

}  // namespace quorvane::testing
