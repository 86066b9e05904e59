#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane::stamp {

// An app's version as the manifest writes it: semantic versioning ("1.4.2", "2.0.0-beta.3",
// "1.0.0+build.7") or the Windows habit of up to four numbers ("1.4", "1.4.2.9"). Each number
// is one part of the executable's fixed four-part version, so at most 65535; a pre-release or
// build suffix has no place there and is kept only in the text.
struct AppVersion {
    WORD parts[4] = {};
    bool preRelease = false;
    std::string text;  // as written
};

// Empty when |text| is not such a version.
std::optional<AppVersion> parseAppVersion(std::string_view text);

// The strings of a version resource, in the order they are written; empty values are left out.
using VersionStrings = std::vector<std::pair<std::wstring, std::wstring>>;

// A complete RT_VERSION resource (VS_VERSIONINFO) for an application, US English, Unicode.
std::vector<BYTE> versionResource(const AppVersion& version, const VersionStrings& strings);

}  // namespace quorvane::stamp
