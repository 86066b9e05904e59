#pragma once

#include <string>

namespace quorvane::engine {

// What the engine saw, one line per event, for people and tests watching a run: appended to the
// file that QV_ENGINE_LOG names (a Linux or Windows path), with the milliseconds since the
// environment was created; line breaks inside |line| are written as \n and \r. Nothing is
// written when the variable is unset. Any thread.
void logLine(const std::string& line);

// A variable of this process's environment, as UTF-8; empty when unset.
std::string environmentVariable(const wchar_t* name);

// The whole content of a file (shared for reading and writing by others), empty when it cannot be
// read.
std::string readWholeFile(const std::wstring& path);

// A Windows path for |path|: Linux paths ("/tmp/x") are taken through drive Z:, as Wine maps it.
std::wstring windowsPath(const std::string& path);

}  // namespace quorvane::engine
