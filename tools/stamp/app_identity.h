#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "tools/stamp/version_info.h"

namespace quorvane::stamp {

// What is wrong with an application folder; the message begins with the file it concerns,
// relative to the folder ("package.json: ...", "www/index.html: ...").
class AppFolderError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the packager writes into an app's executable, and where the app's files are.
struct AppIdentity {
    std::wstring fileName;      // <Name> of <Name>.exe and of the package folder
    bool fixedRuntime = false;  // the package ships "webview2\"
    std::wstring iconPath;      // full path; empty: the executable keeps the shell's icon
    std::string iconMember;     // the manifest member that named the icon, for messages
    std::string iconRelative;   // the icon's path as the manifest wrote it, for messages
    // The window icon's path relative to the app folder ("/" separators) when it lies outside
    // www/: the package must carry it too. Empty otherwise.
    std::string windowIconOutsideWww;
    // "steam" turns Steam on: the package carries steam_api64.dll beside the executable.
    bool steam = false;
    AppVersion version;  // all parts 0 when the manifest has no "version"
    VersionStrings strings;
};

// Reads "package.json" in |appFolder| (a full path without trailing backslash) and checks that the
// folder holds an app the shell can run: a manifest the shell accepts, "www\" with the main page,
// "webview2\" in fixed distribution mode, and valid packaging members: "version", "description",
// "company", "copyright" and "executable-icon", which the shell itself ignores; the texts of the
// executable's properties ("name", "description", "company", "copyright") on one line each.
// |fileName|, when not empty, replaces the name made from the manifest's "name" and must already be
// a safe file name. Throws AppFolderError. Each warning about the manifest (manifest_check.h) goes
// to |warn| as soon as the manifest is read, before anything else is checked; so does a note that
// steam_appid.txt, which is for development only, stays out of the package.
AppIdentity readAppIdentity(const std::wstring& appFolder, const std::wstring& fileName,
                            const std::function<void(const std::string&)>& warn);

}  // namespace quorvane::stamp
