#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "tools/stamp/app_identity.h"

namespace quorvane::pack {

// What laying out a package needs. Paths are extended (long_path.h).
struct StageRequest {
    std::wstring appFolder;
    std::string appShown;  // how messages name the app folder ("StarHopper")
    std::wstring name;     // --name, already checked; empty: made from the manifest's "name"
    std::wstring shell;    // the Quorvane.exe to stamp
    std::wstring stage;    // an existing folder that receives <Name>\ .
    // Receives each warning about the manifest ("package.json: ..."), as soon as it is read.
    std::function<void(const std::string&)> warn = [](const std::string&) {};
};

// Checks the app folder and lays out the package in |request.stage|: <Name>\ with <Name>.exe (a
// copy of the shell carrying the app's icon and version information), package.json, www\,
// webview2\ in fixed mode, steam_api64.dll when "steam" turns Steam on and a window icon that lies
// outside www\. Links are followed. Files keep
// their times; the executable takes the newest time of the shell, the manifest and the icon, so
// that the same input gives the same package. Nothing is written before every check has passed;
// a failure or Ctrl-C removes what was written. Throws AppFolderError (every line names a file),
// WriteError, Interrupted.
stamp::AppIdentity stagePackage(const StageRequest& request);

struct FinishedPackage {
    std::wstring name;      // <Name>
    uint64_t zipBytes = 0;  // the size of <Name>.zip
    std::wstring leftOver;  // a work folder holding what could not be deleted of the previous set
};

// Zips the one folder in |stage| (extended path; the package, <Name>\) into <Name>.zip beside it,
// then moves everything in |stage| into |out| as one set (swap.h). Entries carry the files' times,
// or |fixedTime| (Unix seconds) for all. Before anything is written, refuses (OutputInTheWay) when
// |out| holds |appFolder| (when given) or a folder holding it under a name the set would
// replace. Throws UsageError when |stage| does not hold exactly one folder or holds its zip
// already, WriteError, Interrupted.
FinishedPackage finishPackage(const std::wstring& stage, const std::wstring& out,
                              std::optional<int64_t> fixedTime, const std::wstring& appFolder);

}  // namespace quorvane::pack
