#pragma once

#include <string>
#include <string_view>

#include "platform/windows_names.h"

namespace quorvane::pack {

// Why Windows cannot hold |name| as the name of a file or folder ("\"?\" is not allowed in
// names", "it ends in a dot", "AUX is a device name"), or "" when it can. Other systems (Linux,
// a case-sensitive folder) allow such names; copied to Windows they fail, or become another file.
std::string unholdableName(std::wstring_view name);

// Checks each folder of |path| as it was typed (a drive, a "\\?\" or "\\server\share" start, "."
// and ".." are fine) and returns why the first one Windows cannot use is a problem
// ("\"Game.\" ends in a dot"), or "" when there is none.
std::string unusablePath(std::wstring_view path);

}  // namespace quorvane::pack
